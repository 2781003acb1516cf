#include "filelist/collect.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/modal.h"
#include "app/text.h"
#include "archivers/formats.h"
#include "filelist/file_list_window.h"
#include "filelist/list_text.h"
#include "filelist/naming.h"
#include "settings/settings.h"

// The format for a proposed archive name; the box has no selection while a
// task list is loaded before any task was shown, and the default format
// stands in then.
static int ProposalFormat() {
    int format = SelectedFormatIndex();
    return IsCompressFormat(format) ? format : Settings.DefCompType;
}

// The archive path this module last proposed. A path the user chose stays
// as chosen; only our own proposal is made anew when the list comes to hold it.
static char LastProposal[PathSize] = "";

// The field named after itemPath, apart from every path the list holds, so
// the archive is never packed into itself; empty when no such name exists.
static void ProposeApartFromList(HWND list, const char* itemPath) {
    std::vector<std::string> paths;
    int rows = Lv_RowCount(list);
    for (int row = 0; row < rows; ++row) {
        char path[PathSize];
        Lv_GetCell(list, row, FileColumnPath, path, sizeof(path));
        paths.emplace_back(path);
    }
    std::vector<const char*> pointers;
    for (const std::string& path : paths) pointers.push_back(path.c_str());
    char path[PathSize];
    ProposeArchivePath(itemPath, ProposalFormat(), pointers.data(), pointers.size(), path, sizeof(path));
    SetArchivePathField(path);
    CopyText(LastProposal, sizeof(LastProposal), path);
}

// After added became a row: an empty field is named after it; our own
// proposal that the new row is, or holds, is named anew after the list's
// first row.
static void KeepArchivePathApart(HWND list, const char* added) {
    char field[PathSize];
    ReadArchivePathField(field, sizeof(field));
    if (field[0] == '\0') return ProposeApartFromList(list, added);
    if (strcmp(field, LastProposal) != 0 || !PathIsOrIsInside(field, added)) return;
    char first[PathSize];
    Lv_GetCell(list, 0, FileColumnPath, first, sizeof(first));
    ProposeApartFromList(list, first);
}

static void ShowTotals(uint32_t rows, uint32_t total) {
    char text[128];
    FormatTotalsLine(rows, total, text, sizeof(text));
    Sb_SetPart(FileListStatusBar, 0, text);
}

// No test comes first: a path that does not exist, or one already listed,
// still becomes a row. A path that does not fit PathSize is refused.
void AddPathToCurrentTask(const char* path) {
    uint32_t rows = 0;
    uint32_t total = 0;
    if (!AddPathToTask(CurrentTaskIndex, path, &rows, &total)) return;
    KeepArchivePathApart(CurrentFileList(), path);
    ShowTotals(rows, total);
}

static void ReportFolderFailure() {
    ShowErrorMessage(FileListOwner(), "フォルダのオープンに失敗しました");
}

// One row per entry directly inside the folder, subfolders as folder rows.
// An empty archive path is named after the folder first.
void AddFolderContents(const char* folder) {
    HWND list = CurrentFileList();
    if (list == nullptr) return;
    char field[PathSize];
    ReadArchivePathField(field, sizeof(field));
    if (field[0] == '\0') ProposeApartFromList(list, folder);
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
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
        char child[PathSize];
        if (FormatText(child, sizeof(child), "%s%s", base, entry.cFileName)) children.emplace_back(child);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    for (const std::string& child : children) AddPathToCurrentTask(child.c_str());
}

// Rewrites a row of the current list (the refresh command).
void FillRowInfo(const char* path, int row) {
    HWND list = CurrentFileList();
    if (list != nullptr) RewriteFileRow(list, path, row);
}

void RefreshFileListTotals() {
    uint32_t rows = 0;
    uint32_t total = 0;
    RecountFileList(CurrentFileList(), &rows, &total);
    ShowTotals(rows, total);
}

void RefreshFileSelectionCount() {
    HWND list = CurrentFileList();
    char text[32];
    FormatSelectionCount(list != nullptr ? Lv_SelectedCount(list) : 0, text, sizeof(text));
    Sb_SetPart(FileListStatusBar, 1, text);
}
