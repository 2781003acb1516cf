// Extraction into existing trees: the overwrite question and its answers,
// "-o", and folders made on the way.
#include "test_support.h"
#include "zip/zipread.h"

#include <atomic>
#include <thread>

#include "common/overwrite_ids.h"

namespace {
// The question seam: answers from a script, records what was asked.
struct QuestionScript {
    std::vector<int> answers;
    std::vector<std::string> asked;
    std::vector<HWND> owners;
};
QuestionScript Script;

int WINAPI ScriptedAnswer(HWND owner, LPCSTR path) {
    Script.asked.push_back(path);
    Script.owners.push_back(owner);
    if (Script.answers.empty()) return IDCANCEL;
    int answer = Script.answers.front();
    Script.answers.erase(Script.answers.begin());
    return answer;
}

class Overwrite : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        Script = QuestionScript();
        unzip_.setQuestion(ScriptedAnswer);
        tar_.setQuestion(ScriptedAnswer);
        sevenZip_.setQuestion(ScriptedAnswer);
        owner_ = CreateCallbackWindow();
        ASSERT_NE(nullptr, owner_);
        WriteBytes(Path("src\\1.txt"), "new 1");
        WriteBytes(Path("src\\表\\2.txt"), "new 2");
        WriteBytes(Path("src\\3.txt"), "new 3");
        std::string response = Response({"1.txt", "表", "3.txt"});
        ASSERT_EQ(0, zip_.Run("-r \"" + Path("a.zip") + "\" \"" + Path("src\\") + "\" \"@" + response + "\""));
        ASSERT_EQ(0, tar_.Run("-cvzf \"" + Path("a.tar") + "\" -o \"" + Path("src\\") + "\" \"@" + response + "\""));
        // Read through libarchive, decoded on a thread of its own ahead of the question.
        ASSERT_EQ(0, sevenZip_.Run("a -t7z -ms=off \"" + Path("a.7z") + "\" \"" + Path("src\\") + "\" \"@" + response + "\""));
    }
    void TearDown() override {
        DestroyWindow(owner_);
        LibraryTest::TearDown();
    }
    void MakeOldTree(const std::string& destination) {
        WriteBytes(destination + "1.txt", "old 1");
        WriteBytes(destination + "表\\2.txt", "old 2");
        WriteBytes(destination + "3.txt", "old 3");
    }
    HWND owner_ = nullptr;
};

struct Answers {
    const char* name;
    std::vector<int> answers;
    int result;
    size_t asked;
    const char* contents[3];
};
const Answers kAnswers[] = {
    {"yes to all", {IDYES, IDYES, IDYES}, 0, 3, {"new 1", "new 2", "new 3"}},
    {"no to all", {IDNO, IDNO, IDNO}, 0, 3, {"old 1", "old 2", "old 3"}},
    {"yes no yes", {IDYES, IDNO, IDYES}, 0, 3, {"new 1", "old 2", "new 3"}},
    {"cancel stops at once", {IDYES, IDCANCEL}, FDARC_E_CANCELLED, 2, {"new 1", "old 2", "old 3"}},
    {"no, then overwrite all", {IDNO, FDARC_ANSWER_OVERWRITE_ALL}, 0, 2, {"old 1", "new 2", "new 3"}},
    {"skip all at once", {FDARC_ANSWER_SKIP_ALL}, 0, 1, {"old 1", "old 2", "old 3"}},
};
}  // namespace

TEST_F(Overwrite, QuestionAnswersDecidePerFile) {
    struct Call { const char* name; ArchiverLibrary Overwrite::*library; std::string line; };
    for (const Answers& a : kAnswers) {
        auto folder = [&a](const char* format) { return std::string(format) + "-" + a.name + "\\"; };
        const Call calls[] = {
            {"zip", &Overwrite::unzip_, "-x \"" + Path("a.zip") + "\" \"" + Path(folder("zip")) + "\""},
            {"tar", &Overwrite::tar_, "-xvf \"" + Path("a.tar") + "\" -o \"" + Path(folder("tar")) + "\""},
            {"7z", &Overwrite::sevenZip_, "x \"" + Path("a.7z") + "\" \"" + Path(folder("7z")) + "\""},
        };
        for (const Call& call : calls) {
            SCOPED_TRACE(std::string(call.name) + ": " + a.name);
            std::string destination = Path(folder(call.name));
            MakeOldTree(destination);
            Script = QuestionScript();
            Script.answers = a.answers;
            EXPECT_EQ(a.result, (this->*call.library).Run(call.line, owner_));
            EXPECT_EQ(a.asked, Script.asked.size());
            if (!Script.asked.empty()) {
                EXPECT_EQ(destination + "1.txt", Script.asked[0]);
            }
            for (HWND owner : Script.owners) EXPECT_EQ(owner_, owner) << "question not owned by the caller's window";
            EXPECT_EQ(a.contents[0], ReadBytes(destination + "1.txt"));
            EXPECT_EQ(a.contents[1], ReadBytes(destination + "表\\2.txt"));
            EXPECT_EQ(a.contents[2], ReadBytes(destination + "3.txt"));
            // Replaced files go through a temporary file: none may be left over.
            EXPECT_EQ(4u, Snapshot(destination).size());
        }
    }
}

// Sixty new files with one old file among them: the files behind the old
// one may be made on other threads while it is asked about, yet a Cancel
// there leaves exactly what came before it, and the log keeps archive order.
TEST_F(Overwrite, CancelAtAQuestionLeavesNothingOfLaterEntries) {
    std::vector<std::string> names;
    for (int i = 0; i < 60; ++i) {
        char name[16];
        snprintf(name, sizeof name, "f%02d.txt", i);
        names.push_back(name);
        WriteBytes(Path(std::string("many\\") + name), std::string(2000 + i, static_cast<char>('a' + i % 26)));
    }
    std::string response = Response(names);
    ASSERT_EQ(0, zip_.Run("-r \"" + Path("m.zip") + "\" \"" + Path("many\\") + "\" \"@" + response + "\""));
    ASSERT_EQ(0, sevenZip_.Run("a -t7z -ms=off \"" + Path("m.7z") + "\" \"" + Path("many\\") + "\" \"@" + response + "\""));
    struct Call { const char* name; ArchiverLibrary Overwrite::*library; const char* line; };
    const Call calls[] = {{"zip", &Overwrite::unzip_, "-x \"%s\" \"%s\""}, {"7z", &Overwrite::sevenZip_, "x \"%s\" \"%s\""}};
    for (const Call& call : calls) {
        SCOPED_TRACE(call.name);
        std::string destination = Path(std::string("cancel-") + call.name + "\\");
        WriteBytes(destination + "f20.txt", "old");
        Script = QuestionScript();
        Script.answers = {IDCANCEL};
        char line[600];
        snprintf(line, sizeof line, call.line, Path(std::string("m.") + call.name).c_str(), destination.c_str());
        std::string output;
        EXPECT_EQ(FDARC_E_CANCELLED, (this->*call.library).Run(line, owner_, &output));
        EXPECT_EQ(std::vector<std::string>{destination + "f20.txt"}, Script.asked);
        std::map<std::string, std::string> expected = {{"f20.txt", "old"}};
        for (int i = 0; i < 20; ++i) expected[names[i]] = ReadBytes(Path("many\\" + names[i]));
        EXPECT_EQ(expected, Snapshot(destination));
        size_t at = 0;
        for (int i = 0; i < 20; ++i) {
            at = output.find(names[i], at);
            ASSERT_NE(std::string::npos, at) << names[i] << " missing from the log or out of order";
        }
    }
}

TEST_F(Overwrite, SwitchOverwritesWithoutAsking) {
    std::string destination = Path("o\\");
    MakeOldTree(destination);
    SetFileAttributesA((destination + "3.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, unzip_.Run("-x -o \"" + Path("a.zip") + "\" \"" + destination + "\""));
    EXPECT_TRUE(Script.asked.empty());
    EXPECT_EQ("new 1", ReadBytes(destination + "1.txt"));
    EXPECT_EQ("new 2", ReadBytes(destination + "表\\2.txt"));
    EXPECT_EQ("new 3", ReadBytes(destination + "3.txt"));
}

TEST_F(Overwrite, NothingAskedForNewFilesAndFoldersAreMade) {
    struct Call { const char* name; ArchiverLibrary Overwrite::*library; std::string line; std::string destination; };
    const Call calls[] = {
        {"zip", &Overwrite::unzip_, "-x \"" + Path("a.zip") + "\" \"" + Path("deep\\z\\y\\") + "\"", Path("deep\\z\\y\\")},
        {"tar", &Overwrite::tar_, "-xvf \"" + Path("a.tar") + "\" -o \"" + Path("deep\\t\\y\\") + "\"", Path("deep\\t\\y\\")},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.name);
        EXPECT_EQ(0, (this->*call.library).Run(call.line));
        EXPECT_TRUE(Script.asked.empty());
        EXPECT_EQ(Snapshot(Path("src")), Snapshot(call.destination));
    }
}

TEST_F(Overwrite, FolderInTheWayOfAFileIsAnError) {
    std::string destination = Path("clash\\");
    MakeFolder(destination + "1.txt");
    EXPECT_EQ(FDARC_E_WRITE, unzip_.Run("-x -o \"" + Path("a.zip") + "\" \"" + destination + "\""));
    EXPECT_EQ("new 3", ReadBytes(destination + "3.txt"));  // the other entries still come out
}

// Other tools flag UTF-8 names (bit 11); they come out as code page 932, and
// a character code page 932 lacks is refused instead of written wrongly.
TEST_F(Overwrite, NamesFlaggedUtf8BecomeCodePage932) {
    std::string utf8Name = u8"ソフト/表示.txt";
    WriteBytes(Path("u.zip"), BuildStoredZip({{utf8Name, "x", '0', 0x800}, {u8"\U0001F600.txt", "y", '0', 0x800}}));
    // One "?" per UTF-16 unit: the emoji is a surrogate pair.
    EXPECT_EQ((std::vector<std::string>{"ソフト/表示.txt", "??.txt"}), unzip_.List(Path("u.zip")));
    EXPECT_EQ(FDARC_E_UNSAFE_NAME, unzip_.Run("-x \"" + Path("u.zip") + "\" \"" + Path("u\\") + "\""));
    EXPECT_EQ((std::map<std::string, std::string>{{"ソフト", "<folder>"}, {"ソフト\\表示.txt", "x"}}), Snapshot(Path("u")));
}

// Folders stored without the trailing '/' but with the folder attribute are
// folders, so the entries below them still come out.
TEST_F(Overwrite, FolderMarkedOnlyByItsAttribute) {
    WriteBytes(Path("f.zip"), BuildStoredZip({{"dir", "", '5'}, {"dir/a.txt", "a"}, {"empty", "", '0'}}));
    EXPECT_EQ(0, unzip_.Run("-x \"" + Path("f.zip") + "\" \"" + Path("f\\") + "\""));
    EXPECT_EQ((std::map<std::string, std::string>{{"dir", "<folder>"}, {"dir\\a.txt", "a"}, {"empty", ""}}),
              Snapshot(Path("f")));
}

namespace {
// The Info-ZIP Unicode path field for a stored name: CRC-32 of those bytes.
std::string UnicodePathExtra(const std::string& storedFor, const std::string& utf8) {
    std::string field = MakeUnicodePathField(storedFor, utf8);
    std::string extra = {static_cast<char>(0x75), static_cast<char>(0x70), static_cast<char>(field.size() & 0xFF),
                         static_cast<char>(field.size() >> 8)};
    return extra + field;
}

size_t Occurrences(const std::string& haystack, const std::string& needle) {
    size_t count = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
    return count;
}
}  // namespace

// Names an archive stores without a mark are UTF-8 when all of its names that
// are not ASCII read as UTF-8, else code page 932: decided for the whole
// archive, in every format that has such names.
TEST_F(Overwrite, UnmarkedNamesFollowTheWholeArchive) {
    const std::string u8Hyou00 = u8"表計算00.txt", u8Hyou20 = u8"ソフト/表計算20.txt";
    const std::string halfTeSu = "\xC3\xBD.txt";  // ﾃｽ.txt in code page 932, valid UTF-8 by chance
    using Tree = std::map<std::string, std::string>;
    const Tree utf8Tree = {{"表計算00.txt", "a"}, {"ソフト", "<folder>"}, {"ソフト\\表計算20.txt", "b"}};
    struct Case {
        const char* name;
        ArchiverLibrary Overwrite::*library;
        const char* extension;
        std::string archive;
        Tree tree;
    };
    const Case cases[] = {
        {"zip, UTF-8 without flag", &Overwrite::unzip_, "zip", BuildStoredZip({{u8Hyou00, "a"}, {u8Hyou20, "b"}}), utf8Tree},
        {"zip, code page 932 with a name valid as UTF-8", &Overwrite::unzip_, "zip",
         BuildStoredZip({{halfTeSu, "a"}, {"表.txt", "b"}}), {{halfTeSu, "a"}, {"表.txt", "b"}}},
        {"zip, Unicode path field", &Overwrite::unzip_, "zip",
         BuildStoredZip({{"\x95\x5C" ".txt", "a", '0', 0, UnicodePathExtra("\x95\x5C" ".txt", u8"能.txt")}}), {{"能.txt", "a"}}},
        {"zip, Unicode path field of another name", &Overwrite::unzip_, "zip",
         BuildStoredZip({{"\x95\x5C" ".txt", "a", '0', 0, UnicodePathExtra("old.txt", u8"能.txt")}}), {{"表.txt", "a"}}},
        {"tar, UTF-8 ustar names", &Overwrite::tar_, "tar", BuildTar({{u8Hyou00, "a"}, {u8Hyou20, "b"}}), utf8Tree},
        {"tar, code page 932 with a name valid as UTF-8", &Overwrite::tar_, "tar",
         BuildTar({{halfTeSu, "a"}, {"表.txt", "b"}}), {{halfTeSu, "a"}, {"表.txt", "b"}}},
        {"lzh, UTF-8 names", &Overwrite::unlha_, "lzh", BuildLzh({{u8Hyou00, "a"}, {u8Hyou20, "b"}}), utf8Tree},
        {"lzh, code page 932 names", &Overwrite::unlha_, "lzh", BuildLzh({{"表.txt", "b"}, {halfTeSu, "a"}}),
         {{halfTeSu, "a"}, {"表.txt", "b"}}},
        {"cab, UTF-8 names without the flag", &Overwrite::cab_, "cab",
         BuildStoredCab({{u8"表計算00.txt", "a"}, {u8"ソフト\\表計算20.txt", "b"}}), utf8Tree},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string archive = Path(std::string("n-") + c.name + "." + c.extension);
        std::string destination = Path(std::string("n-") + c.name + "\\");
        WriteBytes(archive, c.archive);
        const ArchiverLibrary& library = this->*c.library;
        std::string line = library.prefix == "Tar" ? "-xvf \"" + archive + "\" -o \"" + destination + "\""
                         : library.prefix == "UnZip" ? "-x \"" + archive + "\" \"" + destination + "\""
                         : library.prefix == "Unlha" ? "x \"" + archive + "\" \"" + destination + "\""
                                                     : "-x \"" + archive + "\" \"" + destination + "\"";
        EXPECT_EQ(0, library.Run(line));
        EXPECT_EQ(c.tree, Snapshot(destination));
    }
}

// Two names that land on one file: the second is reported and the call says
// so; the question is only for a file that was there before the call.
TEST_F(Overwrite, TwoNamesNeverLandOnOneFile) {
    WriteBytes(Path("c.tar"), BuildTar({{"Same.txt", "first"}, {"same.TXT", "second"}}));
    WriteBytes(Path("c.zip"), BuildStoredZip({{"Same.txt", "first"}, {"same.TXT", "second"}}));
    WriteBytes(Path("c.7z"), BuildWithLibarchive("7zip", "none", {{"Same.txt", "first"}, {"same.TXT", "second"}}));
    struct Case {
        const char* name;
        ArchiverLibrary Overwrite::*library;
        std::string line;
    };
    for (bool existedBefore : {false, true}) {
        const std::string tag = existedBefore ? "old-" : "new-";
        const Case cases[] = {
            {"tar", &Overwrite::tar_, "-xvf \"" + Path("c.tar") + "\" -o \"" + Path(tag + "tar\\") + "\""},
            {"zip", &Overwrite::unzip_, "-x \"" + Path("c.zip") + "\" \"" + Path(tag + "zip\\") + "\""},
            {"7z", &Overwrite::sevenZip_, "x \"" + Path("c.7z") + "\" \"" + Path(tag + "7z\\") + "\""},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(tag + c.name);
            std::string destination = Path(tag + c.name + "\\");
            if (existedBefore) WriteBytes(destination + "Same.txt", "old");
            Script = QuestionScript();
            Script.answers = {IDYES, IDYES};
            std::string output;
            EXPECT_EQ(FDARC_E_SAME_NAME, (this->*c.library).Run(c.line, owner_, &output));
            EXPECT_EQ(existedBefore ? 1u : 0u, Script.asked.size());
            EXPECT_EQ((std::map<std::string, std::string>{{"Same.txt", "first"}}), Snapshot(destination));
            EXPECT_NE(std::string::npos, output.find("same.TXT")) << output;
        }
    }
}

// Entries that are not written are named in the output and the result says so.
TEST_F(Overwrite, LinksAreReportedNotDropped) {
    WriteBytes(Path("l.zip"), BuildStoredZip({{"a.txt", "a"}, {"link", "a.txt", '2'}}));
    WriteBytes(Path("l.7z"), BuildWithLibarchive("7zip", "none", {{"a.txt", "a"}, {"表/link", "../a.txt", '2'}}));
    struct Case {
        const char* name;
        ArchiverLibrary Overwrite::*library;
        std::string line, destination, reported;
    };
    const Case cases[] = {
        {"zip", &Overwrite::unzip_, "-x \"" + Path("l.zip") + "\" \"" + Path("lz\\") + "\"", Path("lz\\"), "link"},
        {"7z", &Overwrite::sevenZip_, "x \"" + Path("l.7z") + "\" \"" + Path("l7\\") + "\"", Path("l7\\"), "表/link -> ../a.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string output;
        EXPECT_EQ(FDARC_E_UNSUPPORTED, (this->*c.library).Run(c.line, owner_, &output));
        EXPECT_NE(std::string::npos, output.find("シンボリックリンクは展開しません: " + c.reported)) << output;
        EXPECT_EQ("a", ReadBytes(c.destination + "a.txt"));
        EXPECT_FALSE(PathExists(c.destination + "link"));
    }
}

// What the library writes carries the UTF-8 names other systems read, beside
// the code page 932 bytes the common API's readers read; an update keeps them
// (cab: CabCreate).
TEST_F(Overwrite, WrittenNamesCarryUtf8) {
    const std::string utf8 = u8"表/ソ.txt";
    std::string response = Response({"表", "1.txt"});
    WriteBytes(Path("w\\表\\ソ.txt"), "so");
    WriteBytes(Path("w\\1.txt"), "one");
    ASSERT_EQ(0, zip_.Run("-r \"" + Path("w.zip") + "\" \"" + Path("w\\") + "\" \"@" + response + "\""));
    ASSERT_EQ(0, tar_.Run("-cvf \"" + Path("w.tar") + "\" -o \"" + Path("w\\") + "\" \"@" + response + "\""));

    // zip: the field in the local header and the central record, CRC of the stored name.
    std::string field = UnicodePathExtra("表/ソ.txt", utf8);
    EXPECT_EQ(2u, Occurrences(ReadBytes(Path("w.zip")), field));
    EXPECT_EQ(0u, Occurrences(ReadBytes(Path("w.zip")), UnicodePathExtra("1.txt", "1.txt")));
    WriteBytes(Path("w\\2.txt"), "two");
    ASSERT_EQ(0, zip_.Run("-r \"" + Path("w.zip") + "\" \"" + Path("w\\") + "\" \"@" + Response({"2.txt"}) + "\""));
    EXPECT_EQ(2u, Occurrences(ReadBytes(Path("w.zip")), field)) << "kept by the update";
    // tar: a pax path record, and the ustar header still holds code page 932.
    std::string tar = ReadBytes(Path("w.tar"));
    EXPECT_EQ(1u, Occurrences(tar, " path=" + utf8 + "\n"));
    EXPECT_EQ(1u, Occurrences(tar, std::string("表/ソ.txt") + '\0'));
    EXPECT_EQ((std::vector<std::string>{"表/", "表/ソ.txt", "1.txt"}), tar_.List(Path("w.tar")));
}

// Without a question of the caller's the library asks in its own dialog;
// one answer for the rest of the call settles every further file.
TEST_F(Overwrite, OwnDialogAnswersForTheRestOfTheCall) {
    unzip_.setQuestion(nullptr);
    struct Case { const char* name; int button; const char* contents[3]; };
    const Case cases[] = {
        {"overwrite all", IDC_FDARC_OVERWRITE_ALL, {"new 1", "new 2", "new 3"}},
        {"skip all", IDC_FDARC_SKIP_ALL, {"old 1", "old 2", "old 3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string destination = Path(std::string("own-") + (c.button == IDC_FDARC_SKIP_ALL ? "skip" : "all") + "\\");
        MakeOldTree(destination);
        std::atomic<bool> done(false);
        int shown = 0;
        std::string text;
        std::string label;
        // The dialog runs on this thread: another one finds it and answers.
        std::thread answerer([&] {
            HWND last = nullptr;
            for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 20000; Sleep(20)) {
                HWND dialog = FindWindowA("#32770", "上書きの確認");
                if (dialog == nullptr || dialog == last || !IsWindowVisible(dialog)) continue;
                last = dialog;
                ++shown;
                char buffer[600] = "";
                GetDlgItemTextA(dialog, IDC_FDARC_OVERWRITE_TEXT, buffer, sizeof(buffer));
                text = buffer;
                GetDlgItemTextA(dialog, c.button, buffer, sizeof(buffer));
                label = buffer;
                PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(c.button), 0);
            }
            // A question that did not take the answer is cancelled, so the
            // call ends and the test fails instead of hanging.
            for (HWND left; !done && (left = FindWindowA("#32770", "上書きの確認")) != nullptr; Sleep(20)) {
                PostMessageA(left, WM_COMMAND, IDCANCEL, 0);
            }
        });
        int result = unzip_.Run("-x \"" + Path("a.zip") + "\" \"" + destination + "\"", owner_);
        done = true;
        answerer.join();
        EXPECT_EQ(0, result);
        EXPECT_EQ(1, shown);
        EXPECT_EQ(destination + "1.txt\n\nこのファイルは既に存在します。上書きしますか？", text);
        EXPECT_EQ(c.button == IDC_FDARC_SKIP_ALL ? "すべてスキップ(&S)" : "すべて上書き(&A)", label);
        EXPECT_EQ(c.contents[0], ReadBytes(destination + "1.txt"));
        EXPECT_EQ(c.contents[1], ReadBytes(destination + "表\\2.txt"));
        EXPECT_EQ(c.contents[2], ReadBytes(destination + "3.txt"));
        EXPECT_EQ(4u, Snapshot(destination).size());
    }
}
