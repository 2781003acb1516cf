// The main window's status bar: the status counts in part 0, the selection
// count or the file of the call in progress in part 1.
#pragma once

void ListenForStatusChanges();
void RefreshSelectionCount();
void RefreshStatusBar();
void HoldStatusCounts(bool hold);
void ShowQueueEnded();
void ShowStatusNote(const char* text);
bool BeginTaskListWork(const char* progressFormat);
bool EndTaskListWork();
