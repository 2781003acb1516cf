#include "tasks/task_create.h"

#include <windows.h>

#include "app/instance.h"
#include "app/modal.h"
#include "app/text.h"
#include "archivers/archiver_library.h"
#include "archivers/formats.h"
#include "archivers/run_text.h"
#include "settings/settings.h"
#include "tasks/task_files.h"
#include "tasks/task_paths.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"

// The process's current folder; empty when it does not fit.
bool ReadCurrentFolder(char* folder, size_t size) {
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), folder);
    if (length == 0 || length >= size) {
        if (size > 0) folder[0] = '\0';
        return false;
    }
    return true;
}

// The task's file list is made in the given window, which shows it when
// the task is edited. Returns the new index, or -1 when no task could be
// made.
short CreateCompressionTask(const char* name, HWND fileListParent) {
    HWND list = CreateTaskFileListView(fileListParent);
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
    StatusCountsChanged();
    return index;
}

// Asks the format's extraction library for the number of entries. A path
// whose extension names no format, and a negative count (the library's
// failure), leave the count empty and the task Error.
static void CountArchiveEntries(short index, const char* path) {
    signed char format = FormatFromExtension(path);
    if (format < 0) {
        SetTaskStatus(index, Error);
        char text[TaskReasonSize];
        FormatText(text, sizeof(text), "%s の拡張子に対応する書庫形式がありません。", path);
        SetTaskReason(index, text);
        return;
    }
    const FormatRow& row = FormatTable[format];
    ArchiverLibrary library;
    if (!LoadArchiverLibrary(row.ExtractLibrary, row.ExtractPrefix, &library)) {
        char text[TaskReasonSize];
        FormatLibraryNotLoaded(text, sizeof(text), row.ExtractLibrary);
        ShowErrorMessage(MainWindow, "%s", text);
        SetTaskStatus(index, Error);
        SetTaskReason(index, text);
        return;
    }
    if (library.getFileCount == nullptr) {
        char text[MissingEntryTextSize];
        FormatMissingEntry(text, sizeof(text), row.ExtractLibrary, row.ExtractPrefix, "GetFileCount");
        ShowErrorMessage(MainWindow, "%s", text);
        ReleaseArchiverLibrary(&library);
        SetTaskStatus(index, Error);
        SetTaskReason(index, text);
        return;
    }
    int count = library.getFileCount(path);
    ReleaseArchiverLibrary(&library);
    if (count < 0) {
        SetTaskStatus(index, Error);
        char text[TaskReasonSize];
        FormatText(text, sizeof(text), "%sで書庫のファイル数を取得できませんでした。%s", row.ExtractLibrary, path);
        SetTaskReason(index, text);
        return;
    }
    SetTaskNumberCell(index, ColumnCount, static_cast<uint32_t>(count));
}

// The counts are refreshed before the library is tried, and again after
// it: a task that became Error while counting is counted as such at once.
short CreateExtractionTask(const char* path) {
    char name[PathSize];
    ArchiveDisplayName(path, name, sizeof(name));
    short index = AppendTask(TaskExtraction, Settings.DefMeltAuto, name, path);
    if (index < 0) return -1;
    ExtractionDestination(path, TaskTable[index].destination, sizeof(TaskTable[index].destination));
    StatusCountsChanged();
    CountArchiveEntries(index, path);
    StatusCountsChanged();
    return index;
}
