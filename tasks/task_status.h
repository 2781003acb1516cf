// A task's kind and status, the status labels of the task list and the
// status-count text of the main window's status bar. No Windows header:
// tests run it natively.
#pragma once
#include <cstddef>

enum TaskKind : unsigned char { TaskCompression = 0, TaskExtraction = 1 };
enum TaskStatus : unsigned char { Stopped = 0, Waiting = 1, Running = 2, Done = 3, Error = 4 };
constexpr int TaskStatusCount = 5;

const char* TaskStatusLabel(int status);
void FormatStatusCounts(int rows, const int counts[TaskStatusCount], char* text, size_t size);
