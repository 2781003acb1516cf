#include "archivers/formats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/native/literal_bytes.h"

TEST(Formats, ExtensionPicksTheRow) {
    struct Case {
        const char* path;
        int index;
    };
    const Case cases[] = {
        {"C:\\a\\b.ZIP", 0},   {"C:\\a\\b.7z", 4},     {"C:\\a\\b.Arj", 10},  {"C:\\a\\b.tar.gz", -1},
        {"C:\\a\\b.tgz", -1},  {"C:\\a\\b", -1},       {"C:\\a.zip\\b", -1},  {"C:\\a\\.zip", 0},
        {"C:\\a\\b.", -1},     {"x.TAR", 3},           {"C:\\表\\a.zip", 0},  {"C:\\a.zip\\表", -1},
        {"C:\\ソ\\b.lzh", 1},  {"C:\\能.cab", 2},      {"C:\\a\\b.zipx", -1}, {"", -1},
        {"C:\\a\\b.zi", -1},   {"C:\\a\\b.yz1", 6},    {"C:\\a\\b.gca", 9},   {"C:\\a\\b.rar", 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FormatFromExtension(c.path), c.index);
    }
}

TEST(Formats, TableRowsTheRunsRelyOn) {
    EXPECT_STREQ(FormatTable[0].CompressLibrary, "ZIP32J.DLL");
    EXPECT_STREQ(FormatTable[0].ExtractLibrary, "UNZIP32.DLL");
    EXPECT_STREQ(FormatTable[3].FolderOption, "-o ");
    EXPECT_STREQ(FormatTable[3].ExtractSwitch, FormatTable[3].ExtractOverwriteSwitch);
    for (int i = 0; i < FormatCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(IsCompressFormat(i), FormatTable[i].CompressLibrary[0] != '\0');
        EXPECT_NE(FormatTable[i].ExtractLibrary[0], '\0');
        EXPECT_TRUE(IsFormatIndex(i));
    }
    EXPECT_FALSE(IsFormatIndex(-1));
    EXPECT_FALSE(IsFormatIndex(FormatCount));
    EXPECT_FALSE(IsCompressFormat(7));
}

TEST(Formats, ArchivePatternListInTableOrder) {
    char text[256];
    BuildArchivePatternList(text, sizeof(text));
    EXPECT_STREQ(text, "*.zip;*.lzh;*.cab;*.tar;*.7z;*.bga;*.yz1;*.rar;*.ace;*.gca;*.arj");
}

// Description, patterns, and the empty entry that ends the list; a buffer
// too small for all of it gives an empty list rather than a cut one.
TEST(Formats, ArchiveFilterEndsWithAnEmptyEntry) {
    struct Case {
        const char* name;
        size_t size;
        std::string expected;
    };
    const std::string whole = Bytes("すべての圧縮ﾌｧｲﾙ\0*.zip;*.lzh\0\0");
    const Case cases[] = {
        {"room to spare", 64, whole},
        {"exactly enough", whole.size(), whole},
        {"one byte short", whole.size() - 1, Bytes("\0\0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char filter[64];
        memset(filter, 'x', sizeof(filter));
        BuildArchiveFilter(filter, c.size, "*.zip;*.lzh");
        EXPECT_EQ(std::string(filter, c.expected.size()), c.expected);
    }
}
