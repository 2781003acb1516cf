#include "app/modal.h"

#include <cstdarg>
#include <cstdio>

#include "app/shell_entries.h"

static int WindowsMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return MessageBoxA(owner, text, caption, type);
}

static BOOL WindowsOpenFileDialog(OPENFILENAMEA* dialog) { return Shell_GetOpenFileName(dialog); }

static BOOL WindowsSaveFileDialog(OPENFILENAMEA* dialog) { return Shell_GetSaveFileName(dialog); }

// The browser starts at the given folder: BFFM_INITIALIZED selects it.
static int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

static bool WindowsBrowseFolder(HWND owner, const char* title, const char* startFolder, char* folder, size_t size) {
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(startFolder);
    PIDLIST_ABSOLUTE chosen = Shell_BrowseForFolder(&info);
    if (chosen == nullptr) return false;
    char path[MAX_PATH] = "";
    bool ok = Shell_PathFromIdList(chosen, path) != FALSE;
    Shell_FreeIdList(chosen);
    return ok && CopyText(folder, size, path);
}

static INT_PTR WindowsDialogBox(HINSTANCE instance, int resourceId, HWND owner, DLGPROC procedure, LPARAM data) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(resourceId), owner, procedure, data);
}

static void WindowsEndDialog(HWND dialog, INT_PTR result) { EndDialog(dialog, result); }

// Left-button tracking, left-aligned at the point; the chosen command goes
// to the owner as WM_COMMAND.
static void WindowsPopupMenu(HMENU menu, int x, int y, HWND owner) {
    TrackPopupMenu(menu, TPM_LEFTBUTTON | TPM_LEFTALIGN, x, y, 0, owner, nullptr);
}

static const ModalUi WindowsModalUi = {WindowsMessageBox, WindowsOpenFileDialog, WindowsSaveFileDialog,
                                       WindowsBrowseFolder, WindowsDialogBox,     WindowsEndDialog,
                                       WindowsPopupMenu};
ModalUi Modal = WindowsModalUi;

// The text is cut at 256 bytes, never inside a double-byte character;
// a warning icon and one OK button.
void ShowErrorMessage(HWND owner, const char* format, ...) {
    char full[4 * MessageTextSize];
    va_list args;
    va_start(args, format);
    vsnprintf(full, sizeof(full), format, args);
    va_end(args);
    char text[MessageTextSize];
    CopyText(text, sizeof(text), full);
    Modal.messageBox(owner, text, "error", MB_OK | MB_ICONWARNING);
}

bool AskOkCancel(HWND owner, const char* text) {
    return Modal.messageBox(owner, text, "動作の確認", MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

// IDYES, IDNO or IDCANCEL; anything else a box could answer counts as
// IDCANCEL, which changes nothing.
int AskYesNoCancel(HWND owner, const char* text) {
    int answer = Modal.messageBox(owner, text, "動作の確認", MB_YESNOCANCEL | MB_ICONQUESTION);
    return answer == IDYES || answer == IDNO ? answer : IDCANCEL;
}

// True only for はい; a box closed any other way answers いいえ.
bool AskYesNo(HWND owner, const char* text) {
    return Modal.messageBox(owner, text, "動作の確認", MB_YESNO | MB_ICONQUESTION) == IDYES;
}
