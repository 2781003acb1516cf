#include <gtest/gtest.h>

#include <string>

#include "settings/ini_text.h"

// The cases the comparison with the system's profile functions (in the
// Windows tests) does not reach: a NUL inside a line, lone quotes, a
// section header without its "]" (the "]" in ゾ is a trail byte), and
// numbers in base 8 or past 32 bits.
TEST(IniText, EdgesOfLinesAndNumbers) {
    struct Case {
        std::string text;
        bool found;
        std::string value;
    };
    const Case cases[] = {
        {std::string("[DIR]\r\nOpenFolder=a\0b\r\n", 22), true, "a"},
        {"[DIR]\r\nOpenFolder=\"\r\n", true, "\""},
        {"[DIR]\r\nOpenFolder=''\r\n", true, ""},
        {"[DIRゾ\r\nOpenFolder=x\r\n", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string value;
        EXPECT_EQ(FindIniValue(c.text, "DIR", "OpenFolder", &value), c.found);
        EXPECT_EQ(value, c.value);
    }
    EXPECT_EQ(IniNumber("", 7), 7);
    EXPECT_EQ(IniNumber("0o17", 7), 15);
    EXPECT_EQ(IniNumber("4294967297", 7), 1);
    EXPECT_EQ(IniNumber("-1", 7), -1);
}
