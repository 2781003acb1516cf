#include "archivers/formats.h"

#include <gtest/gtest.h>

TEST(Formats, ExtensionPicksTheRow) {
    struct Case {
        const char* path;
        int index;
    };
    const Case cases[] = {
        {"C:\\a\\b.ZIP", 0},   {"C:\\a\\b.7z", 4},     {"C:\\a\\b.Arj", 10},  {"C:\\a\\b.tar.gz", 12},
        {"C:\\a\\b.tgz", 11},  {"C:\\a\\b", -1},       {"C:\\a.zip\\b", -1},  {"C:\\a\\.zip", 0},
        {"C:\\a\\b.", -1},     {"x.TAR", 3},           {"C:\\表\\a.zip", 0},  {"C:\\a.zip\\表", -1},
        {"C:\\ソ\\b.lzh", 1},  {"C:\\能.cab", 2},      {"C:\\a\\b.zipx", -1}, {"", -1},
        {"C:\\a\\b.zi", -1},   {"C:\\a\\b.yz1", 6},    {"C:\\a\\b.gca", 9},   {"C:\\a\\b.rar", 7},
        {"C:\\a\\b.TAR.BZ2", 14}, {"C:\\a\\b.tbz", 13}, {"C:\\a\\b.tar.xz", 16}, {"C:\\a\\b.txz", 15},
        {"C:\\a\\b.tar.Z", -1},   {"C:\\a\\b.tbz2", -1}, {"C:\\a.gz\\b", -1},    {"C:\\a\\b.g", -1},
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

// The compressed tars are extraction-only rows after the eleven, served by
// the tar library exactly like the tar row, folder option included.
TEST(Formats, CompressedTarRowsExtractLikeTar) {
    EXPECT_STREQ(FormatTable[10].Extension, "arj");
    const char* extensions[] = {"tgz", "gz", "tbz", "bz2", "txz", "xz"};
    for (int i = 0; i < 6; ++i) {
        const FormatRow& row = FormatTable[11 + i];
        SCOPED_TRACE(extensions[i]);
        EXPECT_STREQ(row.Extension, extensions[i]);
        EXPECT_FALSE(IsCompressFormat(11 + i));
        EXPECT_STREQ(row.CompressLibrary, "");
        EXPECT_STREQ(row.ExtractLibrary, FormatTable[3].ExtractLibrary);
        EXPECT_STREQ(row.ExtractPrefix, FormatTable[3].ExtractPrefix);
        EXPECT_STREQ(row.ExtractSwitch, FormatTable[3].ExtractSwitch);
        EXPECT_STREQ(row.ExtractOverwriteSwitch, FormatTable[3].ExtractOverwriteSwitch);
        EXPECT_STREQ(row.FolderOption, FormatTable[3].FolderOption);
    }
}
