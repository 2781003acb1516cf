// Creating and updating lzh archives on disk, below the entry points: what
// ends up in the archive, and that a failed update leaves it as it was.
#include "lzh/lzhcreate.h"
#include "lzh/lzhwrite.h"
#include "common/fileio.h"
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

// An existing archive whose last entry is cut short is refused, not
// rewritten without it.
TEST_F(LzhCreate, TruncatedArchiveIsLeftAsItWas) {
    WriteBytes(Path("src\\a.txt"), "a");
    std::string archive = Path("cut.lzh");
    ASSERT_EQ(0, Create(archive, Path("src\\"), {"a.txt"}));
    std::string before = ReadBytes(archive);
    before.resize(before.size() - 2);  // the end mark and the one stored byte
    WriteBytes(archive, before);
    EXPECT_EQ(FDARC_E_CORRUPT, Create(archive, Path("src\\"), {"a.txt"}));
    EXPECT_EQ(before, ReadBytes(archive));
}
