// Creating and updating cabinets as the compression run does: one call per
// folder group on the same archive, names with trail byte 0x5C, failures
// that must leave the old archive as it was.
#include <string.h>

#include <algorithm>

#include "base/textconv.h"
#include "cab/cabread.h"
#include "test_support.h"

namespace {
class StringBytes : public CabByteSource {
public:
    explicit StringBytes(const std::string& bytes) : bytes_(bytes) {}
    uint64_t Size() override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, void* dst, size_t count) override {
        if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
        memcpy(dst, bytes_.data() + offset, count);
        return true;
    }

private:
    const std::string& bytes_;
};

// Stored name -> contents, read back with the library's own reader.
std::map<std::string, std::string> CabContents(const std::string& path, size_t* folders = nullptr) {
    std::map<std::string, std::string> files;
    std::string bytes = ReadBytes(path);
    StringBytes source(bytes);
    CabDirectory directory;
    std::string error;
    EXPECT_EQ(CabStatus::Ok, ReadCabDirectory(&source, &directory, &error)) << error;
    if (folders != nullptr) *folders = directory.folders.size();
    for (const CabFile& file : directory.files) {
        CabFolderReader reader;
        EXPECT_EQ(CabStatus::Ok, reader.Begin(&source, directory, file.folder));
        std::string data(file.size, '\0');
        EXPECT_EQ(CabStatus::Ok, reader.ReadAt(file.folderOffset, reinterpret_cast<unsigned char*>(&data[0]), data.size()))
            << file.name;
        // Names that are not ASCII are stored as UTF-8, flagged; the others as they are.
        bool ascii = std::all_of(file.name.begin(), file.name.end(), [](char c) { return (c & 0x80) == 0; });
        EXPECT_EQ(ascii ? 0 : 0x80, file.attributes & 0x80) << file.name;
        std::string name = file.name;
        if (!ascii) {
            EXPECT_TRUE(Utf8NameToCp932(file.name, &name)) << file.name;
        }
        files[name] = data;
    }
    return files;
}

class CabCreate : public LibraryTest {
protected:
    // The compression run's call through the main entry: "-a -r -o" archive, base folder, response file.
    int Create(const std::string& archive, const std::string& base, const std::vector<std::string>& names,
               std::string* output = nullptr) {
        return cab_.Run("-a -r -o \"" + archive + "\" \"" + base + "\" \"@" + Response(names) + "\"", nullptr, output);
    }
};

const char kHyouji[] = "\x83\x5c\x83t\x83g\\\x95\x5c\x8e\xa6.txt";                    // ソフト\表示.txt
const char kData[] = "\x83\x5c\x83t\x83g\\\x94\x5c\x97\xcd\\\x83" "f\x81[\x83^.bin";    // ソフト\能力\データ.bin
const char kSoX[] = "\x83\x5c\\x.txt";                                                // ソ\x.txt
}  // namespace

TEST_F(CabCreate, TreeWithDoubleByteNamesComesBack) {
    std::string base = Path("src\\");
    WriteBytes(base + "ソフト\\表示.txt", "表示のテキスト\r\n");
    WriteBytes(base + "ソフト\\能力\\データ.bin", PseudoRandomBytes(70000, 1));
    WriteBytes(base + "ソ\\x.txt", "so");
    WriteBytes(base + "exact.bin", PseudoRandomBytes(32768, 2));
    WriteBytes(base + "readme.txt", std::string(3 << 20, 'a') + PseudoRandomBytes(1 << 20, 3));
    WriteBytes(base + "empty.txt", "");
    MakeFolder(base + "空フォルダ");
    std::string archive = Path("x.cab");
    ASSERT_EQ(0, Create(archive, base, {"ソフト", "ソ", "exact.bin", "readme.txt", "empty.txt", "空フォルダ\\"}));
    std::map<std::string, std::string> expected = {
        {kHyouji, ReadBytes(base + "ソフト\\表示.txt")},
        {kData, ReadBytes(base + "ソフト\\能力\\データ.bin")},
        {kSoX, "so"},
        {"exact.bin", ReadBytes(base + "exact.bin")},
        {"readme.txt", ReadBytes(base + "readme.txt")},
        {"empty.txt", ""},
    };
    EXPECT_EQ(expected, CabContents(archive));
    EXPECT_LT(ReadBytes(archive).size(), (1u << 20) + 200000);  // the 3 MiB of 'a' shrank
    // The library reads back what it wrote: the same files under the same names.
    ASSERT_EQ(0, cab_.Run("-x -o \"" + archive + "\" \"" + Path("out\\") + "\""));
    std::map<std::string, std::string> source = Snapshot(base), extracted = Snapshot(Path("out\\"));
    source.erase("空フォルダ");  // a cabinet stores no folders
    EXPECT_EQ(source, extracted);
}

TEST_F(CabCreate, EachGroupAddsToTheArchiveAndSameNamesAreReplaced) {
    std::string archive = Path("x.cab");
    WriteBytes(Path("d\\a.txt"), "first a");
    WriteBytes(Path("d\\ソ\\s.txt"), "in so");
    WriteBytes(Path("e\\b.txt"), PseudoRandomBytes(100000, 4));
    WriteBytes(Path("f\\a.txt"), "second a");
    ASSERT_EQ(0, Create(archive, Path("d\\"), {"a.txt", "ソ\\"}));
    ASSERT_EQ(0, Create(archive, Path("e\\"), {"b.txt"}));
    size_t folders = 0;
    std::map<std::string, std::string> expected = {
        {"a.txt", "first a"}, {"\x83\x5c\\s.txt", "in so"}, {"b.txt", ReadBytes(Path("e\\b.txt"))}};
    EXPECT_EQ(expected, CabContents(archive, &folders));
    EXPECT_EQ(2u, folders);  // the first group's folder was kept as it was
    ASSERT_EQ(0, Create(archive, Path("f\\"), {"a.txt"}));
    expected["a.txt"] = "second a";
    EXPECT_EQ(expected, CabContents(archive));
}

TEST_F(CabCreate, FailedUpdateLeavesTheOldArchive) {
    std::string archive = Path("x.cab");
    WriteBytes(Path("d\\a.txt"), "kept");
    ASSERT_EQ(0, Create(archive, Path("d\\"), {"a.txt"}));
    std::string before = ReadBytes(archive);
    WriteBytes(Path("d\\locked.txt"), "cannot be read");
    HANDLE lock = CreateFileA(Path("d\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    // 3 GiB without data (sparse): more than one folder of a cabinet holds.
    HANDLE huge = CreateFileA(Path("d\\huge.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, huge);
    LARGE_INTEGER end;
    end.QuadPart = 3LL << 30;
    ASSERT_TRUE(SetFilePointerEx(huge, end, nullptr, FILE_BEGIN) && SetEndOfFile(huge));
    CloseHandle(huge);
    struct Case {
        const char* name;
        std::vector<std::string> names;
        int error;
    };
    const Case cases[] = {
        {"missing file", {"a.txt", "nothing.txt"}, FDARC_E_NO_FILES},
        {"unreadable file", {"a.txt", "locked.txt"}, FDARC_E_READ},
        {"file over 2 GiB", {"a.txt", "huge.bin"}, FDARC_E_TOO_LARGE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.error, Create(archive, Path("d\\"), c.names));
        EXPECT_EQ(before, ReadBytes(archive));
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(Path("fda*").c_str(), &data);  // temporary archives are made beside it
        EXPECT_EQ(INVALID_HANDLE_VALUE, find) << "temporary file left: " << data.cFileName;
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
    }
    CloseHandle(lock);
    WriteBytes(Path("not.cab"), "this is no cabinet at all");
    EXPECT_EQ(FDARC_E_CORRUPT, Create(Path("not.cab"), Path("d\\"), {"a.txt"}));
    EXPECT_EQ("this is no cabinet at all", ReadBytes(Path("not.cab")));
}

TEST_F(CabCreate, OnlyEmptyFoldersAreRefused) {
    MakeFolder(Path("d\\空"));
    std::string output;
    EXPECT_EQ(FDARC_E_NO_FILES, Create(Path("x.cab"), Path("d\\"), {"空\\"}, &output));
    EXPECT_FALSE(PathExists(Path("x.cab")));
    EXPECT_NE(std::string::npos, output.find("cab")) << output;
}
