// The library list's rows and texts, and which names the bundled library
// stands in for.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archivers/library_rows.h"
#include "archivers/run_text.h"

TEST(LibraryRowsTest, BundledLibraryServesItsNamesOnly) {
    struct Case {
        const char* name;
        bool served;
    };
    const Case cases[] = {
        {"ZIP32J.DLL", true},  {"UNZIP32.DLL", true}, {"tar32.dll", true},  {"7-zip32.dll", true},
        {"UNLHA32.DLL", true}, {"cab32.dll", true},   {"unrar32.dll", true},
        {"unzip32.dll", true},   // file names ignore case
        {"Bga32.dll", false},  {"Yz1.dll", false},    {"UNARJ32J.DLL", false}, {"fdarc.dll", false},
        {"ZIP32J", false},     {"ZIP32J.DLLX", false}, {"XZIP32J.DLL", false}, {"", false},
        {"ZIP32J.DLL|UNZIP32.DLL", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsServedByBundledLibrary(c.name), c.served);
    }
    EXPECT_FALSE(IsServedByBundledLibrary(nullptr));
}

// One row per library file: the formats one library serves share its row,
// and a short array gets what fits.
TEST(LibraryRowsTest, FormatsOfOneLibraryShareItsRow) {
    LibraryRow rows[LibraryRowCapacity];
    int count = BuildLibraryRows(rows, LibraryRowCapacity);
    int tarRows = 0;
    for (int i = 0; i < count; ++i) {
        if (strcmp(rows[i].library, "tar32.dll") != 0) continue;
        ++tarRows;
        EXPECT_STREQ(rows[i].formats, "tar tgz gz tbz bz2 txz xz");
    }
    EXPECT_EQ(tarRows, 1);
    EXPECT_EQ(BuildLibraryRows(rows, 3), 3);
}

TEST(LibraryRowsTest, VersionAndPlaceTexts) {
    struct VersionCase {
        int version;
        const char* text;
    };
    for (const VersionCase& c : {VersionCase{230, "2.30"}, VersionCase{5, "0.05"}, VersionCase{1207, "12.07"},
                                 VersionCase{0, "-"}, VersionCase{-3, "-"}}) {
        SCOPED_TRACE(c.version);
        char text[16];
        FormatLibraryVersion(c.version, text, sizeof(text));
        EXPECT_STREQ(text, c.text);
    }
    struct PlaceCase {
        LibraryPlace place;
        const char* folder;
        const char* text;
    };
    const PlaceCase places[] = {
        {LibraryPlace::ProgramFolder, "C:\\p\\", "プログラムのフォルダ"},
        {LibraryPlace::SystemFolder, "C:\\windows\\system32\\", "システムフォルダ"},
        {LibraryPlace::Bundled, "", "付属ライブラリ"},
        {LibraryPlace::Missing, "", "見つかりません"},
        {LibraryPlace::OtherFolder, "D:\\表\\tools\\", "D:\\表\\tools\\"},
        {LibraryPlace::OtherFolder, "", "見つかりません"},
    };
    for (const PlaceCase& c : places) {
        SCOPED_TRACE(c.text);
        char text[64];
        FormatLibraryPlace(c.place, c.folder, text, sizeof(text));
        EXPECT_STREQ(text, c.text);
    }
}

TEST(LibraryRowsTest, MissingLibraryReasonIsRecognised) {
    char reason[512];
    FormatLibraryNotLoaded(reason, sizeof(reason), "表ソ.dll");   // names may end in 0x5C trail bytes
    EXPECT_TRUE(IsLibraryNotLoadedReason(reason));
    char failure[512];
    FormatLibraryFailure(failure, sizeof(failure), "UNZIP32.DLL", 5);
    EXPECT_FALSE(IsLibraryNotLoadedReason(failure));
    EXPECT_FALSE(IsLibraryNotLoadedReason("を読み込めませんでした。\n"));   // no library named
    EXPECT_FALSE(IsLibraryNotLoadedReason(""));
    EXPECT_FALSE(IsLibraryNotLoadedReason(nullptr));
}
