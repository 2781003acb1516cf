#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "tests/win/test_support.h"

// The four bytes of the settings as loaded.
static void ExpectSettingBytes(int comp, int melt, int overwrite, int error) {
    EXPECT_EQ(Settings.DefCompType, comp);
    EXPECT_EQ(Settings.DefMeltAuto, melt);
    EXPECT_EQ(Settings.DefMeltOverwrite, overwrite);
    EXPECT_EQ(Settings.DefError, error);
}

TEST(SettingsFile, MissingFileGivesDefaults) {
    std::string folder = TempFolder("ini");
    ResetSettings(folder.c_str());
    Settings.DefCompType = 5;  // stale values must not survive a load
    Settings.DefError = 1;
    ResetSettings(folder.c_str());
    ASSERT_TRUE(LoadSettings((folder + "fardelix.ini").c_str()));
    EXPECT_EQ(Settings.DefCompType, 0);
    EXPECT_EQ(Settings.DefMeltAuto, 2);
    EXPECT_EQ(Settings.DefMeltOverwrite, 0);
    EXPECT_EQ(Settings.DefError, 0);
    EXPECT_EQ(std::string(Settings.OpenFolder), folder);
}

TEST(SettingsFile, WritesEveryKeyAndReadsThemBack) {
    std::string folder = TempFolder("ini");
    std::string ini = folder + "fardelix.ini";
    ResetSettings("C:\\ソフト\\表\\");
    Settings.DefCompType = 3;
    Settings.DefMeltAuto = 1;
    Settings.DefMeltOverwrite = 2;
    Settings.DefError = 1;
    ASSERT_TRUE(SaveSettings(ini.c_str()));
    std::string bytes = ReadFileBytes(ini);
    EXPECT_NE(bytes.find("[CONFIG]"), std::string::npos);
    EXPECT_NE(bytes.find("DefCompType=3"), std::string::npos);
    EXPECT_NE(bytes.find("DefMeltAuto=1"), std::string::npos);
    EXPECT_NE(bytes.find("DefMeltOverwrite=2"), std::string::npos);
    EXPECT_NE(bytes.find("DefError=1"), std::string::npos);
    EXPECT_NE(bytes.find("[DIR]"), std::string::npos);
    EXPECT_NE(bytes.find("OpenFolder=C:\\ソフト\\表\\"), std::string::npos);

    ResetSettings(folder.c_str());
    ASSERT_TRUE(LoadSettings(ini.c_str()));
    EXPECT_EQ(Settings.DefCompType, 3);
    EXPECT_EQ(Settings.DefMeltAuto, 1);
    EXPECT_EQ(Settings.DefMeltOverwrite, 2);
    EXPECT_EQ(Settings.DefError, 1);
    EXPECT_STREQ(Settings.OpenFolder, "C:\\ソフト\\表\\");
}

TEST(SettingsFile, HandEditedValuesStayInRange) {
    struct Case {
        const char* file;
        int comp, melt, overwrite, error;
    };
    const Case cases[] = {
        {"[CONFIG]\r\nDefCompType=9\r\nDefMeltAuto=7\r\nDefMeltOverwrite=7\r\nDefError=3\r\n", 0, 2, 7, 0},
        {"[CONFIG]\r\nDefCompType=abc\r\nDefMeltAuto=x\r\nDefMeltOverwrite=\r\nDefError=one\r\n", 0, 0, 0, 0},
        {"[CONFIG]\r\nDefCompType=262\r\nDefMeltAuto=-1\r\n", 6, 2, 0, 0},  // low 8 bits: 262 is 6
        {"[CONFIG]\r\nDefCompType=4\r\n", 4, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string folder = TempFolder("ini");
        std::string ini = folder + "fardelix.ini";
        WriteFileBytes(ini, c.file);
        ResetSettings(folder.c_str());
        LoadSettings(ini.c_str());
        ExpectSettingBytes(c.comp, c.melt, c.overwrite, c.error);
    }
}

// The file is read in one go and parsed by the program; what it reads must
// be what the system's profile functions read from the same bytes: names
// in any case with blanks around them, only the first section of a name,
// "]" as the trail byte of ゾ, lines ended by "\r" alone, comments, keys
// without "=", quotes, numbers with a sign or a base, and a file with a
// byte-order mark (left to the system).
TEST(SettingsFile, ReadsAsTheProfileFunctionsRead) {
    const char* const files[] = {
        "[config]\r\n defcomptype = 3 \r\nDEFERROR=1\r\n[dir]\r\nopenfolder = \"C:\\ソフト\\\" \r\n",
        "[CONFIG]\r\nDefError=1\r\n[DIR]\r\nOpenFolder=C:\\a\\\r\n[CONFIG]\r\nDefCompType=5\r\n",
        "[CONFIG]ゾ\r\nDefCompType=2\r\n[DIR]ゾ]\r\nOpenFolder=C:\\表\\\r\n",
        "[CONFIG]\rDefCompType=4\rDefError=1\r[DIR]\rOpenFolder=C:\\r\\\r",
        "[CONFIG]\r\n;DefCompType=3\r\nDefError\r\n[DIR]\r\nOpenFolder\r\n",
        "[CONFIG]\r\nDefCompType=0x4\r\nDefMeltAuto=+1\r\nDefError=1z\r\nDefMeltOverwrite=0b11\r\n"
        "[DIR]\r\nOpenFolder='C:\\x\\'\r\n",
        "DefCompType=3\r\n[CONFIG]\r\nDefError=1\r\n[DIR]\r\nOpenFolder=\"C:\\y\\'\r\n",
        "[CONFIG]\r\nDefCompType=abc\r\nDefMeltAuto=0x\r\nDefError=-1\r\nDefMeltOverwrite=0o3\r\n",
        "[CONFIG]\n\tDefCompType\t=\t2\t\n[DIR\nOpenFolder=C:\\z\\\n",
        "\xEF\xBB\xBF[CONFIG]\r\nDefCompType=3\r\n",
        "",
    };
    for (const char* file : files) {
        SCOPED_TRACE(file);
        std::string folder = TempFolder("ini");
        std::string ini = folder + "fardelix.ini";
        WriteFileBytes(ini, file);
        SettingsRecord system = {};
        auto byte = [&](const char* key, int fallback) {
            return static_cast<unsigned char>(GetPrivateProfileIntA("CONFIG", key, fallback, ini.c_str()) & 0xFF);
        };
        system.DefCompType = byte("DefCompType", 0);
        system.DefMeltAuto = byte("DefMeltAuto", 2);
        system.DefMeltOverwrite = byte("DefMeltOverwrite", 0);
        system.DefError = byte("DefError", 0);
        NormalizeSettings(&system);
        GetPrivateProfileStringA("DIR", "OpenFolder", folder.c_str(), system.OpenFolder, PathSize, ini.c_str());
        ResetSettings(folder.c_str());
        LoadSettings(ini.c_str());
        ExpectSettingBytes(system.DefCompType, system.DefMeltAuto, system.DefMeltOverwrite, system.DefError);
        EXPECT_STREQ(Settings.OpenFolder, system.OpenFolder);
    }
}

// The profile functions cut a value at the buffer; a cut folder is a wrong
// one, so a folder too long for a path keeps the folder from before.
TEST(SettingsFile, FolderTooLongForAPathIsNotTaken) {
    std::string folder = TempFolder("ini");
    std::string ini = folder + "fardelix.ini";
    // Read by the program, and by the profile functions (a byte-order mark).
    for (const char* start : {"", "\xEF\xBB\xBF"}) {
        WriteFileBytes(ini, std::string(start) + "[DIR]\r\nOpenFolder=C:\\" + std::string(PathSize, 'a') + "\\\r\n");
        ResetSettings(folder.c_str());
        LoadSettings(ini.c_str());
        EXPECT_EQ(std::string(Settings.OpenFolder), folder) << (start[0] != '\0' ? "with mark" : "plain");
    }
}
