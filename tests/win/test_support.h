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
    HWND browseOwner = nullptr;          // owner of the last folder browser
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
// What the screen shows of the window's client area (the whole screen for
// null), as the rows of a 24-bit bottom-up bitmap.
std::string ScreenPixels(HWND window, int width, int height);
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
void PumpPending();
void EnsureMainWindow();
void ResetTasks();
std::string CellText(HWND list, int row, int column);

// Tasks made the way task creation makes them: a record and its task-list
// row (name, kind, status label, archive path), Stopped. A compression
// task gets a report list view of four columns whose column 3 holds each
// row's full path.
short AddTestCompressionTask(const char* archivePath, int format, const std::vector<std::string>& paths);
short AddTestExtractionTask(const char* archivePath, const char* destination, int mode);

// The stand-in archiver library (tests/standin): copied under a library
// file name into a folder, scripted through "standin_script.txt" there, and
// recording every call in "standin_calls.txt" there.
struct StandinCall {
    std::string library;   // the file name it was loaded as
    std::string entry;     // the exported name called, e.g. "ZipGetRunning"
    std::string kind;      // "main", "GetRunning", "SetBackGroundMode", "OpenArchive", ...
    HWND owner;
    std::string argument;  // command line, path ("path|mode" for OpenArchive) or pattern
    std::string listFile;  // main entry: the bytes of its "@" list file at call time
};
void InstallStandin(const std::string& folder, const char* libraryName, const char* variant = "standin.dll");
void WriteStandinScript(const std::string& folder, const std::string& script);
std::vector<StandinCall> ReadStandinCalls(const std::string& folder, const char* kind = nullptr);

// Names of the "far*.tmp" files in the temporary folder, sorted.
std::vector<std::string> TempResponseFiles();
// Runs the callback when the thread's messages are next dispatched.
void PostTestCallback(std::function<void()> callback);

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
std::string StatusText(HWND bar, int part);
short NewCompressionTask();
