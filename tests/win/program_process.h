// Driving the real fardelix.exe from a test: starting it with a command
// line, finding its windows, reading list-view cells across the process
// boundary and pressing keys as a user would.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The folder of the running test program, ending in '\\'; fardelix.exe is
// built beside it.
std::string ProgramFolder();

// The folder an environment variable names, ending in '\\'; empty when it
// is not set or too long.
std::string FolderFromEnvironment(const char* name);

// A copy of the built fardelix.exe in the folder, alone there unless the
// test puts libraries beside it; its path.
std::string CopyProgramInto(const std::string& folder);

// Destroys the test program's own main window before the real program starts.
void PutAwayTestMainWindow();

// The first top-level window of the process with the class name.
HWND WindowOf(DWORD process, const char* className);

// A cell of a list view in another process: the text buffer lives there.
std::string RemoteCell(HANDLE process, HWND list, int row, int column);

// Makes the row of a list view in another process the only selected one
// and the focused one.
void SelectRemoteRow(HANDLE process, HWND list, int row);

// Presses the keys in order and releases them in reverse order.
void PressKeys(const std::vector<WORD>& keys);

// fardelix.exe started with the arguments in the given current folder.
// Ending the test ends the program: closed through its main window when
// that answers within the deadline, terminated otherwise.
class ProgramProcess {
public:
    ProgramProcess() = default;
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;
    ~ProgramProcess();

    // program: the fardelix.exe to start, by default the one built beside
    // the test program (with the bundled library in archivers\ beside it).
    bool Start(const std::string& arguments, const std::string& folder, const std::string& program = "");
    // Posts WM_CLOSE to the main window; true when the process ended in time.
    bool Close(HWND main, int timeoutMs);
    HANDLE Handle() const { return info_.hProcess; }
    DWORD Id() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_ = {};
};
