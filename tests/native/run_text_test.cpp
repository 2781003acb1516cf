#include "archivers/run_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/text.h"
#include "archivers/formats.h"

TEST(RunText, CompressCommandLines) {
    struct Case {
        int format;
        const char* archive;
        const char* folder;
        const char* expected;
    };
    const Case cases[] = {
        {0, "C:\\out\\x.zip", "C:\\data\\", "-r \"C:\\out\\x.zip\" \"C:\\data\\\" \"@C:\\TEMP\\far1A2B.tmp\""},
        {3, "C:\\out\\x.tar", "C:\\data\\", "-cvzf \"C:\\out\\x.tar\" -o \"C:\\data\\\" \"@C:\\TEMP\\far1A2B.tmp\""},
        {4, "C:\\out\\x.7z", "C:\\表\\", "a -t7z -ms=off \"C:\\out\\x.7z\" \"C:\\表\\\" \"@C:\\TEMP\\far1A2B.tmp\""},
        {2, "C:\\out\\x.cab", "", "-a -r -o \"C:\\out\\x.cab\" \"\" \"@C:\\TEMP\\far1A2B.tmp\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const FormatRow& row = FormatTable[c.format];
        char line[CommandLineSize];
        ASSERT_TRUE(BuildCompressCommand(line, sizeof(line), row.CompressSwitch, c.archive, row.FolderOption, c.folder,
                                         "C:\\TEMP\\far1A2B.tmp"));
        EXPECT_STREQ(line, c.expected);
    }
}

TEST(RunText, ExtractCommandLines) {
    struct Case {
        int format;
        bool overwrite;
        const char* archive;
        const char* destination;
        const char* expected;
    };
    const Case cases[] = {
        {0, false, "C:\\in\\p.zip", "C:\\out\\p\\", "-x \"C:\\in\\p.zip\" \"C:\\out\\p\\\""},
        {4, true, "C:\\in\\p.7z", "C:\\out\\", "x -aoa \"C:\\in\\p.7z\" \"C:\\out\\\""},
        {3, false, "C:\\in\\p.tar", "C:\\out\\p\\", "-xvf \"C:\\in\\p.tar\" -o \"C:\\out\\p\\\""},
        {3, true, "C:\\in\\p.tar", "C:\\out\\", "-xvf \"C:\\in\\p.tar\" -o \"C:\\out\\\""},
        {1, true, "C:\\in\\p.lzh", "C:\\out\\", "x -r1 -gyo0 \"C:\\in\\p.lzh\" \"C:\\out\\\""},
        {1, false, "C:\\in\\p.lzh", "C:\\out\\", "x -r1 \"C:\\in\\p.lzh\" \"C:\\out\\\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const FormatRow& row = FormatTable[c.format];
        char line[CommandLineSize];
        ASSERT_TRUE(BuildExtractCommand(line, sizeof(line), c.overwrite ? row.ExtractOverwriteSwitch : row.ExtractSwitch,
                                        c.archive, row.FolderOption, c.destination));
        EXPECT_STREQ(line, c.expected);
    }
}

// A command line that would pass its buffer is refused, not cut: a cut line
// would send the library a wrong archive or folder.
TEST(RunText, OverlongCommandLinesAreRefused) {
    std::string folder(2100, 'd');
    char line[CommandLineSize];
    memset(line, 'x', sizeof(line));
    EXPECT_FALSE(BuildCompressCommand(line, sizeof(line), "-r", "C:\\x.zip", "", folder.c_str(), "C:\\TEMP\\f.tmp"));
    EXPECT_STREQ(line, "");
    memset(line, 'x', sizeof(line));
    EXPECT_FALSE(BuildExtractCommand(line, sizeof(line), "-x", "C:\\x.zip", "", (folder + "\\e\\").c_str()));
    EXPECT_STREQ(line, "");

    // Exactly 2047 characters fit.
    std::string fits(2047 - strlen("-x \"a\" \"\""), 'f');
    EXPECT_TRUE(BuildExtractCommand(line, sizeof(line), "-x", "a", "", fits.c_str()));
    EXPECT_EQ(strlen(line), 2047u);
    EXPECT_FALSE(BuildExtractCommand(line, sizeof(line), "-x", "a", "", (fits + "f").c_str()));
}

TEST(RunText, ResponseLinesHoldTheLastComponent) {
    struct Case {
        const char* path;
        bool backslash;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\d\\a.txt", false, "\"a.txt\"\n"},
        {"C:\\d\\sub", true, "\"sub\\\"\n"},
        {"C:\\d\\sub", false, "\"sub\"\n"},
        {"C:\\データ\\表.txt", false, "\"表.txt\"\n"},
        {"C:\\ソフト\\表示", true, "\"表示\\\"\n"},
        {"C:\\d\\archive.tar.gz", false, "\"archive.tar.gz\"\n"},
        {"C:\\d\\noext", false, "\"noext\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char line[ResponseLineSize];
        ASSERT_TRUE(FormatResponseLine(line, sizeof(line), c.path, c.backslash));
        EXPECT_STREQ(line, c.expected);
    }
    // The bytes of 表 end in 0x5C and are not taken for a separator.
    char line[ResponseLineSize];
    ASSERT_TRUE(FormatResponseLine(line, sizeof(line), "C:\\\x83\x5c" "A\\\x95\x5c" ".txt", false));
    EXPECT_EQ(std::string(line), std::string("\"\x95\x5c" ".txt\"\n"));
}

TEST(RunText, ResponseLineOfTheLongestNameFits) {
    std::string name(255, 'n');
    std::string path = "C:\\" + name + ".txt";  // 259 bytes
    char line[ResponseLineSize];
    ASSERT_TRUE(FormatResponseLine(line, sizeof(line), path.c_str(), true));
    EXPECT_EQ(std::string(line), "\"" + name + ".txt\\\"\n");
    char small[8];
    EXPECT_FALSE(FormatResponseLine(small, sizeof(small), path.c_str(), false));
}

TEST(RunText, GroupsChangeOnAnyByteDifference) {
    struct Case {
        const char* group;
        const char* row;
        bool newGroup;
    };
    const Case cases[] = {
        {"", "C:\\d\\", false},
        {"C:\\d\\", "C:\\d\\", false},
        {"C:\\d\\", "C:\\e\\", true},
        {"C:\\D\\", "c:\\d\\", true},
        {"C:\\d\\", "C:\\d\\sub\\", true},
        {"C:\\d\\", "", true},
        {"C:\\データ\\", "C:\\データ\\", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.group) + " | " + c.row);
        EXPECT_EQ(StartsNewGroup(c.group, c.row), c.newGroup);
    }
}

TEST(RunText, TopLevelNames) {
    struct Case {
        const char* entry;
        size_t start;
        size_t length;
    };
    const Case cases[] = {
        {"docs/a.txt", 0, 4},
        {"docs\\a.txt", 0, 4},
        {"a.txt", 0, 5},
        {"", 0, 0},
        {"docs\\x/a.txt", 0, 6},                  // a "/" wins over an earlier "\"
        {"\x95\x5c" "/a.txt", 0, 2},             // 表/a.txt
        {"\x95\x5c" "\\a.txt", 0, 2},            // 表\a.txt
        {"\x95\x5c" "\x8e\xa6" ".txt", 0, 8},    // 表示.txt: no separator at all
        {"\x83\x5c", 0, 2},                       // ソ alone
        // What "tar cf x.tar ." stores: the root, then names below "./".
        {"./", 2, 0},
        {".", 1, 0},
        {"./docs/a.txt", 2, 4},
        {".\\docs\\a.txt", 2, 4},
        {"././a.txt", 4, 5},
        {"./\x95\x5c" "/a.txt", 2, 2},
        // A leading separator is no name either.
        {"/a", 1, 1},
        {"//docs/a", 2, 4},
        {"\\docs\\a", 1, 4},
        {"/./docs/", 3, 4},
        // Dots that belong to a name stay.
        {".hidden/a", 0, 7},
        {"./.hidden", 2, 7},
        {"../a", 0, 2},
        {".../a", 0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(TopLevelNameStart(c.entry), c.entry + c.start);
        EXPECT_EQ(TopLevelNameLength(c.entry), c.length);
    }
}

TEST(RunText, TopLevelNamesCompareCaseSensitively) {
    struct Case {
        const char* first;
        const char* other;
        bool same;
    };
    const Case cases[] = {
        {"docs/a.txt", "docs/b.txt", true},
        {"docs\\a.txt", "docs\\b.txt", true},
        {"docs/a.txt", "docs\\b.txt", true},
        {"docs", "docs/b.txt", true},
        {"a.txt", "b.txt", false},
        {"docs/a.txt", "readme.txt", false},
        {"Docs/a.txt", "docs/b.txt", false},
        {"doc/a.txt", "docs/a.txt", false},
        {"\x95\x5c" "/a", "\x95\x5c" "\\b", true},
        {"\x95\x5c" "/a", "\x95" "/b", false},
        {"./docs/a.txt", "docs/b.txt", true},
        {"./docs/a.txt", ".\\docs\\b.txt", true},
        {"/docs/a.txt", "./docs", true},
        {"./a.txt", "./b.txt", false},
        {"./docs/a.txt", "./Docs/b.txt", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " | " + c.other);
        EXPECT_EQ(SameTopLevelName(c.first, c.other), c.same);
    }
}

TEST(RunText, ArchiveFolderNames) {
    struct Case {
        const char* archive;
        const char* name;
    };
    const Case cases[] = {
        {"C:\\in\\My Files .zip", "My Files"},
        {"C:\\in\\p.zip", "p"},
        {"C:\\in\\x.tar.gz", "x"},
        {"C:\\in\\x.TAR.XZ", "x"},
        {"C:\\in\\x.tar.bz2", "x"},
        {"C:\\in\\x.tgz", "x"},
        {"C:\\in\\x.tar.zip", "x.tar"},
        {"C:\\in\\.tar.gz", ".tar"},
        {"C:\\in\\表.tar.gz", "表"},
        {"C:\\in\\a b .tar.gz", "a b"},
        {"C:\\in\\x.gz", "x"},
        {"C:\\in\\a b   .lzh", "a b"},
        {"C:\\in\\   .zip", ""},
        {"C:\\in\\.zip", ""},
        {"C:\\ソフト\\表示 .zip", "表示"},
        {"C:\\in.d\\noext", "noext"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        char name[PathSize];
        ASSERT_TRUE(ArchiveFolderName(c.archive, name, sizeof(name)));
        EXPECT_STREQ(name, c.name);
    }
}

TEST(RunText, ArchiveFolderIsAppendedWithinBounds) {
    char destination[PathSize] = "C:\\out\\";
    ASSERT_TRUE(AppendArchiveFolder(destination, sizeof(destination), "My Files"));
    EXPECT_STREQ(destination, "C:\\out\\My Files\\");

    char unchanged[PathSize] = "C:\\out\\";
    ASSERT_TRUE(AppendArchiveFolder(unchanged, sizeof(unchanged), ""));
    EXPECT_STREQ(unchanged, "C:\\out\\");

    std::string longFolder = "C:\\" + std::string(240, 'd') + "\\";
    char full[PathSize];
    CopyText(full, sizeof(full), longFolder.c_str());
    EXPECT_FALSE(AppendArchiveFolder(full, sizeof(full), std::string(20, 'n').c_str()));
    EXPECT_EQ(std::string(full), longFolder);  // untouched on refusal
    ASSERT_TRUE(AppendArchiveFolder(full, sizeof(full), std::string(14, 'n').c_str()));
    EXPECT_EQ(strlen(full), 259u);
}

// Every result code the bundled library returns has words; others have
// none and the text keeps only the code.
TEST(RunText, LibraryFailureTexts) {
    for (int code = 0x8001; code <= 0x800E; ++code) {
        SCOPED_TRACE(code);
        EXPECT_NE(ResultCodeMeaning(code), nullptr);
    }
    for (int code : {0, -1, 7, 0x8000, 0x800F}) EXPECT_EQ(ResultCodeMeaning(code), nullptr) << code;
    char text[300];
    ASSERT_TRUE(FormatLibraryFailure(text, sizeof(text), "X.DLL", 0x8008));
    EXPECT_STREQ(text, "X.DLLでエラーが発生しました。コード32776\n展開先フォルダの外を指す名前のファイルがあります（0x8008）");
    char small[40];
    EXPECT_FALSE(FormatLibraryFailure(small, sizeof(small), "X.DLL", 0x8008));
    EXPECT_LT(strlen(small), sizeof(small));
}
