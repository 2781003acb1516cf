// The task list's rows: one row per task in the main window's list view,
// in run order, the row's item data being the task id. Only this file knows
// the list's columns; every cell is read and written through it.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "tasks/task_status.h"

enum TaskColumn { ColumnName = 0, ColumnKind = 1, ColumnStatus = 2, ColumnCount = 3, ColumnSize = 4, ColumnPath = 5 };
constexpr int TaskColumnCount = 6;

void AttachTaskRows(HWND list);
void AddTaskColumns(HWND list);
short AppendTask(unsigned char kind, unsigned char flag, const char* name, const char* path);
void SetTaskCell(short index, int column, const char* text);
void SetTaskNumberCell(short index, int column, uint32_t value);
void WriteCompressionRow(short index, const char* name, const char* path, uint32_t files, uint32_t total);
void ReadTaskArchivePath(int row, char* path, size_t size);
int TaskRowCount();
short RowToTaskIndex(int row);
int TaskIndexToRow(short index);
short FindTaskById(uint32_t id);
void SetTaskStatus(short index, int status);
void SetStatusById(uint32_t id, int status);
void RemoveTaskRow(short index);
void RemoveTaskRows(const int* rows, int count);
int CountTaskStatuses(int counts[TaskStatusCount]);
