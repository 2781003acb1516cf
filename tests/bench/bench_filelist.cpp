// Times, for each folder given on the command line:
//   (a) AddFolderContents of the folder into a new task's list,
//   (b) the same entries added one by one with AddPathToCurrentTask, as a
//       task-list load adds them,
//   (c) a bare loop that only opens each entry, reads its size and time and
//       inserts a four-cell row into a list view,
// and prints the times and the ratios (a)/(c) and (b)/(c).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/text.h"
#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "filelist/list_text.h"
#include "tasks/number_text.h"
#include "tasks/task_create.h"
#include "tasks/task_table.h"
#include "app/controls.h"
#include "ui/main_window.h"

static double Milliseconds(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static std::vector<std::string> ListEntries(const std::string& folder) {
    std::vector<std::string> paths;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return paths;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..") paths.push_back(folder + name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return paths;
}

static HWND NewTaskList() {
    short index = CreateCompressionTask("bench", FileListWindow);
    CurrentTaskIndex = index;
    return index < 0 ? nullptr : TaskTable[index].fileList;
}

// The floor: open, size and time, one row of four cells.
static void BareLoop(const std::vector<std::string>& paths) {
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 600, 300, FileListWindow, nullptr,
                                AppInstance, nullptr);
    for (int i = 0; i < 4; ++i) Lv_AddColumn(list, i, "c", 80, LVCFMT_LEFT);
    int row = 0;
    for (const std::string& path : paths) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr);
        BY_HANDLE_FILE_INFORMATION info = {};
        if (file != INVALID_HANDLE_VALUE) {
            GetFileInformationByHandle(file, &info);
            CloseHandle(file);
        }
        FILETIME local;
        SYSTEMTIME time = {};
        FileTimeToLocalFileTime(&info.ftLastWriteTime, &local);
        FileTimeToSystemTime(&local, &time);
        char size[NumberTextSize];
        char when[RowTimeSize];
        FormatThousands(info.nFileSizeLow, size, sizeof(size));
        FormatRowTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, when, sizeof(when));
        int r = Lv_InsertRow(list, row, path.c_str(), row);
        ++row;
        Lv_SetCell(list, r, 1, size);
        Lv_SetCell(list, r, 2, when);
        Lv_SetCell(list, r, 3, path.c_str());
    }
    DestroyWindow(list);
}

static void DropTasks() {
    SendMessageA(TaskListView, LVM_DELETEALLITEMS, 0, 0);
    for (short t = 0; t < TaskCount; ++t) DestroyWindow(TaskTable[t].fileList);
    ClearTaskTable();
}

int main(int argc, char** argv) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterMainWindowClass(instance) || CreateMainWindow(instance) == nullptr) return 1;
    printf("%8s %10s %10s %10s %8s %8s\n", "entries", "(a) ms", "(b) ms", "(c) ms", "(a)/(c)", "(b)/(c)");
    for (int i = 1; i < argc; ++i) {
        std::string folder = argv[i];
        if (!EndsWithBackslash(folder.c_str())) folder += "\\";
        std::vector<std::string> paths = ListEntries(folder);
        BareLoop(paths);  // warms the file cache for all three
        // The machine is shared: each figure is the best of several rounds.
        double bare = 1e30, folderTime = 1e30, oneByOne = 1e30;
        std::string chosen = folder.substr(0, folder.size() - 1);
        int rounds = paths.size() > 10000 ? 3 : 5;
        for (int round = 0; round < rounds; ++round) {
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            BareLoop(paths);
            bare = std::min(bare, Milliseconds(start));

            if (NewTaskList() == nullptr) return 1;
            QueryPerformanceCounter(&start);
            AddFolderContents(chosen.c_str());
            folderTime = std::min(folderTime, Milliseconds(start));

            if (NewTaskList() == nullptr) return 1;
            QueryPerformanceCounter(&start);
            for (const std::string& path : paths) AddPathToCurrentTask(path.c_str());
            oneByOne = std::min(oneByOne, Milliseconds(start));
            DropTasks();
        }
        printf("%8zu %10.0f %10.0f %10.0f %8.2f %8.2f\n", paths.size(), folderTime, oneByOne, bare, folderTime / bare,
               oneByOne / bare);
        fflush(stdout);
    }
    return 0;
}
