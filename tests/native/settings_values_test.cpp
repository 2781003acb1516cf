#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"

TEST(SettingsValues, DefaultsAfterReset) {
    ResetSettings("C:\\work\\");
    EXPECT_EQ(Settings.DefCompType, 0);
    EXPECT_EQ(Settings.DefMeltAuto, 2);
    EXPECT_EQ(Settings.DefMeltOverwrite, 0);
    EXPECT_EQ(Settings.DefError, 0);
    EXPECT_STREQ(Settings.OpenFolder, "C:\\work\\");
}

// Hand-edited values never index a table out of range: they fall back to
// the defaults; the overwrite switch keeps any non-zero value.
TEST(SettingsValues, OutOfRangeValuesFallBack) {
    struct Case {
        unsigned char comp, melt, overwrite, error;
        unsigned char wantComp, wantMelt, wantOverwrite, wantError;
    };
    const Case cases[] = {
        {6, 2, 2, 1, 6, 2, 2, 1},
        {9, 7, 7, 5, 0, 2, 7, 0},
        {255, 3, 0, 2, 0, 2, 0, 0},
        {0, 0, 1, 0, 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.comp);
        SettingsRecord s = {c.comp, c.melt, c.overwrite, c.error, ""};
        NormalizeSettings(&s);
        EXPECT_EQ(s.DefCompType, c.wantComp);
        EXPECT_EQ(s.DefMeltAuto, c.wantMelt);
        EXPECT_EQ(s.DefMeltOverwrite, c.wantOverwrite);
        EXPECT_EQ(s.DefError, c.wantError);
    }
}

// The one way a folder is remembered: with one backslash at its end, the
// trail byte of ソ not taken for one; a folder that cannot take its
// backslash leaves the remembered folder as it was.
TEST(SettingsValues, RememberedFolderEndsInOneBackslash) {
    struct Case {
        const char* name;
        std::string folder;
        bool ofPath;          // a chosen file's path rather than a folder
        std::string remembered;
    };
    const std::string longest(PathSize - 2, 'a');
    const Case cases[] = {
        {"bare folder", "C:\\data", false, "C:\\data\\"},
        {"with backslash", "C:\\data\\", false, "C:\\data\\"},
        {"ends in ソ", "C:\\ソ", false, "C:\\ソ\\"},
        {"room for the backslash", longest, false, longest + "\\"},
        {"no room for the backslash", longest + "a", false, "C:\\old\\"},
        {"file's folder", "C:\\ソフト\\表.fdl", true, "C:\\ソフト\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetSettings("C:\\old\\");
        if (c.ofPath) {
            RememberFolderOfPath(c.folder.c_str());
        } else {
            RememberOpenFolder(c.folder.c_str());
        }
        EXPECT_EQ(std::string(Settings.OpenFolder), c.remembered);
    }
}
