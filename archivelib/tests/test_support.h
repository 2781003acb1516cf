// Shared helpers of the fdarc tests: a per-test folder, the library loaded
// under its three installed names, file snapshots and tiny archive builders
// for archives the library itself would never write.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "api/fdarc.h"
#include "gtest/gtest.h"

typedef int(WINAPI* MainProc)(HWND, LPCSTR, LPSTR, DWORD);
typedef BOOL(WINAPI* GetRunningProc)(void);
typedef BOOL(WINAPI* BackgroundProc)(BOOL);
typedef HANDLE(WINAPI* OpenProc)(HWND, LPCSTR, DWORD);
typedef int(WINAPI* CloseProc)(HANDLE);
typedef int(WINAPI* FirstProc)(HANDLE, LPCSTR, void*);
typedef int(WINAPI* NextProc)(HANDLE, void*);
typedef int(WINAPI* CountProc)(LPCSTR);
typedef FdarcOverwriteQuestion(WINAPI* SetQuestionProc)(FdarcOverwriteQuestion);

struct ArchiverLibrary {
    HMODULE module = nullptr;
    std::string prefix;
    MainProc main = nullptr;
    GetRunningProc getRunning = nullptr;
    BackgroundProc background = nullptr;
    OpenProc open = nullptr;
    CloseProc close = nullptr;
    FirstProc first = nullptr;
    NextProc next = nullptr;
    CountProc count = nullptr;
    SetQuestionProc setQuestion = nullptr;

    // Copies fdarc.dll (beside the test program) to folder\fileName and loads it.
    bool Load(const std::string& folder, const char* fileName, const char* prefix);
    void Free();
    int Run(const std::string& line, HWND owner = nullptr, std::string* output = nullptr) const;
    // Names from OpenArchive/FindFirst/FindNext, in archive order.
    std::vector<std::string> List(const std::string& archive, const char* pattern = "*") const;
};

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Path(const std::string& relative) const { return root_ + relative; }
    // Writes the response file and returns its path.
    std::string Response(const std::vector<std::string>& names);

    std::string root_;  // ends with a backslash

public:  // table-driven tests pick a library by member pointer
    ArchiverLibrary zip_, unzip_, tar_, sevenZip_, unlha_, cab_, unrar_;
};

void WriteBytes(const std::string& path, const std::string& bytes);  // makes parent folders
std::string ReadBytes(const std::string& path);
bool PathExists(const std::string& path);
void MakeFolder(const std::string& path);
void RemoveTree(const std::string& path);
// Relative path -> contents, "<folder>" for folders, '\' separators.
std::map<std::string, std::string> Snapshot(const std::string& folder);
std::string PseudoRandomBytes(size_t size, unsigned seed);

struct RawEntry {
    std::string name;
    std::string data;
    char tarType = '0';
    unsigned zipFlags = 0;
    std::string zipExtra = "";  // extra fields, in both zip headers
};
// tarType '2' makes a Unix symbolic link whose target is the data.
std::string BuildStoredZip(const std::vector<RawEntry>& entries);
std::string BuildTar(const std::vector<RawEntry>& entries);  // ends with two zero blocks
// Level-0 lzh with stored (-lh0-) members; names as given (code page 932 bytes).
std::string BuildLzh(const std::vector<RawEntry>& entries);
// A cab of one uncompressed folder; names as given.
std::string BuildStoredCab(const std::vector<RawEntry>& entries);
// Through libarchive's writers: format "7zip" or "gnutar", filter "none",
// "bzip2" or "xz". Names are code page 932; tarType '2' makes a symbolic link
// whose target is the data.
std::string BuildWithLibarchive(const char* format, const char* filter, const std::vector<RawEntry>& entries);

// A message-only window whose WM_APP handler runs a test's callback.
HWND CreateCallbackWindow();
void SetWindowCallback(void (*callback)());
