#include "tasks/row_compare.h"

#include <gtest/gtest.h>

#include <string>

static int Compare(std::string a, std::string b, bool numeric, unsigned char ascending) {
    return CompareCellTexts(&a[0], &b[0], numeric, ascending);
}

TEST(RowCompare, NumericColumnsAreTheCountsAndSizes) {
    for (int column = 0; column < 6; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(IsNumericColumn(true, column), column == 3 || column == 4);
    }
    for (int column = 0; column < 4; ++column) {
        SCOPED_TRACE(column);
        EXPECT_EQ(IsNumericColumn(false, column), column == 1);
    }
}

TEST(RowCompare, ComparesByValueOrByBytes) {
    struct Case {
        const char* name;
        const char* a;
        const char* b;
        bool numeric;
        unsigned char ascending;
        int expected;
    };
    const Case cases[] = {
        {"1,200 after 950", "1,200", "950", true, 1, 1},
        {"950 before 1,200", "950", "1,200", true, 1, -1},
        {"descending flips", "1,200", "950", true, 0, -1},
        {"any nonzero flag is ascending", "1,200", "950", true, 7, 1},
        {"equal values never equal", "12", "12", true, 1, -1},
        {"equal values descending", "12", "12", true, 0, 1},
        {"largest size", "4,294,967,295", "4,294,967,294", true, 1, 1},
        {"empty reads as zero", "", "1", true, 1, -1},
        {"capitals first", "A.zip", "a.zip", false, 1, -1},
        {"B before a", "B.zip", "a.zip", false, 1, -1},
        {"equal texts", "x", "x", false, 1, 0},
        {"equal texts descending", "x", "x", false, 0, 0},
        {"prefix first", "ab", "abc", false, 1, -1},
        {"unsigned bytes", "\x95\x5c", "z", false, 1, 1},
        {"double-byte by bytes", "\x83\x5c", "\x83\x40", false, 1, 1},
        {"dates in order", "2024/01/02 10:00:00", "2023/12/31 23:59:59", false, 1, 1},
        {"text descending", "a", "b", false, 0, 1},
        {"numbers as text", "1,200", "950", false, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Compare(c.a, c.b, c.numeric, c.ascending), c.expected);
    }
}
