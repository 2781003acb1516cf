#include "tasks/task_table.h"

#include <cstdio>
#include <cstring>

#include "app/heap.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/modal.h"

TaskRecord* TaskTable = nullptr;
short TaskCount = 0;
uint32_t NextTaskId = 0;
short CurrentTaskIndex = -1;

static const char* const StatusLabels[TaskStatusCount] = {"停止", "待機", "実行", "完了", "エラー"};

const char* TaskStatusLabel(int status) {
    return (status >= 0 && status < TaskStatusCount) ? StatusLabels[status] : "";
}

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
    CurrentTaskIndex = -1;
}

short RowToTaskIndex(int row) {
    LPARAM id = Lv_RowId(TaskListView, row);
    for (short i = 0; i < TaskCount; ++i) {
        if (static_cast<LPARAM>(TaskTable[i].id) == id) return i;
    }
    ShowErrorMessage(MainWindow, "ファイルリストウィンドウが見つかりません。");
    return -1;
}

int TaskIndexToRow(short index) {
    if (index >= 0 && index < TaskCount) {
        int rows = Lv_RowCount(TaskListView);
        for (int row = 0; row < rows && row < TaskCount; ++row) {
            if (Lv_RowId(TaskListView, row) == static_cast<LPARAM>(TaskTable[index].id)) return row;
        }
    }
    ShowErrorMessage(MainWindow, "ファイルリストウィンドウが見つかりません。");
    return -1;
}

void SetTaskStatus(short index, int status) {
    if (index < 0 || index >= TaskCount || status < 0 || status >= TaskStatusCount) return;
    TaskTable[index].status = static_cast<unsigned char>(status);
    int row = TaskIndexToRow(index);
    if (row >= 0) Lv_SetCell(TaskListView, row, ColumnStatus, StatusLabels[status]);
}

void FormatStatusCounts(int rows, const int counts[TaskStatusCount], char* text, size_t size) {
    snprintf(text, size, "  総数 = %4d  実行 = %4d  待機 = %4d  完了 = %4d  停止 = %4d  エラー = %4d", rows,
             counts[Running], counts[Waiting], counts[Done], counts[Stopped], counts[Error]);
}

// Counts the first n records, n being the number of rows.
void RefreshStatusBar() {
    int rows = Lv_RowCount(TaskListView);
    int counts[TaskStatusCount] = {};
    for (int i = 0; i < rows && i < TaskCount; ++i) {
        if (TaskTable[i].status < TaskStatusCount) ++counts[TaskTable[i].status];
    }
    char text[160];
    FormatStatusCounts(rows, counts, text, sizeof(text));
    Sb_SetPart(MainStatusBar, 0, text);
}

bool AnyTaskWaiting() {
    for (short i = 0; i < TaskCount; ++i) {
        if (TaskTable[i].status == Waiting) return true;
    }
    return false;
}
