// The cabinet writer and reader on Linux, judged by cabextract and gcab:
// block edges, names with trail byte 0x5C, folder limits, kept folders,
// damaged input.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "cab/cabread.h"
#include "cab/cabwrite.h"

static_assert(sizeof("あ") == 3, "literals must be code page 932");

namespace fs = std::filesystem;

namespace {
class MemorySink : public CabSink {
public:
    bool Write(const void* data, size_t count) override {
        bytes.append(static_cast<const char*>(data), count);
        return true;
    }
    bool PatchAt(uint64_t offset, const void* data, size_t count) override {
        if (offset + count > bytes.size()) return false;
        memcpy(&bytes[offset], data, count);
        return true;
    }
    uint64_t Position() override { return bytes.size(); }
    std::string bytes;
};

class MemoryBytes : public CabByteSource {
public:
    explicit MemoryBytes(const std::string& bytes) : bytes_(bytes) {}
    uint64_t Size() override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, void* dst, size_t count) override {
        if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
        memcpy(dst, bytes_.data() + offset, count);
        return true;
    }

private:
    const std::string& bytes_;
};

// Hands out the contents in pieces of varying size, as a file reader would.
class MemoryFiles : public CabFileSource {
public:
    explicit MemoryFiles(const std::vector<std::string>& contents) : contents_(contents) {}
    bool Open(size_t index) override {
        if (index >= contents_.size()) return false;
        current_ = &contents_[index];
        at_ = 0;
        return true;
    }
    bool Read(unsigned char* dst, size_t count, size_t* got) override {
        size_t piece = std::min({count, current_->size() - at_, size_t{7000} + at_ % 5});
        memcpy(dst, current_->data() + at_, piece);
        at_ += piece;
        *got = piece;
        return true;
    }

private:
    const std::vector<std::string>& contents_;
    const std::string* current_ = nullptr;
    size_t at_ = 0;
};

struct Item {
    std::string name;  // code page 932, '\' separators
    std::string data;
};

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string Repetitive(size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i) text += "line " + std::to_string(i % 50) + " of a compressible text\r\n";
    return text.substr(0, size);
}

// ソ (83 5C), 表 (95 5C) and 能 (94 5C) carry 0x5C as their second byte.
std::vector<Item> Corpus() {
    return {
        {"empty.txt", ""},
        {"one.bin", "x"},
        {"exact.bin", RandomBytes(32768, 1)},
        {"over.bin", RandomBytes(32769, 2)},
        {"repeat.txt", Repetitive(3 << 20)},
        {"random.bin", RandomBytes((1 << 20) + 12345, 3)},
        {"\x83\x5c\x83t\x83g\\\x95\x5c\x8e\xa6.txt", "表示のテキスト\r\n"},             // ソフト\表示.txt
        {"\x83\x5c\x83t\x83g\\\x94\x5c\x97\xcd\\\x83" "f\x81[\x83^.bin", RandomBytes(70000, 4)},  // ソフト\能力\データ.bin
        {"\x83\x5c\\x.txt", "so"},                                                  // ソ\x.txt
    };
}

CabStatus Build(const std::vector<Item>& items, const CabWriteOptions& options, std::string* cabinet,
                const CabPlan& base = CabPlan()) {
    CabPlan plan = base;
    std::vector<std::string> contents;
    for (const Item& item : items) {
        CabNewFile file;
        file.name = item.name;
        file.size = item.data.size();
        file.date = (46 << 9) | (12 << 5) | 7;  // 2026-12-07
        file.time = (19 << 11) | (30 << 5) | 10;
        file.attributes = 0x20;
        plan.files.push_back(file);
        contents.push_back(item.data);
    }
    MemoryFiles source(contents);
    MemorySink sink;
    std::string error;
    CabStatus status = WriteCabinet(plan, &source, &sink, options, &error);
    *cabinet = sink.bytes;
    return status;
}

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/cabtest.XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() { fs::remove_all(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int Shell(const std::string& command) { return system((command + " >/dev/null 2>&1").c_str()); }

std::string ShellOutput(const std::string& command) {
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
    pclose(pipe);
    return text;
}

// Relative path (UTF-8, '/') -> contents of every file under a folder.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadFile(entry.path().string());
    }
    return files;
}

// What a code page 932 name becomes on a UTF-8 Linux file system.
std::string Utf8Path(const std::string& cp932) {
    std::string converted;
    TempFolder temp;
    WriteFile(temp.path() + "/in", cp932);
    converted = ShellOutput("iconv -f CP932 -t UTF-8 " + temp.path() + "/in");
    for (char& c : converted) {
        if (c == '\\') c = '/';  // after conversion a 0x5C is only ever a separator
    }
    return converted;
}

// What tools that split at every 0x5C byte make of a name: the bytes as
// they are, each 0x5C (trail bytes too) a separator, empty components gone.
std::string ByteSplitPath(const std::string& name) {
    std::string path;
    for (char c : name) {
        if (c != '\\') path.push_back(c);
        else if (!path.empty() && path.back() != '/') path.push_back('/');
    }
    return path;
}

std::map<std::string, std::string> Expected(const std::vector<Item>& items, std::string (*mapping)(const std::string&)) {
    std::map<std::string, std::string> files;
    for (const Item& item : items) files[mapping(item.name)] = item.data;
    return files;
}

std::map<std::string, std::string> ReadBack(const std::string& cabinet) {
    std::map<std::string, std::string> files;
    MemoryBytes bytes(cabinet);
    CabDirectory directory;
    std::string error;
    EXPECT_EQ(CabStatus::Ok, ReadCabDirectory(&bytes, &directory, &error)) << error;
    std::vector<std::unique_ptr<CabFolderReader>> readers;
    for (size_t i = 0; i < directory.folders.size(); ++i) {
        readers.emplace_back(new CabFolderReader());
        EXPECT_EQ(CabStatus::Ok, readers.back()->Begin(&bytes, directory, static_cast<uint16_t>(i)));
    }
    for (const CabFile& file : directory.files) {
        std::string data(file.size, '\0');
        EXPECT_EQ(CabStatus::Ok, readers[file.folder]->ReadAt(file.folderOffset,
                                                              reinterpret_cast<unsigned char*>(&data[0]), data.size()))
            << file.name;
        files[file.name] = data;
    }
    return files;
}

struct Mode {
    const char* name;
    uint16_t compression;
    bool history;
    uint32_t maxBlocks;
};
const Mode kModes[] = {
    {"mszip with history", kCabCompressMszip, true, kCabMaxBlocksPerFolder},
    {"mszip, blocks alone", kCabCompressMszip, false, kCabMaxBlocksPerFolder},
    {"stored", kCabCompressNone, false, kCabMaxBlocksPerFolder},
    {"mszip, folders of 100 blocks", kCabCompressMszip, true, 100},
};

CabWriteOptions OptionsOf(const Mode& mode) {
    CabWriteOptions options;
    options.compression = mode.compression;
    options.history = mode.history;
    options.maxBlocksPerFolder = mode.maxBlocks;
    return options;
}
}  // namespace

TEST(CabWriter, IndependentToolsExtractEveryFileByteIdentical) {
    std::vector<Item> items = Corpus();
    std::map<std::string, std::string> expected = Expected(items, Utf8Path);
    std::map<std::string, std::string> split = Expected(items, ByteSplitPath);
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        std::string cabinet;
        ASSERT_EQ(CabStatus::Ok, Build(items, OptionsOf(mode), &cabinet));
        TempFolder temp;
        std::string cab = temp.path() + "/x.cab";
        WriteFile(cab, cabinet);
        EXPECT_EQ(0, Shell("cabextract -q -t " + cab));
        EXPECT_EQ(0, Shell("cabextract -q -e CP932 -d " + temp.path() + "/c " + cab));
        EXPECT_EQ(expected, Tree(temp.path() + "/c"));
        EXPECT_EQ(0, Shell("cd " + temp.path() + " && mkdir g && gcab -x -C g " + cab));
        EXPECT_EQ(split, Tree(temp.path() + "/g"));
        std::map<std::string, std::string> own;
        for (const Item& item : items) own[item.name] = item.data;
        EXPECT_EQ(own, ReadBack(cabinet));
    }
}

TEST(CabWriter, FoldersSplitAtTheirBlockLimit) {
    std::vector<Item> items = Corpus();
    std::string cabinet;
    CabWriteOptions options;
    options.maxBlocksPerFolder = 100;  // 3.125 MiB a folder
    ASSERT_EQ(CabStatus::Ok, Build(items, options, &cabinet));
    MemoryBytes bytes(cabinet);
    CabDirectory directory;
    std::string error;
    ASSERT_EQ(CabStatus::Ok, ReadCabDirectory(&bytes, &directory, &error));
    // 0+1+32768+32769 bytes and the 3 MiB text fill 99 blocks; 1 MiB of random data starts the next.
    ASSERT_EQ(2u, directory.folders.size());
    EXPECT_EQ(99, directory.folders[0].blockCount);
    EXPECT_EQ(1, directory.files[5].folder);
    EXPECT_EQ(0u, directory.files[5].folderOffset);
    for (const CabFile& file : directory.files) {
        SCOPED_TRACE(file.name);
        EXPECT_LE(file.folderOffset + file.size, 100u * kCabBlockSize);
    }
}

TEST(CabWriter, NamesAreStoredAsCodePage932Bytes) {
    std::vector<Item> items = Corpus();
    std::string cabinet;
    ASSERT_EQ(CabStatus::Ok, Build(items, CabWriteOptions(), &cabinet));
    MemoryBytes bytes(cabinet);
    CabDirectory directory;
    std::string error;
    ASSERT_EQ(CabStatus::Ok, ReadCabDirectory(&bytes, &directory, &error));
    ASSERT_EQ(items.size(), directory.files.size());
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i].name.c_str());
        EXPECT_EQ(items[i].name, directory.files[i].name);
        EXPECT_EQ(0x20, directory.files[i].attributes);  // archive bit only: the UTF-8 flag 0x80 stays clear
        EXPECT_EQ((46 << 9) | (12 << 5) | 7, directory.files[i].date);
    }
    // Without an encoding cabextract and gcab pass the bytes through and
    // split at every 0x5C, trail bytes included: 表示.txt (95 5C 8E A6) in
    // ソフト comes out as a folder "\x95" holding "\x8E\xA6.txt". With -e CP932
    // cabextract keeps both names.
    TempFolder temp;
    WriteFile(temp.path() + "/x.cab", cabinet);
    std::string raw = ShellOutput("LANG=ja_JP.UTF-8 cabextract -l " + temp.path() + "/x.cab");
    EXPECT_NE(std::string::npos, raw.find("\x83/\x83t\x83g/\x95/\x8e\xa6.txt")) << raw;
    std::string converted = ShellOutput("LANG=ja_JP.UTF-8 cabextract -e CP932 -l " + temp.path() + "/x.cab");
    EXPECT_NE(std::string::npos, converted.find(Utf8Path(items[6].name))) << converted;
}

TEST(CabWriter, HistoryMakesRepeatedBlocksSmall) {
    // Random data repeating every 30000 bytes (deflate reaches back 32506):
    // alone, each block finds little; with history nearly all of it repeats.
    std::string period = RandomBytes(30000, 9), data;
    while (data.size() < 8 * kCabBlockSize) data += period;
    data.resize(8 * kCabBlockSize);
    std::vector<Item> items = {{"r.bin", data}};
    std::string withHistory, alone;
    CabWriteOptions options;
    ASSERT_EQ(CabStatus::Ok, Build(items, options, &withHistory));
    options.history = false;
    ASSERT_EQ(CabStatus::Ok, Build(items, options, &alone));
    EXPECT_LT(withHistory.size(), 2 * kCabBlockSize);
    EXPECT_GT(alone.size(), 7 * kCabBlockSize);
    EXPECT_EQ(data, ReadBack(withHistory)["r.bin"]);
}

TEST(CabWriter, RefusesWhatACabinetCannotHold) {
    struct Case {
        const char* name;
        std::vector<Item> items;
        uint32_t maxBlocks;
    };
    std::vector<Item> many;
    for (int i = 0; i < 65536; ++i) many.push_back({"f", ""});
    const Case cases[] = {
        {"file larger than a folder", {{"a", std::string(2 * kCabBlockSize + 1, 'a')}}, 2},
        {"name of 256 bytes", {{std::string(256, 'n'), "x"}}, kCabMaxBlocksPerFolder},
        {"65536 files", many, kCabMaxBlocksPerFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CabWriteOptions options;
        options.maxBlocksPerFolder = c.maxBlocks;
        std::string cabinet;
        EXPECT_EQ(CabStatus::TooLarge, Build(c.items, options, &cabinet));
    }
    std::string cabinet;
    CabWriteOptions options;
    options.maxBlocksPerFolder = 2;
    EXPECT_EQ(CabStatus::Ok, Build({{"a", std::string(2 * kCabBlockSize, 'a')}}, options, &cabinet));
}

TEST(CabWriter, FileShorterThanAnnouncedFails) {
    std::vector<std::string> contents = {"short"};
    CabPlan plan;
    CabNewFile file;
    file.name = "a.txt";
    file.size = 10;
    plan.files.push_back(file);
    MemoryFiles source(contents);
    MemorySink sink;
    std::string error;
    EXPECT_EQ(CabStatus::Read, WriteCabinet(plan, &source, &sink, CabWriteOptions(), &error));
    EXPECT_NE(std::string::npos, error.find("a.txt"));
}

TEST(CabWriter, KeptFoldersComeAcrossUnchanged) {
    std::vector<Item> first = Corpus();
    std::string old;
    CabWriteOptions options;
    options.maxBlocksPerFolder = 100;
    ASSERT_EQ(CabStatus::Ok, Build(first, options, &old));
    MemoryBytes bytes(old);
    CabDirectory directory;
    std::string error;
    ASSERT_EQ(CabStatus::Ok, ReadCabDirectory(&bytes, &directory, &error));
    CabPlan plan;
    plan.old = &bytes;
    plan.oldDirectory = &directory;
    plan.keptFolders = {1};  // the random data and the double-byte names
    std::vector<Item> added = {{"new.txt", Repetitive(100000)}};
    std::string cabinet;
    ASSERT_EQ(CabStatus::Ok, Build(added, CabWriteOptions(), &cabinet, plan));
    std::map<std::string, std::string> expected;
    for (const CabFile& file : directory.files) {
        if (file.folder == 1) {
            for (const Item& item : first) {
                if (file.name == item.name) expected[item.name] = item.data;
            }
        }
    }
    expected["new.txt"] = added[0].data;
    EXPECT_EQ(expected, ReadBack(cabinet));
    TempFolder temp;
    WriteFile(temp.path() + "/x.cab", cabinet);
    EXPECT_EQ(0, Shell("cabextract -q -t " + temp.path() + "/x.cab"));
}

TEST(CabReader, DamagedCabinetsGiveErrorsNotCrashes) {
    std::vector<Item> items = Corpus();
    items.resize(4);
    items.push_back({"t.txt", Repetitive(200000)});
    std::string good;
    ASSERT_EQ(CabStatus::Ok, Build(items, CabWriteOptions(), &good));
    struct Case {
        const char* name;
        std::string bytes;
    };
    // Stored data: only the checksum can tell that a byte changed.
    std::string stored;
    CabWriteOptions storing;
    storing.compression = kCabCompressNone;
    ASSERT_EQ(CabStatus::Ok, Build(items, storing, &stored));
    std::string badSum = stored, truncated = good.substr(0, good.size() - 100), badSignature = good;
    badSum[stored.size() - 20] ^= 0x40;  // inside the last block
    badSignature[0] = 'X';
    const Case cases[] = {{"checksum", badSum}, {"truncated", truncated}, {"signature", badSignature}, {"empty", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryBytes bytes(c.bytes);
        CabDirectory directory;
        std::string error;
        CabStatus status = ReadCabDirectory(&bytes, &directory, &error);
        if (status == CabStatus::Ok) {
            CabFolderReader reader;
            ASSERT_EQ(CabStatus::Ok, reader.Begin(&bytes, directory, 0));
            std::vector<unsigned char> all(directory.files.back().size);
            const CabFile& last = directory.files.back();
            status = reader.ReadAt(last.folderOffset, all.data(), last.size);
        }
        EXPECT_EQ(CabStatus::Corrupt, status);
    }
    // Random mutations: any outcome but a crash, an overrun or a hang.
    std::mt19937 random(12);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = good;
        for (int k = 0; k < 4; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
        MemoryBytes source(bytes);
        CabDirectory directory;
        std::string error;
        if (ReadCabDirectory(&source, &directory, &error) != CabStatus::Ok) continue;
        for (size_t f = 0; f < directory.folders.size(); ++f) {
            CabFolderReader reader;
            if (reader.Begin(&source, directory, static_cast<uint16_t>(f)) != CabStatus::Ok) continue;
            for (const CabFile& file : directory.files) {
                if (file.folder != f || file.size > (8u << 20)) continue;
                std::vector<unsigned char> data(file.size);
                if (reader.ReadAt(file.folderOffset, data.data(), data.size()) != CabStatus::Ok) break;
            }
        }
    }
}

// Blocks deflated on worker threads, each with the block before it as its
// dictionary, make the very cabinet the caller's thread alone makes.
TEST(CabWriter, WorkerThreadsWriteTheSameCabinet) {
    std::vector<Item> items = Corpus();
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        CabWriteOptions options = OptionsOf(mode);
        std::string alone, side;
        ASSERT_EQ(CabStatus::Ok, Build(items, options, &alone));
        options.threads = 3;
        ASSERT_EQ(CabStatus::Ok, Build(items, options, &side));
        EXPECT_TRUE(alone == side) << "the cabinets differ";
    }
}
