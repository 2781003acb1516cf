#include "ui/main_commands.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <vector>

#include "app/controls.h"
#include "app/instance.h"
#include "app/list_rows.h"
#include "app/long_work.h"
#include "app/modal.h"
#include "archivers/formats.h"
#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tasks/number_text.h"
#include "tasks/task_create.h"
#include "tasks/task_delete.h"
#include "tasks/task_paths.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "tasks/tasklist_file.h"
#include "ui/about_dialog.h"
#include "ui/extract_dialog.h"
#include "ui/library_dialog.h"
#include "ui/main_controls.h"
#include "ui/run_commands.h"
#include "ui/settings_dialog.h"
#include "ui/status_bar.h"
#include "ui/task_list_view.h"

char CurrentListName[PathSize] = "NewTaskList";

static const char UntitledTask[] = "名称未設定";

// ---- Task list files ----

// Waiting counts as busy: a queued list is neither replaced nor saved.
static bool RefuseWhileBusy() {
    int rows = Lv_RowCount(TaskListView);
    for (int i = 0; i < rows && i < TaskCount; ++i) {
        if (TaskTable[i].status == Waiting || TaskTable[i].status == Running) {
            ShowErrorMessage(MainWindow, "実行中のタスクが存在するため、操作できません");
            return true;
        }
    }
    return false;
}

// The chosen file's folder is where the next open and save dialogs start.
static void AdoptListName(const char* path) {
    CopyText(CurrentListName, sizeof(CurrentListName), path);
    SetMainTitle(CurrentListName);
    RememberFolderOfPath(path);
}

// Both task-list dialogs start at the current list file, or in the
// remembered folder while the list has never been opened or saved.
static void PrepareListDialog(OPENFILENAMEA* dialog, char* file, const char* title, DWORD flags) {
    static const char filter[] = "ﾀｽｸﾘｽﾄﾌｧｲﾙ(*.fdl)\0*.fdl\0";
    bool untitled = strcmp(CurrentListName, "NewTaskList") == 0;
    CopyText(file, DialogPathSize, untitled ? Settings.OpenFolder : CurrentListName);
    dialog->lStructSize = sizeof(*dialog);
    dialog->hwndOwner = MainWindow;
    dialog->lpstrFilter = filter;
    dialog->lpstrFile = file;
    dialog->nMaxFile = DialogPathSize;
    dialog->lpstrTitle = title;
    dialog->Flags = OFN_EXPLORER | OFN_HIDEREADONLY | flags;
}

// The save command: always through the save dialog. True when saved.
static bool SaveTaskListFile() {
    if (Lv_RowCount(TaskListView) == 0) {
        ShowErrorMessage(MainWindow, "タスクが存在しません");
        return false;
    }
    if (RefuseWhileBusy()) return false;
    char file[DialogPathSize] = "";
    OPENFILENAMEA dialog = {};
    PrepareListDialog(&dialog, file, "タスクリストファイルを保存", OFN_OVERWRITEPROMPT);
    dialog.lpstrDefExt = "fdl";
    if (!Modal.saveFileDialog(&dialog)) return false;
    if (!SaveTaskList(file)) return false;
    AdoptListName(file);
    return true;
}

// A list with a file is saved to it; a list never saved goes through the
// save dialog.
static bool SaveTaskListInPlace() {
    if (strcmp(CurrentListName, "NewTaskList") == 0) return SaveTaskListFile();
    if (RefuseWhileBusy()) return false;
    return SaveTaskList(CurrentListName);
}

// Before the list is replaced or the program ends: a list changed since it
// was last saved or loaded is offered for saving. False when the caller must
// stop: the user cancelled, or the save did not happen.
bool SaveChangedTaskList() {
    if (!TaskListChanged()) return true;
    switch (AskYesNoCancel(MainWindow, "タスクリストは変更されています。保存しますか？")) {
    case IDYES: return SaveTaskListInPlace();
    case IDNO:  return true;
    }
    return false;
}

// Every task goes as long work: Escape stops it, keeping the tasks not yet
// reached, and the command ends there.
static bool ClearTasks() {
    if (!BeginTaskListWork("  %s 件削除 (Escで中止)")) return false;
    bool cleared = ClearTaskList();
    return EndTaskListWork() && cleared;
}

static void NewTaskList() {
    if (RefuseWhileBusy() || !SaveChangedTaskList() || !ClearTasks()) return;
    MarkTaskListSaved();
    CopyText(CurrentListName, sizeof(CurrentListName), "NewTaskList");
    SetMainTitle(CurrentListName);
}

// The list is cleared only after a file was chosen; a failed load has
// reported itself and leaves the title and folder as they were. The load
// is one long work: the task list paints once a second, the status bar
// counts the files added, and Escape stops it, keeping the tasks loaded so
// far; a stopped load does not take the file's name either, so that a save
// cannot replace the file with the shortened list.
static void OpenTaskListFile() {
    if (RefuseWhileBusy() || !SaveChangedTaskList()) return;
    char file[DialogPathSize] = "";
    OPENFILENAMEA dialog = {};
    PrepareListDialog(&dialog, file, "タスクリストファイルを開く", OFN_FILEMUSTEXIST);
    if (!Modal.openFileDialog(&dialog)) return;
    OpenTaskListNamed(file);
}

// Loads a task list file in place of the list, as the open command does
// with the file chosen; a command line that names one file does it too.
bool OpenTaskListNamed(const char* path) {
    if (!ClearTasks()) return false;
    HoldStatusCounts(true);
    BeginTaskListWork("  %s 件追加 (Escで中止)");
    bool loaded = LoadTaskList(path, EnsureFileListWindow());
    bool complete = EndTaskListWork();
    HoldStatusCounts(false);
    if (!loaded || !complete) return false;
    AdoptListName(path);
    return true;
}

// A list file given while the program runs: refused while tasks are queued
// or running, and a changed list is offered for saving first.
bool OpenTaskListInPlaceOfChanged(const char* path) {
    if (RefuseWhileBusy() || !SaveChangedTaskList()) return false;
    return OpenTaskListNamed(path);
}

// ---- Creating tasks ----

// Its file-list window opens over the disabled main window.
static void NewCompressionTask() { OpenNewCompressionTask(UntitledTask); }

// One extraction task per chosen archive, in the dialog's order. A choice
// too long for the buffer makes the dialog fail, and nothing happens.
static void OpenArchives() {
    char patterns[256];
    char filter[300];
    BuildArchivePatternList(patterns, sizeof(patterns));
    BuildArchiveFilter(filter, sizeof(filter), patterns);
    char result[DialogPathSize];
    if (!FormatText(result, sizeof(result), "%s%s", Settings.OpenFolder, patterns)) result[0] = '\0';
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = MainWindow;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = result;
    dialog.nMaxFile = sizeof(result);
    dialog.lpstrTitle = "圧縮ファイルを開く";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
    if (!Modal.openFileDialog(&dialog)) return;
    char path[PathSize] = "";
    char last[PathSize] = "";
    int offset = 0;
    do {
        offset = NextSelectedPath(result, sizeof(result), path, sizeof(path), static_cast<unsigned short>(offset));
        if (path[0] == '\0') continue;  // a joined path too long for a task
        CreateExtractionTask(path);
        CopyText(last, sizeof(last), path);
    } while (offset >= 0);
    if (last[0] != '\0') RememberFolderOfPath(last);
}

// ---- Editing and deleting ----

static int NextSelectedRow(int after) {
    return static_cast<int>(SendMessageA(TaskListView, LVM_GETNEXTITEM, after, LVNI_SELECTED));
}

// Several rows: the first compression task among them is edited alone;
// only extraction tasks go to the batch dialog together, the rule of the
// last selected row's task shown first.
static bool EditSeveral(int selected) {
    short index = -1;
    for (int row = NextSelectedRow(-1); row >= 0; row = NextSelectedRow(row)) {
        index = RowToTaskIndex(row);
        if (index >= 0 && TaskTable[index].kind == TaskCompression) return false;
    }
    ShowBatchExtractionSettingsDialog(MainWindow, selected, index);
    return true;
}

static void EditCompressionTask(short index, int row) {
    char path[DialogPathSize];
    ReadTaskArchivePath(row, path, sizeof(path));
    SetArchivePathField(path);
    ShowTaskFileList(index);
}

// The focused row is edited; a Running task is left alone without a word,
// any other becomes Stopped before its window opens.
static void EditTask() {
    int selected = Lv_SelectedCount(TaskListView);
    if (selected == 0) return;
    if (selected >= 2 && EditSeveral(selected)) return;
    int row = static_cast<int>(SendMessageA(TaskListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (row < 0) return;
    short index = RowToTaskIndex(row);
    if (index < 0 || TaskTable[index].status == Running) return;
    SetTaskStatus(index, Stopped);
    RefreshStatusBar();
    if (TaskTable[index].kind == TaskCompression) {
        EditCompressionTask(index, row);
    } else {
        ShowExtractionSettingsDialog(MainWindow, index);
    }
}

// The rows' tasks go as long work: Escape stops it, and the tasks not yet
// reached stay. A running task is not deleted (its run still uses it); the
// status bar says so.
static void DeleteTasksOfRows(const std::vector<int>& rows) {
    bool keepsRunning = false;
    for (int row : rows) {
        short index = RowToTaskIndex(row);
        keepsRunning = keepsRunning || (index >= 0 && TaskTable[index].status == Running);
    }
    if (!rows.empty() && BeginTaskListWork("  %s 件削除 (Escで中止)")) {
        DeleteTaskRows(rows.data(), static_cast<int>(rows.size()));
        EndTaskListWork();
    }
    if (keepsRunning) ShowStatusNote("実行中のタスクは削除できません");
}

static void DeleteSelectedTasks() { DeleteTasksOfRows(SelectedListRows(TaskListView)); }

static void DeleteDoneTasks() {
    std::vector<int> rows;
    int count = Lv_RowCount(TaskListView);
    for (int row = 0; row < count; ++row) {
        short index = RowToTaskIndex(row);
        if (index >= 0 && TaskTable[index].status == Done) rows.push_back(row);
    }
    DeleteTasksOfRows(rows);
}

// One line per command; ids without a case do nothing in the main window.
// None runs while rows are being added.
void ExecuteMainCommand(int command) {
    if (LongWorkRunning()) return;
    switch (command) {
    case IDM_NEW_LIST:      NewTaskList(); break;
    case IDM_OPEN_LIST:     OpenTaskListFile(); break;
    case IDM_SAVE_LIST:     SaveTaskListFile(); break;
    case IDM_NEW_ARCHIVE:   NewCompressionTask(); break;
    case IDM_OPEN_ARCHIVES: OpenArchives(); break;
    case IDM_CLOSE:         SendMessageA(MainWindow, WM_CLOSE, 0, 0); break;
    case IDM_EDIT_TASK:     EditTask(); break;
    case IDM_DELETE:        DeleteSelectedTasks(); break;
    case IDM_DELETE_DONE:   DeleteDoneTasks(); break;
    case IDM_MOVE_UP:       MoveSelectedTasks(true); break;
    case IDM_MOVE_DOWN:     MoveSelectedTasks(false); break;
    case IDM_SELECT_ALL:    SelectAllTasks(); break;
    case IDM_INVERT:        InvertTaskSelection(); break;
    case IDM_START:         StartSelectedTasks(); break;
    case IDM_STOP:          StopSelectedTasks(); break;
    case IDM_START_ALL:     StartAllTasks(); break;
    case IDM_STOP_ALL:      StopAllTasks(); break;
    case IDM_RETRY:         RetrySelectedTasks(); break;
    case IDM_ERROR_DETAILS: ShowSelectedTaskReason(); break;
    case IDM_ABOUT:         ShowAboutBox(MainWindow); break;
    case IDM_SETTINGS:      ShowSettingsDialog(MainWindow); break;
    case IDM_LIBRARIES:     ShowLibraryDialog(MainWindow); break;
    }
}
