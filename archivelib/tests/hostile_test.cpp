// Archives made to hurt: names that leave the destination, truncated and
// damaged files, random bytes. Each gives an error code and writes nothing
// outside the destination.
#include <string.h>
#include <zlib.h>

#include <set>

#include "test_support.h"

namespace {
class Hostile : public LibraryTest {
public:
    // Extracts with both prefixes that read the format, into root\dest\inner\.
    int ExtractZip(const std::string& archive) {
        return unzip_.Run("-x -o \"" + archive + "\" \"" + Path("dest\\inner\\") + "\"");
    }
    int ExtractTar(const std::string& archive) {
        return tar_.Run("-xvf \"" + archive + "\" -o \"" + Path("dest\\inner\\") + "\"");
    }
protected:
    // Names the test root holds outside dest\inner (the libraries aside).
    std::set<std::string> Outside() {
        std::set<std::string> outside;
        for (const auto& entry : Snapshot(root_)) {
            const std::string& name = entry.first;
            if (name == "dest" || name == "dest\\inner" || name.compare(0, 11, "dest\\inner\\") == 0) continue;
            if (name.compare(0, 4, "lib\\") == 0) continue;
            outside.insert(name);
        }
        return outside;
    }
};

std::string Cut(const std::string& bytes, size_t length) { return bytes.substr(0, length); }
}  // namespace

TEST_F(Hostile, NamesLeavingTheDestinationAreRefused) {
    // The payload names are unique so that a write anywhere (C:\, the current folder) is seen.
    const char* names[] = {
        "../fdarc_evil1.txt",        "..\\fdarc_evil2.txt",       "a/../../fdarc_evil3.txt",
        "a/.. /../fdarc_evil4.txt",  "/fdarc_evil5.txt",          "\\fdarc_evil6.txt",
        "C:fdarc_evil7.txt",         "C:/fdarc_evil8.txt",        "../../../../../../../../fdarc_evil9.txt",
        "a/...//fdarc_evil10.txt",   "good.txt:fdarc_evil11",     "CON",
    };
    int index = 0;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        ++index;
        std::vector<RawEntry> entries = {{"ok.txt", "fine"}, {name, "evil"}};
        struct Kind { const char* kind; std::string bytes; int (Hostile::*extract)(const std::string&); };
        const Kind kinds[] = {
            {"zip", BuildStoredZip(entries), &Hostile::ExtractZip},
            {"tar", BuildTar(entries), &Hostile::ExtractTar},
        };
        for (const Kind& k : kinds) {
            SCOPED_TRACE(k.kind);
            std::string archive = Path("h" + std::to_string(index) + "." + k.kind);
            WriteBytes(archive, k.bytes);
            std::set<std::string> before = Outside();
            EXPECT_EQ(FDARC_E_UNSAFE_NAME, (this->*k.extract)(archive));
            EXPECT_EQ(before, Outside());
            // The harmless entry comes out; the hostile one nowhere in the destination.
            std::map<std::string, std::string> inside = Snapshot(Path("dest\\inner\\"));
            EXPECT_EQ("fine", inside["ok.txt"]);
            EXPECT_EQ(1u, inside.size());
            char current[MAX_PATH];
            GetCurrentDirectoryA(sizeof current, current);
            std::string payload = strstr(name, "fdarc_evil") ? strstr(name, "fdarc_evil") : "none";
            EXPECT_FALSE(PathExists(std::string("C:\\") + payload));
            EXPECT_FALSE(PathExists(std::string(current) + "\\" + payload));
            RemoveTree(Path("dest"));
        }
    }
}

TEST_F(Hostile, TruncatedArchivesFail) {
    WriteBytes(Path("src\\a.txt"), std::string(5000, 'a') + PseudoRandomBytes(3000, 9));
    WriteBytes(Path("src\\b.txt"), "b");
    std::string response = Response({"a.txt", "b.txt"});
    ASSERT_EQ(0, zip_.Run("-r \"" + Path("t.zip") + "\" \"" + Path("src\\") + "\" \"@" + response + "\""));
    ASSERT_EQ(0, tar_.Run("-cvzf \"" + Path("t.tgz") + "\" -o \"" + Path("src\\") + "\" \"@" + response + "\""));
    const std::string a = ReadBytes(Path("src\\a.txt"));
    std::string plainTar = BuildTar({{"a.txt", std::string(700, 'a')}, {"b.txt", "b"}});
    struct Kind { const char* kind; std::string bytes; size_t mustFailBelow; bool zip; std::string a; };
    const Kind kinds[] = {
        {"zip", ReadBytes(Path("t.zip")), ReadBytes(Path("t.zip")).size(), true, a},
        {"tar.gz", ReadBytes(Path("t.tgz")), ReadBytes(Path("t.tgz")).size(), false, a},
        // Cut inside the first end block or earlier: the end marker is missing.
        {"tar", plainTar, plainTar.size() - 1023, false, std::string(700, 'a')},
    };
    for (const Kind& k : kinds) {
        for (size_t length = 0; length < k.mustFailBelow; length += (length < 600 ? 97 : 211)) {
            SCOPED_TRACE(std::string(k.kind) + " cut at " + std::to_string(length));
            std::string archive = Path("cut.bin");
            WriteBytes(archive, Cut(k.bytes, length));
            const ArchiverLibrary& reader = k.zip ? unzip_ : tar_;
            EXPECT_EQ(-1, reader.count(archive.c_str()));
            EXPECT_NE(0, k.zip ? ExtractZip(archive) : ExtractTar(archive));
            // Whatever came out is never a partial file under its real name.
            std::map<std::string, std::string> inside = Snapshot(Path("dest\\inner\\"));
            for (const auto& file : inside) {
                if (file.first == "a.txt") {
                    EXPECT_TRUE(k.a == file.second) << "partial a.txt of " << file.second.size() << " bytes";
                }
            }
            RemoveTree(Path("dest"));
        }
    }
}

TEST_F(Hostile, RandomBytesAreNoArchive) {
    const size_t sizes[] = {0, 1, 21, 22, 512, 4096, 100000};
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        std::string archive = Path("random.zip");
        WriteBytes(archive, PseudoRandomBytes(size, static_cast<unsigned>(size)));
        EXPECT_EQ(-1, unzip_.count(archive.c_str()));
        EXPECT_EQ(nullptr, unzip_.open(nullptr, archive.c_str(), 0));
        EXPECT_EQ(FDARC_E_CORRUPT, ExtractZip(archive));
        EXPECT_EQ(FDARC_E_CORRUPT, ExtractTar(archive));
    }
    EXPECT_EQ(-1, unzip_.count(Path("missing.zip").c_str()));
    EXPECT_EQ(FDARC_E_OPEN_ARCHIVE, ExtractZip(Path("missing.zip")));
    EXPECT_TRUE(Snapshot(Path("dest\\inner\\")).empty());
}

// Damage at the fields a reader trusts: each one must be caught, not followed.
TEST_F(Hostile, DamagedZipStructures) {
    const std::string good = BuildStoredZip({{"a.txt", "hello"}, {"b.txt", "world"}});
    const size_t end = good.size() - 22;
    const size_t central = end - (46 + 5) * 2;
    struct Patch { const char* name; size_t offset; std::string bytes; int result; };
    const Patch patches[] = {
        {"directory offset past the end", end + 16, std::string("\xff\xff\x00\x00", 4), FDARC_E_CORRUPT},
        {"directory size past the start", end + 12, std::string("\xff\xff\x00\x00", 4), FDARC_E_CORRUPT},
        {"more entries than written", end + 8, std::string("\x03\x00\x03\x00", 4), FDARC_E_CORRUPT},
        {"zip64 marker", end + 16, std::string("\xff\xff\xff\xff", 4), FDARC_E_UNSUPPORTED},
        {"split archive", end + 4, std::string("\x01\x00", 2), FDARC_E_UNSUPPORTED},
        {"name length overrun", central + 28, std::string("\xff\x7f", 2), FDARC_E_CORRUPT},
        {"local offset past the data", central + 42, std::string("\xf0\xff\x00\x00", 4), FDARC_E_CORRUPT},
        {"packed size past the directory", central + 20, std::string("\x00\xff\x00\x00", 4), FDARC_E_CORRUPT},
        {"local signature", 0, std::string("XX"), FDARC_E_CORRUPT},
        {"crc", central + 16, std::string("\x01\x02\x03\x04", 4), FDARC_E_CRC},
        {"encrypted", central + 8, std::string("\x01\x00", 2), FDARC_E_UNSUPPORTED},
        {"unknown method", central + 10, std::string("\x0e\x00", 2), FDARC_E_UNSUPPORTED},
    };
    for (const Patch& p : patches) {
        SCOPED_TRACE(p.name);
        std::string bytes = good;
        bytes.replace(p.offset, p.bytes.size(), p.bytes);
        WriteBytes(Path("d.zip"), bytes);
        EXPECT_EQ(p.result, ExtractZip(Path("d.zip")));
        // The damaged entry a.txt never appears; b.txt may.
        EXPECT_FALSE(PathExists(Path("dest\\inner\\a.txt")));
        RemoveTree(Path("dest"));
    }
}

// A deflated entry that inflates to more than its declared size is cut off
// and refused: the declared size bounds what is written.
TEST_F(Hostile, InflatingPastTheDeclaredSizeIsRefused) {
    WriteBytes(Path("src\\big.txt"), std::string(1 << 20, 'z'));
    ASSERT_EQ(0, zip_.Run("-r \"" + Path("bomb.zip") + "\" \"" + Path("src\\") + "\" \"@" + Response({"big.txt"}) + "\""));
    std::string bytes = ReadBytes(Path("bomb.zip"));
    size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
    ASSERT_NE(std::string::npos, central);
    bytes.replace(central + 24, 4, std::string("\x00\x10\x00\x00", 4));  // says 4 KB
    WriteBytes(Path("bomb.zip"), bytes);
    EXPECT_EQ(FDARC_E_CORRUPT, ExtractZip(Path("bomb.zip")));
    EXPECT_FALSE(PathExists(Path("dest\\inner\\big.txt")));
}

TEST_F(Hostile, DamagedTarHeaders) {
    const std::string good = BuildTar({{"a.txt", "hello"}});
    struct Patch { const char* name; size_t offset; std::string bytes; };
    const Patch patches[] = {
        {"checksum", 148, "0000001"},
        {"size past the end", 124, "77777777777"},
        {"size not octal", 124, "9zzzzzzzzzz"},
    };
    for (const Patch& p : patches) {
        SCOPED_TRACE(p.name);
        std::string bytes = good;
        bytes.replace(p.offset, p.bytes.size(), p.bytes);
        WriteBytes(Path("d.tar"), bytes);
        EXPECT_EQ(-1, tar_.count(Path("d.tar").c_str()));
        EXPECT_NE(0, ExtractTar(Path("d.tar")));
        EXPECT_FALSE(PathExists(Path("dest\\inner\\a.txt")));
        RemoveTree(Path("dest"));
    }
    // A long-name record claiming gigabytes is not allocated.
    std::string huge = BuildTar({{"././@LongLink", "", 'L'}});
    huge.replace(124, 11, "77777777777");
    std::string header = huge.substr(0, 512);
    memset(&header[148], ' ', 8);
    unsigned sum = 0;
    for (unsigned char c : header) sum += c;
    char digits[8];
    snprintf(digits, sizeof digits, "%06o", sum);
    huge.replace(148, 7, digits, 7);
    WriteBytes(Path("L.tar"), huge);
    EXPECT_EQ(-1, tar_.count(Path("L.tar").c_str()));
    EXPECT_EQ(FDARC_E_CORRUPT, ExtractTar(Path("L.tar")));
}
