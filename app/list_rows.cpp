#include "app/list_rows.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdlib>

#include "app/heap.h"
#include "app/controls.h"
#include "app/long_work.h"
#include "app/modal.h"
#include "app/row_moves.h"

struct RowPlace {
    uint32_t id;
    int row;
};

static int CompareRowPlaceIds(const void* a, const void* b) {
    uint32_t x = static_cast<const RowPlace*>(a)->id;
    uint32_t y = static_cast<const RowPlace*>(b)->id;
    return x < y ? -1 : (x > y ? 1 : 0);
}

struct RowOrder {
    const RowPlace* places;  // sorted by id
    int count;
};

static int NewRowOf(const RowOrder& order, uint32_t id) {
    RowPlace key = {id, 0};
    const void* found = bsearch(&key, order.places, order.count, sizeof(RowPlace), CompareRowPlaceIds);
    return found != nullptr ? static_cast<const RowPlace*>(found)->row : 0;
}

// A row's item data is its id; rows go where the new order puts them.
static int CALLBACK CompareByNewRow(LPARAM first, LPARAM second, LPARAM sort) {
    const auto& order = *reinterpret_cast<const RowOrder*>(sort);
    return NewRowOf(order, static_cast<uint32_t>(first)) - NewRowOf(order, static_cast<uint32_t>(second));
}

// Only the row order changes; the rows keep their texts and selection.
// The rows are read as steps of the long work the caller runs, and the
// new order is put in place by one sort, so a stop while reading moves
// nothing. Without memory for the scratch arrays nothing moves. False when
// stopped.
bool MoveSelectedListRows(HWND list, bool up) {
    int rows = Lv_RowCount(list);
    if (rows <= 0 || Lv_SelectedCount(list) == 0) return true;
    auto* ids = static_cast<uint32_t*>(PrivateAlloc(sizeof(uint32_t) * rows));
    auto* selected = static_cast<bool*>(PrivateAlloc(sizeof(bool) * rows));
    auto* places = static_cast<RowPlace*>(PrivateAlloc(sizeof(RowPlace) * rows));
    bool complete = true;
    if (ids != nullptr && selected != nullptr && places != nullptr) {
        for (int row = 0; row < rows && complete; ++row) {
            complete = KeepWorking();
            ids[row] = static_cast<uint32_t>(Lv_RowId(list, row));
            selected[row] = Lv_IsSelected(list, row);
        }
        if (complete) {
            MoveSelectedRows(ids, selected, rows, up);
            for (int row = 0; row < rows; ++row) places[row] = {ids[row], row};
            qsort(places, rows, sizeof(RowPlace), CompareRowPlaceIds);
            RowOrder order = {places, rows};
            SendMessageA(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&order),
                         reinterpret_cast<LPARAM>(CompareByNewRow));
        }
    }
    PrivateFree(places);
    PrivateFree(selected);
    PrivateFree(ids);
    return complete;
}

// The selected rows, top to bottom.
std::vector<int> SelectedListRows(HWND list) {
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(Lv_SelectedCount(list)));
    int row = -1;
    while ((row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0) rows.push_back(row);
    return rows;
}

// The selected rows go, the bottom one first, so no row above a deleted
// one moves and a stop leaves the rows not reached as they were; when every
// row goes, they go in one message. False when stopped.
bool DeleteSelectedListRows(HWND list) {
    std::vector<int> rows = SelectedListRows(list);
    if (rows.empty()) return true;
    if (static_cast<int>(rows.size()) == Lv_RowCount(list)) {
        if (!KeepWorking()) return false;
        SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
        return true;
    }
    for (size_t i = rows.size(); i-- > 0;) {
        if (!KeepWorking()) return false;
        SendMessageA(list, LVM_DELETEITEM, rows[i], 0);
    }
    return true;
}

// Every row selected (select all), or every row's selection turned over
// (invert), one row a step. False when stopped; the rows reached keep
// their new state.
bool SelectListRows(HWND list, bool invert) {
    int rows = Lv_RowCount(list);
    for (int row = 0; row < rows; ++row) {
        if (!KeepWorking()) return false;
        Lv_SetSelected(list, row, invert ? !Lv_IsSelected(list, row) : true);
    }
    return true;
}

// The first popup of the menu resource, loaded for this showing and
// destroyed after it; its command goes to the owner, and the focus comes
// back to the list.
void ShowListMenu(HWND list, int menuId, POINT screen, HWND owner) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(menuId));
    if (menu != nullptr) {
        Modal.popupMenu(GetSubMenu(menu, 0), screen.x, screen.y, owner);
        DestroyMenu(menu);
    }
    SetFocus(list);
}

// Screen point of the top-left corner of the row holding the selection
// mark; the list's own corner when no row holds it.
POINT SelectionMarkPoint(HWND list) {
    POINT point = {0, 0};
    int mark = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
    if (mark >= 0) SendMessageA(list, LVM_GETITEMPOSITION, mark, reinterpret_cast<LPARAM>(&point));
    ClientToScreen(list, &point);
    return point;
}
