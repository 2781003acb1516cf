#include "tasks/task_files.h"

#include <commctrl.h>

#include <cstring>

#include "app/controls.h"
#include "app/instance.h"
#include "app/text.h"
#include "resources/resource.h"
#include "tasks/number_text.h"
#include "tasks/task_paths.h"
#include "tasks/task_table.h"

// Row ids of every file list; never reused.
static uint32_t NextFileRowId = 0;

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
static RunningTotals Kept = {nullptr, 0, -1, 0};

static bool RunningTotalsHold(HWND list, int rows) {
    if (Kept.list != list || Kept.rows != rows) return false;
    return rows == 0 || Lv_RowId(list, rows - 1) == Kept.lastRowId;
}

static void KeepRunningTotals(HWND list, uint32_t total) {
    int rows = Lv_RowCount(list);
    Kept = {list, rows, rows > 0 ? Lv_RowId(list, rows - 1) : -1, total};
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

// Rewrites a row (the refresh command): its size may have changed, so the
// next added row recomputes the totals.
void RewriteFileRow(HWND list, const char* path, int row) {
    WriteRowInfo(list, path, row);
    Kept.list = nullptr;
}

// No test comes first: a path that does not exist, or one already listed,
// still becomes a row. A path that does not fit PathSize is refused.
bool AddPathToTask(short index, const char* path, uint32_t* rows, uint32_t* total) {
    HWND list = TaskFileList(index);
    if (list == nullptr || strnlen(path, PathSize) >= static_cast<size_t>(PathSize)) return false;
    int row = Lv_RowCount(list);
    bool running = RunningTotalsHold(list, row);
    char name[PathSize];
    ArchiveDisplayName(path, name, sizeof(name));
    row = Lv_InsertRow(list, row, name, static_cast<LPARAM>(NextFileRowId++));
    if (row < 0) return false;
    uint32_t size = WriteRowInfo(list, path, row);
    Lv_SetCell(list, row, FileColumnPath, path);
    *rows = 0;
    *total = Kept.total + size;
    if (running) {
        *rows = static_cast<uint32_t>(Lv_RowCount(list));
    } else {
        FileListTotals(list, rows, total);
    }
    KeepRunningTotals(list, *total);
    return true;
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

// The totals from every row, kept for the rows added next.
void RecountFileList(HWND list, uint32_t* rows, uint32_t* total) {
    *rows = 0;
    *total = 0;
    if (list == nullptr) return;
    FileListTotals(list, rows, total);
    KeepRunningTotals(list, *total);
}

static const char* const FileColumnHeaders[FileColumnCount] = {"ファイル／フォルダ名", "ファイルサイズ", "更新日時",
                                                               "ファイルパス"};
static const int FileColumnWidths[FileColumnCount] = {150, 80, 120, 282};
static const int FileColumnFormats[FileColumnCount] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_LEFT, LVCFMT_LEFT};
// The longest text of the size and time columns.
static const char* const FileColumnSamples[FileColumnCount] = {nullptr, "4,294,967,295", "0000/00/00 00:00:00",
                                                               nullptr};

// A new task's list: hidden, with the four columns and its redraw off. A
// hidden list with its redraw on asks the window system to repaint it at
// every row and cell added, and a loaded task list fills thousands. The
// window that shows it turns its redraw on, lays it out, wraps its
// procedure, and gives it full-row selection and dropped files (either
// costs the window system work for each list made).
HWND CreateTaskFileListView(HWND parent) {
    if (parent == nullptr) return nullptr;
    RECT area;
    GetClientRect(parent, &area);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, area.right,
                                area.bottom, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILELIST)),
                                AppInstance, nullptr);
    if (list == nullptr) return nullptr;
    for (int i = 0; i < FileColumnCount; ++i) {
        Lv_AddColumn(list, i, FileColumnHeaders[i], FileColumnWidths[i], FileColumnFormats[i], FileColumnSamples[i]);
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    return list;
}

// The file list of a compression task; null for any other index.
HWND TaskFileList(short index) {
    if (index < 0 || index >= TaskCount || TaskTable[index].kind != TaskCompression) return nullptr;
    return TaskTable[index].fileList;
}
