#include <gtest/gtest.h>

#include <string>

#include "settings/ini_text.h"

// What the comparison with the system's profile functions (in the Windows
// tests) does not reach: a NUL inside a line, a lone quote, numbers in
// base 8 or past 32 bits.
TEST(IniText, EdgesOfLinesAndNumbers) {
    std::string value;
    EXPECT_TRUE(FindIniValue(std::string("[DIR]\r\nOpenFolder=a\0b\r\n", 22), "DIR", "OpenFolder", &value));
    EXPECT_EQ(value, "a");
    EXPECT_TRUE(FindIniValue("[DIR]\r\nOpenFolder=\"\r\n", "DIR", "OpenFolder", &value));
    EXPECT_EQ(value, "\"");
    EXPECT_EQ(IniNumber("0o17", 7), 15);
    EXPECT_EQ(IniNumber("4294967297", 7), 1);
}
