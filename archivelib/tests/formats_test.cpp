// The formats read through libarchive (7z, lzh, cab, rar, compressed tars,
// lone compressed files) and 7z creation: names in code page 932 both ways,
// updating, the overwrite question, and hostile archives of each format.
#include <string.h>

#include <set>

#include "test_support.h"

namespace {
std::string Quote(const std::string& text) { return "\"" + text + "\""; }

int WINAPI AnswerNo(HWND, LPCSTR) { return IDNO; }
int WINAPI AnswerYes(HWND, LPCSTR) { return IDYES; }

class Formats : public LibraryTest {
protected:
    // A tree whose names hold 0x5C second bytes: 表 (0x95 0x5C), ソ (0x83 0x5C), 能 (0x94 0x5C).
    void MakeTree() {
        WriteBytes(Path("src\\表示.txt"), "hyouji");
        WriteBytes(Path("src\\ソフト\\能力.bin"), PseudoRandomBytes(200000, 3));
        WriteBytes(Path("src\\ソフト\\empty.txt"), "");
        MakeFolder(Path("src\\ソフト\\空"));
        WriteBytes(Path("src\\a.txt"), std::string(70000, 'a'));
    }
    int Create7z(const std::string& archive, const std::vector<std::string>& names) {
        return sevenZip_.Run("a -t7z -ms=off " + Quote(archive) + " " + Quote(Path("src\\")) + " " +
                             Quote("@" + Response(names)));
    }
    // Names outside dest\ (the libraries, sources and archives aside).
    std::set<std::string> Outside() {
        std::set<std::string> outside;
        for (const auto& entry : Snapshot(root_)) {
            const std::string& name = entry.first;
            if (name == "dest" || name.compare(0, 5, "dest\\") == 0 || name.compare(0, 4, "lib\\") == 0) continue;
            outside.insert(name);
        }
        return outside;
    }
};
}  // namespace

TEST_F(Formats, SevenZipRoundTripKeepsDoubleByteNames) {
    MakeTree();
    std::string archive = Path("out\\x.7z");
    MakeFolder(Path("out"));
    ASSERT_EQ(0, Create7z(archive, {"表示.txt", "ソフト", "a.txt"}));
    std::vector<std::string> names = sevenZip_.List(archive);
    std::set<std::string> listed(names.begin(), names.end());
    const std::set<std::string> expected = {"表示.txt", "ソフト/", "ソフト/能力.bin", "ソフト/empty.txt", "ソフト/空/", "a.txt"};
    EXPECT_EQ(expected, listed);
    EXPECT_EQ(6, sevenZip_.count(archive.c_str()));
    ASSERT_EQ(0, sevenZip_.Run("x " + Quote(archive) + " " + Quote(Path("dest\\"))));
    EXPECT_EQ(Snapshot(Path("src\\")), Snapshot(Path("dest\\")));
}

TEST_F(Formats, SevenZipUpdateKeepsOldEntriesAndReplacesNamedOnes) {
    MakeTree();
    std::string archive = Path("x.7z");
    ASSERT_EQ(0, Create7z(archive, {"表示.txt", "a.txt"}));
    WriteBytes(Path("src\\a.txt"), "changed");
    ASSERT_EQ(0, Create7z(archive, {"a.txt", "ソフト"}));
    ASSERT_EQ(0, sevenZip_.Run("x " + Quote(archive) + " " + Quote(Path("dest\\"))));
    EXPECT_EQ(Snapshot(Path("src\\")), Snapshot(Path("dest\\")));
    EXPECT_EQ(6, sevenZip_.count(archive.c_str()));
    // A damaged archive is not updated: it stays as it was and no temporary is left.
    std::string bytes = ReadBytes(archive);
    std::string damaged = bytes.substr(0, bytes.size() / 2);
    WriteBytes(archive, damaged);
    EXPECT_NE(0, Create7z(archive, {"a.txt"}));
    EXPECT_EQ(damaged, ReadBytes(archive));
    std::map<std::string, std::string> top = Snapshot(root_);
    for (const auto& entry : top) EXPECT_EQ(std::string::npos, entry.first.find(".tmp.")) << entry.first;
}

TEST_F(Formats, ReadsEveryFormatOfTheTable) {
    const std::vector<RawEntry> entries = {
        {"表示.txt", "one"}, {"ソフト\\能力.txt", std::string(3000, 'x')}};
    const std::vector<RawEntry> slashed = {
        {"表示.txt", "one"}, {"ソフト/能力.txt", std::string(3000, 'x')}};
    struct Case { const char* file; std::string bytes; ArchiverLibrary* library; const char* extract; };
    const Case cases[] = {
        {"a.lzh", BuildLzh(entries), &unlha_, "x -r1"},
        {"a.cab", BuildStoredCab(entries), &cab_, "-x"},
        {"a.7z", BuildWithLibarchive("7zip", "none", slashed), &sevenZip_, "x"},
        {"a.tar.bz2", BuildWithLibarchive("gnutar", "bzip2", slashed), &tar_, "-xvf"},
        {"a.tar.xz", BuildWithLibarchive("gnutar", "xz", slashed), &tar_, "-xvf"},
        // The content decides, not the prefix: a 7z handed to the rar entry is still read.
        {"b.7z", BuildWithLibarchive("7zip", "none", slashed), &unrar_, "-x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string archive = Path(c.file);
        WriteBytes(archive, c.bytes);
        EXPECT_EQ(2, c.library->count(archive.c_str()));
        std::vector<std::string> names = c.library->List(archive);
        ASSERT_EQ(2u, names.size());
        EXPECT_EQ("表示.txt", names[0]);
        EXPECT_EQ("ソフト/能力.txt", names[1]);
        std::string folder = c.library == &tar_ ? " -o " : " ";
        ASSERT_EQ(0, c.library->Run(std::string(c.extract) + " " + Quote(archive) + folder + Quote(Path("dest\\"))));
        std::map<std::string, std::string> out = Snapshot(Path("dest\\"));
        EXPECT_EQ("one", out["表示.txt"]);
        EXPECT_EQ(std::string(3000, 'x'), out["ソフト\\能力.txt"]);
        RemoveTree(Path("dest"));
    }
}

TEST_F(Formats, LoneCompressedFileUnpacksWithoutItsExtension) {
    std::string text = "just one file\n" + PseudoRandomBytes(5000, 7);
    std::vector<RawEntry> one = {{"data", text}};
    struct Case { const char* file; std::string bytes; const char* out; };
    std::string gzip = BuildWithLibarchive("raw", "gzip", one);
    const Case cases[] = {
        {"notes.txt.gz", gzip, "notes.txt"},
        {"notes.txt.bz2", BuildWithLibarchive("raw", "bzip2", one), "notes.txt"},
        {"notes.txt.xz", BuildWithLibarchive("raw", "xz", one), "notes.txt"},
        {"表.gz", gzip, "表"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string archive = Path(c.file);
        WriteBytes(archive, c.bytes);
        EXPECT_EQ(1, tar_.count(archive.c_str()));
        ASSERT_EQ(0, tar_.Run("-xvf " + Quote(archive) + " -o " + Quote(Path("dest\\"))));
        std::map<std::string, std::string> out = Snapshot(Path("dest\\"));
        EXPECT_EQ(1u, out.size());
        EXPECT_EQ(text, out[c.out]);
        RemoveTree(Path("dest"));
    }
}

TEST_F(Formats, OverwriteQuestionDecidesAndSwitchSkipsIt) {
    std::string archive = Path("a.7z");
    WriteBytes(archive, BuildWithLibarchive("7zip", "none", {{"a.txt", "new"}}));
    struct Case { const char* name; const char* line; FdarcOverwriteQuestion answer; const char* result; };
    const Case cases[] = {
        {"no keeps the old file", "x", AnswerNo, "old"},
        {"yes replaces it", "x", AnswerYes, "new"},
        {"-aoa asks nothing", "x -aoa", nullptr, "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(Path("dest\\a.txt"), "old");
        if (c.answer != nullptr) sevenZip_.setQuestion(c.answer);
        ASSERT_EQ(0, sevenZip_.Run(std::string(c.line) + " " + Quote(archive) + " " + Quote(Path("dest\\"))));
        EXPECT_EQ(c.result, ReadBytes(Path("dest\\a.txt")));
        EXPECT_EQ(1u, Snapshot(Path("dest\\")).size());  // no temporary left beside it
        RemoveTree(Path("dest"));
    }
}

TEST_F(Formats, HostileNamesNeverLeaveTheDestination) {
    const char* names[] = {"../fdarc_ev1.txt", "a/../../fdarc_ev2.txt", "/fdarc_ev3.txt",
                           "C:/fdarc_ev4.txt", "..\\fdarc_ev5.txt",     "CON"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        std::vector<RawEntry> entries = {{"ok.txt", "fine"}, {name, "evil"}};
        std::string slashed = name;
        struct Case { const char* file; std::string bytes; ArchiverLibrary* library; const char* extract; };
        const Case cases[] = {
            {"h.lzh", BuildLzh(entries), &unlha_, "x -r1"},
            {"h.cab", BuildStoredCab(entries), &cab_, "-x"},
            {"h.7z", BuildWithLibarchive("7zip", "none", entries), &sevenZip_, "x"},
            {"h.tar.xz", BuildWithLibarchive("gnutar", "xz", entries), &tar_, "-xvf"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.file);
            std::string archive = Path(c.file);
            WriteBytes(archive, c.bytes);
            std::set<std::string> before = Outside();
            std::string folder = c.library == &tar_ ? " -o " : " ";
            EXPECT_EQ(FDARC_E_UNSAFE_NAME,
                      c.library->Run(std::string(c.extract) + " " + Quote(archive) + folder + Quote(Path("dest\\in\\"))));
            EXPECT_EQ(before, Outside());
            std::map<std::string, std::string> inside = Snapshot(Path("dest\\"));
            EXPECT_EQ("fine", inside["in\\ok.txt"]);
            EXPECT_EQ(2u, inside.size());  // in\ and in\ok.txt
            RemoveTree(Path("dest"));
        }
    }
}

TEST_F(Formats, LinksAreNotFollowedOutOfTheDestination) {
    // A link to the outside, then a file "through" it: the link is not made,
    // so the file lands in an ordinary folder inside the destination.
    std::vector<RawEntry> entries = {{"up", "../..", '2'}, {"up/fdarc_link.txt", "evil"}, {"ok.txt", "fine"}};
    struct Case { const char* file; std::string bytes; ArchiverLibrary* library; const char* extract; };
    const Case cases[] = {
        {"l.7z", BuildWithLibarchive("7zip", "none", entries), &sevenZip_, "x"},
        {"l.tar.bz2", BuildWithLibarchive("gnutar", "bzip2", entries), &tar_, "-xvf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string archive = Path(c.file);
        WriteBytes(archive, c.bytes);
        std::set<std::string> before = Outside();
        std::string folder = c.library == &tar_ ? " -o " : " ";
        c.library->Run(std::string(c.extract) + " " + Quote(archive) + folder + Quote(Path("dest\\in\\")));
        EXPECT_EQ(before, Outside());
        std::map<std::string, std::string> inside = Snapshot(Path("dest\\in\\"));
        EXPECT_EQ("fine", inside["ok.txt"]);
        EXPECT_EQ("evil", inside["up\\fdarc_link.txt"]);
        EXPECT_EQ("<folder>", inside["up"]);
        RemoveTree(Path("dest"));
    }
}

TEST_F(Formats, DamagedArchivesGiveAnErrorCode) {
    const std::string payload = PseudoRandomBytes(40000, 5);
    const std::vector<RawEntry> entries = {{"a.bin", payload}, {"b.txt", "bbb"}};
    struct Case { const char* file; std::string bytes; ArchiverLibrary* library; const char* extract; };
    const Case cases[] = {
        {"d.7z", BuildWithLibarchive("7zip", "none", entries), &sevenZip_, "x"},
        {"d.lzh", BuildLzh(entries), &unlha_, "x -r1"},
        {"d.cab", BuildStoredCab(entries), &cab_, "-x"},
        {"d.tar.xz", BuildWithLibarchive("gnutar", "xz", entries), &tar_, "-xvf"},
        {"d.tar.bz2", BuildWithLibarchive("gnutar", "bzip2", entries), &tar_, "-xvf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string folder = c.library == &tar_ ? " -o " : " ";
        std::string archive = Path(c.file);
        // Cut short at several places, and one byte flipped in the middle.
        std::vector<std::string> variants;
        for (size_t cut : {c.bytes.size() / 3, c.bytes.size() / 2, c.bytes.size() - 5}) variants.push_back(c.bytes.substr(0, cut));
        std::string flipped = c.bytes;
        flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x55);
        variants.push_back(flipped);
        for (size_t i = 0; i < variants.size(); ++i) {
            SCOPED_TRACE(i);
            WriteBytes(archive, variants[i]);
            std::string line = std::string(c.extract) + " " + Quote(archive) + folder + Quote(Path("dest\\"));
            EXPECT_NE(0, c.library->Run(line)) << "damaged archive extracted without an error";
            // A damaged member never stands under its real name half written.
            std::map<std::string, std::string> out = Snapshot(Path("dest\\"));
            if (out.count("a.bin")) {
                EXPECT_TRUE(out["a.bin"] == payload) << "partial a.bin";
            }
            RemoveTree(Path("dest"));
        }
    }
}

TEST_F(Formats, RandomBytesAreNoArchive) {
    const std::string magics[] = {std::string("7z\xBC\xAF\x27\x1C", 6), std::string("Rar!\x1A\x07\x00", 7),
                                  std::string("Rar!\x1A\x07\x01\x00", 8), "MSCF", "xx-lh5-", "\x1F\x8B", "BZh9",
                                  std::string("\xFD" "7zXZ\0", 6)};
    for (size_t m = 0; m < sizeof magics / sizeof magics[0]; ++m) {
        SCOPED_TRACE(m);
        for (size_t size : {size_t(0), size_t(40), size_t(5000)}) {
            SCOPED_TRACE(size);
            std::string archive = Path("r.bin");
            WriteBytes(archive, magics[m] + PseudoRandomBytes(size, 11));
            EXPECT_EQ(-1, sevenZip_.count(archive.c_str()));
            EXPECT_EQ(nullptr, unrar_.open(nullptr, archive.c_str(), 0));
            EXPECT_NE(0, unrar_.Run("-x " + Quote(archive) + " " + Quote(Path("dest\\"))));
            RemoveTree(Path("dest"));
        }
    }
}

TEST_F(Formats, ExtractOnlyPrefixRefusesCreation) {
    WriteBytes(Path("src\\a.txt"), "a");
    std::string output;
    EXPECT_EQ(FDARC_E_COMMAND, unrar_.Run("-a " + Quote(Path("x.rar")) + " " + Quote(Path("src\\")) + " a.txt",
                                          nullptr, &output));
    EXPECT_FALSE(PathExists(Path("x.rar")));
}

// A short mutation run over valid archives of each format: any result code,
// but no crash, no hang and nothing written outside the destination.
TEST_F(Formats, MutatedArchivesNeverEscape) {
    const std::vector<RawEntry> entries = {{"a.txt", std::string(3000, 'a')}, {"d/b.bin", PseudoRandomBytes(5000, 2)}};
    const std::vector<RawEntry> backslashed = {{"a.txt", std::string(3000, 'a')}, {"d\\b.bin", PseudoRandomBytes(5000, 2)}};
    struct Case { const char* file; std::string bytes; ArchiverLibrary* library; const char* extract; };
    const Case cases[] = {
        {"m.7z", BuildWithLibarchive("7zip", "none", entries), &sevenZip_, "x -aoa"},
        {"m.lzh", BuildLzh(backslashed), &unlha_, "x -r1 -gyo0"},
        {"m.cab", BuildStoredCab(backslashed), &cab_, "-x -o"},
        {"m.tar.xz", BuildWithLibarchive("gnutar", "xz", entries), &tar_, "-xvf"},
    };
    unsigned seed = 12;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string archive = Path(c.file);
        std::string folder = c.library == &tar_ ? " -o " : " ";
        WriteBytes(archive, c.bytes);
        std::set<std::string> before = Outside();
        for (int round = 0; round < 40; ++round) {
            std::string bytes = c.bytes;
            std::string noise = PseudoRandomBytes(8, ++seed);
            for (int k = 0; k < 4; ++k) {
                size_t at = (static_cast<unsigned char>(noise[k]) * 7919u + static_cast<unsigned char>(noise[k + 4]) * 31u +
                             static_cast<unsigned>(round) * 104729u) % bytes.size();
                bytes[at] = noise[(k + 1) % 8];
            }
            WriteBytes(archive, bytes);
            c.library->count(archive.c_str());
            c.library->Run(std::string(c.extract) + " " + Quote(archive) + folder + Quote(Path("dest\\")));
        }
        EXPECT_EQ(before, Outside());
        RemoveTree(Path("dest"));
    }
}
