// The task table: one record per task in creation order, and one row per
// task in the main window's task list (the run order). The row's item data
// is the task id.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/text.h"

enum TaskKind : unsigned char { TaskCompression = 0, TaskExtraction = 1 };
enum TaskStatus : unsigned char { Stopped = 0, Waiting = 1, Running = 2, Done = 3, Error = 4 };
constexpr int TaskStatusCount = 5;

// Task list columns
enum TaskColumn { ColumnName = 0, ColumnKind = 1, ColumnStatus = 2, ColumnCount = 3, ColumnSize = 4, ColumnPath = 5 };
constexpr int TaskColumnCount = 6;
constexpr short MaxTaskCount = 32767;

struct TaskRecord {
    unsigned char kind;
    unsigned char status;
    unsigned char flag;        // compression: format index; extraction: AutoFolderMode
    uint32_t id;
    HWND fileList;             // compression: its file list view; extraction: null
    char destination[PathSize];  // extraction: destination folder ending in a backslash
};

extern TaskRecord* TaskTable;
extern short TaskCount;
extern uint32_t NextTaskId;
extern short CurrentTaskIndex;

const char* TaskStatusLabel(int status);
short AppendTaskRecord(unsigned char kind, unsigned char flag);
void RemoveTaskRecord(short index);
void ClearTaskTable();
short RowToTaskIndex(int row);
int TaskIndexToRow(short index);
void SetTaskStatus(short index, int status);
void FormatStatusCounts(int rows, const int counts[TaskStatusCount], char* text, size_t size);
void RefreshStatusBar();
bool AnyTaskWaiting();
