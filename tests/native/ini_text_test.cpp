#include <gtest/gtest.h>

#include <string>

#include "settings/ini_text.h"

// Which line of a settings text gives the value; the bytes of 表 and ゾ
// (trail bytes "\" and "]") stay as they are.
TEST(IniText, FindsTheValueOfTheFirstSection) {
    struct Case {
        std::string text;
        const char* section;
        const char* key;
        bool found;
        std::string value;
    };
    const Case cases[] = {
        {"[DIR]\r\nOpenFolder=C:\\表\\\r\n", "DIR", "OpenFolder", true, "C:\\表\\"},
        {"[dir]\r\n  openfolder  =  \"C:\\a b\\\"  \r\n", "DIR", "OpenFolder", true, "C:\\a b\\"},
        {"[DIR]\r\nOpenFolder=\"\r\n", "DIR", "OpenFolder", true, "\""},
        {"[DIR]\r\nOpenFolder=''\r\n", "DIR", "OpenFolder", true, ""},
        {"[DIR]ゾ\r\nOpenFolder=x\r\n", "DIR", "OpenFolder", true, "x"},
        {"[DIRゾ\r\nOpenFolder=x\r\n", "DIR", "OpenFolder", false, ""},
        {"[DIR]\r\nA=1\r\n[DIR]\r\nOpenFolder=x\r\n", "DIR", "OpenFolder", false, ""},
        {"[CONFIG]\r\nOpenFolder=x\r\n[DIR]\r\nOpenFolder=y", "DIR", "OpenFolder", true, "y"},
        {"[DIR]\r\nOpenFolder\r\nOpenFolder=z\r\n", "DIR", "OpenFolder", true, "z"},
        {"[DIR]\rOpenFolder=r\r", "DIR", "OpenFolder", true, "r"},
        {std::string("[DIR]\r\nOpenFolder=a\0b\r\n", 22), "DIR", "OpenFolder", true, "a"},
        {"", "DIR", "OpenFolder", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string value = "unset";
        EXPECT_EQ(FindIniValue(c.text, c.section, c.key, &value), c.found);
        if (c.found) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(IniText, ReadsNumbersAsTheProfileFunctionsDo) {
    struct Case {
        const char* value;
        int number;
    };
    const Case cases[] = {
        {"", 7},      {"12", 12},   {"-1", -1},       {"+5", 5},          {"0x1F", 31},
        {"0o17", 15}, {"0b101", 5}, {"3z", 3},        {"abc", 0},         {"0x", 0},
        {"4294967297", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(IniNumber(c.value, 7), c.number);
    }
}
