// Removing tasks: record, row and file list together.
#pragma once

bool AnyTaskRunning();
bool DeleteTask(short index);
bool ClearTaskList();
