// The entries around the main one: counting, the find record, handles,
// GetRunning and background mode.
#include <stdint.h>
#include <string.h>

#include "fdarc_progress.h"
#include "test_support.h"

namespace {
class Api : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        WriteBytes(Path("src\\a.txt"), "aaaa");
        WriteBytes(Path("src\\表\\b.txt"), std::string(5000, 'b'));
        std::string response = Response({"a.txt", "表"});
        ASSERT_EQ(0, zip_.Run("-r \"" + Path("x.zip") + "\" \"" + Path("src\\") + "\" \"@" + response + "\""));
        ASSERT_EQ(0, tar_.Run("-cvzf \"" + Path("x.tar") + "\" -o \"" + Path("src\\") + "\" \"@" + response + "\""));
    }
};

// A record inside a larger buffer: bytes past 560 must stay untouched.
struct GuardedRecord {
    unsigned char bytes[FDARC_FIND_RECORD_SIZE + 32];
    GuardedRecord() { memset(bytes, 0xCC, sizeof bytes); }
    const char* Name() const { return reinterpret_cast<const char*>(bytes + 26); }
    bool TailUntouched() const {
        for (size_t i = FDARC_FIND_RECORD_SIZE; i < sizeof bytes; ++i) {
            if (bytes[i] != 0xCC) return false;
        }
        return true;
    }
};
}  // namespace

TEST_F(Api, FindRecordsCarryNameAtByte26AndSizes) {
    struct Case { const char* name; const ArchiverLibrary* library; std::string archive; };
    const Case cases[] = {{"zip", &unzip_, Path("x.zip")}, {"tar", &tar_, Path("x.tar")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(3, c.library->count(c.archive.c_str()));
        HANDLE archive = c.library->open(nullptr, c.archive.c_str(), 0);
        ASSERT_NE(nullptr, archive);
        GuardedRecord record;
        ASSERT_EQ(0, c.library->first(archive, "*", record.bytes));
        EXPECT_STREQ("a.txt", record.Name());
        const FdarcFindRecord* r = reinterpret_cast<const FdarcFindRecord*>(record.bytes);
        EXPECT_EQ(4u, r->originalSize);
        EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), r->attributes);
        ASSERT_EQ(0, c.library->next(archive, record.bytes));
        EXPECT_STREQ("表/", record.Name());
        EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), r->attributes);
        ASSERT_EQ(0, c.library->next(archive, record.bytes));
        EXPECT_STREQ("表/b.txt", record.Name());
        EXPECT_EQ(5000u, r->originalSize);
        EXPECT_EQ(-1, c.library->next(archive, record.bytes));
        EXPECT_EQ(-1, c.library->next(archive, record.bytes));
        EXPECT_TRUE(record.TailUntouched());
        // FindFirst starts over with a new pattern.
        ASSERT_EQ(0, c.library->first(archive, "*b.txt", record.bytes));
        EXPECT_STREQ("表/b.txt", record.Name());
        EXPECT_EQ(-1, c.library->next(archive, record.bytes));
        EXPECT_EQ(-1, c.library->first(archive, "*.none", record.bytes));
        EXPECT_EQ(0, c.library->close(archive));
    }
}

TEST_F(Api, LongNamesAreCutAt512BytesOnACharacterBoundary) {
    // 1 + 2 * 300 bytes: the cut at 512 would fall inside a 表.
    std::string name = "a";
    for (int i = 0; i < 300; ++i) name += "表";
    WriteBytes(Path("long.tar"), BuildTar({{"././@LongLink", name + '\0', 'L'}, {"cut", "data"}}));
    EXPECT_EQ(1, tar_.count(Path("long.tar").c_str()));
    HANDLE archive = tar_.open(nullptr, Path("long.tar").c_str(), 0);
    ASSERT_NE(nullptr, archive);
    GuardedRecord record;
    ASSERT_EQ(0, tar_.first(archive, "*", record.bytes));
    EXPECT_EQ(511u, strlen(record.Name()));
    EXPECT_EQ(0, memcmp(record.Name(), name.data(), 511));
    EXPECT_TRUE(record.TailUntouched());
    tar_.close(archive);
}

TEST_F(Api, BadHandlesAreRefusedNotFollowed) {
    GuardedRecord record;
    int local = 0;
    HANDLE bogus[] = {nullptr, INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(&local)};
    for (HANDLE handle : bogus) {
        EXPECT_EQ(-1, unzip_.first(handle, "*", record.bytes));
        EXPECT_EQ(-1, unzip_.next(handle, record.bytes));
        EXPECT_NE(0, unzip_.close(handle));
    }
    HANDLE archive = unzip_.open(nullptr, Path("x.zip").c_str(), 0);
    ASSERT_NE(nullptr, archive);
    EXPECT_EQ(0, unzip_.close(archive));
    EXPECT_NE(0, unzip_.close(archive)) << "closed twice";
    EXPECT_EQ(-1, unzip_.first(archive, "*", record.bytes)) << "used after close";
    EXPECT_EQ(nullptr, unzip_.open(nullptr, nullptr, 0));
    EXPECT_EQ(-1, unzip_.count(nullptr));
    EXPECT_EQ(FDARC_E_COMMAND, unzip_.main(nullptr, nullptr, nullptr, 0));
}

namespace {
// What the window saw when its message was dispatched in the middle of a call.
struct Observation {
    const ArchiverLibrary* library = nullptr;
    std::string line;
    bool dispatched = false;
    BOOL running = FALSE;
    int reentrant = 0;
};
Observation Seen;

void ObserveDuringCall() {
    Seen.dispatched = true;
    Seen.running = Seen.library->getRunning();
    // Only while the call runs: afterwards a second call would really run.
    if (Seen.running) Seen.reentrant = Seen.library->main(nullptr, Seen.line.c_str(), nullptr, 0);
}
}  // namespace

TEST_F(Api, BackgroundModeDispatchesMessagesWhileRunning) {
    HWND window = CreateCallbackWindow();
    ASSERT_NE(nullptr, window);
    SetWindowCallback(ObserveDuringCall);
    struct Case { const char* name; const ArchiverLibrary* library; std::string line; };
    const Case cases[] = {
        {"zip", &zip_, "-r \"" + Path("y.zip") + "\" \"" + Path("src\\") + "\" \"@" + Response({"a.txt", "表"}) + "\""},
        {"unzip", &unzip_, "-x -o \"" + Path("x.zip") + "\" \"" + Path("u\\") + "\""},
        {"tar", &tar_, "-xvf \"" + Path("x.tar") + "\" -o \"" + Path("t\\") + "\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Seen = Observation();
        Seen.library = c.library;
        Seen.line = c.line;
        EXPECT_FALSE(c.library->getRunning());
        c.library->background(TRUE);
        PostMessageA(window, WM_APP, 0, 0);
        EXPECT_EQ(0, c.library->Run(c.line));
        EXPECT_TRUE(Seen.dispatched);
        EXPECT_TRUE(Seen.running);
        EXPECT_EQ(FDARC_E_BUSY, Seen.reentrant) << "a second call during the first must be refused";
        EXPECT_FALSE(c.library->getRunning());

        // Without background mode the message waits for the caller's own loop.
        Seen.dispatched = false;
        c.library->background(FALSE);
        PostMessageA(window, WM_APP, 0, 0);
        RemoveTree(Path("u"));
        RemoveTree(Path("t"));
        EXPECT_EQ(0, c.library->Run(c.line));
        EXPECT_FALSE(Seen.dispatched);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        EXPECT_TRUE(Seen.dispatched);
        EXPECT_FALSE(Seen.running) << "dispatched after the call";
    }
    SetWindowCallback(nullptr);
    DestroyWindow(window);

}

TEST_F(Api, OutputBufferIsBoundedAndTerminated) {
    const DWORD sizes[] = {1, 2, 7, 64};
    for (DWORD size : sizes) {
        SCOPED_TRACE(size);
        std::vector<char> buffer(size + 8, '\x7e');
        EXPECT_EQ(FDARC_E_OPEN_ARCHIVE, unzip_.main(nullptr, ("-x \"" + Path("none.zip") + "\" \"" + Path("n\\") + "\"").c_str(),
                                                    buffer.data(), size));
        EXPECT_NE(nullptr, memchr(buffer.data(), '\0', size));
        for (size_t i = size; i < buffer.size(); ++i) EXPECT_EQ('\x7e', buffer[i]);
    }
}

namespace {
// What a progress callback saw; it answers FALSE at the first file report
// when cancelAtFirstFile is set.
struct ProgressSeen {
    bool cancelAtFirstFile = false;
    int begins = 0, files = 0, ends = 0;
    ULONGLONG total = 0, lastDone = 0;
};
ProgressSeen Progress;

BOOL WINAPI RecordProgress(HWND, UINT state, ArchiverProgress* progress) {
    if (state == ARC_PROGRESS_BEGIN) ++Progress.begins;
    if (state == ARC_PROGRESS_END) ++Progress.ends;
    if (state == ARC_PROGRESS_FILE) ++Progress.files;
    Progress.total = progress->bytesTotal;
    Progress.lastDone = progress->bytesDone;
    return !(state == ARC_PROGRESS_FILE && Progress.cancelAtFirstFile);
}

std::string Incompressible(size_t size) {
    std::string bytes(size, '\0');
    uint32_t x = 2463534242u;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return bytes;
}
}  // namespace

// The progress callback: reports from BEGIN to END with the call's bytes,
// and a cancel leaves nothing half-made: no new archive, an updated one
// byte-identical, no partly extracted file.
TEST_F(Api, ProgressCallbackReportsAndCancelsCleanly) {
    using SetOwner = BOOL(WINAPI*)(HWND, ArchiverProgressCallback);
    using KillOwner = BOOL(WINAPI*)(HWND);
    const std::string big = Incompressible(3 << 20);
    WriteBytes(Path("src\\big.bin"), big);
    std::string response = Response({"big.bin"});
    auto registerOn = [](const ArchiverLibrary& library) {
        auto set = reinterpret_cast<SetOwner>(reinterpret_cast<void*>(
            GetProcAddress(library.module, (library.prefix + ARC_SET_OWNER_WINDOW_SUFFIX).c_str())));
        ASSERT_NE(set, nullptr);
        EXPECT_TRUE(set(nullptr, RecordProgress));
    };
    auto unregister = [](const ArchiverLibrary& library) {
        auto kill = reinterpret_cast<KillOwner>(reinterpret_cast<void*>(
            GetProcAddress(library.module, (library.prefix + ARC_KILL_OWNER_WINDOW_SUFFIX).c_str())));
        ASSERT_NE(kill, nullptr);
        EXPECT_TRUE(kill(nullptr));
    };
    const std::string add = "\" \"" + Path("src\\") + "\" \"@" + response + "\"";
    const std::string tarAdd = "\" -o \"" + Path("src\\") + "\" \"@" + response + "\"";

    registerOn(zip_);
    Progress = {};
    ASSERT_EQ(0, zip_.Run("-r \"" + Path("whole.zip") + add));
    EXPECT_EQ(Progress.begins, 1);
    EXPECT_GE(Progress.files, 1);
    EXPECT_EQ(Progress.ends, 1);
    EXPECT_EQ(Progress.total, big.size());
    EXPECT_EQ(Progress.lastDone, big.size());

    Progress = {};
    Progress.cancelAtFirstFile = true;
    EXPECT_EQ(FDARC_E_CANCELLED, zip_.Run("-r \"" + Path("new.zip") + add));
    EXPECT_EQ(GetFileAttributesA(Path("new.zip").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_LT(Progress.lastDone, big.size());

    const std::string before = ReadBytes(Path("x.zip"));
    EXPECT_EQ(FDARC_E_CANCELLED, zip_.Run("-r \"" + Path("x.zip") + add));
    EXPECT_EQ(ReadBytes(Path("x.zip")), before);
    unregister(zip_);

    registerOn(unzip_);
    Progress = {};
    Progress.cancelAtFirstFile = true;
    EXPECT_EQ(FDARC_E_CANCELLED, unzip_.Run("-x \"" + Path("whole.zip") + "\" \"" + Path("out\\") + "\""));
    EXPECT_EQ(GetFileAttributesA(Path("out\\big.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    Progress = {};
    ASSERT_EQ(0, unzip_.Run("-x \"" + Path("whole.zip") + "\" \"" + Path("out\\") + "\""));
    EXPECT_EQ(ReadBytes(Path("out\\big.bin")), big);
    EXPECT_EQ(Progress.lastDone, big.size());
    unregister(unzip_);

    // tar: the same library under its third prefix.
    registerOn(tar_);
    Progress = {};
    Progress.cancelAtFirstFile = true;
    EXPECT_EQ(FDARC_E_CANCELLED, tar_.Run("-cvf \"" + Path("new.tar") + tarAdd));
    EXPECT_EQ(GetFileAttributesA(Path("new.tar").c_str()), INVALID_FILE_ATTRIBUTES);
    const std::string tarBefore = ReadBytes(Path("x.tar"));
    EXPECT_EQ(FDARC_E_CANCELLED, tar_.Run("-cvzf \"" + Path("x.tar") + tarAdd));
    EXPECT_EQ(ReadBytes(Path("x.tar")), tarBefore);
    Progress = {};
    ASSERT_EQ(0, tar_.Run("-cvf \"" + Path("whole.tar") + tarAdd));
    EXPECT_EQ(Progress.lastDone, big.size());
    Progress = {};
    Progress.cancelAtFirstFile = true;
    EXPECT_EQ(FDARC_E_CANCELLED, tar_.Run("-xvf \"" + Path("whole.tar") + "\" -o \"" + Path("tarout\\") + "\""));
    EXPECT_EQ(GetFileAttributesA(Path("tarout\\big.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    unregister(tar_);
}
