#include "tasks/task_table.h"

#include <cstring>

#include "app/heap.h"

TaskRecord* TaskTable = nullptr;
short TaskCount = 0;
uint32_t NextTaskId = 0;

struct TaskListeners {
    void (*statusCounts)();
    void (*removal)(short index);
    void (*runFile)(const char* name);
};
static TaskListeners Listeners = {nullptr, nullptr, nullptr};

// The table is re-made at its exact size on every change. The new record is
// zero-filled, takes the next id and stands last. Returns its index, or -1
// when the table is full or memory ran out (the table is then unchanged).
short AppendTaskRecord(unsigned char kind, unsigned char flag) {
    if (TaskCount >= MaxTaskCount) return -1;
    auto* table = static_cast<TaskRecord*>(PrivateAlloc(sizeof(TaskRecord) * (TaskCount + 1)));
    if (table == nullptr) return -1;
    if (TaskCount > 0) memcpy(table, TaskTable, sizeof(TaskRecord) * TaskCount);
    PrivateFree(TaskTable);
    TaskTable = table;
    TaskRecord& record = TaskTable[TaskCount];
    record.kind = kind;
    record.flag = flag;
    record.status = Stopped;
    record.id = NextTaskId++;
    return TaskCount++;
}

// Closes the gap: every later record's index drops by one.
void RemoveTaskRecord(short index) {
    if (index < 0 || index >= TaskCount) return;
    short remaining = static_cast<short>(TaskCount - 1);
    if (remaining == 0) {
        PrivateFree(TaskTable);
        TaskTable = nullptr;
        TaskCount = 0;
        return;
    }
    auto* table = static_cast<TaskRecord*>(PrivateAlloc(sizeof(TaskRecord) * remaining));
    if (table == nullptr) {
        // No memory for the smaller copy: close the gap in place instead.
        memmove(&TaskTable[index], &TaskTable[index + 1], sizeof(TaskRecord) * (remaining - index));
        TaskCount = remaining;
        return;
    }
    memcpy(table, TaskTable, sizeof(TaskRecord) * index);
    memcpy(&table[index], &TaskTable[index + 1], sizeof(TaskRecord) * (remaining - index));
    PrivateFree(TaskTable);
    TaskTable = table;
    TaskCount = remaining;
}

void ClearTaskTable() {
    PrivateFree(TaskTable);
    TaskTable = nullptr;
    TaskCount = 0;
    TaskRemoved(-1);
}

bool AnyTaskWaiting() {
    for (short i = 0; i < TaskCount; ++i) {
        if (TaskTable[i].status == Waiting) return true;
    }
    return false;
}

// Truncated to the record's buffer; null clears it.
void SetTaskReason(short index, const char* text) {
    if (index < 0 || index >= TaskCount) return;
    CopyText(TaskTable[index].reason, sizeof(TaskTable[index].reason), text != nullptr ? text : "");
}

void ListenToStatusCounts(void (*listener)()) { Listeners.statusCounts = listener; }

void ListenToTaskRemovals(void (*listener)(short index)) { Listeners.removal = listener; }

// The counts of the statuses, or the number of tasks, may have changed.
void StatusCountsChanged() {
    if (Listeners.statusCounts != nullptr) Listeners.statusCounts();
}

// The task at index is gone and later indexes dropped by one; -1: every
// task is gone.
void TaskRemoved(short index) {
    if (Listeners.removal != nullptr) Listeners.removal(index);
}

void ListenToRunFile(void (*listener)(const char* name)) { Listeners.runFile = listener; }

// The file a library reports it is on; null when the call is over.
void RunFileChanged(const char* name) {
    if (Listeners.runFile != nullptr) Listeners.runFile(name);
}
