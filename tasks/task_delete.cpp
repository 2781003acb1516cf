#include "tasks/task_delete.h"

#include <windows.h>

#include "app/heap.h"
#include "app/long_work.h"
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

// The rows' tasks as one piece of the caller's long work. Each step takes
// one task, bottom row first: its file list is destroyed and it is marked.
// Then, also when the user stopped the work, the marked rows go (deleting
// from the bottom moves no other row) and the marked records in one pass,
// so the list holds exactly the tasks not reached. A Running task stays,
// as with DeleteTask. rows: ascending row numbers. False when stopped.
bool DeleteTaskRows(const int* rows, int count) {
    if (count <= 0 || TaskCount <= 0) return true;
    short tableSize = TaskCount;
    auto* marked = static_cast<bool*>(PrivateAlloc(sizeof(bool) * tableSize));
    auto* gone = static_cast<int*>(PrivateAlloc(sizeof(int) * count));
    if (marked == nullptr || gone == nullptr) {
        PrivateFree(gone);
        PrivateFree(marked);
        return false;
    }
    for (short i = 0; i < tableSize; ++i) marked[i] = false;
    int goneCount = 0;
    bool complete = true;
    for (int i = count - 1; i >= 0; --i) {
        if (!KeepWorking()) {
            complete = false;
            break;
        }
        short index = RowToTaskIndex(rows[i]);
        if (index < 0 || marked[index] || TaskTable[index].status == Running) continue;
        if (TaskTable[index].fileList != nullptr) DestroyWindow(TaskTable[index].fileList);
        TaskTable[index].fileList = nullptr;
        marked[index] = true;
        gone[goneCount++] = rows[i];
    }
    RemoveTaskRows(gone, goneCount);
    RemoveMarkedTaskRecords(marked);
    // From the highest index down, each removal as the listeners know it.
    for (short i = static_cast<short>(tableSize - 1); i >= 0; --i) {
        if (marked[i]) TaskRemoved(i);
    }
    PrivateFree(gone);
    PrivateFree(marked);
    if (goneCount > 0) StatusCountsChanged();
    return complete;
}

// Deletes every task, as DeleteTaskRows does; refused as a whole while a
// task runs. False when refused or stopped.
bool ClearTaskList() {
    if (AnyTaskRunning()) return false;
    int rows = TaskRowCount();
    if (rows <= 0) return true;
    auto* all = static_cast<int*>(PrivateAlloc(sizeof(int) * rows));
    if (all == nullptr) return false;
    for (int row = 0; row < rows; ++row) all[row] = row;
    bool cleared = DeleteTaskRows(all, rows);
    PrivateFree(all);
    return cleared;
}
