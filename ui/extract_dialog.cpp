#include "ui/extract_dialog.h"

#include <commctrl.h>

#include <cstdint>

#include "app/instance.h"
#include "app/modal.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_values.h"
#include "ui/main_controls.h"
#include "ui/status_bar.h"

// The task is held by its id, not its table index: the index of a task
// moves when an earlier task is deleted.
struct ExtractDialogData {
    bool batch;
    uint32_t taskId;  // one task: the task edited; batch: the task whose rule is shown first
    int rowCount;     // batch: the selected rows counted when the dialog was asked for
};

// A Running task's destination is in use by its run: it is left alone.
static void StoreExtractionSettings(short index, const char* folder, unsigned char mode) {
    if (index < 0 || TaskTable[index].status == Running) return;
    CopyText(TaskTable[index].destination, sizeof(TaskTable[index].destination), folder);
    TaskTable[index].flag = mode;
}

// Each selected row in row order, as many as were counted when the dialog
// opened; every task that is not Running becomes Stopped.
static void StoreInSelectedRows(const char* folder, unsigned char mode, int rowCount) {
    int row = -1;
    for (int done = 0; done < rowCount; ++done) {
        row = static_cast<int>(SendMessageA(TaskListView, LVM_GETNEXTITEM, row, LVNI_SELECTED));
        if (row < 0) break;
        short index = RowToTaskIndex(row);
        if (index < 0 || TaskTable[index].status == Running) continue;
        SetTaskStatus(index, Stopped);
        StoreExtractionSettings(index, folder, mode);
    }
    RefreshStatusBar();
}

// return FALSE: the focus was put on the folder box by hand.
static INT_PTR OnInitDialog(HWND dialog, LPARAM lp) {
    Dlg_ParkData(dialog, lp);
    const auto* data = reinterpret_cast<const ExtractDialogData*>(lp);
    CenterOnMainWindow(dialog);
    HWND box = GetDlgItem(dialog, IDC_DESTINATION);
    SendMessageA(box, EM_LIMITTEXT, PathSize - 1, 0);
    short index = FindTaskById(data->taskId);
    // The task's own rule is shown (for several tasks, that of the last
    // selected one), so OK without a change stores what was there.
    Dlg_CheckAutoFolder(dialog, index >= 0 ? TaskTable[index].flag : Settings.DefMeltAuto);
    if (data->batch) {
        SetWindowTextA(dialog, "圧縮ファイルの一括解凍設定");
    } else {
        if (index >= 0) SetWindowTextA(box, TaskTable[index].destination);
        SendMessageA(box, EM_SETSEL, 0, -1);
    }
    SetFocus(box);
    return FALSE;
}

// The typed text as a folder a task can keep, on a drive that exists.
static DestinationCheck CheckDestination(const char* typed, char* folder, size_t size) {
    DestinationCheck check = MakeDestinationFolder(typed, folder, size);
    if (check != DestinationOk || folder[1] != ':') return check;
    char root[4] = {folder[0], ':', '\\', '\0'};
    if (GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR) return DestinationOk;
    folder[0] = '\0';
    return DestinationNoDrive;
}

// The folder must be a full path on a drive that exists; it is stored with
// a backslash at its end. A refused folder keeps the dialog open.
static void OnOk(HWND dialog) {
    const auto* data = reinterpret_cast<const ExtractDialogData*>(Dlg_Data(dialog));
    char typed[PathSize];
    Dlg_GetText(dialog, IDC_DESTINATION, typed, sizeof(typed));
    char folder[PathSize];
    DestinationCheck check = CheckDestination(typed, folder, sizeof(folder));
    if (check != DestinationOk) {
        ShowErrorMessage(dialog, "%s", DestinationMessage(check));
        return;
    }
    unsigned char mode = Dlg_ReadAutoFolder(dialog);
    if (data->batch) {
        StoreInSelectedRows(folder, mode, data->rowCount);
    } else {
        StoreExtractionSettings(FindTaskById(data->taskId), folder, mode);
    }
    FinishDialog(dialog, 1);
}

// The browser starts at the folder in the box; the choice replaces the
// box's text, and nothing reaches the task before OK.
static void BrowseForDestination(HWND dialog) {
    char start[PathSize];
    Dlg_GetText(dialog, IDC_DESTINATION, start, sizeof(start));
    char chosen[PathSize];
    // Owned by the dialog: when the browser closes it enables its owner
    // again, and the main window must stay disabled under the dialog.
    if (!Modal.browseFolder(dialog, "圧縮ファイルを解凍するフォルダを指定してください", start, chosen,
                            sizeof(chosen))) {
        return;
    }
    char folder[PathSize];
    DestinationCheck check = CheckDestination(chosen, folder, sizeof(folder));
    if (check != DestinationOk) {
        ShowErrorMessage(dialog, "%s", DestinationMessage(check));
        return;
    }
    SetDlgItemTextA(dialog, IDC_DESTINATION, folder);
}

// Every way out ends the dialog with 1; Escape and the close box arrive as
// IDCANCEL.
static INT_PTR OnCommand(HWND dialog, int id) {
    switch (id) {
    case IDOK:            OnOk(dialog); return TRUE;
    case IDCANCEL:        FinishDialog(dialog, 1); return TRUE;
    case IDC_DEST_BROWSE: BrowseForDestination(dialog); return TRUE;
    }
    return FALSE;
}

static INT_PTR CALLBACK ExtractDialogProc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, lp);
    case WM_COMMAND:    return OnCommand(dialog, LOWORD(wp));
    }
    return FALSE;
}

static void RunExtractDialog(HWND owner, const ExtractDialogData& data) {
    Modal.dialogBox(AppInstance, IDD_EXTRACTSETTINGS, owner, ExtractDialogProc, reinterpret_cast<LPARAM>(&data));
}

// The extraction task at index, which the edit command has made Stopped.
void ShowExtractionSettingsDialog(HWND owner, short index) {
    if (index < 0 || index >= TaskCount) return;
    if (TaskTable[index].kind != TaskExtraction) return;
    RunExtractDialog(owner, {false, TaskTable[index].id, 0});
}

// Every selected row, all of them extraction tasks; the rule shown first is
// that of the task at shownIndex (the last selected row's).
void ShowBatchExtractionSettingsDialog(HWND owner, int rowCount, short shownIndex) {
    uint32_t shown = (shownIndex >= 0 && shownIndex < TaskCount) ? TaskTable[shownIndex].id : UINT32_MAX;
    RunExtractDialog(owner, {true, shown, rowCount});
}
