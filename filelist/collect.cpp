#include "filelist/collect.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/long_work.h"
#include "app/modal.h"
#include "app/text.h"
#include "archivers/formats.h"
#include "filelist/file_list_parts.h"
#include "filelist/file_list_status.h"
#include "filelist/list_text.h"
#include "filelist/naming.h"
#include "settings/settings.h"
#include "tasks/number_text.h"

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

// ---- additions ----

// In the file-list window's status bar.
static void ShowProgress(const char* format, uint32_t steps) {
    char count[NumberTextSize];
    char text[128];
    FormatThousands(steps, count, sizeof(count));
    FormatText(text, sizeof(text), format, count);
    Sb_SetPart(FileListStatusBar, 0, text);
}

static void ShowAdded(uint32_t steps) { ShowProgress("  %s 件追加 (Escで中止)", steps); }
static void ShowRefreshed(uint32_t steps) { ShowProgress("  %s 件更新 (Escで中止)", steps); }

// No test comes first: a path that does not exist, or one already listed,
// still becomes a row. A path that does not fit PathSize is refused.
void AddPathToCurrentTask(const char* path) { AddPathsToCurrentTask(&path, 1); }

// The paths as one long work: the list does not repaint per row, and the
// totals line, the selection count and the archive path are written once
// at the end, as adding them one at a time would leave them. False when
// the user stopped the addition before its last path.
bool AddPathsToCurrentTask(const char* const* paths, size_t count) {
    HWND list = CurrentFileList();
    if (list == nullptr || !BeginLongWork(ShowAdded, list)) return list == nullptr;
    bool added = false;
    uint32_t rows = 0;
    uint32_t total = 0;
    size_t done = 0;
    while (done < count && KeepWorking()) {
        const char* path = paths[done++];
        if (!AddPathToTask(CurrentTaskIndex, path, &rows, &total)) continue;
        added = true;
        KeepArchivePathApart(list, path);
    }
    EndLongWork();
    if (added) ShowFileListTotals(rows, total);
    RefreshFileSelectionCount();
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
    int rows = Lv_RowCount(list);
    for (int row = 0; row < rows && KeepWorking(); ++row) {
        char path[DialogPathSize];
        Lv_GetCell(list, row, FileColumnPath, path, sizeof(path));
        RewriteFileRow(list, path, row);
    }
    EndLongWork();
    RefreshFileListTotals();
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
    AddPathListToCurrentTask(children);
}

// Rewrites a row of the current list (the refresh command).
void FillRowInfo(const char* path, int row) {
    HWND list = CurrentFileList();
    if (list != nullptr) RewriteFileRow(list, path, row);
}
