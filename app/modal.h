// Every modal window of the program goes through this record: message boxes,
// questions, file dialogs, the folder browser and the program's own dialogs.
// Tests replace the pointers to see the exact texts and answer from a script.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include "app/text.h"

struct ModalUi {
    int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
    BOOL (*openFileDialog)(OPENFILENAMEA* dialog);
    BOOL (*saveFileDialog)(OPENFILENAMEA* dialog);
    bool (*browseFolder)(HWND owner, const char* title, const char* startFolder, char* folder, size_t size);
    INT_PTR (*dialogBox)(HINSTANCE instance, int resourceId, HWND owner, DLGPROC procedure, LPARAM data);
    void (*endDialog)(HWND dialog, INT_PTR result);
    void (*popupMenu)(HMENU menu, int x, int y, HWND owner);
};

extern ModalUi Modal;

constexpr size_t MessageTextSize = 256;

void ShowErrorMessage(HWND owner, const char* format, ...) FD_PRINTF_FORMAT(2, 3);
bool AskOkCancel(HWND owner, const char* text);
int AskYesNoCancel(HWND owner, const char* text);
bool AskYesNo(HWND owner, const char* text);
