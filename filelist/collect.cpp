#include "filelist/collect.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/long_work.h"
#include "app/text.h"
#include "archivers/formats.h"
#include "filelist/file_list_window.h"
#include "filelist/list_text.h"
#include "filelist/naming.h"
#include "settings/settings.h"
#include "tasks/number_text.h"
#include "tasks/task_paths.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/modal.h"

uint32_t NextFileRowId = 0;

static const char FolderText[] = "フォルダ";
static const char UnknownSizeText[] = "不明";
static const char NoAccessText[] = "アクセス不可";

// The totals of the list rows were last added to. A row added at the end of
// that same list, while it still has the rows counted and the same last row
// (row ids are never reused), only adds its own size; anything else (another
// list, deleted, moved or refreshed rows) recomputes from every row. The sum
// is what a full recomputation gives, without walking every folder row's
// tree again for each added row.
struct RunningTotals {
    HWND list;
    int rows;
    LPARAM lastRowId;
    uint32_t total;
};
static RunningTotals Running = {nullptr, 0, -1, 0};

static bool RunningTotalsHold(HWND list, int rows) {
    if (Running.list != list || Running.rows != rows) return false;
    return rows == 0 || Lv_RowId(list, rows - 1) == Running.lastRowId;
}

static void KeepRunningTotals(HWND list, uint32_t total) {
    int rows = Lv_RowCount(list);
    Running = {list, rows, rows > 0 ? Lv_RowId(list, rows - 1) : -1, total};
}

static bool IsDotEntry(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

static bool IsFolderEntry(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Links and junctions are not followed: one that leads back into its own
// folder would recurse without end. Entries whose joined path would not fit
// PathSize are skipped.
uint32_t FolderSize(const char* folder) {
    char base[PathSize];
    char pattern[PathSize];
    if (!CopyText(base, sizeof(base), folder) || !AppendBackslash(base, sizeof(base))) return 0;
    if (!FormatText(pattern, sizeof(pattern), "%s*.*", base)) return 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    uint32_t sum = 0;
    do {
        if (!IsFolderEntry(entry)) {
            sum += entry.nFileSizeLow;
            continue;
        }
        if (IsDotEntry(entry.cFileName) || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
        char child[PathSize];
        if (FormatText(child, sizeof(child), "%s%s", base, entry.cFileName)) sum += FolderSize(child);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return sum;
}

// Columns 1 and 2 from the path opened without sharing; returns what the
// row adds to the list's total size.
static uint32_t WriteRowInfo(HWND list, const char* path, int row) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    if (file != INVALID_HANDLE_VALUE && !GetFileInformationByHandle(file, &info)) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    if (file == INVALID_HANDLE_VALUE) {
        Lv_SetCell(list, row, FileColumnSize, UnknownSizeText);
        Lv_SetCell(list, row, FileColumnTime, NoAccessText);
        return 0;
    }
    CloseHandle(file);  // before listing a folder: the handle allows no sharing
    uint32_t size = 0;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        Lv_SetCell(list, row, FileColumnSize, FolderText);
        size = FolderSize(path);
    } else {
        char text[NumberTextSize];
        size = info.nFileSizeLow;
        FormatThousands(size, text, sizeof(text));
        Lv_SetCell(list, row, FileColumnSize, text);
    }
    FILETIME local;
    SYSTEMTIME time = {};
    FileTimeToLocalFileTime(&info.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &time);
    char text[RowTimeSize];
    FormatRowTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, text, sizeof(text));
    Lv_SetCell(list, row, FileColumnTime, text);
    return size;
}

// Rewrites a row of the current list (the refresh command): its size may
// have changed, so the next added row recomputes the totals.
void FillRowInfo(const char* path, int row) {
    HWND list = CurrentFileList();
    if (list == nullptr) return;
    WriteRowInfo(list, path, row);
    Running.list = nullptr;
}

// The format for a proposed archive name; the box has no selection while a
// task list is loaded before any task was shown, and the default format
// stands in then.
static int ProposalFormat() {
    int format = SelectedFormatIndex();
    return IsCompressFormat(format) ? format : Settings.DefCompType;
}

static void ProposeArchivePath(const char* itemPath) {
    char field[PathSize];
    ReadArchivePathField(field, sizeof(field));
    if (field[0] != '\0') return;
    char path[PathSize];
    if (DeriveArchivePath(itemPath, ProposalFormat(), path, sizeof(path))) SetArchivePathField(path);
}

static void ShowTotals(uint32_t rows, uint32_t total) {
    char text[128];
    FormatTotalsLine(rows, total, text, sizeof(text));
    Sb_SetPart(FileListStatusBar, 0, text);
}

// ---- additions ----

// One addition of rows to the current list, of one path or of many, as one
// long work: the list does not repaint per row, and the totals line, the
// selection count and the archive path are written once at the end.
struct FileAddition {
    bool nameArchive;   // the archive path field is still empty
    bool totalsHeld;    // the running totals held when the addition began
    HWND list;
    uint32_t sum;       // what the added rows add to the total
};
static FileAddition Addition = {};

// In the file-list window's status bar, or in the main window's while the
// file-list window is hidden (a task list file being loaded).
static void ShowProgress(const char* format, uint32_t steps) {
    char count[NumberTextSize];
    char text[128];
    FormatThousands(steps, count, sizeof(count));
    FormatText(text, sizeof(text), format, count);
    Sb_SetPart(IsWindowVisible(FileListWindow) ? FileListStatusBar : MainStatusBar, 0, text);
}

static void ShowAdded(uint32_t steps) { ShowProgress("  %s 件追加 (Escで中止)", steps); }
static void ShowRefreshed(uint32_t steps) { ShowProgress("  %s 件更新 (Escで中止)", steps); }

static void BeginAddition(HWND list) {
    char field[PathSize];
    ReadArchivePathField(field, sizeof(field));
    Addition = {field[0] == '\0', RunningTotalsHold(list, Lv_RowCount(list)), list, 0};
}

// The row and its cells; the figures follow at the end of the addition.
static void AppendRow(const char* path) {
    if (strnlen(path, PathSize) >= static_cast<size_t>(PathSize)) return;
    HWND list = Addition.list;
    char name[PathSize];
    ArchiveDisplayName(path, name, sizeof(name));
    int row = Lv_InsertRow(list, Lv_RowCount(list), name, static_cast<LPARAM>(NextFileRowId++));
    if (row < 0) return;
    Addition.sum += WriteRowInfo(list, path, row);
    Lv_SetCell(list, row, FileColumnPath, path);
    if (Addition.nameArchive) {
        char archive[PathSize];
        if (DeriveArchivePath(path, ProposalFormat(), archive, sizeof(archive))) {
            SetArchivePathField(archive);
            Addition.nameArchive = false;
        }
    }
}

static void EndAddition(bool rowsRewritten) {
    HWND list = Addition.list;
    uint32_t rows = 0;
    uint32_t total = Running.total + Addition.sum;
    if (Addition.totalsHeld && !rowsRewritten) {
        rows = static_cast<uint32_t>(Lv_RowCount(list));
    } else {
        FileListTotals(list, &rows, &total);
    }
    KeepRunningTotals(list, total);
    ShowTotals(rows, total);
    RefreshFileSelectionCount();
}

// No test comes first: a path that does not exist, or one already listed,
// still becomes a row. A path that does not fit PathSize is refused.
void AddPathToCurrentTask(const char* path) { AddPathsToCurrentTask(&path, 1); }

// False when the user stopped the addition before its last path. Inside a
// long work already running (a task list file being loaded) the rows are
// steps of that one.
bool AddPathsToCurrentTask(const char* const* paths, size_t count) {
    HWND list = CurrentFileList();
    if (list == nullptr) return true;
    bool own = BeginLongWork(ShowAdded, list);
    BeginAddition(list);
    size_t done = 0;
    while (done < count && KeepWorking()) AppendRow(paths[done++]);
    if (own) EndLongWork();
    EndAddition(false);
    return done == count;
}

bool AddPathListToCurrentTask(const std::vector<std::string>& paths) {
    std::vector<const char*> pointers;
    pointers.reserve(paths.size());
    for (const std::string& path : paths) pointers.push_back(path.c_str());
    return AddPathsToCurrentTask(pointers.data(), pointers.size());
}

// Sizes and times again from the disk for every row (the refresh command),
// then the totals from the rows.
void RefreshCurrentRows() {
    HWND list = CurrentFileList();
    if (list == nullptr || !BeginLongWork(ShowRefreshed, list)) return;
    BeginAddition(list);
    int rows = Lv_RowCount(list);
    for (int row = 0; row < rows && KeepWorking(); ++row) {
        char path[DialogPathSize];
        Lv_GetCell(list, row, FileColumnPath, path, sizeof(path));
        WriteRowInfo(list, path, row);
    }
    EndLongWork();
    EndAddition(true);
}

static void ReportFolderFailure() { ShowErrorMessage(MainWindow, "フォルダのオープンに失敗しました"); }

// One row per entry directly inside the folder, subfolders as folder rows.
// An empty archive path is named after the folder first.
void AddFolderContents(const char* folder) {
    if (CurrentFileList() == nullptr) return;
    ProposeArchivePath(folder);
    char base[PathSize];
    char pattern[PathSize];
    if (!CopyText(base, sizeof(base), folder) || !AppendBackslash(base, sizeof(base)) ||
        !FormatText(pattern, sizeof(pattern), "%s*.*", base)) {
        ReportFolderFailure();
        return;
    }
    // The names are read first and the listing closed before any row is
    // added: under Wine every file opened while a listing of its folder is
    // open costs more, and a large folder's additions doubled in time.
    std::vector<std::string> children;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) {
        ReportFolderFailure();
        return;
    }
    do {
        if (IsDotEntry(entry.cFileName)) continue;
        char child[PathSize];
        if (FormatText(child, sizeof(child), "%s%s", base, entry.cFileName)) children.emplace_back(child);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    AddPathListToCurrentTask(children);
}

// From the rows: a file row adds the number its size text shows, a folder
// row the size of its tree now, an unopened row nothing.
void FileListTotals(HWND list, uint32_t* rows, uint32_t* total) {
    int count = Lv_RowCount(list);
    uint32_t sum = 0;
    for (int row = 0; row < count; ++row) {
        char text[256];
        Lv_GetCell(list, row, FileColumnSize, text, sizeof(text));
        if (strcmp(text, UnknownSizeText) == 0) continue;
        if (strcmp(text, FolderText) == 0) {
            char path[PathSize];
            Lv_GetCell(list, row, FileColumnPath, path, sizeof(path));
            sum += FolderSize(path);
        } else {
            sum += ParseThousands(text);
        }
    }
    *rows = static_cast<uint32_t>(count);
    *total = sum;
}

void RefreshFileListTotals() {
    HWND list = CurrentFileList();
    uint32_t rows = 0;
    uint32_t total = 0;
    if (list != nullptr) {
        FileListTotals(list, &rows, &total);
        KeepRunningTotals(list, total);
    }
    ShowTotals(rows, total);
}

void RefreshFileSelectionCount() {
    HWND list = CurrentFileList();
    char text[32];
    FormatSelectionCount(list != nullptr ? Lv_SelectedCount(list) : 0, text, sizeof(text));
    Sb_SetPart(FileListStatusBar, 1, text);
}
