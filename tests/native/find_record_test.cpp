#include "archivers/find_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archivers/run_text.h"

// The name lies at byte 26; a library that fills all 513 bytes without a
// terminator gets its name cut there, and a cut never splits a double-byte
// character.
TEST(FindRecord, NameIsReadWithinItsBytes) {
    struct Case {
        const char* name;
        std::string stored;   // bytes written at the name's offset
        size_t size;          // the caller's buffer
        std::string expected;
    };
    const std::string full(FindRecordNameSize, 'a');
    const Case cases[] = {
        {"terminated", std::string("dir\\表示.txt") + '\0', 64, "dir\\表示.txt"},
        {"all 513 bytes, no terminator", full, FindRecordNameSize + 1, full},
        {"caller's buffer smaller", "abcdef", 4, "abc"},
        {"cut before a double-byte character", "ab表", 4, "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned char record[FindRecordSize];
        memset(record, 'z', sizeof(record));   // what follows the name must not be read
        memcpy(record + FindRecordNameOffset, c.stored.data(), c.stored.size());
        char name[FindRecordNameSize + 1];
        ReadFindRecordName(record, name, c.size);
        EXPECT_EQ(std::string(name), c.expected);
    }
}

TEST(FindRecord, MissingEntryTextNamesLibraryAndEntry) {
    struct Case {
        const char* library;
        const char* prefix;
        const char* suffix;
        const char* text;
    };
    const Case cases[] = {
        {"ZIP32J.DLL", "Zip", "GetRunning", "ZIP32J.DLL から関数ZipGetRunningを取得できませんでした。"},
        {"UNLHA32.DLL", "Unlha", "GetFileCount", "UNLHA32.DLL から関数UnlhaGetFileCountを取得できませんでした。"},
        {"tar32.dll", "Tar", "", "tar32.dll から関数Tarを取得できませんでした。"},
        {"UNLHA32.DLL", "", "", "UNLHA32.DLL から関数を取得できませんでした。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        char text[MissingEntryTextSize];
        EXPECT_TRUE(FormatMissingEntry(text, sizeof(text), c.library, c.prefix, c.suffix));
        EXPECT_STREQ(text, c.text);
    }
    char small[16];
    EXPECT_FALSE(FormatMissingEntry(small, sizeof(small), "ZIP32J.DLL", "Zip", "GetRunning"));
    EXPECT_STREQ(small, "");
}
