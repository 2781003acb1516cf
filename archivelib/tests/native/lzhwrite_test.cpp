// The lzh writer against an independent reader: archives made here are
// tested and extracted by lhasa's lha, and must come back byte-identical
// with the code page 932 names they were given.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "lzh/lzhwrite.h"

namespace fs = std::filesystem;

namespace {
class MemoryOutput : public LzhOutput {
public:
    std::string bytes;
    bool Write(const void* data, size_t size) override {
        bytes.append(static_cast<const char*>(data), size);
        return true;
    }
    uint64_t Position() const override { return bytes.size(); }
    bool PatchAt(uint64_t offset, const void* data, size_t size) override {
        if (offset + size > bytes.size()) return false;
        memcpy(&bytes[offset], data, size);
        return true;
    }
    bool Rewind(uint64_t offset) override {
        bytes.resize(offset);
        return true;
    }
};

class MemoryInput : public LzhInput {
public:
    explicit MemoryInput(const std::string& bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, void* data, size_t size) override {
        if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
        memcpy(data, bytes_.data() + offset, size);
        return true;
    }

private:
    const std::string& bytes_;
};

class StringSource : public LzhSource {
public:
    explicit StringSource(const std::string& bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Restart() override {
        at_ = 0;
        return true;
    }
    size_t Read(void* data, size_t size) override {
        size = std::min(size, bytes_.size() - at_);
        memcpy(data, bytes_.data() + at_, size);
        at_ += size;
        return size;
    }
    bool Failed() const override { return false; }

private:
    const std::string& bytes_;
    size_t at_ = 0;
};

struct Item {
    std::string name;  // code page 932, '/' separators, folders end in '/'
    std::string data;
};

const int64_t kTime = 1700000000;  // 2023-11-14 22:13:20 UTC

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string TextBytes(size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line)
        text += "line " + std::to_string(line * 7919 % 100003) + " of a text that repeats its words\n";
    text.resize(size);
    return text;
}

std::string Build(const std::vector<Item>& items, LzhMethod method) {
    MemoryOutput out;
    LzhArchiveWriter writer(&out, method);
    for (const Item& item : items) {
        LzhNewEntry entry;
        entry.name = item.name;
        entry.isFolder = !item.name.empty() && item.name.back() == '/';
        entry.unixTime = kTime;
        entry.fileTime = static_cast<uint64_t>(kTime) * 10000000 + 116444736000000000ULL;
        entry.attributes = entry.isFolder ? 0x10 : 0x20;
        StringSource source(item.data);
        EXPECT_EQ(LzhStatus::Ok, writer.Add(entry, entry.isFolder ? nullptr : &source)) << item.name;
    }
    EXPECT_TRUE(writer.Finish());
    return out.bytes;
}

class LzhWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lzhwrite.XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Save(const std::string& name, const std::string& bytes) {
        std::string path = root_ + "/" + name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    // Runs lha with the given command in folder; returns its exit status.
    int Lha(const std::string& folder, const std::string& command, const std::string& archive) {
        fs::create_directories(folder);
        std::string line = "cd '" + folder + "' && lha " + command + " '" + archive + "' >'" + root_ + "/lha.log' 2>&1";
        int status = system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Log() const {
        std::ifstream in(root_ + "/lha.log", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Relative name (code page 932 bytes, '/' separators, folders end in '/') -> contents.
    static std::map<std::string, std::string> Snapshot(const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            std::string name = fs::relative(entry.path(), folder).string();
            if (entry.is_directory()) {
                files[name + "/"] = "";
            } else {
                std::ifstream in(entry.path(), std::ios::binary);
                files[name] = std::string(std::istreambuf_iterator<char>(in), {});
            }
        }
        return files;
    }
    static std::map<std::string, std::string> Expected(const std::vector<Item>& items) {
        std::map<std::string, std::string> files;
        for (const Item& item : items) files[item.name] = item.data;
        return files;
    }

    std::string root_;
};

uint32_t Fibonacci(int n) {
    uint32_t a = 1, b = 1;
    for (int i = 0; i < n; ++i) {
        uint32_t c = a + b;
        a = b;
        b = c;
    }
    return a;
}
}  // namespace

TEST(LzhCodeLengths, StayWithinSixteenBitsAndComplete) {
    struct Case {
        const char* name;
        std::vector<uint32_t> freq;
        int used;
    };
    std::vector<uint32_t> fibonacci, uniform(510, 3), two(19, 0), one(510, 0), skewed(510, 1);
    for (int i = 0; i < 30; ++i) fibonacci.push_back(Fibonacci(i));  // a plain Huffman code would be 29 deep
    two[4] = 1;
    two[17] = 1000;
    one[300] = 5;
    skewed[0] = 60000;
    const Case cases[] = {
        {"fibonacci", fibonacci, 30}, {"uniform", uniform, 510}, {"two", two, 2}, {"one", one, 1}, {"skewed", skewed, 510},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> lengths(c.freq.size());
        ASSERT_EQ(c.used, LzhCodeLengths(c.freq.data(), static_cast<int>(c.freq.size()), lengths.data()));
        if (c.used < 2) {
            for (unsigned char length : lengths) EXPECT_EQ(0, length);
            continue;
        }
        uint64_t kraft = 0;  // in units of 2^-16: a complete code sums to exactly 1
        for (size_t i = 0; i < lengths.size(); ++i) {
            EXPECT_EQ(c.freq[i] != 0, lengths[i] != 0) << i;
            EXPECT_LE(lengths[i], 16) << i;
            if (lengths[i] != 0) kraft += uint64_t(1) << (16 - lengths[i]);
        }
        EXPECT_EQ(uint64_t(1) << 16, kraft);
    }
}

TEST(LzhCrc16, MatchesTheKnownCheckValue) {
    EXPECT_EQ(0xBB3D, LzhCrc16(0, "123456789", 9));  // CRC-16/ARC
    EXPECT_EQ(0, LzhCrc16(0, "", 0));
}

TEST_F(LzhWriteTest, DataComesBackByteIdenticalInEveryMethod) {
    std::string fibonacciLiterals;  // literals of very uneven frequencies
    for (int symbol = 0; symbol < 22; ++symbol) fibonacciLiterals += std::string(Fibonacci(symbol) / 8 + 1, static_cast<char>('A' + symbol));
    std::mt19937 shuffle(7);
    std::shuffle(fibonacciLiterals.begin(), fibonacciLiterals.end(), shuffle);
    std::string mixed = TextBytes(600000) + RandomBytes(300000, 3) + std::string(400000, '\0') + TextBytes(300000);
    const std::vector<Item> items = {
        {"empty.txt", ""},
        {"one.bin", "x"},
        {"two.bin", "xy"},
        {"repeat.txt", std::string(3 << 20, 'a')},
        {"random.bin", RandomBytes(200000, 1)},
        {"text-over-64k.txt", TextBytes(100000)},
        {"mixed-over-1m.bin", mixed},
        {"fibonacci.txt", fibonacciLiterals},
        {"pattern.bin", [] {
             std::string s;
             for (uint32_t i = 0; i < 300000; ++i) s.push_back(static_cast<char>((i * i) >> 7));
             return s;
         }()},
    };
    const std::pair<LzhMethod, const char*> methods[] = {
        {LzhMethod::Lh5, "-lh5-"}, {LzhMethod::Lh6, "-lh6-"}, {LzhMethod::Lh7, "-lh7-"}};
    for (const auto& method : methods) {
        SCOPED_TRACE(method.second);
        std::string bytes = Build(items, method.first);
        std::string archive = Save(std::string("m") + method.second + ".lzh", bytes);
        ASSERT_EQ(0, Lha(root_, "tq", archive)) << Log();
        std::string folder = root_ + "/x" + method.second;
        ASSERT_EQ(0, Lha(folder, "xq", archive)) << Log();
        EXPECT_EQ(Expected(items), Snapshot(folder));

        std::vector<LzhStoredEntry> entries;
        std::string error;
        MemoryInput input(bytes);
        ASSERT_EQ(LzhStatus::Ok, ReadLzhDirectory(&input, &entries, &error)) << error;
        ASSERT_EQ(items.size(), entries.size());
        std::map<std::string, std::string> methodOf;
        for (const LzhStoredEntry& e : entries) {
            methodOf[e.name] = e.method;
            EXPECT_EQ(2, e.level);
        }
        EXPECT_EQ("-lh0-", methodOf["empty.txt"]);
        EXPECT_EQ("-lh0-", methodOf["one.bin"]);
        EXPECT_EQ("-lh0-", methodOf["random.bin"]);  // does not shrink: stored
        EXPECT_EQ(method.second, methodOf["repeat.txt"]);
        EXPECT_EQ(method.second, methodOf["mixed-over-1m.bin"]);
        for (const LzhStoredEntry& e : entries) {
            SCOPED_TRACE(e.name);
            if (e.name == "repeat.txt") {
                EXPECT_LT(e.packed * 500, e.size);
            } else if (e.name == "text-over-64k.txt") {
                EXPECT_LT(e.packed * 3, e.size);
            } else if (e.method == "-lh0-") {
                EXPECT_EQ(e.packed, e.size);
            }
        }
    }
}

TEST_F(LzhWriteTest, FolderTreeKeepsCodePage932NamesAndTimes) {
    // ソ (83 5C), 表 (95 5C) and 能 (94 5C) end in the byte of '\'.
    const std::string so = "\x83\x5c", soft = "\x83\x5c\x83t\x83g", hyouji = "\x95\x5c\x8e\xa6", nouryoku = "\x94\x5c\x97\xcd";
    const std::vector<Item> items = {
        {soft + "/", ""},
        {soft + "/" + hyouji + ".txt", "\x95\x5c\x8e\xa6\x82\xcc\x83" "e\x83L\x83X\x83g\r\n"},
        {soft + "/" + nouryoku + "/", ""},
        {soft + "/" + nouryoku + "/data.bin", RandomBytes(70000, 2)},
        {so + "/", ""},
        {so + "/x.txt", "so"},
        {"\x8b\xf3/", ""},  // 空: an empty folder
        {"top.txt", TextBytes(5000)},
    };
    std::string archive = Save("tree.lzh", Build(items, LzhMethod::Lh7));
    ASSERT_EQ(0, Lha(root_, "tq", archive)) << Log();
    std::string folder = root_ + "/tree";
    ASSERT_EQ(0, Lha(folder, "xq", archive)) << Log();
    EXPECT_EQ(Expected(items), Snapshot(folder));
    struct stat info;
    ASSERT_EQ(0, stat((folder + "/" + soft + "/" + hyouji + ".txt").c_str(), &info));
    EXPECT_EQ(kTime, info.st_mtime);
}

TEST_F(LzhWriteTest, HeaderSizesWithAZeroLowByteAreStillRead) {
    // Name lengths 1..250 make one total header size 256 (71 bytes beside
    // the name); such a header would otherwise read as the end of the archive.
    std::vector<Item> items;
    for (size_t length = 1; length <= 250; ++length) items.push_back({"d/" + std::string(length, 'n'), std::to_string(length)});
    std::string bytes = Build(items, LzhMethod::Lh5);
    std::vector<LzhStoredEntry> entries;
    std::string error;
    MemoryInput input(bytes);
    ASSERT_EQ(LzhStatus::Ok, ReadLzhDirectory(&input, &entries, &error)) << error;
    EXPECT_EQ(items.size(), entries.size());
    std::string archive = Save("names.lzh", bytes);
    ASSERT_EQ(0, Lha(root_, "tq", archive)) << Log();
    std::string folder = root_ + "/names";
    ASSERT_EQ(0, Lha(folder, "xq", archive)) << Log();
    std::map<std::string, std::string> expected = Expected(items);
    expected["d/"] = "";
    EXPECT_EQ(expected, Snapshot(folder));
}

namespace {
// An archive of older header levels, as other tools write them: stored data, '\' in level-0 paths.
std::string OldLevelArchive(const std::string& level0Name) {
    std::string bytes;
    auto put16 = [](std::string* s, uint32_t v) {
        s->push_back(static_cast<char>(v & 0xFF));
        s->push_back(static_cast<char>(v >> 8));
    };
    auto put32 = [&](std::string* s, uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    };
    {  // level 0: '\' separators
        std::string name = level0Name, data = "level zero";
        std::string h = "-lh0-";
        put32(&h, static_cast<uint32_t>(data.size()));
        put32(&h, static_cast<uint32_t>(data.size()));
        put32(&h, 0x57A35000);  // DOS time and date
        h.push_back(0x20);
        h.push_back(0);
        h.push_back(static_cast<char>(name.size()));
        h += name;
        put16(&h, LzhCrc16(0, data.data(), data.size()));
        unsigned sum = 0;
        for (char c : h) sum += static_cast<unsigned char>(c);
        bytes.push_back(static_cast<char>(h.size()));
        bytes.push_back(static_cast<char>(sum & 0xFF));
        bytes += h + data;
    }
    {  // level 1: one.txt in folder lv1 (extension 0x02)
        std::string data = "level one", folder = "lv1\xFF";
        std::string h = "-lh0-";
        uint32_t extSize = static_cast<uint32_t>(1 + folder.size() + 2);
        put32(&h, static_cast<uint32_t>(data.size() + extSize));
        put32(&h, static_cast<uint32_t>(data.size()));
        put32(&h, 0x57A35000);
        h.push_back(0x20);
        h.push_back(1);
        h.push_back(7);
        h += "one.txt";
        put16(&h, LzhCrc16(0, data.data(), data.size()));
        h.push_back('M');
        put16(&h, extSize);
        unsigned sum = 0;
        for (char c : h) sum += static_cast<unsigned char>(c);
        bytes.push_back(static_cast<char>(h.size()));
        bytes.push_back(static_cast<char>(sum & 0xFF));
        bytes += h;
        bytes.push_back(0x02);
        bytes += folder;
        put16(&bytes, 0);
        bytes += data;
    }
    bytes.push_back('\0');
    return bytes;
}
}  // namespace

TEST_F(LzhWriteTest, UpdateKeepsOtherEntriesAndReplacesSameNames) {
    struct Case {
        const char* name;
        std::string old;
        std::map<std::string, std::string> kept;
    };
    const std::vector<Item> first = {{"a.txt", "first a"}, {"b.txt", TextBytes(80000)}, {"dir/", ""}, {"dir/c.txt", "c"}};
    const Case cases[] = {
        {"level 2 from this writer", Build(first, LzhMethod::Lh7), {{"b.txt", TextBytes(80000)}, {"dir/", ""}, {"dir/c.txt", "c"}}},
        {"levels 0 and 1 from other tools", OldLevelArchive("old\\zero.txt"),
         {{"old/", ""}, {"old/zero.txt", "level zero"}, {"lv1/", ""}, {"lv1/one.txt", "level one"}}},
    };
    const std::vector<Item> added = {{"a.txt", "second a, replacing the first"}, {"new.txt", TextBytes(3000)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryInput input(c.old);
        std::vector<LzhStoredEntry> entries;
        std::string error;
        ASSERT_EQ(LzhStatus::Ok, ReadLzhDirectory(&input, &entries, &error)) << error;
        MemoryOutput out;
        LzhArchiveWriter writer(&out, LzhMethod::Lh5);
        for (const LzhStoredEntry& e : entries) {
            if (e.name == "a.txt") continue;
            ASSERT_EQ(LzhStatus::Ok, writer.Copy(&input, e));
        }
        for (const Item& item : added) {
            LzhNewEntry entry;
            entry.name = item.name;
            StringSource source(item.data);
            ASSERT_EQ(LzhStatus::Ok, writer.Add(entry, &source));
        }
        ASSERT_TRUE(writer.Finish());
        std::string archive = Save("updated.lzh", out.bytes);
        ASSERT_EQ(0, Lha(root_, "tq", archive)) << Log();
        std::string folder = root_ + "/updated-" + std::to_string(&c - cases);
        ASSERT_EQ(0, Lha(folder, "xq", archive)) << Log();
        std::map<std::string, std::string> expected = c.kept;
        for (const Item& item : added) expected[item.name] = item.data;
        EXPECT_EQ(expected, Snapshot(folder));
    }
}

TEST(LzhHeaders, OlderLevelNamesSplitOnlyAtRealSeparators) {
    // lha itself splits 表 (95 5C) of a level-0 name; the walker must not, or an update would rename it.
    std::string bytes = OldLevelArchive("old\\\x95\x5c\\\x83\x5c.txt");
    MemoryInput input(bytes);
    std::vector<LzhStoredEntry> entries;
    std::string error;
    ASSERT_EQ(LzhStatus::Ok, ReadLzhDirectory(&input, &entries, &error)) << error;
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("old/\x95\x5c/\x83\x5c.txt", entries[0].name);
    EXPECT_EQ(0, entries[0].level);
    EXPECT_EQ("lv1/one.txt", entries[1].name);
    EXPECT_EQ(1, entries[1].level);
    EXPECT_EQ(9u, entries[1].packed);  // the extension header is not data
}

TEST(LzhHeaders, DamagedArchivesAreRefusedNotFollowed) {
    const std::vector<Item> items = {{"a.txt", TextBytes(20000)}, {"dir/", ""}, {"dir/b.bin", RandomBytes(3000, 5)}};
    std::string good = Build(items, LzhMethod::Lh6);
    std::vector<LzhStoredEntry> entries;
    std::string error;
    MemoryInput whole(good);
    ASSERT_EQ(LzhStatus::Ok, ReadLzhDirectory(&whole, &entries, &error));
    ASSERT_EQ(3u, entries.size());
    std::vector<uint64_t> boundaries = {0};
    for (const LzhStoredEntry& e : entries) boundaries.push_back(e.offset + e.headerSize + e.packed);
    // Cut anywhere inside an entry: refused. Cut between entries: the entries before the cut.
    for (size_t cut = 1; cut < good.size(); ++cut) {
        std::string bytes = good.substr(0, cut);
        MemoryInput input(bytes);
        LzhStatus status = ReadLzhDirectory(&input, &entries, &error);
        bool between = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
        EXPECT_EQ(between ? LzhStatus::Ok : LzhStatus::Corrupt, status) << cut;
    }
    // Random damage: whatever is read stays inside the file (ASan watches the parsing).
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        for (int k = 0; k < 1 + round % 4; ++k) bytes[random() % 120] = static_cast<char>(random());
        MemoryInput input(bytes);
        if (ReadLzhDirectory(&input, &entries, &error) != LzhStatus::Ok) continue;
        for (const LzhStoredEntry& e : entries) EXPECT_LE(e.offset + e.headerSize + e.packed, bytes.size());
    }
    const std::string notLzh[] = {"PK\x03\x04 a zip archive, not lzh", std::string(30, '\x01')};
    for (const std::string& bytes : notLzh) {
        MemoryInput input(bytes);
        EXPECT_NE(LzhStatus::Ok, ReadLzhDirectory(&input, &entries, &error));
    }
}
