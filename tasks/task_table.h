// The task table: one record per task in creation order. The task list's
// rows (the run order) are kept by tasks/task_rows.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/text.h"
#include "tasks/task_status.h"

constexpr short MaxTaskCount = 32767;
constexpr size_t TaskReasonSize = 512;

struct TaskRecord {
    unsigned char kind;
    unsigned char status;
    unsigned char flag;        // compression: format index; extraction: AutoFolderMode
    uint32_t id;
    HWND fileList;             // compression: its file list view; extraction: null
    char destination[PathSize];  // extraction: destination folder ending in a backslash
    char reason[TaskReasonSize];  // why the task ended in Error; empty otherwise
};

extern TaskRecord* TaskTable;
extern short TaskCount;
extern uint32_t NextTaskId;

short AppendTaskRecord(unsigned char kind, unsigned char flag);
void RemoveTaskRecord(short index);
short RemoveMarkedTaskRecords(const bool* marked);
short TaskIndexOfId(uint32_t id);
void ClearTaskTable();
bool AnyTaskWaiting();
void SetTaskReason(short index, const char* text);

// The windows that show the table listen to it: the main window for its
// status counts, the file-list window for the task it edits.
void ListenToStatusCounts(void (*listener)());
void ListenToTaskRemovals(void (*listener)(short index));
void StatusCountsChanged();
void ListenToRunFile(void (*listener)(const char* name));
void RunFileChanged(const char* name);
void TaskRemoved(short index);
