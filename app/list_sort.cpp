#include "app/list_sort.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "app/controls.h"
#include "app/heap.h"
#include "app/long_work.h"
#include "app/text.h"

SortedListState SortedList = {nullptr, nullptr};

// The sorted column's texts, taken before the sort: while LVM_SORTITEMS runs
// the list's rows are in motion, and finding a row by its item data then is
// not reliable. Sorted by id for the lookup.
struct SortCell {
    LPARAM id;
    char text[PathSize];
};

static SortCell* SortCells = nullptr;
static int SortCellCount = 0;

static const char* SnapshotText(LPARAM id) {
    SortCell* end = SortCells + SortCellCount;
    SortCell* found = std::lower_bound(SortCells, end, id, [](const SortCell& cell, LPARAM key) { return cell.id < key; });
    return (found != end && found->id == id) ? found->text : "";
}

static void ReadCell(LPARAM id, int column, char* text) {
    if (SortCells != nullptr) {
        CopyText(text, PathSize, SnapshotText(id));
        return;
    }
    text[0] = '\0';
    int row = Lv_FindRowById(SortedList.list, id);
    if (row >= 0) Lv_GetCell(SortedList.list, row, column, text, PathSize);
}

// Rows of the sorted list by one column, as its rule compares the column's
// texts under the column's direction flag.
int CALLBACK CompareRows(LPARAM id1, LPARAM id2, LPARAM column) {
    const ListSortRule* rule = SortedList.rule;
    if (rule == nullptr || column < 0 || column >= rule->columnCount) return 0;
    char first[PathSize];
    char second[PathSize];
    ReadCell(id1, static_cast<int>(column), first);
    ReadCell(id2, static_cast<int>(column), second);
    return rule->compareTexts(first, second, static_cast<int>(column), rule->directions[column]);
}

// Sorts by the column's current direction flag. The texts are read as
// steps of the caller's long work; a stop while reading sorts nothing and
// returns false. Without memory for the texts the rows are read during the
// sort instead.
bool SortListByColumn(HWND list, int column, const ListSortRule& rule) {
    int rows = Lv_RowCount(list);
    SortCells = rows > 0 ? static_cast<SortCell*>(PrivateAlloc(sizeof(SortCell) * rows)) : nullptr;
    bool complete = true;
    if (SortCells != nullptr) {
        for (int row = 0; row < rows && complete; ++row) {
            complete = KeepWorking();
            SortCells[row].id = Lv_RowId(list, row);
            Lv_GetCell(list, row, column, SortCells[row].text, PathSize);
        }
        SortCellCount = rows;
        std::sort(SortCells, SortCells + rows, [](const SortCell& a, const SortCell& b) { return a.id < b.id; });
    }
    // Set after the reading: the messages handled meanwhile may sort
    // another list.
    SortedList = {list, &rule};
    if (complete) {
        SendMessageA(list, LVM_SORTITEMS, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(CompareRows));
    }
    PrivateFree(SortCells);
    SortCells = nullptr;
    SortCellCount = 0;
    return complete;
}
