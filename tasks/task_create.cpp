#include "tasks/task_create.h"

#include <windows.h>

#include "app/text.h"
#include "archivers/archiver_library.h"
#include "archivers/formats.h"
#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "settings/settings.h"
#include "tasks/number_text.h"
#include "tasks/task_paths.h"
#include "tasks/task_table.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/modal.h"

// The process's current folder; empty when it does not fit.
bool ReadCurrentFolder(char* folder, size_t size) {
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), folder);
    if (length == 0 || length >= size) {
        if (size > 0) folder[0] = '\0';
        return false;
    }
    return true;
}

// The record (which takes the next id) and its row appended together.
static short AppendTask(unsigned char kind, unsigned char flag, const char* name, const char* path) {
    short index = AppendTaskRecord(kind, flag);
    if (index < 0) return -1;
    int row = Lv_InsertRow(TaskListView, Lv_RowCount(TaskListView), name, static_cast<LPARAM>(TaskTable[index].id));
    if (row < 0) {
        RemoveTaskRecord(index);
        return -1;
    }
    Lv_SetCell(TaskListView, row, ColumnPath, path);
    Lv_SetCell(TaskListView, row, ColumnKind, kind == TaskCompression ? "圧縮" : "解凍");
    SetTaskStatus(index, Stopped);
    return index;
}

// The caller has set CurrentTaskIndex to TaskCount, the index the new task
// gets, so the file-list figures below read the new, empty list. Returns the
// new index, or -1 when no task could be made.
short CreateCompressionTask(const char* name) {
    HWND list = CreateTaskFileListView();
    if (list == nullptr) return -1;
    char folder[PathSize];
    ReadCurrentFolder(folder, sizeof(folder));
    char path[PathSize];
    DefaultArchivePath(folder, name, Settings.DefCompType, path, sizeof(path));
    short index = AppendTask(TaskCompression, Settings.DefCompType, name, path);
    if (index < 0) {
        DestroyWindow(list);
        return -1;
    }
    TaskTable[index].fileList = list;
    SetArchivePathField("");
    RefreshStatusBar();
    RefreshFileListTotals();
    RefreshFileSelectionCount();
    return index;
}

// Asks the format's extraction library for the number of entries. A path
// whose extension names no format, and a negative count (the library's
// failure), leave the count empty and the task Error.
static void CountArchiveEntries(short index, const char* path) {
    signed char format = FormatFromExtension(path);
    if (format < 0) {
        SetTaskStatus(index, Error);
        return;
    }
    const FormatRow& row = FormatTable[format];
    ArchiverLibrary library;
    if (!LoadArchiverLibrary(row.ExtractLibrary, row.ExtractPrefix, &library)) {
        ShowErrorMessage(MainWindow, "%sを読み込めませんでした。", row.ExtractLibrary);
        SetTaskStatus(index, Error);
        return;
    }
    auto getFileCount = ArchiverEntry<ArchiverGetFileCount>(library, "GetFileCount");
    if (getFileCount == nullptr) {
        char entry[96];
        FormatText(entry, sizeof(entry), "%sGetFileCount", row.ExtractPrefix);
        ShowErrorMessage(MainWindow, "%s から関数%sを取得できませんでした。", row.ExtractLibrary, entry);
        ReleaseArchiverLibrary(&library);
        SetTaskStatus(index, Error);
        return;
    }
    int count = getFileCount(path);
    ReleaseArchiverLibrary(&library);
    if (count < 0) {
        SetTaskStatus(index, Error);
        return;
    }
    char text[NumberTextSize];
    FormatThousands(static_cast<uint32_t>(count), text, sizeof(text));
    int taskRow = TaskIndexToRow(index);
    if (taskRow >= 0) Lv_SetCell(TaskListView, taskRow, ColumnCount, text);
}

// The counts are refreshed before the library is tried, and again after
// it: a task that became Error while counting is counted as such at once.
short CreateExtractionTask(const char* path) {
    char name[PathSize];
    ArchiveDisplayName(path, name, sizeof(name));
    short index = AppendTask(TaskExtraction, Settings.DefMeltAuto, name, path);
    if (index < 0) return -1;
    ExtractionDestination(path, TaskTable[index].destination, sizeof(TaskTable[index].destination));
    RefreshStatusBar();
    CountArchiveEntries(index, path);
    RefreshStatusBar();
    return index;
}
