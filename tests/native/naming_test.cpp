#include "filelist/naming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text.h"

static std::string Derive(const char* item, int format) {
    char path[PathSize];
    EXPECT_TRUE(DeriveArchivePath(item, format, path, sizeof(path))) << item;
    return path;
}

TEST(Naming, DeriveDropsOnlyTheLastExtension) {
    struct Case {
        const char* item;
        int format;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\data\\report.doc", 0, "C:\\data\\report.zip"},
        {"C:\\data\\report.doc", 4, "C:\\data\\report.7z"},
        {"C:\\data\\archive.tar.gz", 1, "C:\\data\\archive.tar.lzh"},
        {"C:\\data\\photos", 0, "C:\\data\\photos.zip"},
        {"C:\\data\\release.2", 0, "C:\\data\\release.zip"},
        {"C:\\", 0, "C:\\.zip"},
        {"C:\\out\\backup", 3, "C:\\out\\backup.tar"},
        {"C:\\a.b\\c", 6, "C:\\a.b\\c.yz1"},
        {"\\\\server\\share\\x.txt", 2, "\\\\server\\share\\x.cab"},
        // Trail bytes 0x5C must not be taken for separators.
        {"C:\\ソフト\\表示.txt", 0, "C:\\ソフト\\表示.zip"},
        {"C:\\data\\\x95\x5c", 5, "C:\\data\\\x95\x5c" ".bga"},
        {"D:\\能\\x.y.z", 0, "D:\\能\\x.y.zip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        EXPECT_EQ(Derive(c.item, c.format), c.expected);
    }
}

TEST(Naming, ReplaceExtensionFollowsTheFormat) {
    struct Case {
        const char* field;
        int format;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\out\\backup.zip", 2, "C:\\out\\backup.cab"},
        {"C:\\out\\backup", 3, "C:\\out\\backup.tar"},
        {"C:\\data\\report.zip", 1, "C:\\data\\report.lzh"},
        {"C:\\表\\ソ.7z", 0, "C:\\表\\ソ.zip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        char path[PathSize];
        ASSERT_TRUE(ReplaceArchiveExtension(c.field, c.format, path, sizeof(path)));
        EXPECT_STREQ(path, c.expected);
    }
}

// Refused rather than cut: a text that would be split short, an output that
// does not fit, a format that cannot be created.
TEST(Naming, RefusesWhatDoesNotFit) {
    std::string longPath = "C:\\" + std::string(300, 'a') + ".txt";
    char path[PathSize] = "stale";
    EXPECT_FALSE(DeriveArchivePath(longPath.c_str(), 0, path, sizeof(path)));
    EXPECT_STREQ(path, "");
    std::string nearlyFull = "C:\\" + std::string(254, 'a') + ".t";  // 259 bytes: fits, the result does not
    EXPECT_FALSE(DeriveArchivePath(nearlyFull.c_str(), 0, path, sizeof(path)));
    EXPECT_STREQ(path, "");
    char small[8];
    EXPECT_FALSE(DeriveArchivePath("C:\\a\\b.txt", 0, small, sizeof(small)));
    EXPECT_STREQ(small, "");
    EXPECT_FALSE(DeriveArchivePath("C:\\a\\b.txt", 7, path, sizeof(path)));
    EXPECT_FALSE(DeriveArchivePath("C:\\a\\b.txt", -1, path, sizeof(path)));
    EXPECT_STREQ(path, "");
}

TEST(Naming, CompleteGivesDisplayNameAndFullPath) {
    struct Case {
        const char* text;
        int format;
        const char* current;
        const char* name;
        const char* full;
    };
    const Case cases[] = {
        {"C:\\out\\backup.zip", 0, "C:\\work", "backup.zip", "C:\\out\\backup.zip"},
        // No extension: the name gets the task's format, the path stays.
        {"C:\\out\\backup", 1, "C:\\work", "backup.lzh", "C:\\out\\backup"},
        {"backup.zip", 0, "C:\\work", "backup.zip", "C:\\work\\backup.zip"},
        {"backup", 3, "C:\\work\\", "backup.tar", "C:\\work\\backup.tar"},
        {"sub\\backup.7z", 0, "C:\\work", "backup.7z", "C:\\work\\sub\\backup.7z"},
        {"C:\\.zip", 0, "C:\\work", ".zip", "C:\\.zip"},
        // A network path is already full; a rooted one takes the current drive.
        {"\\\\server\\share\\x.zip", 0, "C:\\work", "x.zip", "\\\\server\\share\\x.zip"},
        {"\\out\\x.zip", 0, "D:\\work", "x.zip", "D:\\out\\x.zip"},
        {"C:\\ソフト\\表", 0, "C:\\work", "表.zip", "C:\\ソフト\\表"},
        {"表\\能.cab", 0, "C:\\データ", "能.cab", "C:\\データ\\表\\能.cab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        char name[PathSize];
        char full[PathSize];
        EXPECT_TRUE(CompleteArchivePath(c.text, c.format, c.current, name, sizeof(name), full, sizeof(full)));
        EXPECT_STREQ(name, c.name);
        EXPECT_STREQ(full, c.full);
    }
}

TEST(Naming, CompleteKeepsTheTextWhenTheFullPathDoesNotFit) {
    std::string current = "C:\\" + std::string(250, 'w');
    char name[PathSize];
    char full[PathSize];
    EXPECT_FALSE(CompleteArchivePath("backup.zip", 0, current.c_str(), name, sizeof(name), full, sizeof(full)));
    EXPECT_STREQ(name, "backup.zip");
    EXPECT_STREQ(full, "backup.zip");
}

// A proposal is never one of the list's paths nor inside a folder of it.
TEST(Naming, ProposalNeverPacksTheListIntoItself) {
    struct Case {
        const char* name;
        const char* item;
        int format;
        std::vector<const char*> list;
        const char* expected;  // "" when nothing can be proposed
    };
    const Case cases[] = {
        {"no collision", "C:\\in\\b.txt", 0, {"C:\\in\\b.txt", "C:\\in\\a.zip"}, "C:\\in\\b.zip"},
        {"the archive itself", "C:\\in\\a.zip", 0, {"C:\\in\\a.zip", "C:\\in\\b.txt"}, "C:\\in\\a (2).zip"},
        {"another path of the list", "C:\\in\\a.txt", 0, {"C:\\in\\a.txt", "C:\\IN\\A.ZIP"}, "C:\\in\\a (2).zip"},
        {"numbers taken too", "C:\\in\\a.zip", 0, {"C:\\in\\a.zip", "C:\\in\\a (2).zip", "c:/in/a (3).zip"},
         "C:\\in\\a (4).zip"},
        {"other format", "C:\\in\\a.lzh", 1, {"C:\\in\\a.lzh"}, "C:\\in\\a (2).lzh"},
        {"inside a folder of the list", "C:\\data\\photos", 0, {"C:\\data\\photos", "C:\\data"}, "C:\\data.zip"},
        {"inside nested folders", "C:\\d\\e\\f.txt", 0, {"C:\\d\\e\\f.txt", "C:\\d\\e", "C:\\d\\"}, "C:\\d.zip"},
        {"beside the folder, then numbered", "C:\\d\\x.txt", 0, {"C:\\d\\x.txt", "C:\\d", "C:\\d.zip"},
         "C:\\d (2).zip"},
        {"the archive itself, in a folder of the list", "C:\\d\\a.zip", 0, {"C:\\d\\a.zip", "C:\\d"}, "C:\\d.zip"},
        {"double-byte folder", "C:\\ソフト\\表示.zip", 0, {"C:\\ソフト\\表示.zip"}, "C:\\ソフト\\表示 (2).zip"},
        {"a drive's root", "C:\\", 0, {"C:\\"}, ""},
        {"below a drive's root", "C:\\data\\a.txt", 0, {"C:\\data\\a.txt", "C:\\"}, ""},
        {"empty list", "C:\\in\\a.zip", 0, {}, "C:\\in\\a.zip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char path[PathSize] = "junk";
        bool proposed = ProposeArchivePath(c.item, c.format, c.list.data(), c.list.size(), path, sizeof(path));
        EXPECT_EQ(proposed, c.expected[0] != '\0');
        EXPECT_STREQ(path, c.expected);
    }
}

// A numbered name that no longer fits is no proposal.
TEST(Naming, ProposalStaysWithinThePathSize) {
    std::string item = "C:\\" + std::string(250, 'n') + ".zip";
    const char* list[] = {item.c_str()};
    char path[PathSize];
    EXPECT_FALSE(ProposeArchivePath(item.c_str(), 0, list, 1, path, sizeof(path)));
    EXPECT_STREQ(path, "");
    std::string fits = "C:\\" + std::string(246, 'n') + ".zip";
    list[0] = fits.c_str();
    ASSERT_TRUE(ProposeArchivePath(fits.c_str(), 0, list, 1, path, sizeof(path)));
    EXPECT_EQ(std::string(path), "C:\\" + std::string(246, 'n') + " (2).zip");
}
