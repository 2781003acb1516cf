// Removing tasks: record, row and file list together.
#pragma once

bool AnyTaskRunning();
bool DeleteTask(short index);
bool DeleteTaskRows(const int* rows, int count);
bool ClearTaskList();
