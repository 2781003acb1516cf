#include "app/text.h"

#include <gtest/gtest.h>

#include <string>

// 表 = 0x95 0x5C, ソ = 0x83 0x5C, 能 = 0x94 0x5C: the second byte is '\'.
TEST(Text, LiteralsAreCodePage932) {
    EXPECT_EQ(std::string("表"), std::string("\x95\x5c"));
    EXPECT_EQ(std::string("ソ"), std::string("\x83\x5c"));
    EXPECT_EQ(std::string("能"), std::string("\x94\x5c"));
}

TEST(Text, LeadBytesMatchCodePage932) {
    for (int c = 0; c < 256; ++c) {
        bool expected = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        EXPECT_EQ(IsLeadByte932(static_cast<unsigned char>(c)), expected) << c;
    }
}

TEST(Text, SplitPathStepsOverTrailBackslashes) {
    struct Case {
        const char* path;
        const char* drive;
        const char* dir;
        const char* name;
        const char* ext;
    };
    const Case cases[] = {
        {"C:\\data\\report.doc", "C:", "\\data\\", "report", ".doc"},
        {"C:\\ソフト\\表示.txt", "C:", "\\ソフト\\", "表示", ".txt"},
        {"C:\\表", "C:", "\\", "表", ""},
        {"C:\\表\\能.zip", "C:", "\\表\\", "能", ".zip"},
        {"C:\\a.zip\\表", "C:", "\\a.zip\\", "表", ""},
        {"C:\\a\\.zip", "C:", "\\a\\", "", ".zip"},
        {"C:\\a\\b.", "C:", "\\a\\", "b", "."},
        {"C:\\archive.tar.gz", "C:", "\\", "archive.tar", ".gz"},
        {"C:\\", "C:", "\\", "", ""},
        {"x.zip", "", "", "x", ".zip"},
        {"\\\\server\\share\\x.zip", "", "\\\\server\\share\\", "x", ".zip"},
        {"C:/d/e.txt", "C:", "/d/", "e", ".txt"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        PathParts parts;
        SplitPath(c.path, &parts);
        EXPECT_STREQ(parts.drive, c.drive);
        EXPECT_STREQ(parts.dir, c.dir);
        EXPECT_STREQ(parts.name, c.name);
        EXPECT_STREQ(parts.ext, c.ext);
    }
}

TEST(Text, SplitPathOfOverlongComponentsStaysInBounds) {
    std::string longName(600, 'a');
    std::string path = "C:\\" + longName + "\\" + longName + "." + std::string(400, 'e');
    PathParts parts;
    SplitPath(path.c_str(), &parts);
    EXPECT_EQ(strlen(parts.dir), sizeof(parts.dir) - 1);
    EXPECT_EQ(strlen(parts.name), sizeof(parts.name) - 1);
    EXPECT_LT(strlen(parts.ext), sizeof(parts.ext));
}

TEST(Text, BackslashEndingIgnoresTrailBytes) {
    EXPECT_TRUE(EndsWithBackslash("C:\\data\\"));
    EXPECT_FALSE(EndsWithBackslash("C:\\表"));
    EXPECT_FALSE(EndsWithBackslash("C:\\ソ"));
    EXPECT_TRUE(EndsWithBackslash("C:\\ソ\\"));
    EXPECT_FALSE(EndsWithBackslash(""));

    char folder[PathSize] = "C:\\表";
    ASSERT_TRUE(AppendBackslash(folder, sizeof(folder)));
    EXPECT_STREQ(folder, "C:\\表\\");
    ASSERT_TRUE(AppendBackslash(folder, sizeof(folder)));
    EXPECT_STREQ(folder, "C:\\表\\");
}

TEST(Text, BoundedCopiesNeverSplitACharacter) {
    char small[4];
    EXPECT_FALSE(CopyText(small, sizeof(small), "a表示"));
    EXPECT_STREQ(small, "a表");  // 3 bytes fit, the next character would not
    EXPECT_FALSE(CopyText(small, sizeof(small), "ab表"));
    EXPECT_STREQ(small, "ab");  // half a character is never kept
    EXPECT_TRUE(CopyText(small, sizeof(small), "abc"));
    EXPECT_STREQ(small, "abc");

    char buffer[8] = "abc";
    EXPECT_FALSE(AppendText(buffer, sizeof(buffer), "defgh"));
    EXPECT_STREQ(buffer, "abcdefg");

    char formatted[8];
    EXPECT_FALSE(FormatText(formatted, sizeof(formatted), "%s", "too long text"));
    EXPECT_STREQ(formatted, "");
    EXPECT_TRUE(FormatText(formatted, sizeof(formatted), "%s%d", "ab", 12));
    EXPECT_STREQ(formatted, "ab12");
}

TEST(Text, CharacterSearchSkipsTrailBytes) {
    EXPECT_EQ(FindLastSeparator("表"), nullptr);
    const char* path = "C:\\ソフト\\表示.txt";
    EXPECT_STREQ(FindLastSeparator(path), "\\表示.txt");
    EXPECT_EQ(FindFirstChar932("能/x", '\\'), nullptr);
    EXPECT_STREQ(FindFirstChar932("能/x", '/'), "/x");
    // A cut lead byte at the end does not run past the terminator.
    EXPECT_EQ(FindLastSeparator("a\x95"), nullptr);
}

// ASCII letters in any case; a double-byte character only as it is (ア and
// ッ differ only in a trail byte of an ASCII letter's case).
TEST(Text, SameTextIgnoringCaseFoldsAsciiOnly) {
    EXPECT_TRUE(SameTextIgnoringCase("config", 6, "CONFIG"));
    EXPECT_FALSE(SameTextIgnoringCase("config", 5, "CONFIG"));
    EXPECT_FALSE(SameTextIgnoringCase("\x83\x61", 2, "\x83\x41"));
    EXPECT_TRUE(SameTextIgnoringCase("表a", 3, "表A"));
}

TEST(Text, PathIsOrIsInsideComparesAsWindowsDoes) {
    struct Case {
        const char* path;
        const char* folder;
        bool inside;
    };
    const Case cases[] = {
        {"C:\\in\\a.zip", "C:\\in\\a.zip", true},
        {"C:\\in\\a.zip", "c:\\IN\\A.ZIP", true},
        {"C:\\in\\a.zip", "C:/in/a.zip", true},
        {"C:\\data\\x.zip", "C:\\data", true},
        {"C:\\data\\x.zip", "C:\\data\\", true},
        {"C:\\data\\sub\\x.zip", "C:\\Data", true},
        {"C:\\data\\\\x.zip", "C:\\data", true},
        {"C:\\data", "C:\\data\\", true},
        {"C:\\.zip", "C:\\", true},
        {"C:\\data.zip", "C:\\data", false},
        {"C:\\data2\\x.zip", "C:\\data", false},
        {"C:\\data", "C:\\data\\x.zip", false},
        {"D:\\data\\x.zip", "C:\\data", false},
        {"C:\\in\\b.zip", "C:\\in\\a.zip", false},
        {"C:\\in\\a.zip", "", false},
        {"", "C:\\in", false},
        // Trail bytes: 表 is 0x95 0x5C, ソ 0x83 0x5C, and 0x83 0x41 (ア) ends
        // in the code of 'A' but is no letter to fold.
        {"C:\\表\\x.zip", "C:\\表", true},
        {"C:\\表示.zip", "C:\\表", false},
        {"C:\\ソフト\\x.zip", "C:\\ソ", false},
        {"C:\\\x83\x41" "\\x.zip", "C:\\\x83\x61", false},
        {"C:\\\x83\x41" "\\x.zip", "C:\\\x83\x41", true},
        // A cut lead byte at the folder's end does not take the trail byte
        // of the path's character for a separator.
        {"C:\\\x95\x5c" "x", "C:\\\x95", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " in " + c.folder);
        EXPECT_EQ(PathIsOrIsInside(c.path, c.folder), c.inside);
    }
}
