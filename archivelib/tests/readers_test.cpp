// The window-free readers called directly on bytes in memory: name
// conversion with kana composition, tar members of every kind, sparse maps
// and the zip overlap rule.
#include <string>
#include <vector>

#include "test_support.h"
#include "tar/tarread.h"
#include "base/textconv.h"
#include "zip/zipread.h"

namespace {
struct StringSink : ByteSink {
    std::string data;
    bool Write(const void* bytes, size_t count) override {
        data.append(static_cast<const char*>(bytes), count);
        return true;
    }
};

struct ReadMember {
    std::string name;
    TarKind kind;
    std::string linkName;
    std::string data;
    int copied;  // CopyTarData's result for files, else FDARC_OK
};

// Every member up to the end or the first error; *end tells which.
std::vector<ReadMember> ReadAll(const std::string& archive, TarNext* end) {
    MemorySource source(archive.data(), archive.size());
    TarInput input;
    std::vector<ReadMember> members;
    *end = TarNext::Error;
    if (!input.Open(&source)) return members;
    for (;;) {
        TarMember member;
        *end = ReadTarMember(&input, &member, false);
        if (*end != TarNext::Member) return members;
        StringSink sink;
        uint64_t consumed = 0;
        int copied = member.kind == TarKind::File ? CopyTarData(&input, member, &sink, &consumed) : FDARC_OK;
        members.push_back({member.name, member.kind, member.linkName, sink.data, copied});
        if (!input.Skip(TarPadded(member.size) - consumed)) {
            *end = TarNext::Error;
            return members;
        }
    }
}

// One "%d key=value\n" record; the length counts its own digits.
std::string Record(const std::string& key, const std::string& value) {
    std::string body = " " + key + "=" + value + "\n";
    size_t length = body.size() + 1;
    while (std::to_string(length).size() + body.size() != length) ++length;
    return std::to_string(length) + body;
}
RawEntry PaxEntry(const std::string& records) { return {"PaxHeaders/x", records, 'x'}; }

// The last member's data follows its header although the header says size 0.
std::string WithData(const std::vector<RawEntry>& entries, const std::string& data) {
    std::string tar = BuildTar(entries);
    tar.resize(tar.size() - 1024);
    tar += data + std::string((512 - data.size() % 512) % 512, '\0');
    return tar + std::string(1024, '\0');
}
}  // namespace

TEST(NameConversion, Utf8NamesBecomeCodePage932Composed) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string cp932;
        bool ok;
    };
    const Case cases[] = {
        {"plain", u8"表示/a.txt", "表示/a.txt", true},
        {"katakana + voiced mark", u8"\u30c6\u3099\u30fc\u30bf.txt", "データ.txt", true},
        {"hiragana + semi-voiced mark", u8"\u306f\u309a", "ぱ", true},
        {"u + voiced mark", u8"\u30a6\u3099", "ヴ", true},
        {"iteration mark + voiced mark", u8"\u30fd\u3099", "ヾ", true},
        {"mark with nothing to join", u8"\u3099a", "?a", false},
        {"kana that takes no mark", u8"\u30f3\u3099", "ン?", false},
        {"character outside the code page", u8"a\u2603", "a?", false},
        {"overlong slash", "\xC0\xAF", "??", false},
        {"surrogate in UTF-8", "\xED\xA0\x80", "???", false},
        {"cut short", "a\xE6\x97", "a??", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string converted;
        EXPECT_EQ(c.ok, Utf8NameToCp932(c.utf8, &converted));
        EXPECT_EQ(c.cp932, converted);
    }
}

// The UTF-8 forms the writers add beside code page 932 names.
TEST(NameConversion, CodePage932NamesBecomeUtf8) {
    struct Case {
        const char* name;
        std::string cp932;
        std::string utf8;
        bool ok;
    };
    const Case cases[] = {
        {"trail byte 0x5C", "表/ソ能.txt", u8"表/ソ能.txt", true},
        {"half-width kana", "\xB1\xDE", u8"\uFF71\uFF9E", true},
        {"NEC special (circled one)", "\x87\x40", u8"\u2460", true},
        {"lead byte cut short", "a\x95", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string utf8;
        EXPECT_EQ(c.ok, Cp932NameToUtf8(c.cp932, &utf8));
        if (c.ok) {
            EXPECT_EQ(c.utf8, utf8);
        }
    }
}

TEST(TarReader, MembersOfEveryKind) {
    std::string sparseMap = "2\n0\n3\n10\n2\n";
    sparseMap.resize(512, '\0');
    struct Case {
        const char* name;
        std::string archive;
        TarNext end;
        std::vector<ReadMember> members;
    };
    const Case cases[] = {
        {"v7 file (type NUL)", BuildTar({{"v7.txt", "v7", '\0'}}), TarNext::End, {{"v7.txt", TarKind::File, "", "v7", FDARC_OK}}},
        {"contiguous file", BuildTar({{"c.txt", "c", '7'}}), TarNext::End, {{"c.txt", TarKind::File, "", "c", FDARC_OK}}},
        {"unknown type is a file", BuildTar({{"u.txt", "u", 'Q'}}), TarNext::End, {{"u.txt", TarKind::File, "", "u", FDARC_OK}}},
        {"v7 folder", BuildTar({{"dir/", "", '\0'}}), TarNext::End, {{"dir/", TarKind::Folder, "", "", FDARC_OK}}},
        {"rest of a volume, then a file", BuildTar({{"m.bin", "part", 'M'}, {"n.txt", "n"}}), TarNext::End,
         {{"m.bin", TarKind::Unsupported, "", "", FDARC_OK}, {"n.txt", TarKind::File, "", "n", FDARC_OK}}},
        {"pax path and linkpath are UTF-8",
         BuildTar({PaxEntry(Record("path", u8"表示.txt") + Record("linkpath", u8"ソ")), {"x", "", '2'}}), TarNext::End,
         {{"表示.txt", TarKind::SymLink, "ソ", "", FDARC_OK}}},
        {"pax size over the header's",
         WithData({PaxEntry(Record("size", "600")), {"big", ""}}, std::string(600, 'b')), TarNext::End,
         {{"big", TarKind::File, "", std::string(600, 'b'), FDARC_OK}}},
        {"pax size that is no number", BuildTar({PaxEntry(Record("size", "6x0")), {"big", "b"}}), TarNext::Error, {}},
        {"sparse 1.0: holes are zeros",
         BuildTar({PaxEntry(Record("GNU.sparse.major", "1") + Record("GNU.sparse.minor", "0") +
                            Record("GNU.sparse.name", "sp.bin") + Record("GNU.sparse.realsize", "12")),
                   {"GNUSparseFile.1/sp.bin", sparseMap + "abcde"}}),
         TarNext::End, {{"sp.bin", TarKind::File, "", std::string("abc\0\0\0\0\0\0\0de", 12), FDARC_OK}}},
        {"sparse 0.1 map past the real size: that member only",
         BuildTar({PaxEntry(Record("GNU.sparse.map", "0,3,20,2") + Record("GNU.sparse.size", "12")), {"bad.bin", "abcde"},
                   {"next.txt", "x"}}),
         TarNext::End,
         {{"bad.bin", TarKind::File, "", "", FDARC_E_CORRUPT}, {"next.txt", TarKind::File, "", "x", FDARC_OK}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TarNext end;
        std::vector<ReadMember> members = ReadAll(c.archive, &end);
        EXPECT_EQ(static_cast<int>(c.end), static_cast<int>(end));
        ASSERT_EQ(c.members.size(), members.size());
        for (size_t i = 0; i < members.size(); ++i) {
            EXPECT_EQ(c.members[i].name, members[i].name);
            EXPECT_EQ(static_cast<int>(c.members[i].kind), static_cast<int>(members[i].kind));
            EXPECT_EQ(c.members[i].linkName, members[i].linkName);
            EXPECT_EQ(c.members[i].data, members[i].data);
            EXPECT_EQ(c.members[i].copied, members[i].copied);
        }
    }
}

TEST(TarReader, VolumeLabelsAreReadInTheLoop) {
    // Deep enough that one call per label would have overflowed the stack.
    std::vector<RawEntry> entries(20000, RawEntry{"label", "", 'V'});
    entries.push_back({"a.txt", "after"});
    TarNext end;
    std::vector<ReadMember> members = ReadAll(BuildTar(entries), &end);
    EXPECT_EQ(static_cast<int>(TarNext::End), static_cast<int>(end));
    ASSERT_EQ(1u, members.size());
    EXPECT_EQ("after", members[0].data);
}

TEST(TarReader, EmptyArchiveIsItsEndBlocks) {
    struct Case {
        const char* name;
        std::string bytes;
        bool tar;
    };
    const Case cases[] = {
        {"two end blocks", std::string(1024, '\0'), true},
        {"a whole empty record", std::string(10240, '\0'), true},
        {"one zero block", std::string(512, '\0'), false},
        {"zeros not in blocks", std::string(1500, '\0'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySource source(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.tar, LooksLikeTar(&source));
    }
}

TEST(ZipReader, EntriesSharingBytesAreRefused) {
    struct Span {
        uint64_t offset;
        uint32_t packed;
    };
    struct Case {
        const char* name;
        std::vector<Span> spans;
        bool apart;
    };
    const Case cases[] = {
        {"back to back", {{0, 10}, {40, 0}, {70, 5}}, true},
        {"out of order, apart", {{70, 5}, {0, 10}}, true},
        {"same local header", {{0, 0}, {0, 0}}, false},
        {"second starts inside the first's data", {{0, 100}, {50, 10}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZipDirectory directory;
        for (const Span& span : c.spans) {
            ZipEntry entry;
            entry.name = "e" + std::to_string(directory.entries.size());
            entry.localOffset = span.offset;
            entry.packed = span.packed;
            directory.entries.push_back(entry);
        }
        std::string first;
        EXPECT_EQ(c.apart, ZipEntriesApart(directory, &first));
    }
}
