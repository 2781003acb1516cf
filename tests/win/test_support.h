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

// Records every modal prompt; answers questions from a script (IDOK when
// the script is empty) and file dialogs through settable callbacks.
struct FakeModal {
    std::vector<ShownMessage> messages;
    std::vector<int> answers;
    std::function<BOOL(OPENFILENAMEA*)> openFile;
    std::function<BOOL(OPENFILENAMEA*)> saveFile;
    std::function<bool(const char* title, const char* start, char* folder, size_t size)> browse;
    std::function<INT_PTR(int resourceId, DLGPROC procedure, LPARAM data)> dialog;
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
std::string StatusText(HWND bar, int part);
short NewCompressionTask();
