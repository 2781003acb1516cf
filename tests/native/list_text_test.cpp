#include "filelist/list_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tasks/number_text.h"
#include "tests/native/literal_bytes.h"

TEST(ListText, RowTimeIsZeroPaddedExceptBetweenDateAndTime) {
    struct Case {
        int year, month, day, hour, minute, second;
        const char* expected;
    };
    const Case cases[] = {
        {2014, 3, 5, 9, 7, 2, "2014/03/05 09:07:02"},
        {999, 12, 31, 23, 59, 59, "0999/12/31 23:59:59"},
        {2024, 1, 1, 0, 0, 0, "2024/01/01 00:00:00"},
        {7, 10, 10, 10, 10, 10, "0007/10/10 10:10:10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        char text[RowTimeSize];
        FormatRowTime(c.year, c.month, c.day, c.hour, c.minute, c.second, text, sizeof(text));
        EXPECT_STREQ(text, c.expected);
    }
}

TEST(ListText, TotalsLineAndSelectionCount) {
    char text[128];
    FormatTotalsLine(0, 0, text, sizeof(text));
    EXPECT_STREQ(text, "  ファイル数 = 0  サイズ合計 = 0");
    FormatTotalsLine(1234, 4294967295u, text, sizeof(text));
    EXPECT_STREQ(text, "  ファイル数 = 1,234  サイズ合計 = 4,294,967,295");
    FormatSelectionCount(7, text, sizeof(text));
    EXPECT_STREQ(text, "選択数 =    7");
    FormatSelectionCount(12345, text, sizeof(text));
    EXPECT_STREQ(text, "選択数 = 12345");
}

// Label, zero byte, pattern, and the two zero bytes that end the list; a
// buffer too small gets an empty list, never an unterminated one.
TEST(ListText, SaveFilterForAFormat) {
    struct Case {
        const char* extension;
        size_t size;
        bool fits;
        std::string expected;  // up to and including the final zero bytes
    };
    const Case cases[] = {
        {"zip", 64, true, Bytes("zipﾌｧｲﾙ(*.zip)\0*.zip\0\0")},
        {"7z", 64, true, Bytes("7zﾌｧｲﾙ(*.7z)\0*.7z\0\0")},
        {"zip", 22, true, Bytes("zipﾌｧｲﾙ(*.zip)\0*.zip\0\0")},
        {"zip", 21, false, std::string("\0\0", 2)},
        {"zip", 16, false, std::string("\0\0", 2)},
        {"zip", 2, false, std::string("\0\0", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::string buffer(c.size + 4, 'X');
        EXPECT_EQ(FormatSaveFilter(c.extension, &buffer[0], c.size), c.fits);
        EXPECT_EQ(buffer.substr(0, c.expected.size()), c.expected);
        EXPECT_EQ(buffer.substr(c.size), "XXXX");
    }
}
