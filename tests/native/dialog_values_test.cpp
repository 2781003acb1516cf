#include "ui/dialog_values.h"

#include <gtest/gtest.h>

#include <string>

TEST(DialogValues, DestinationFolderGetsOneTrailingBackslash) {
    struct Case {
        const char* typed;
        DestinationCheck check;
        const char* folder;
    };
    const std::string longest = "C:\\" + std::string(PathSize - 5, 'a');  // 258 bytes: room for '\' and the terminator
    const std::string tooLong = "C:\\" + std::string(PathSize - 4, 'a');  // 259 bytes: no room for the backslash
    const std::string fullWithBackslash = longest + "\\";
    const Case cases[] = {
        {"C:\\out", DestinationOk, "C:\\out\\"},
        {"C:\\out\\", DestinationOk, "C:\\out\\"},
        {"C:\\", DestinationOk, "C:\\"},
        // 表 and ソ end in the byte 0x5C, which is not a backslash there.
        {"C:\\表", DestinationOk, "C:\\表\\"},
        {"D:\\ソフト\\表", DestinationOk, "D:\\ソフト\\表\\"},
        {"C:\\表\\", DestinationOk, "C:\\表\\"},
        {"", DestinationEmpty, ""},
        {longest.c_str(), DestinationOk, nullptr},
        {fullWithBackslash.c_str(), DestinationOk, fullWithBackslash.c_str()},
        {tooLong.c_str(), DestinationTooLong, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        char folder[PathSize] = "junk";
        EXPECT_EQ(MakeDestinationFolder(c.typed, folder, sizeof(folder)), c.check);
        std::string expected = c.folder != nullptr ? c.folder : longest + "\\";
        EXPECT_EQ(std::string(folder), expected);
    }
    EXPECT_STREQ(DestinationMessage(DestinationEmpty), "圧縮ファイルを解凍するフォルダが指定されていません");
}

// Folders no Windows path can hold are refused before they reach a task.
TEST(DialogValues, DestinationFolderMustBeAFullPathOfNameCharacters) {
    struct Case {
        const char* typed;
        DestinationCheck check;
    };
    const Case cases[] = {
        {"C:\\out", DestinationOk},
        {"c:/out", DestinationOk},
        {"C:", DestinationOk},
        {"\\\\server\\share\\out", DestinationOk},
        {"C:\\ポ\\x", DestinationOk},              // ポ is 0x83 0x7C: its trail byte is '|'
        {"C:\\ソフト\\能", DestinationOk},
        {"C:\\a b.c\\(1)", DestinationOk},
        {"out", DestinationNotFullPath},
        {"\\out", DestinationNotFullPath},
        {"C:out", DestinationNotFullPath},
        {"\\\\\\x", DestinationNotFullPath},
        {"1:\\out", DestinationNotFullPath},
        {"表:\\out", DestinationNotFullPath},
        {"C:\\a*b", DestinationBadCharacter},
        {"C:\\a?", DestinationBadCharacter},
        {"C:\\\"a\"", DestinationBadCharacter},
        {"C:\\<a>", DestinationBadCharacter},
        {"C:\\a|b", DestinationBadCharacter},
        {"C:\\a:b", DestinationBadCharacter},
        {"C:\\a\tb", DestinationBadCharacter},
        {"C:\\表|", DestinationBadCharacter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        char folder[PathSize] = "junk";
        EXPECT_EQ(MakeDestinationFolder(c.typed, folder, sizeof(folder)), c.check);
        if (c.check != DestinationOk) {
            EXPECT_STREQ(folder, "");
        }
        EXPECT_NE(std::string(DestinationMessage(c.check)).empty(), c.check != DestinationOk);
    }
}

TEST(DialogValues, FolderRuleRadiosBothWays) {
    struct Case {
        int mode;
        unsigned char shown;
        unsigned char readBack;
    };
    const Case cases[] = {
        {AutoFolderAlways, AutoFolderAlways, AutoFolderAlways},
        {AutoFolderNever, AutoFolderNever, AutoFolderNever},
        {AutoFolderUnlessSingle, AutoFolderUnlessSingle, AutoFolderUnlessSingle},
        {7, AutoFolderUnlessSingle, AutoFolderUnlessSingle},
        {255, AutoFolderUnlessSingle, AutoFolderUnlessSingle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(ShownAutoFolder(c.mode), c.shown);
        EXPECT_EQ(AutoFolderFromRadios(c.shown == AutoFolderAlways, c.shown == AutoFolderNever), c.readBack);
    }
}

TEST(DialogValues, SettingsChoiceRoundTrip) {
    struct Case {
        const char* name;
        SettingsRecord before;
        SettingsChoice shown;
        SettingsRecord after;  // after OK without touching a control
    };
    const Case cases[] = {
        {"defaults", {0, 2, 0, 0, ""}, {0, false, false, true, true}, {0, 2, 0, 0, ""}},
        {"every other choice", {6, 0, 2, 1, ""}, {6, true, false, false, false}, {6, 0, 2, 1, ""}},
        {"never", {3, 1, 0, 0, ""}, {3, false, true, true, true}, {3, 1, 0, 0, ""}},
        // A hand-edited file: 7 shows as 1004 and is stored back as 2; any
        // non-zero overwrite value is "don't ask", stored as 2.
        {"hand-edited", {9, 7, 1, 5, ""}, {0, false, false, false, false}, {0, 2, 2, 1, ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsChoice shown = ChoiceFromSettings(c.before);
        EXPECT_EQ(shown.formatPosition, c.shown.formatPosition);
        EXPECT_EQ(shown.autoAlways, c.shown.autoAlways);
        EXPECT_EQ(shown.autoNever, c.shown.autoNever);
        EXPECT_EQ(shown.overwriteAsk, c.shown.overwriteAsk);
        EXPECT_EQ(shown.errorContinue, c.shown.errorContinue);
        SettingsRecord settings = c.before;
        ApplySettingsChoice(shown, &settings);
        EXPECT_EQ(settings.DefCompType, c.after.DefCompType);
        EXPECT_EQ(settings.DefMeltAuto, c.after.DefMeltAuto);
        EXPECT_EQ(settings.DefMeltOverwrite, c.after.DefMeltOverwrite);
        EXPECT_EQ(settings.DefError, c.after.DefError);
    }
}

TEST(DialogValues, NoFormatSelectedKeepsTheFormat) {
    SettingsRecord settings = {4, 2, 0, 0, ""};
    SettingsChoice choice = ChoiceFromSettings(settings);
    choice.formatPosition = -1;
    ApplySettingsChoice(choice, &settings);
    EXPECT_EQ(settings.DefCompType, 4);
}
