#include "app/row_moves.h"

static void SwapRows(uint32_t* ids, bool* selected, int a, int b) {
    uint32_t id = ids[a];
    ids[a] = ids[b];
    ids[b] = id;
    bool mark = selected[a];
    selected[a] = selected[b];
    selected[b] = mark;
}

// ids and selected describe the rows top to bottom; both are reordered.
// Each selected row, taken from the leading edge of the move, trades places
// with its neighbour when that neighbour is not selected. A block of
// adjacent selected rows therefore moves as a whole, and a selected row held
// by the edge also holds the selected rows that follow it against it:
// T2*, T1, T3* up gives T2, T3, T1, and T2*, T3*, T1 up stays as it is.
void MoveSelectedRows(uint32_t* ids, bool* selected, int count, bool up) {
    if (up) {
        for (int row = 1; row < count; ++row) {
            if (selected[row] && !selected[row - 1]) SwapRows(ids, selected, row - 1, row);
        }
    } else {
        for (int row = count - 2; row >= 0; --row) {
            if (selected[row] && !selected[row + 1]) SwapRows(ids, selected, row, row + 1);
        }
    }
}
