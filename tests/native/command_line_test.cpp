#include "program/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

static std::vector<std::string> Tokens(const char* commandLine) {
    CommandLineCursor cursor;
    StartCommandLine(&cursor, commandLine);
    std::vector<std::string> tokens;
    char token[CommandTokenSize];
    while (NextCommandToken(&cursor, token, sizeof(token))) tokens.push_back(token);
    return tokens;
}

static void CollectPath(const char* token, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(token);
}

static std::vector<std::string> PathTokens(const char* commandLine) {
    std::vector<std::string> paths;
    ForEachPathToken(commandLine, CollectPath, &paths);
    return paths;
}

TEST(CommandLine, SplitsIntoTokens) {
    struct Case {
        const char* name;
        const char* line;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"plain", "C:\\a.txt C:\\b.txt", {"C:\\a.txt", "C:\\b.txt"}},
        {"quoted with space", "\"C:\\a b\\x.zip\" C:\\y.lzh", {"C:\\a b\\x.zip", "C:\\y.lzh"}},
        {"one character skipped after the quote", "\"C:\\x.zip\"C:\\y.zip", {"C:\\x.zip", ":\\y.zip"}},
        {"quote last", "\"C:\\x.zip\"", {"C:\\x.zip"}},
        {"empty quotes", "\"\" C:\\x", {"", "C:\\x"}},
        {"unterminated quote stops", "C:\\a.txt \"C:\\unclosed x.zip", {"C:\\a.txt"}},
        {"several spaces give empty tokens", "C:\\a  C:\\b", {"C:\\a", "", "C:\\b"}},
        {"trailing space", "C:\\a ", {"C:\\a"}},
        {"tab is ordinary", "C:\\a\tC:\\b", {"C:\\a\tC:\\b"}},
        {"inner quote is ordinary", "C:\\a\"b c", {"C:\\a\"b", "c"}},
        {"double-byte names", "C:\\ソフト\\表示.txt", {"C:\\ソフト\\表示.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Tokens(c.line), c.tokens);
    }
}

// A token that cannot be a path is delivered empty rather than cut: a cut
// path would name another file.
TEST(CommandLine, OverlongTokenIsSkippedWithoutOverrun) {
    std::string longest = "C:\\" + std::string(256, 'a');   // 259 characters: fits
    std::string tooLong = "C:\\" + std::string(257, 'b');   // 260 characters
    std::string line = longest + " " + tooLong + " \"" + tooLong + "\" C:\\z.txt";
    std::vector<std::string> tokens = Tokens(line.c_str());
    ASSERT_EQ(tokens.size(), 4u);
    EXPECT_EQ(tokens[0], longest);
    EXPECT_EQ(tokens[1], "");
    EXPECT_EQ(tokens[2], "");
    EXPECT_EQ(tokens[3], "C:\\z.txt");

    // A small buffer is never written past its end.
    CommandLineCursor cursor;
    StartCommandLine(&cursor, "C:\\abcdef");
    char small[8];
    memset(small, 'x', sizeof(small));
    ASSERT_TRUE(NextCommandToken(&cursor, small, 4));
    EXPECT_STREQ(small, "");
    EXPECT_EQ(small[4], 'x');
}

TEST(CommandLine, PathLikeTokens) {
    struct Case {
        const char* token;
        bool pathLike;
    };
    const Case cases[] = {
        {"C:\\x", true},      {"C:\\a.txt", true}, {"c:ab", true},   {"C:\\", false}, {"C:", false},
        {"x.zip", false},     {"-r", false},       {"", false},      {"\\\\server\\share\\x.zip", false},
        {":\\y.zip", false},  {"CC:\\x", false},   {"表:\\x", true},  {"\x95\x5c" ":ab", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.token);
        EXPECT_EQ(IsPathLikeToken(c.token), c.pathLike);
    }
}

TEST(CommandLine, DecidesBetweenExtractionAndCompression) {
    struct Case {
        const char* line;
        bool allArchives;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"\"C:\\a b\\x.zip\" C:\\y.lzh", true, {"C:\\a b\\x.zip", "C:\\y.lzh"}},
        {"C:\\docs\\report.txt C:\\y.lzh", false, {"C:\\docs\\report.txt", "C:\\y.lzh"}},
        {"-r C:\\y.lzh", true, {"C:\\y.lzh"}},
        {"C:\\a.ZIP", true, {"C:\\a.ZIP"}},
        {"C:\\backup.tar.gz", true, {"C:\\backup.tar.gz"}},
        {"C:\\backup.tar.Z", false, {"C:\\backup.tar.Z"}},
        {"x.zip \\\\server\\share\\x.zip", true, {}},
        {"\"C:\\x.zip\"C:\\y.zip", true, {"C:\\x.zip"}},
        {"\"C:\\unclosed x.zip", true, {}},
        {"C:\\ok.zip \"C:\\unclosed.txt", true, {"C:\\ok.zip"}},
        {"", true, {}},
        {"C:\\in\\a.txt C:\\in\\b.txt", false, {"C:\\in\\a.txt", "C:\\in\\b.txt"}},
        {"C:\\a.txt\tC:\\b.zip", true, {"C:\\a.txt\tC:\\b.zip"}},   // one token ending in .zip
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(AllPathTokensAreArchives(c.line), c.allArchives);
        EXPECT_EQ(PathTokens(c.line), c.paths);
    }
}

// One task list file and no other path: the list is loaded, not packed.
TEST(CommandLine, LoneTaskListFile) {
    struct Case {
        const char* line;
        const char* list;  // null: not a lone task list
    };
    const Case cases[] = {
        {"C:\\jobs.fdl", "C:\\jobs.fdl"},
        {"\"C:\\my jobs\\週末.FDL\"", "C:\\my jobs\\週末.FDL"},
        {"-x C:\\jobs.fdl", "C:\\jobs.fdl"},
        {"C:\\ソフト\\表.fdl", "C:\\ソフト\\表.fdl"},
        {"C:\\jobs.fdl C:\\b.txt", nullptr},
        {"C:\\jobs.fdl C:\\other.fdl", nullptr},
        {"C:\\a.zip C:\\jobs.fdl", nullptr},
        {"C:\\jobs.fdl.txt", nullptr},
        {"C:\\jobs.fd", nullptr},
        {"C:\\jobs.fdlx", nullptr},
        {"C:\\fdl", nullptr},
        {"jobs.fdl", nullptr},
        {"", nullptr},
        {"\"C:\\unclosed.fdl", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        char path[CommandTokenSize] = "junk";
        EXPECT_EQ(LoneTaskListFile(c.line, path, sizeof(path)), c.list != nullptr);
        if (c.list != nullptr) {
            EXPECT_STREQ(path, c.list);
        }
    }
}

// What a second start sends comes back whole; malformed or oversized data
// from another process is refused.
TEST(CommandLine, HandoffData) {
    std::string packed = PackHandoff("C:\\表\\", "\"C:\\ソフト\\a b.zip\" C:\\y.lzh");
    std::string folder;
    std::string line;
    ASSERT_TRUE(UnpackHandoff(packed.data(), packed.size(), &folder, &line));
    EXPECT_EQ(folder, "C:\\表\\");
    EXPECT_EQ(line, "\"C:\\ソフト\\a b.zip\" C:\\y.lzh");
    EXPECT_TRUE(PackHandoff("C:\\", std::string(HandoffMaxSize, 'x').c_str()).empty());

    struct Case {
        const char* name;
        std::string data;
        bool accepted;
    };
    const Case cases[] = {
        {"empty texts", std::string("\0\0", 2), true},
        {"one text only", std::string("C:\\\0", 4), false},
        {"no terminator", std::string("C:\\\0x", 5), false},
        {"a third text", std::string("C:\\\0x\0y\0", 8), false},
        {"folder longer than a path", std::string(300, 'f') + std::string("\0x\0", 3), false},
        {"nothing", std::string(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UnpackHandoff(c.data.data(), c.data.size(), &folder, &line), c.accepted);
    }
}
