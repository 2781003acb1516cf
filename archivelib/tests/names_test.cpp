// Name handling without the library loaded: code page 932 scanning, stored
// names, the safety check on extraction, command lines and response files.
#include <string.h>

#include "common/cmdline.h"
#include "gtest/gtest.h"
#include "base/mbname.h"

// 表 = 95 5C, ソ = 83 5C, 能 = 94 5C: their trail byte is a backslash.
static const char kHyou[] = "\x95\x5c";
static const char kSo[] = "\x83\x5c";
static const char kNou[] = "\x94\x5c";

TEST(Names, ForwardSlashesKeepTrailBytes) {
    struct Case { const char* name; std::string in; std::string out; };
    const Case cases[] = {
        {"hyou", std::string("a\\") + kHyou + "\\b", std::string("a/") + kHyou + "/b"},
        {"so at end", std::string(kSo) + "\\x.txt", std::string(kSo) + "/x.txt"},
        {"nou twice", std::string(kNou) + kNou, std::string(kNou) + kNou},
        {"literal", "ソフト\\表示.txt", "ソフト/表示.txt"},
        {"lone lead at end", "a\\\x95", "a/\x95"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string s = c.in;
        ToForwardSlashes(&s);
        EXPECT_EQ(c.out, s);
        ToBackslashes(&s);
        EXPECT_EQ(c.in, s);
    }
}

TEST(Names, EndsWithSeparatorSkipsTrailBytes) {
    EXPECT_FALSE(EndsWithSeparator(std::string("C:\\data\\") + kHyou));
    EXPECT_FALSE(EndsWithSeparator(kSo));
    EXPECT_TRUE(EndsWithSeparator(std::string(kSo) + "\\"));
    EXPECT_TRUE(EndsWithSeparator("C:\\data/"));
    EXPECT_FALSE(EndsWithSeparator(""));
}

TEST(Names, CopyTruncatedNeverSplitsACharacter) {
    struct Case { const char* name; std::string in; size_t size; std::string out; };
    const Case cases[] = {
        {"fits", "abc", 4, "abc"},
        {"cut ascii", "abcdef", 4, "abc"},
        {"double-byte on the edge", std::string("ab") + kHyou, 4, "ab"},
        {"double-byte fits", std::string("a") + kHyou, 4, std::string("a") + kHyou},
        {"size one", "abc", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[16];
        memset(buffer, 'Z', sizeof buffer);
        CopyTruncated(buffer, c.size, c.in.c_str());
        EXPECT_EQ(c.out, buffer);
        EXPECT_EQ('Z', buffer[c.size]) << "wrote past the given size";
    }
}

TEST(Names, StoredNames) {
    struct Case { const char* name; std::string in; bool folder; bool ok; std::string out; };
    const Case cases[] = {
        {"nested", std::string(kSo) + "\\" + kHyou + ".txt", false, true, std::string(kSo) + "/" + kHyou + ".txt"},
        {"folder", "sub\\", true, true, "sub/"},
        {"drive dropped", "C:\\x\\y.txt", false, true, "x/y.txt"},
        {"dots dropped", "..\\.\\a\\..\\b", false, true, "a/b"},
        {"nothing left", "..\\", true, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out;
        EXPECT_EQ(c.ok, MakeStoredName(c.in, c.folder, &out));
        if (c.ok) {
            EXPECT_EQ(c.out, out);
        }
    }
}

TEST(Names, SafeRelativePath) {
    struct Case { const char* name; std::string in; bool ok; std::string out; };
    const Case cases[] = {
        {"plain", "a/b.txt", true, "a\\b.txt"},
        {"trail bytes kept", std::string(kSo) + "/" + kHyou + "/" + kNou, true,
         std::string(kSo) + "\\" + kHyou + "\\" + kNou},
        {"dot prefix", "./a/./b", true, "a\\b"},
        {"folder", "dir/", true, "dir"},
        {"destination itself", "./", true, ""},
        {"climb", "../x", false, ""},
        {"climb backslash", "..\\x", false, ""},
        {"climb inside", "a/../../x", false, ""},
        {"climb with trailing space", "a/.. /x", false, ""},
        {"three dots", ".../x", false, ""},
        {"absolute slash", "/etc/x", false, ""},
        {"absolute backslash", "\\x", false, ""},
        {"unc", "\\\\server\\share\\x", false, ""},
        {"drive", "C:x", false, ""},
        {"drive rooted", "C:/x", false, ""},
        {"stream", "a.txt:evil", false, ""},
        {"device", "a/CON", false, ""},
        {"device with extension", "nul.txt", false, ""},
        {"com port", "COM1", false, ""},
        {"not a device", "CONSOLE.txt", true, "CONSOLE.txt"},
        {"wildcard", "a*b", false, ""},
        {"control", "a\x01" "b", false, ""},
        {"pipe trail byte is fine", "\x83\x7c.txt", true, "\x83\x7c.txt"},
        {"empty", "", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out;
        EXPECT_EQ(c.ok, MakeSafeRelativePath(c.in, &out));
        if (c.ok) {
            EXPECT_EQ(c.out, out);
        }
    }
}

TEST(Names, Wildcards) {
    struct Case { const char* pattern; std::string name; bool match; };
    const Case cases[] = {
        {"*", "a/b/c.txt", true},
        {"", "x", true},
        {"*.txt", std::string(kHyou) + ".txt", true},
        {"*.txt", "a.bin", false},
        {"?.txt", std::string(kHyou) + ".txt", true},  // one character, two bytes
        {"??.txt", std::string(kHyou) + ".txt", false},
        {"a*c", "abbbc", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " vs " + c.name);
        EXPECT_EQ(c.match, WildcardMatch(c.pattern, c.name.c_str()));
    }
}

TEST(CommandLine, Tokens) {
    struct Case { const char* name; const char* line; std::vector<std::string> tokens; };
    const Case cases[] = {
        {"zip create", "-r \"C:\\out\\x.zip\" \"C:\\data\\\" \"@C:\\TEMP\\far1A2B.tmp\"",
         {"-r", "C:\\out\\x.zip", "C:\\data\\", "@C:\\TEMP\\far1A2B.tmp"}},
        {"tar option glued", "-cvzf \"C:\\o\\x.tar\" -o \"C:\\data\\\" \"@C:\\t.tmp\"",
         {"-cvzf", "C:\\o\\x.tar", "-o", "C:\\data\\", "@C:\\t.tmp"}},
        {"quote inside token", "-o\"C:\\a b\\\"", {"-oC:\\a b\\"}},
        {"folder ending in trail byte", "-x \"C:\\ソ\\\" \"C:\\表\\\"", {"-x", "C:\\ソ\\", "C:\\表\\"}},
        {"unterminated quote", "-x \"C:\\a", {"-x", "C:\\a"}},
        {"blanks only", "   ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.tokens, TokenizeCommandLine(c.line));
    }
}

TEST(CommandLine, ProgramCommandLines) {
    struct Case {
        const char* name; Role role; const char* line; bool ok;
        bool create; bool overwrite; bool gzip; std::string archive; std::string folder; size_t responses;
    };
    const Case cases[] = {
        {"zip", Role::Zip, "-r \"C:\\out\\x.zip\" \"C:\\data\\\" \"@C:\\T\\f.tmp\"", true, true, false, false,
         "C:\\out\\x.zip", "C:\\data\\", 1},
        {"zip base ending in so", Role::Zip, "-r \"C:\\x.zip\" \"C:\\ソ\\\" \"@C:\\f.tmp\"", true, true, false, false,
         "C:\\x.zip", "C:\\ソ\\", 1},
        {"unzip ask", Role::UnZip, "-x \"C:\\in\\p.zip\" \"C:\\out\\p\\\"", true, false, false, false,
         "C:\\in\\p.zip", "C:\\out\\p\\", 0},
        {"unzip overwrite", Role::UnZip, "-x -o \"C:\\in\\p.zip\" \"C:\\out\\\"", true, false, true, false,
         "C:\\in\\p.zip", "C:\\out\\", 0},
        {"tar create", Role::Tar, "-cvzf \"C:\\out\\x.tar\" -o \"C:\\data\\\" \"@C:\\f.tmp\"", true, true, false, true,
         "C:\\out\\x.tar", "C:\\data\\", 1},
        {"tar extract", Role::Tar, "-xvf \"C:\\in\\p.tar\" -o \"C:\\out\\p\\\"", true, false, false, false,
         "C:\\in\\p.tar", "C:\\out\\p\\", 0},
        {"unknown zip switch", Role::Zip, "-u \"C:\\x.zip\" \"C:\\d\\\" \"@f\"", false, false, false, false, "", "", 0},
        {"zip without names", Role::Zip, "-r \"C:\\x.zip\" \"C:\\d\\\"", false, false, false, false, "", "", 0},
        {"unzip without -x", Role::UnZip, "\"C:\\x.zip\" \"C:\\d\\\"", false, false, false, false, "", "", 0},
        {"tar -o at end", Role::Tar, "-xvf \"C:\\x.tar\" -o", false, false, false, false, "", "", 0},
        {"tar without mode", Role::Tar, "-vf \"C:\\x.tar\"", false, false, false, false, "", "", 0},
        {"no archive", Role::UnZip, "-x", false, false, false, false, "", "", 0},
        // The other prefixes, with the switches of the format table.
        {"7z create", Role::SevenZip, "a -t7z -ms=off \"C:\\o\\x.7z\" \"C:\\表\\\" \"@C:\\f.tmp\"", true, true, false,
         false, "C:\\o\\x.7z", "C:\\表\\", 1},
        {"7z extract", Role::SevenZip, "x \"C:\\p.7z\" \"C:\\out\\\"", true, false, false, false, "C:\\p.7z",
         "C:\\out\\", 0},
        {"7z overwrite", Role::SevenZip, "x -aoa \"C:\\p.7z\" \"C:\\out\\\"", true, false, true, false, "C:\\p.7z",
         "C:\\out\\", 0},
        {"lzh create", Role::Unlha, "a -d1 \"C:\\x.lzh\" \"C:\\d\\\" \"@C:\\f.tmp\"", true, true, false, false,
         "C:\\x.lzh", "C:\\d\\", 1},
        {"lzh extract", Role::Unlha, "x -r1 \"C:\\p.lzh\" \"C:\\ソ\\\"", true, false, false, false, "C:\\p.lzh",
         "C:\\ソ\\", 0},
        {"lzh overwrite", Role::Unlha, "x -r1 -gyo0 \"C:\\p.lzh\" \"C:\\o\\\"", true, false, true, false, "C:\\p.lzh",
         "C:\\o\\", 0},
        {"cab create", Role::Cab, "-a -r -o \"C:\\x.cab\" \"C:\\d\\\" \"@C:\\f.tmp\"", true, true, true, false,
         "C:\\x.cab", "C:\\d\\", 1},
        {"cab extract", Role::Cab, "-x \"C:\\p.cab\" \"C:\\o\\\"", true, false, false, false, "C:\\p.cab", "C:\\o\\", 0},
        {"cab overwrite", Role::Cab, "-x -o \"C:\\p.cab\" \"C:\\o\\\"", true, false, true, false, "C:\\p.cab",
         "C:\\o\\", 0},
        {"rar extract", Role::Unrar, "-x \"C:\\p.rar\" \"C:\\o\\\"", true, false, false, false, "C:\\p.rar", "C:\\o\\", 0},
        {"rar overwrite", Role::Unrar, "-x -o \"C:\\p.rar\" \"C:\\o\\\"", true, false, true, false, "C:\\p.rar",
         "C:\\o\\", 0},
        {"rar cannot create", Role::Unrar, "-a \"C:\\x.rar\" \"C:\\d\\\" a.txt", false, false, false, false, "", "", 0},
        {"7z unknown command", Role::SevenZip, "d \"C:\\x.7z\" a.txt", false, false, false, false, "", "", 0},
        {"7z unknown switch", Role::SevenZip, "x -p1234 \"C:\\x.7z\"", false, false, false, false, "", "", 0},
        {"cab without mode", Role::Cab, "-o \"C:\\x.cab\" \"C:\\d\\\"", false, false, false, false, "", "", 0},
        {"7z create without names", Role::SevenZip, "a \"C:\\x.7z\" \"C:\\d\\\"", false, false, false, false, "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Command command;
        std::string error;
        ASSERT_EQ(c.ok, ParseCommand(c.role, c.line, &command, &error)) << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(c.create, command.create);
        EXPECT_EQ(c.overwrite, command.overwrite);
        EXPECT_EQ(c.gzip, command.gzip);
        EXPECT_EQ(c.archive, command.archive);
        EXPECT_EQ(c.folder, command.folder);
        EXPECT_EQ(c.responses, command.responseFiles.size());
    }
}

TEST(CommandLine, ResponseText) {
    struct Case { const char* name; std::string text; std::vector<std::string> names; };
    const Case cases[] = {
        {"program's format", "\"a.txt\"\n\"ソフト\"\n\"sub\\\"\n", {"a.txt", "ソフト", "sub\\"}},
        {"crlf and blanks", "\"a\"\r\n\r\n  \"b c\"  \r\n", {"a", "b c"}},
        {"no final newline", "\"a\"", {"a"}},
        {"unquoted", "plain name\n", {"plain name"}},
        {"trail byte before quote", std::string("\"") + kHyou + "\"\n", {kHyou}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.names, ParseResponseText(c.text));
    }
}
