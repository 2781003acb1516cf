// Creating and updating lzh archives on disk, below the entry points: what
// ends up in the archive, and that a failed update leaves it as it was.
#include "lzhcreate.h"
#include "lzhwrite.h"
#include "fileio.h"
#include "test_support.h"

namespace {
class LzhCreate : public LibraryTest {
protected:
    int Create(const std::string& archive, const std::string& base, const std::vector<std::string>& names) {
        Command command;
        command.create = true;
        command.recurse = true;
        command.archive = archive;
        command.folder = base;
        command.responseFiles.push_back(Response(names));
        CallLog log;
        return CreateLzh(command, &log);
    }
    // (name, method) of every entry, in archive order.
    static std::vector<std::pair<std::string, std::string>> Entries(const std::string& archive) {
        std::string bytes = ReadBytes(archive);
        struct Input : LzhInput {
            const std::string& bytes;
            explicit Input(const std::string& b) : bytes(b) {}
            uint64_t Size() const override { return bytes.size(); }
            bool ReadAt(uint64_t offset, void* data, size_t size) override {
                if (offset > bytes.size() || size > bytes.size() - offset) return false;
                memcpy(data, bytes.data() + offset, size);
                return true;
            }
        } input(bytes);
        std::vector<LzhStoredEntry> entries;
        std::string error;
        EXPECT_EQ(LzhStatus::Ok, ReadLzhDirectory(&input, &entries, &error)) << error;
        std::vector<std::pair<std::string, std::string>> result;
        for (const LzhStoredEntry& e : entries) result.emplace_back(e.name, e.method);
        return result;
    }
};
}  // namespace

// Two calls from two base folders, as a compression run makes them for two
// folder groups: the second keeps the first one's entries and replaces a.txt.
TEST_F(LzhCreate, GroupsAppendAndSameNamesAreReplaced) {
    std::string first = Path("one\\"), second = Path("two\\");
    WriteBytes(first + "ソフト\\表示.txt", std::string(5000, 'x'));
    WriteBytes(first + "a.txt", "old a");
    MakeFolder(first + "空");
    WriteBytes(second + "a.txt", PseudoRandomBytes(3000, 4));
    std::string archive = Path("x.lzh");
    ASSERT_EQ(0, Create(archive, first, {"ソフト", "a.txt", "空\\"}));
    ASSERT_EQ(0, Create(archive, second, {"a.txt"}));
    std::vector<std::pair<std::string, std::string>> expected = {
        {"\x83\x5c\x83t\x83g/", "-lhd-"},                       // ソフト/
        {"\x83\x5c\x83t\x83g/\x95\x5c\x8e\xa6.txt", "-lh7-"},   // ソフト/表示.txt
        {"\x8b\xf3/", "-lhd-"},                                 // 空/
        {"a.txt", "-lh0-"},                                     // random data is stored
    };
    EXPECT_EQ(expected, Entries(archive));
}

// Nothing is written over the archive unless the whole update succeeded.
TEST_F(LzhCreate, FailuresLeaveTheArchiveAsItWas) {
    struct Case {
        const char* name;
        std::string archiveBytes;   // "" makes a real lzh first
        std::vector<std::string> names;
        int result;
    };
    WriteBytes(Path("src\\a.txt"), "a");
    const Case cases[] = {
        {"a missing source", "", {"a.txt", "missing.txt"}, FDARC_E_NO_FILES},
        {"not an lzh", "PK\x03\x04 this is something else entirely", {"a.txt"}, FDARC_E_CORRUPT},
        {"cut in the middle", "", {"a.txt"}, FDARC_E_CORRUPT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string archive = Path(std::string(c.name) + ".lzh");
        std::string before = c.archiveBytes;
        if (before.empty()) {
            ASSERT_EQ(0, Create(archive, Path("src\\"), {"a.txt"}));
            before = ReadBytes(archive);
            if (c.result == FDARC_E_CORRUPT) before.resize(before.size() - 2);  // the data ends early
        }
        WriteBytes(archive, before);
        EXPECT_EQ(c.result, Create(archive, Path("src\\"), c.names));
        EXPECT_EQ(before, ReadBytes(archive));
    }
}
