#include "ui/run_commands.h"

#include <windows.h>

#include <commctrl.h>

#include "app/controls.h"
#include "app/instance.h"
#include "app/modal.h"
#include "archivers/run_text.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "ui/library_dialog.h"
#include "ui/main_controls.h"
#include "ui/status_bar.h"

// Every row in row order (or only the selected ones) whose task has the
// status `from` (or `alsoFrom`) gets the status `to`. How many changed.
static int ChangeStatuses(bool selectedOnly, int from, int to, int alsoFrom = -1) {
    int changed = 0;
    int rows = Lv_RowCount(TaskListView);
    for (int row = 0; row < rows; ++row) {
        if (selectedOnly && !Lv_IsSelected(TaskListView, row)) continue;
        short index = RowToTaskIndex(row);
        if (index < 0) continue;
        int status = TaskTable[index].status;
        if (status == from || status == alsoFrom) {
            SetTaskStatus(index, to);
            ++changed;
        }
    }
    RefreshStatusBar();
    return changed;
}

// A key that found nothing to do says why.
void StartSelectedTasks() {
    if (Lv_SelectedCount(TaskListView) == 0) return;
    SwitchRunningOn();
    if (ChangeStatuses(true, Stopped, Waiting) == 0) ShowStatusNote("開始できるのは停止中のタスクです");
}

// A Running task is asked to cancel: a library with the progress callback
// stops and the run ends as Stopped; one without runs on to its end.
static void CancelRunningTask(bool selectedOnly) {
    int rows = Lv_RowCount(TaskListView);
    for (int row = 0; row < rows; ++row) {
        if (selectedOnly && !Lv_IsSelected(TaskListView, row)) continue;
        short index = RowToTaskIndex(row);
        if (index >= 0 && TaskTable[index].status == Running) RequestRunCancel();
    }
}

// The switch falls to 0 at the next message that finds nothing Waiting.
void StopSelectedTasks() {
    if (Lv_SelectedCount(TaskListView) == 0) return;
    CancelRunningTask(true);
    ChangeStatuses(true, Waiting, Stopped);
}

void StartAllTasks() {
    if (Lv_RowCount(TaskListView) == 0) return;
    SwitchRunningOn();
    ChangeStatuses(false, Stopped, Waiting);
}

void StopAllTasks() {
    CancelRunningTask(false);
    ChangeStatuses(false, Waiting, Stopped);
}

// Ended tasks, failed or done, go back in the queue; running and waiting
// ones are left as they are.
void RetrySelectedTasks() {
    if (Lv_SelectedCount(TaskListView) == 0) return;
    SwitchRunningOn();
    if (ChangeStatuses(true, Error, Waiting, Done) == 0) {
        ShowStatusNote("やり直せるのは完了・エラーのタスクです");
    }
}

// The reason of the first selected task that ended in Error (the focused
// row first, when it is one), in a box whatever DefError says.
void ShowSelectedTaskReason() {
    int focused = static_cast<int>(SendMessageA(TaskListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    short chosen = -1;
    int rows = Lv_RowCount(TaskListView);
    for (int row = -1; row < rows && chosen < 0; ++row) {
        int candidate = row < 0 ? focused : row;
        if (candidate < 0 || !Lv_IsSelected(TaskListView, candidate)) continue;
        short index = RowToTaskIndex(candidate);
        if (index >= 0 && TaskTable[index].status == Error) chosen = index;
    }
    if (chosen < 0) {
        Modal.messageBox(MainWindow, "エラーで終了したタスクが選択されていません。", "エラーの詳細",
                         MB_OK | MB_ICONINFORMATION);
        return;
    }
    const char* reason = TaskTable[chosen].reason[0] != '\0' ? TaskTable[chosen].reason : "理由は記録されていません。";
    if (!IsLibraryNotLoadedReason(reason)) {
        Modal.messageBox(MainWindow, reason, "エラーの詳細", MB_OK | MB_ICONINFORMATION);
        return;
    }
    // A missing library: the list of libraries shows where each was looked for.
    char text[TaskReasonSize + 64];
    FormatText(text, sizeof(text), "%s\n\nライブラリの一覧を表示しますか？", reason);
    if (Modal.messageBox(MainWindow, text, "エラーの詳細", MB_YESNO | MB_ICONINFORMATION) == IDYES) {
        ShowLibraryDialog(MainWindow);
    }
}
