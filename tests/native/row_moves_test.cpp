#include "app/row_moves.h"

#include <gtest/gtest.h>

#include <string>

// Rows are written as task names top to bottom, '*' marking a selected row:
// "2* 1 3*" is T2 selected, T1, T3 selected.
static std::string Move(const std::string& rows, bool up) {
    uint32_t ids[16];
    bool selected[16];
    int count = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] == ' ') continue;
        ids[count] = static_cast<uint32_t>(rows[i] - '0');
        selected[count] = i + 1 < rows.size() && rows[i + 1] == '*';
        if (selected[count]) ++i;
        ++count;
    }
    MoveSelectedRows(ids, selected, count, up);
    std::string result;
    for (int i = 0; i < count; ++i) {
        if (!result.empty()) result += ' ';
        result += static_cast<char>('0' + ids[i]);
        if (selected[i]) result += '*';
    }
    return result;
}

TEST(RowMoves, SelectedRowsMoveOnePlaceAndKeepTheirSelection) {
    struct Case {
        const char* rows;
        bool up;
        const char* expected;
    };
    const Case cases[] = {
        {"1 2* 3*", true, "2* 3* 1"},     // a block moves as a whole
        {"1* 2* 3", false, "3 1* 2*"},
        {"2* 1 3*", true, "2* 3* 1"},     // the top row stays, T3 still moves
        {"2* 3* 1", true, "2* 3* 1"},     // held by the edge, T3 is held by T2
        {"1 2* 3*", false, "1 2* 3*"},    // the same at the bottom edge
        {"1* 2 3 4*", false, "2 1* 3 4*"},
        {"1* 2 3 4*", true, "1* 2 4* 3"},
        {"1 2 3", true, "1 2 3"},         // nothing selected
        {"1*", true, "1*"},
        {"1 2* 3 4* 5", true, "2* 1 4* 3 5"},
        {"1 2* 3 4* 5", false, "1 3 2* 5 4*"},
        {"1* 2* 3* 4*", false, "1* 2* 3* 4*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rows) + (c.up ? " up" : " down"));
        EXPECT_EQ(Move(c.rows, c.up), c.expected);
    }
}
