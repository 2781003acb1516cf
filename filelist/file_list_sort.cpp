#include "filelist/file_list_sort.h"

#include <commctrl.h>

#include <algorithm>

#include "app/heap.h"
#include "app/text.h"
#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "tasks/row_compare.h"
#include "ui/controls.h"

// The sorted column's texts, taken before the sort and kept by row id:
// while LVM_SORTITEMS runs the rows are in motion, and finding a row by its
// item data then is not reliable.
struct SortCell {
    LPARAM id;
    char text[PathSize];
};

struct SortSnapshot {
    SortCell* cells;  // sorted by id
    int count;
    int column;
};

static const char* SnapshotText(const SortSnapshot& snapshot, LPARAM id) {
    const SortCell* end = snapshot.cells + snapshot.count;
    const SortCell* found =
        std::lower_bound(static_cast<const SortCell*>(snapshot.cells), end, id, [](const SortCell& cell, LPARAM key) { return cell.id < key; });
    return (found != end && found->id == id) ? found->text : "";
}

// The comparison edits number texts in place, so it gets copies.
static int CALLBACK CompareFileRows(LPARAM first, LPARAM second, LPARAM sort) {
    const auto& snapshot = *reinterpret_cast<const SortSnapshot*>(sort);
    char a[PathSize];
    char b[PathSize];
    CopyText(a, sizeof(a), SnapshotText(snapshot, first));
    CopyText(b, sizeof(b), SnapshotText(snapshot, second));
    return CompareCellTexts(a, b, IsNumericColumn(false, snapshot.column), FileSortFlags[snapshot.column]);
}

// A header click: the column's flag turns over (the first click sorts
// ascending, the next descending), then the rows follow it. Without memory
// for the texts the flag turns but nothing moves.
void SortFileListByColumn(HWND list, int column) {
    if (column < FileColumnName || column > FileColumnPath) return;
    FileSortFlags[column] = FileSortFlags[column] == 0 ? 1 : 0;
    int rows = Lv_RowCount(list);
    if (rows <= 1) return;
    auto* cells = static_cast<SortCell*>(PrivateAlloc(sizeof(SortCell) * rows));
    if (cells == nullptr) return;
    for (int row = 0; row < rows; ++row) {
        cells[row].id = Lv_RowId(list, row);
        Lv_GetCell(list, row, column, cells[row].text, PathSize);
    }
    std::sort(cells, cells + rows, [](const SortCell& a, const SortCell& b) { return a.id < b.id; });
    SortSnapshot snapshot = {cells, rows, column};
    SendMessageA(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&snapshot), reinterpret_cast<LPARAM>(CompareFileRows));
    PrivateFree(cells);
}
