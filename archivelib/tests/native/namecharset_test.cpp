// The character set of an archive's unmarked names, decided per archive, and
// the key two extracted names are compared by.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/mbname.h"
#include "base/namecharset.h"

TEST(NameCharset, StrictUtf8) {
    struct Case {
        const char* name;
        std::string bytes;
        bool utf8;
    } cases[] = {
        {"ascii", "readme.txt", true},
        {"hyou (UTF-8)", "\xE8\xA1\xA8", true},
        {"four bytes", "\xF0\x9F\x98\x80", true},
        {"hyou (code page 932)", "\x95\x5C", false},
        {"cut short", "\xE8\xA1", false},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three bytes", "\xE0\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"past U+10FFFF", "\xF4\x90\x80\x80", false},
        {"lone continuation", "\x80", false},
        // A code page 932 name that happens to be UTF-8: half-width te su (C3 BD, "ý").
        {"half-width te su", "\xC3\xBD", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.utf8, IsStrictUtf8(c.bytes));
    }
}

TEST(NameCharset, DecidedForTheWholeArchive) {
    const std::string utf8Hyou = "\xE8\xA1\xA8\xE8\xA8\x88\xE7\xAE\x97" "00.txt";  // 表計算00.txt in UTF-8
    const std::string cp932Hyou = "\x95\x5C\x8C\x76\x8E\x5A" "00.txt";            // the same in code page 932
    const std::string cp932Utf8Alike = "\xC3\xBD.txt";                             // ﾃｽ.txt: valid UTF-8 by chance
    struct Case {
        const char* name;
        std::vector<std::string> names;
        NameCharset decision;
    } cases[] = {
        {"no names", {}, NameCharset::Cp932},
        {"ascii only", {"a.txt", "dir/b.txt"}, NameCharset::Cp932},
        {"utf-8 names", {"a.txt", utf8Hyou, "dir/"}, NameCharset::Utf8},
        {"code page 932 names", {cp932Hyou, "a.txt"}, NameCharset::Cp932},
        // One name that is not UTF-8 makes every name code page 932, the
        // one that reads as UTF-8 by chance included.
        {"a code page 932 name valid as UTF-8 among others", {cp932Utf8Alike, cp932Hyou}, NameCharset::Cp932},
        {"the same, other order", {cp932Hyou, cp932Utf8Alike}, NameCharset::Cp932},
        {"utf-8 then one code page 932 name", {utf8Hyou, utf8Hyou, cp932Hyou}, NameCharset::Cp932},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NameCharsetVote vote;
        for (const std::string& name : c.names) vote.Add(name);
        EXPECT_EQ(c.decision, vote.Decision());
    }
}

TEST(NameCharset, FoldedNameLowersOnlyAsciiLetters) {
    struct Case {
        const char* name;
        std::string in, out;
    } cases[] = {
        {"ascii", "Dir\\A.TXT", "dir\\a.txt"},
        // ア is 0x83 0x41 and ソ 0x83 0x5C: their second bytes stay.
        {"a as trail byte", "\x83\x41" "B", "\x83\x41" "b"},
        {"backslash as trail byte", "\x83\x5C" "Z", "\x83\x5C" "z"},
        {"half-width kana", "\xB1" "A", "\xB1" "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.out, FoldedName(c.in));
    }
}
