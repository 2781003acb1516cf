// Queueing tasks and taking them out of the queue (commands 4012 to 4015).
#pragma once

void StartSelectedTasks();
void StopSelectedTasks();
void StartAllTasks();
void StopAllTasks();
