// Shared pieces of the Windows tests: a scripted modal-UI seam, per-test
// folders, the program's main window and message pumping with a deadline.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct ShownMessage {
    std::string text;
    std::string caption;
    UINT type;
    HWND owner;
};

struct ShownPopup {
    int firstCommand;  // id of the menu's first item
    int itemCount;
    int x, y;          // screen coordinates
    HWND owner;
};

struct EndedDialog {
    HWND dialog;
    INT_PTR result;
};

// Records every modal prompt; answers questions from a script (IDOK when
// the script is empty) and file dialogs through settable callbacks.
struct FakeModal {
    std::vector<ShownMessage> messages;
    std::vector<int> answers;
    std::function<BOOL(OPENFILENAMEA*)> openFile;
    std::function<BOOL(OPENFILENAMEA*)> saveFile;
    std::function<bool(const char* title, const char* start, char* folder, size_t size)> browse;
    std::function<INT_PTR(int resourceId, DLGPROC procedure, LPARAM data)> dialog;
    std::vector<int> dialogIds;          // resource id of every dialog asked for
    std::vector<ShownPopup> popups;
    std::vector<EndedDialog> endedDialogs;
};

extern FakeModal Fake;

void InstallFakeModal();
std::string TempFolder(const char* name);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
void PumpPending();
void EnsureMainWindow();
void ResetTasks();
std::string CellText(HWND list, int row, int column);

// Creates the dialog modelessly from the program's resources with the real
// procedure, lets drive set controls and press buttons, and returns the
// result the procedure ended it with (-1 when it did not end). The dialog is
// destroyed afterwards.
INT_PTR DriveDialog(int resourceId, DLGPROC procedure, LPARAM data, const std::function<void(HWND)>& drive);
void PressButton(HWND dialog, int id);
bool DialogEnded(HWND dialog);
// A task row of the given kind and status, made without the creation
// operations; returns its table index.
short AddTestTask(unsigned char kind, unsigned char status, const char* name);
