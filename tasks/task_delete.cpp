#include "tasks/task_delete.h"

#include <windows.h>

#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"

// True while a run is in progress: a task is Running, or a library call is
// under way (commands then arrive from the library's own message pumping).
bool AnyTaskRunning() {
    if (RunSwitch == RunInLibrary) return true;
    for (short i = 0; i < TaskCount; ++i) {
        if (TaskTable[i].status == Running) return true;
    }
    return false;
}

// A Running task is refused: its run still works on its file list and
// record. Other tasks may go at any time, also during a library call, since
// the runs find their task again by id. Whoever holds a task index hears of
// the removal.
bool DeleteTask(short index) {
    if (index < 0 || index >= TaskCount || TaskTable[index].status == Running) return false;
    if (TaskTable[index].fileList != nullptr) DestroyWindow(TaskTable[index].fileList);
    TaskTable[index].fileList = nullptr;
    RemoveTaskRow(index);
    RemoveTaskRecord(index);
    TaskRemoved(index);
    StatusCountsChanged();
    return true;
}

// Deletes every task, top row first; refused as a whole while a task runs.
bool ClearTaskList() {
    if (AnyTaskRunning()) return false;
    while (TaskRowCount() > 0) {
        short index = RowToTaskIndex(0);
        if (index < 0 || !DeleteTask(index)) return false;
    }
    return true;
}
