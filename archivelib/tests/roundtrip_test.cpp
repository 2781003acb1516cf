// Creating archives with the program's command lines and extracting them
// again, for zip and tar: names with trail byte 0x5C, folders, updates.
#include <algorithm>

#include "test_support.h"

namespace {
struct Format {
    const char* name;
    const char* extension;
    ArchiverLibrary LibraryTest::*create;
    ArchiverLibrary LibraryTest::*extract;
    const char* createSwitch;   // then archive, folder option, folder, response
    const char* folderOption;
    const char* extractSwitch;  // overwrite variant for zip; tar has none
};

class RoundTrip : public LibraryTest {
protected:
    int Create(const Format& f, const std::string& archive, const std::string& base, const std::vector<std::string>& names) {
        std::string line = std::string(f.createSwitch) + " \"" + archive + "\" " + f.folderOption + "\"" + base + "\" \"@" +
                           Response(names) + "\"";
        return (this->*f.create).Run(line);
    }
    int Extract(const Format& f, const std::string& archive, const std::string& destination) {
        std::string line = std::string(f.extractSwitch) + " \"" + archive + "\" " + f.folderOption + "\"" + destination + "\"";
        return (this->*f.extract).Run(line);
    }
};

const Format kFormats[] = {
    {"zip", "zip", &RoundTrip::zip_, &RoundTrip::unzip_, "-r", "", "-x -o"},
    {"tar", "tar", &RoundTrip::tar_, &RoundTrip::tar_, "-cvzf", "-o ", "-xvf"},
    {"lzh", "lzh", &RoundTrip::unlha_, &RoundTrip::unlha_, "a -d1", "", "x -r1 -gyo0"},
};

// ソ (83 5C) ends the folder name right before a separator; 表 and 能 have 5C trail bytes too.
void MakeSourceTree(const std::string& base) {
    WriteBytes(base + "ソフト\\表示.txt", "表示のテキスト\r\n");
    WriteBytes(base + "ソフト\\能力\\データ.bin", PseudoRandomBytes(70000, 1));
    WriteBytes(base + "ソ\\x.txt", "so");
    WriteBytes(base + "readme.txt", std::string(3 << 20, 'a') + PseudoRandomBytes(1 << 20, 2));  // several buffers
    WriteBytes(base + "empty.txt", "");
    MakeFolder(base + "空フォルダ");
}
const std::vector<std::string> kSourceNames = {"ソフト", "ソ", "readme.txt", "empty.txt", "空フォルダ\\"};
}  // namespace

TEST_F(RoundTrip, TreeComesBackByteIdentical) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        std::string base = Path(std::string("src-") + f.name + "\\");
        MakeSourceTree(base);
        std::string archive = Path(std::string("out\\x.") + f.extension);
        MakeFolder(Path("out"));
        std::string output;
        ASSERT_EQ(0, Create(f, archive, base, kSourceNames));
        std::string destination = Path(std::string("dest-") + f.name + "\\p\\");
        ASSERT_EQ(0, Extract(f, archive, destination));
        EXPECT_EQ(Snapshot(base), Snapshot(destination));
    }
}

TEST_F(RoundTrip, StoredNamesUseSlashesAndKeepTrailBytes) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        std::string base = Path(std::string("src-") + f.name + "\\");
        MakeSourceTree(base);
        std::string archive = Path(std::string("x.") + f.extension);
        ASSERT_EQ(0, Create(f, archive, base, kSourceNames));
        std::vector<std::string> names = (this->*f.extract).List(archive);
        std::sort(names.begin(), names.end());
        std::vector<std::string> expected = {
            "\x83\x5c/",                                          // ソ/
            "\x83\x5c/x.txt",                                     // ソ/x.txt
            "\x83\x5c\x83\x74\x83\x67/",                          // ソフト/
            "\x83\x5c\x83\x74\x83\x67/\x94\x5c\x97\xcd/",         // ソフト/能力/
            "\x83\x5c\x83\x74\x83\x67/\x94\x5c\x97\xcd/\x83" "f\x81[\x83^.bin",  // ソフト/能力/データ.bin
            "\x83\x5c\x83\x74\x83\x67/\x95\x5c\x8e\xa6.txt",      // ソフト/表示.txt
            "empty.txt",
            "readme.txt",
            "\x8b\xf3\x83t\x83H\x83\x8b\x83_/",                   // 空フォルダ/
        };
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, names);
        EXPECT_EQ(static_cast<int>(expected.size()), (this->*f.extract).count(archive.c_str()));
    }
}

TEST_F(RoundTrip, TarIsGzipCompressedDespiteItsName) {
    WriteBytes(Path("src\\a.txt"), std::string(10000, 'x'));
    ASSERT_EQ(0, tar_.Run("-cvzf \"" + Path("x.tar") + "\" -o \"" + Path("src\\") + "\" \"@" + Response({"a.txt"}) + "\""));
    std::string bytes = ReadBytes(Path("x.tar"));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ('\x1f', bytes[0]);
    EXPECT_EQ('\x8b', bytes[1]);
    EXPECT_LT(bytes.size(), 1000u);
}

// Several calls in a row, from different base folders, build one archive;
// names given again replace their entries and leave the others alone.
TEST_F(RoundTrip, UpdateReplacesSameNamesAndKeepsOthers) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        std::string first = Path(std::string("one-") + f.name + "\\");
        std::string second = Path(std::string("two-") + f.name + "\\");
        WriteBytes(first + "a.txt", "old a");
        WriteBytes(first + "b.txt", "old b");
        WriteBytes(first + "sub\\c.txt", "old c");
        WriteBytes(second + "a.txt", "new a, longer than before");
        WriteBytes(second + "表.txt", "new");
        std::string archive = Path(std::string("u.") + f.extension);
        ASSERT_EQ(0, Create(f, archive, first, {"a.txt", "b.txt", "sub"}));
        ASSERT_EQ(0, Create(f, archive, second, {"a.txt", "表.txt"}));
        std::vector<std::string> names = (this->*f.extract).List(archive);
        std::sort(names.begin(), names.end());
        EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt", "sub/", "sub/c.txt", "表.txt"}), names);
        std::string destination = Path(std::string("d-") + f.name + "\\");
        ASSERT_EQ(0, Extract(f, archive, destination));
        std::map<std::string, std::string> expected = {
            {"a.txt", "new a, longer than before"}, {"b.txt", "old b"}, {"sub", "<folder>"},
            {"sub\\c.txt", "old c"}, {"表.txt", "new"}};
        EXPECT_EQ(expected, Snapshot(destination));
    }
}

TEST_F(RoundTrip, ArchiveInsideItsOwnBaseFolderIsNotAddedToItself) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        std::string base = Path(std::string("self-") + f.name + "\\");
        WriteBytes(base + "a.txt", "a");
        std::string archive = base + "self." + f.extension;
        ASSERT_EQ(0, Create(f, archive, base, {"a.txt"}));
        ASSERT_EQ(0, Create(f, archive, Path(""), {std::string("self-") + f.name}));
        std::vector<std::string> names = (this->*f.extract).List(archive);
        std::sort(names.begin(), names.end());
        std::string folder = std::string("self-") + f.name + "/";
        EXPECT_EQ((std::vector<std::string>{"a.txt", folder, folder + "a.txt"}), names);
    }
}

TEST_F(RoundTrip, FailuresLeaveTheExistingArchiveUntouched) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        std::string base = Path(std::string("f-") + f.name + "\\");
        WriteBytes(base + "a.txt", "a");
        std::string archive = Path(std::string("keep.") + f.extension);
        ASSERT_EQ(0, Create(f, archive, base, {"a.txt"}));
        std::string before = ReadBytes(archive);
        EXPECT_EQ(FDARC_E_NO_FILES, Create(f, archive, base, {"a.txt", "missing.txt"}));
        EXPECT_EQ(before, ReadBytes(archive));
        // Something that is no archive of the format is refused, not overwritten.
        std::string notArchive = Path(std::string("text.") + f.extension);
        WriteBytes(notArchive, PseudoRandomBytes(3000, 5));
        EXPECT_NE(0, Create(f, notArchive, base, {"a.txt"}));
        EXPECT_EQ(PseudoRandomBytes(3000, 5), ReadBytes(notArchive));
        for (const auto& file : Snapshot(Path(""))) EXPECT_NE(0u, file.first.find("fda")) << "temporary file left: " << file.first;
    }
}
