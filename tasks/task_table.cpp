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

// Records kept room for: the table grows by doubling, so appending the
// thousands of tasks of a loaded list copies it a few times, not once per
// task.
static short TaskCapacity = 0;

static bool ReserveTaskRecords(int wanted) {
    if (wanted <= TaskCapacity) return true;
    int capacity = TaskCapacity < 16 ? 16 : TaskCapacity * 2;
    if (capacity > MaxTaskCount) capacity = MaxTaskCount;
    if (capacity < wanted) return false;
    auto* table = static_cast<TaskRecord*>(PrivateAlloc(sizeof(TaskRecord) * capacity));
    if (table == nullptr) return false;
    if (TaskCount > 0) memcpy(table, TaskTable, sizeof(TaskRecord) * TaskCount);
    PrivateFree(TaskTable);
    TaskTable = table;
    TaskCapacity = static_cast<short>(capacity);
    return true;
}

// The new record is zero-filled, takes the next id and stands last, so the
// table stays in the order of its ids. Returns its index, or -1 when the
// table is full or memory ran out (the table is then unchanged).
short AppendTaskRecord(unsigned char kind, unsigned char flag) {
    if (TaskCount >= MaxTaskCount || !ReserveTaskRecords(TaskCount + 1)) return -1;
    TaskRecord& record = TaskTable[TaskCount];
    memset(&record, 0, sizeof(record));
    record.kind = kind;
    record.flag = flag;
    record.status = Stopped;
    record.id = NextTaskId++;
    return TaskCount++;
}

static void ReleaseEmptyTable() {
    PrivateFree(TaskTable);
    TaskTable = nullptr;
    TaskCount = 0;
    TaskCapacity = 0;
}

// Closes the gap: every later record's index drops by one.
void RemoveTaskRecord(short index) {
    if (index < 0 || index >= TaskCount) return;
    short remaining = static_cast<short>(TaskCount - 1);
    if (remaining == 0) return ReleaseEmptyTable();
    memmove(&TaskTable[index], &TaskTable[index + 1], sizeof(TaskRecord) * (remaining - index));
    TaskCount = remaining;
}

// Every marked record (marked[i] for index i) goes in one pass; the others
// keep their order. Returns how many went.
short RemoveMarkedTaskRecords(const bool* marked) {
    short kept = 0;
    for (short i = 0; i < TaskCount; ++i) {
        if (marked[i]) continue;
        if (kept != i) TaskTable[kept] = TaskTable[i];
        ++kept;
    }
    short removed = static_cast<short>(TaskCount - kept);
    if (kept == 0 && TaskCount > 0) {
        ReleaseEmptyTable();
    } else {
        TaskCount = kept;
    }
    return removed;
}

void ClearTaskTable() {
    ReleaseEmptyTable();
    TaskRemoved(-1);
}

// The table stands in the order of its ids (records are appended with the
// next id and removed without reordering), so a binary search finds one;
// -1 when no record has it.
short TaskIndexOfId(uint32_t id) {
    short low = 0;
    short high = TaskCount;
    while (low < high) {
        short middle = static_cast<short>(low + (high - low) / 2);
        if (TaskTable[middle].id < id) {
            low = static_cast<short>(middle + 1);
        } else {
            high = middle;
        }
    }
    return low < TaskCount && TaskTable[low].id == id ? low : -1;
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
