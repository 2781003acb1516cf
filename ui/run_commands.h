// Queueing tasks and taking them out of the queue (commands 4012 to 4015),
// running ended tasks again (4041) and telling why one failed (4042).
#pragma once

void StartSelectedTasks();
void StopSelectedTasks();
void StartAllTasks();
void StopAllTasks();
void RetrySelectedTasks();
void ShowSelectedTaskReason();
