#include "tasks/task_delete.h"

#include <windows.h>
#include <commctrl.h>

#include "app/run_loop.h"
#include "tasks/task_table.h"
#include "ui/controls.h"
#include "ui/main_window.h"

// True while a run is inside an archiver library call: commands then arrive
// from the library's own message pumping, and the run holds its task's
// table index until the call returns.
bool AnyTaskRunning() {
    if (RunSwitch == RunInLibrary) return true;
    for (short i = 0; i < TaskCount; ++i) {
        if (TaskTable[i].status == Running) return true;
    }
    return false;
}

// Deleting any record moves every later record down by one, which would
// leave a run in progress working on another task's record or on none: so
// nothing is deleted while a task runs, and the caller is told so.
// CurrentTaskIndex follows its task, or becomes -1 when that task goes.
bool DeleteTask(short index) {
    if (index < 0 || index >= TaskCount || AnyTaskRunning()) return false;
    if (TaskTable[index].fileList != nullptr) DestroyWindow(TaskTable[index].fileList);
    TaskTable[index].fileList = nullptr;
    int row = TaskIndexToRow(index);
    if (row >= 0) SendMessageA(TaskListView, LVM_DELETEITEM, row, 0);
    RemoveTaskRecord(index);
    if (CurrentTaskIndex == index) {
        CurrentTaskIndex = -1;
    } else if (CurrentTaskIndex > index) {
        --CurrentTaskIndex;
    }
    RefreshStatusBar();
    return true;
}

// Deletes every task, top row first; refused as a whole while a task runs.
bool ClearTaskList() {
    if (AnyTaskRunning()) return false;
    while (Lv_RowCount(TaskListView) > 0) {
        short index = RowToTaskIndex(0);
        if (index < 0 || !DeleteTask(index)) return false;
    }
    return true;
}
