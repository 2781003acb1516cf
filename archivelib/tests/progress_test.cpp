// The progress callback of every prefix: BEGIN first and END last with the
// call's bytes in between, per file and per block, and a cancel that leaves
// nothing half-made (no new archive, an updated one byte-identical, no
// partly extracted file).
#include <stdint.h>

#include <algorithm>
#include <set>

#include "api/fdarc_errors.h"
#include "api/fdarc_progress.h"
#include "test_support.h"

namespace {
std::string Quote(const std::string& text) { return "\"" + text + "\""; }

int WINAPI AnswerYes(HWND, LPCSTR) { return IDYES; }

struct Report {
    UINT state;
    ULONGLONG done, total;
    std::string name;
};

// Last: at the report of the last block, when everything has been read.
enum class CancelAt { Never, FirstFile, Halfway, Last };

const char* Describe(CancelAt at) {
    switch (at) {
    case CancelAt::Never: break;
    case CancelAt::FirstFile: return " at the first file";
    case CancelAt::Halfway: return " halfway";
    case CancelAt::Last: return " at the last block";
    }
    return "";
}

// What the callback saw; it answers FALSE as the cancel rule says.
struct Recorder {
    std::vector<Report> reports;
    CancelAt cancelAt = CancelAt::Never;
    bool answeredFalse = false;
    DWORD answeredAt = 0;
};
Recorder Seen;

BOOL WINAPI Record(HWND, UINT state, ArchiverProgress* progress) {
    EXPECT_EQ(state, progress->state);
    Seen.reports.push_back({state, progress->bytesDone, progress->bytesTotal, progress->fileName});
    if (state != ARC_PROGRESS_FILE) return TRUE;
    bool cancel = Seen.cancelAt == CancelAt::FirstFile ||
                  (Seen.cancelAt == CancelAt::Halfway && progress->bytesDone * 2 >= progress->bytesTotal) ||
                  (Seen.cancelAt == CancelAt::Last && progress->bytesDone == progress->bytesTotal);
    if (cancel && !Seen.answeredFalse) {
        Seen.answeredFalse = true;
        Seen.answeredAt = GetTickCount();
    }
    return cancel ? FALSE : TRUE;
}

// One format: how the program's compression and extraction runs call it.
struct Format {
    const char* name;
    const char* archive;
    ArchiverLibrary LibraryTest::*create;
    ArchiverLibrary LibraryTest::*extract;
    const char* createLine;   // archive, base folder and response file follow
    const char* folderOption;
    const char* extractLine;  // archive, then the destination
    bool totalIsEntryBytes;   // extraction: else the archive's own bytes
};

const Format kFormats[] = {
    {"zip", "a.zip", &LibraryTest::zip_, &LibraryTest::unzip_, "-r", "", "-x", true},
    {"tar", "a.tar", &LibraryTest::tar_, &LibraryTest::tar_, "-cvf", "-o ", "-xvf", false},
    {"tar.gz", "a.tgz", &LibraryTest::tar_, &LibraryTest::tar_, "-cvzf", "-o ", "-xvf", false},
    {"7z", "a.7z", &LibraryTest::sevenZip_, &LibraryTest::sevenZip_, "a -t7z -ms=off", "", "x", false},
    {"lzh", "a.lzh", &LibraryTest::unlha_, &LibraryTest::unlha_, "a -d1", "", "x -r1", false},
    {"cab", "a.cab", &LibraryTest::cab_, &LibraryTest::cab_, "-a -r -o", "", "-x", false},
};

// 表 (95 5C) ends in the separator byte; big.bin does not compress and takes
// several blocks; it comes last, so half the bytes are inside it.
const size_t kBigSize = 3 << 20;
const char kSmallName[] = "表示.txt";
const std::string kSmallText = "表示のテキスト";
const std::string kNestedText(5000, 'n');

class Progress : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        Seen = Recorder();
        big_ = PseudoRandomBytes(kBigSize, 14);
        WriteBytes(Path("src\\表示.txt"), kSmallText);
        WriteBytes(Path("src\\ソフト\\能力.txt"), kNestedText);
        WriteBytes(Path("src\\big.bin"), big_);
        WriteBytes(Path("old\\old.txt"), "from before");
        MakeFolder(Path("out"));
    }
    void TearDown() override {
        for (ArchiverLibrary* library : {&zip_, &unzip_, &tar_, &sevenZip_, &unlha_, &cab_, &unrar_}) Kill(*library);
        LibraryTest::TearDown();
    }

    static void Register(const ArchiverLibrary& library) {
        auto set = reinterpret_cast<ArchiverSetOwnerWindowEx>(reinterpret_cast<void*>(
            GetProcAddress(library.module, (library.prefix + ARC_SET_OWNER_WINDOW_SUFFIX).c_str())));
        ASSERT_NE(nullptr, set);
        EXPECT_TRUE(set(nullptr, Record));
    }
    static void Kill(const ArchiverLibrary& library) {
        auto kill = reinterpret_cast<ArchiverKillOwnerWindowEx>(reinterpret_cast<void*>(
            GetProcAddress(library.module, (library.prefix + ARC_KILL_OWNER_WINDOW_SUFFIX).c_str())));
        ASSERT_NE(nullptr, kill);
        EXPECT_TRUE(kill(nullptr));
    }

    int Create(const Format& f, const std::string& archive, const std::string& base, const std::vector<std::string>& names,
               std::string* output = nullptr) {
        std::string line = std::string(f.createLine) + " " + Quote(archive) + " " + f.folderOption + Quote(base) + " " +
                           Quote("@" + Response(names));
        return (this->*f.create).Run(line, nullptr, output);
    }
    int Extract(const Format& f, const std::string& archive, const std::string& destination) {
        std::string line = std::string(f.extractLine) + " " + Quote(archive) + " " + f.folderOption + Quote(destination);
        return (this->*f.extract).Run(line);
    }
    // An archive made without a callback.
    void MakeArchive(const Format& f, const std::string& archive) {
        Kill(this->*f.create);
        ASSERT_EQ(0, Create(f, archive, Path("src\\"), {kSmallName, "ソフト", "big.bin"}));
    }
    // Names of files and temporaries left in a folder.
    std::set<std::string> Files(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& entry : Snapshot(folder)) names.insert(entry.first);
        return names;
    }

    std::string big_;
};

// BEGIN once and first, END once and last, every FILE between with bytes
// that never fall nor pass the total; the END says the whole total is done.
void ExpectWellFormed(const std::vector<Report>& reports, ULONGLONG total) {
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(ARC_PROGRESS_BEGIN, reports.front().state);
    EXPECT_EQ(ARC_PROGRESS_END, reports.back().state);
    EXPECT_EQ("", reports.front().name);
    EXPECT_EQ("", reports.back().name);
    ULONGLONG last = 0;
    for (size_t i = 0; i < reports.size(); ++i) {
        const Report& r = reports[i];
        if (i > 0 && i + 1 < reports.size()) {
            EXPECT_EQ(ARC_PROGRESS_FILE, r.state) << i;
        }
        EXPECT_EQ(total, r.total) << i;
        EXPECT_GE(r.done, last) << i;
        EXPECT_LE(r.done, total) << i;
        last = r.done;
    }
}

size_t ReportsOn(const std::vector<Report>& reports, const std::string& name) {
    std::set<ULONGLONG> distinct;
    for (const Report& r : reports) {
        if (r.state == ARC_PROGRESS_FILE && r.name == name) distinct.insert(r.done);
    }
    return distinct.size();
}
}  // namespace

TEST_F(Progress, EveryPrefixExportsTheCallbackEntries) {
    for (ArchiverLibrary* library : {&zip_, &unzip_, &tar_, &sevenZip_, &unlha_, &cab_, &unrar_}) {
        SCOPED_TRACE(library->prefix);
        for (const char* suffix : {"SetOwnerWindowEx", "SetOwnerWindowEx64", "KillOwnerWindowEx"})
            EXPECT_NE(nullptr, GetProcAddress(library->module, (library->prefix + suffix).c_str())) << suffix;
    }
}

// Creation counts the sources' bytes, extraction the entries' (zip, whose
// directory comes first) or the archive's; a large file reports block by block.
TEST_F(Progress, CreateAndExtractReportFilesAndBytes) {
    const ULONGLONG sources = kSmallText.size() + kNestedText.size() + kBigSize;
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        std::string archive = Path(std::string("out\\") + f.archive);
        Register(this->*f.create);
        Seen = Recorder();
        ASSERT_EQ(0, Create(f, archive, Path("src\\"), {kSmallName, "ソフト", "big.bin"}));
        ExpectWellFormed(Seen.reports, sources);
        EXPECT_EQ(sources, Seen.reports.back().done);
        EXPECT_GE(ReportsOn(Seen.reports, kSmallName), 1u);
        EXPECT_GE(ReportsOn(Seen.reports, "big.bin"), 3u);  // per megabyte at least

        Register(this->*f.extract);
        Seen = Recorder();
        ASSERT_EQ(0, Extract(f, archive, Path("dest\\")));
        ULONGLONG total = f.totalIsEntryBytes ? sources : ReadBytes(archive).size();
        ExpectWellFormed(Seen.reports, total);
        EXPECT_EQ(total, Seen.reports.back().done);
        EXPECT_GE(ReportsOn(Seen.reports, kSmallName), 1u);
        EXPECT_GE(ReportsOn(Seen.reports, "ソフト\\能力.txt"), 1u);
        EXPECT_GE(ReportsOn(Seen.reports, "big.bin"), 2u);
        EXPECT_EQ(big_, ReadBytes(Path("dest\\big.bin")));
        RemoveTree(Path("dest"));
    }
}

// The formats only read: compressed tars and a lone compressed file through
// libarchive, and the rar prefix (which reads whatever it is given).
TEST_F(Progress, ReadOnlyFormatsReportTheArchiveBytes) {
    const std::vector<RawEntry> entries = {{"表示.txt", kSmallText}, {"big.bin", big_}};
    struct Case { const char* file; std::string bytes; ArchiverLibrary* library; const char* line; const char* output; };
    const Case cases[] = {
        {"a.tar.bz2", BuildWithLibarchive("gnutar", "bzip2", entries), &tar_, "-xvf", "big.bin"},
        {"a.tar.xz", BuildWithLibarchive("gnutar", "xz", entries), &tar_, "-xvf", "big.bin"},
        {"big.bin.xz", BuildWithLibarchive("raw", "xz", {{"data", big_}}), &tar_, "-xvf", "big.bin"},
        {"a.7z", BuildWithLibarchive("7zip", "none", entries), &unrar_, "-x", "big.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string archive = Path(c.file);
        WriteBytes(archive, c.bytes);
        Register(*c.library);
        Seen = Recorder();
        std::string folder = c.library == &tar_ ? " -o " : " ";
        ASSERT_EQ(0, c.library->Run(std::string(c.line) + " " + Quote(archive) + folder + Quote(Path("dest\\"))));
        ExpectWellFormed(Seen.reports, c.bytes.size());
        EXPECT_EQ(c.bytes.size(), Seen.reports.back().done);
        EXPECT_GE(ReportsOn(Seen.reports, c.output), 1u);
        EXPECT_EQ(big_, ReadBytes(Path("dest\\") + c.output));

        // Cancelled halfway: the file it was on is gone.
        Seen = Recorder();
        Seen.cancelAt = CancelAt::Halfway;
        RemoveTree(Path("dest"));
        EXPECT_EQ(FDARC_E_CANCELLED, c.library->Run(std::string(c.line) + " " + Quote(archive) + folder + Quote(Path("dest\\"))));
        EXPECT_FALSE(PathExists(Path("dest\\") + c.output));
        EXPECT_EQ(ARC_PROGRESS_END, Seen.reports.back().state);
        RemoveTree(Path("dest"));
    }
}

// A cancel at the first file, halfway through the large one or once all is
// read (the archive is complete but must not take the old one's place): the call
// returns 0x800A within a second, makes no new archive, leaves an updated
// one byte for byte as it was, and no temporary behind.
TEST_F(Progress, CancelledCreationLeavesNothingHalfMade) {
    for (const Format& f : kFormats) {
        for (CancelAt at : {CancelAt::FirstFile, CancelAt::Halfway, CancelAt::Last}) {
            SCOPED_TRACE(std::string(f.name) + Describe(at));
            RemoveTree(Path("out"));
            MakeFolder(Path("out"));
            std::string archive = Path(std::string("out\\") + f.archive);
            Register(this->*f.create);

            Seen = Recorder();
            Seen.cancelAt = at;
            std::string output;
            EXPECT_EQ(FDARC_E_CANCELLED, Create(f, archive, Path("src\\"), {kSmallName, "ソフト", "big.bin"}, &output));
            DWORD returned = GetTickCount();
            EXPECT_TRUE(Seen.answeredFalse);
            EXPECT_LT(returned - Seen.answeredAt, 1000u);
            EXPECT_EQ(ARC_PROGRESS_END, Seen.reports.back().state);
            EXPECT_EQ(1, std::count_if(Seen.reports.begin(), Seen.reports.end(),
                                       [](const Report& r) { return r.state == ARC_PROGRESS_END; }));
            ASSERT_GE(output.size(), 14u);
            EXPECT_EQ("中止しました\r\n", output.substr(output.size() - 14));
            EXPECT_EQ(std::string::npos, output.find("読めません")) << output;  // what failed on the way is no failure
            EXPECT_EQ(std::set<std::string>(), Files(Path("out\\")));

            // An update: the old archive has one file, the cancelled call would add three.
            Kill(this->*f.create);
            ASSERT_EQ(0, Create(f, archive, Path("old\\"), {"old.txt"}));
            std::string before = ReadBytes(archive);
            Register(this->*f.create);
            Seen = Recorder();
            Seen.cancelAt = at;
            EXPECT_EQ(FDARC_E_CANCELLED, Create(f, archive, Path("src\\"), {kSmallName, "ソフト", "big.bin"}));
            EXPECT_TRUE(before == ReadBytes(archive)) << "the archive changed";
            EXPECT_EQ(std::set<std::string>({f.archive}), Files(Path("out\\")));
        }
    }
}

// Many files being compressed side by side on the worker threads when the
// caller cancels halfway: the call still returns within a second of the
// answer and leaves no archive and no temporary behind.
TEST_F(Progress, CancelDuringParallelCreationLeavesNothing) {
    std::vector<std::string> names;
    std::string text;
    for (int i = 0; text.size() < (768u << 10); ++i) text += "line " + std::to_string(i * 7919 % 100003) + " 表示\r\n";
    for (int i = 0; i < 48; ++i) {
        names.push_back("many\\f" + std::to_string(i) + ".txt");
        WriteBytes(Path("src\\" + names.back()), text + std::to_string(i));
    }
    for (const Format& f : kFormats) {
        if (std::string(f.name) != "zip" && std::string(f.name) != "lzh" && std::string(f.name) != "cab") continue;
        SCOPED_TRACE(f.name);
        RemoveTree(Path("out"));
        MakeFolder(Path("out"));
        Register(this->*f.create);
        Seen = Recorder();
        Seen.cancelAt = CancelAt::Halfway;
        EXPECT_EQ(FDARC_E_CANCELLED, Create(f, Path(std::string("out\\") + f.archive), Path("src\\"), names));
        DWORD returned = GetTickCount();
        EXPECT_TRUE(Seen.answeredFalse);
        EXPECT_LT(returned - Seen.answeredAt, 1000u);
        EXPECT_EQ(std::set<std::string>(), Files(Path("out\\")));
    }
}

// Files finished before the cancel may stay; the one being written goes,
// and the call ends after it. Halfway, big.bin replaces a file of that name
// (the overwrite question answered Yes): the old one stays as it was.
TEST_F(Progress, CancelledExtractionLeavesNoPartialFile) {
    const std::string old = "the file that was there";
    for (const Format& f : kFormats) {
        std::string archive = Path(std::string("out\\") + f.archive);
        MakeArchive(f, archive);
        ArchiverLibrary& extract = this->*f.extract;
        for (CancelAt at : {CancelAt::FirstFile, CancelAt::Halfway}) {
            SCOPED_TRACE(std::string(f.name) + Describe(at));
            std::map<std::string, std::string> allowed = {
                {kSmallName, kSmallText}, {"ソフト", "<folder>"}, {"ソフト\\能力.txt", kNestedText}};
            if (at == CancelAt::Halfway) {
                WriteBytes(Path("dest\\big.bin"), old);
                allowed["big.bin"] = old;
            }
            extract.setQuestion(AnswerYes);
            Register(extract);
            Seen = Recorder();
            Seen.cancelAt = at;
            EXPECT_EQ(FDARC_E_CANCELLED, Extract(f, archive, Path("dest\\")));
            EXPECT_LT(GetTickCount() - Seen.answeredAt, 1000u);
            EXPECT_EQ(ARC_PROGRESS_END, Seen.reports.back().state);
            extract.setQuestion(nullptr);
            std::map<std::string, std::string> out = Snapshot(Path("dest\\"));
            for (const auto& entry : out) {
                auto expected = allowed.find(entry.first);
                ASSERT_NE(allowed.end(), expected) << entry.first;  // no temporary either
                EXPECT_TRUE(expected->second == entry.second) << entry.first;
            }
            if (at == CancelAt::FirstFile) {
                EXPECT_EQ(0u, out.count(kSmallName));
            } else {
                EXPECT_EQ(1u, out.count("big.bin"));
            }
            RemoveTree(Path("dest"));
        }
    }
}

// Without a callback, or after Kill, a call reports nothing and runs to the end.
TEST_F(Progress, KillRemovesTheCallback) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        Register(this->*f.create);
        Kill(this->*f.create);
        Seen = Recorder();
        Seen.cancelAt = CancelAt::FirstFile;
        std::string archive = Path(std::string("out\\") + f.archive);
        ASSERT_EQ(0, Create(f, archive, Path("src\\"), {kSmallName, "ソフト", "big.bin"}));
        Register(this->*f.extract);
        Kill(this->*f.extract);
        ASSERT_EQ(0, Extract(f, archive, Path("dest\\")));
        EXPECT_TRUE(Seen.reports.empty());
        EXPECT_EQ(big_, ReadBytes(Path("dest\\big.bin")));
        RemoveTree(Path("dest"));
    }
}
