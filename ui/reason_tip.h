// The tip over the task list that tells why a task ended in Error.
#pragma once
#include <windows.h>

void AttachReasonTip(HWND list);
bool IsReasonTip(HWND window);
LRESULT OnReasonTipNotify(const NMHDR* header);
void RelayMouseToReasonTip(HWND list, UINT message, WPARAM wp, LPARAM lp);
const char* TaskRowTipText(int row);
