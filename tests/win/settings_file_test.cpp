#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "tests/win/test_support.h"

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
        EXPECT_EQ(Settings.DefCompType, c.comp);
        EXPECT_EQ(Settings.DefMeltAuto, c.melt);
        EXPECT_EQ(Settings.DefMeltOverwrite, c.overwrite);
        EXPECT_EQ(Settings.DefError, c.error);
    }
}
