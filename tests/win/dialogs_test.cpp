// The About box, the settings dialog and the extraction settings dialogs,
// driven through their real procedures and resources.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/settings.h"
#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "ui/about_dialog.h"
#include "app/controls.h"
#include "ui/extract_dialog.h"
#include "ui/main_commands.h"
#include "ui/main_window.h"
#include "ui/settings_dialog.h"
#include "tasks/task_rows.h"

static std::string WindowText(HWND window) {
    char text[PathSize] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

static std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

static bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// A click as the user makes it: an automatic radio unchecks its group.
static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// A key press as the dialog's modal loop would see it.
static void PressKey(HWND dialog, WPARAM key) {
    HWND focus = GetFocus();
    MSG msg = {};
    msg.hwnd = (focus != nullptr && IsChild(dialog, focus)) ? focus : dialog;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    IsDialogMessageA(dialog, &msg);
}

static void ExpectCentredOnMainWindow(HWND dialog) {
    RECT main, own;
    GetWindowRect(MainWindow, &main);
    GetWindowRect(dialog, &own);
    EXPECT_EQ(own.left, main.left + ((main.right - main.left) - (own.right - own.left)) / 2);
    EXPECT_EQ(own.top, main.top + ((main.bottom - main.top) - (own.bottom - own.top)) / 2);
    EXPECT_TRUE(IsWindowVisible(dialog));
}

static std::vector<std::string> ChildTexts(HWND dialog) {
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        texts.push_back(WindowText(child));
    }
    return texts;
}

// Every test leaves the settings as it found them.
class DialogTest : public testing::Test {
protected:
    SettingsRecord saved;
    void SetUp() override {
        ResetTasks();
        saved = Settings;
        // Off the screen's corner, so centring has something to do.
        SetWindowPos(MainWindow, nullptr, 100, 50, 800, 600, SWP_NOZORDER);
    }
    void TearDown() override { Settings = saved; }
};

// ---- About box ----

TEST_F(DialogTest, AboutBoxShowsNameAndVersionCentred) {
    Fake.dialog = [](int id, DLGPROC procedure, LPARAM data) {
        return DriveDialog(id, procedure, data, [](HWND dialog) {
            EXPECT_EQ(WindowText(dialog), "バージョン情報");
            ExpectCentredOnMainWindow(dialog);
            std::vector<std::string> texts = ChildTexts(dialog);
            EXPECT_NE(std::find(texts.begin(), texts.end(), "fardelix"), texts.end());
            EXPECT_NE(std::find(texts.begin(), texts.end(), "Version 2.30"), texts.end());
            EXPECT_EQ(ItemText(dialog, IDOK), "OK");
            PressButton(dialog, IDOK);
        });
    };
    SendMessageA(MainWindow, WM_COMMAND, IDM_ABOUT, 0);
    ASSERT_EQ(Fake.dialogIds, std::vector<int>{IDD_ABOUT});
    ASSERT_EQ(Fake.endedDialogs.size(), 1u);
}

TEST_F(DialogTest, AboutBoxIgnoresEscapeButEndsOnOkEnterAndClose) {
    struct Case {
        const char* name;
        void (*act)(HWND dialog);
        bool ends;
    };
    const Case cases[] = {
        {"Escape", [](HWND d) { PressKey(d, VK_ESCAPE); }, false},
        {"IDCANCEL", [](HWND d) { PressButton(d, IDCANCEL); }, false},
        {"Enter", [](HWND d) { PressKey(d, VK_RETURN); }, true},
        {"OK", [](HWND d) { PressButton(d, IDOK); }, true},
        {"close box", [](HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fake.endedDialogs.clear();
        bool ended = false;
        Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
            return DriveDialog(id, procedure, data, [&](HWND dialog) {
                c.act(dialog);
                ended = DialogEnded(dialog);
            });
        };
        ShowAboutBox(MainWindow);
        EXPECT_EQ(ended, c.ends);
    }
}

// ---- Settings dialog ----

struct SettingsView {
    int format;
    int autoRadio;
    int overwriteRadio;
    int errorRadio;
};

static SettingsView ReadView(HWND dialog) {
    SettingsView view = {};
    view.format = static_cast<int>(SendDlgItemMessageA(dialog, IDC_DEFAULT_FORMAT, CB_GETCURSEL, 0, 0));
    for (int id : {IDC_AUTO_ALWAYS, IDC_AUTO_NEVER, IDC_AUTO_UNLESS_ONE}) {
        if (Checked(dialog, id)) view.autoRadio = view.autoRadio == 0 ? id : -1;
    }
    for (int id : {IDC_OVERWRITE_ASK, IDC_OVERWRITE_NEVER}) {
        if (Checked(dialog, id)) view.overwriteRadio = view.overwriteRadio == 0 ? id : -1;
    }
    for (int id : {IDC_ERROR_CONTINUE, IDC_ERROR_SHOW}) {
        if (Checked(dialog, id)) view.errorRadio = view.errorRadio == 0 ? id : -1;
    }
    return view;
}

TEST_F(DialogTest, SettingsDialogShowsTheSettings) {
    struct Case {
        unsigned char compType, meltAuto, overwrite, error;
        SettingsView view;
    };
    const Case cases[] = {
        {0, 2, 0, 0, {0, IDC_AUTO_UNLESS_ONE, IDC_OVERWRITE_ASK, IDC_ERROR_CONTINUE}},
        {6, 0, 2, 1, {6, IDC_AUTO_ALWAYS, IDC_OVERWRITE_NEVER, IDC_ERROR_SHOW}},
        {3, 1, 1, 0, {3, IDC_AUTO_NEVER, IDC_OVERWRITE_NEVER, IDC_ERROR_CONTINUE}},
        {4, 7, 0, 1, {4, IDC_AUTO_UNLESS_ONE, IDC_OVERWRITE_ASK, IDC_ERROR_SHOW}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.compType) << " " << int(c.meltAuto));
        Settings.DefCompType = c.compType;
        Settings.DefMeltAuto = c.meltAuto;
        Settings.DefMeltOverwrite = c.overwrite;
        Settings.DefError = c.error;
        Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
            EXPECT_EQ(id, IDD_SETTINGS);
            return DriveDialog(id, procedure, data, [&](HWND dialog) {
                EXPECT_EQ(WindowText(dialog), "動作環境の設定");
                ExpectCentredOnMainWindow(dialog);
                HWND formats = GetDlgItem(dialog, IDC_DEFAULT_FORMAT);
                ASSERT_EQ(SendMessageA(formats, CB_GETCOUNT, 0, 0), 7);
                const char* extensions[7] = {"zip", "lzh", "cab", "tar", "7z", "bga", "yz1"};
                for (int i = 0; i < 7; ++i) {
                    char text[16] = "";
                    SendMessageA(formats, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                    EXPECT_STREQ(text, extensions[i]);
                }
                SettingsView view = ReadView(dialog);
                EXPECT_EQ(view.format, c.view.format);
                EXPECT_EQ(view.autoRadio, c.view.autoRadio);
                EXPECT_EQ(view.overwriteRadio, c.view.overwriteRadio);
                EXPECT_EQ(view.errorRadio, c.view.errorRadio);
                EXPECT_EQ(GetFocus(), formats);
                PressButton(dialog, IDCANCEL);
            });
        };
        EXPECT_FALSE(ShowSettingsDialog(MainWindow));
    }
}

TEST_F(DialogTest, SettingsDialogOkStoresTheChoices) {
    struct Case {
        const char* name;
        int format;
        int autoRadio, overwriteRadio, errorRadio;
        unsigned char compType, meltAuto, overwrite, error;
    };
    const Case cases[] = {
        {"no overwrite question stores 2", 0, IDC_AUTO_ALWAYS, IDC_OVERWRITE_NEVER, IDC_ERROR_CONTINUE, 0, 0, 2, 0},
        {"all first", 1, IDC_AUTO_ALWAYS, IDC_OVERWRITE_ASK, IDC_ERROR_CONTINUE, 1, 0, 0, 0},
        {"never", 3, IDC_AUTO_NEVER, IDC_OVERWRITE_ASK, IDC_ERROR_SHOW, 3, 1, 0, 1},
        {"unless single", 6, IDC_AUTO_UNLESS_ONE, IDC_OVERWRITE_NEVER, IDC_ERROR_SHOW, 6, 2, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings.DefCompType = 2;
        Settings.DefMeltAuto = AutoFolderNever;
        Settings.DefMeltOverwrite = 0;
        Settings.DefError = 0;
        INT_PTR result = 0;
        Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
            return result = DriveDialog(id, procedure, data, [&](HWND dialog) {
                SendDlgItemMessageA(dialog, IDC_DEFAULT_FORMAT, CB_SETCURSEL, c.format, 0);
                Click(dialog, c.autoRadio);
                Click(dialog, c.overwriteRadio);
                Click(dialog, c.errorRadio);
                SettingsView view = ReadView(dialog);  // one radio per group
                EXPECT_EQ(view.autoRadio, c.autoRadio);
                EXPECT_EQ(view.overwriteRadio, c.overwriteRadio);
                EXPECT_EQ(view.errorRadio, c.errorRadio);
                PressButton(dialog, IDOK);
            });
        };
        EXPECT_TRUE(ShowSettingsDialog(MainWindow));
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(Settings.DefCompType, c.compType);
        EXPECT_EQ(Settings.DefMeltAuto, c.meltAuto);
        EXPECT_EQ(Settings.DefMeltOverwrite, c.overwrite);
        EXPECT_EQ(Settings.DefError, c.error);
    }
}

TEST_F(DialogTest, SettingsDialogCancelEscapeAndCloseChangeNothing) {
    struct Case {
        const char* name;
        void (*leave)(HWND dialog);
    };
    const Case cases[] = {
        {"cancel", [](HWND d) { PressButton(d, IDCANCEL); }},
        {"escape", [](HWND d) { PressKey(d, VK_ESCAPE); }},
        // The dialog manager posts IDCANCEL for the close box.
        {"close box", [](HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); PumpPending(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings = {1, AutoFolderUnlessSingle, 0, 0, "C:\\表\\"};
        bool ended = false;
        Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
            return DriveDialog(id, procedure, data, [&](HWND dialog) {
                SendDlgItemMessageA(dialog, IDC_DEFAULT_FORMAT, CB_SETCURSEL, 5, 0);
                Click(dialog, IDC_AUTO_ALWAYS);
                Click(dialog, IDC_OVERWRITE_NEVER);
                Click(dialog, IDC_ERROR_SHOW);
                c.leave(dialog);
                ended = DialogEnded(dialog);
            });
        };
        EXPECT_FALSE(ShowSettingsDialog(MainWindow));
        EXPECT_TRUE(ended);
        EXPECT_EQ(Settings.DefCompType, 1);
        EXPECT_EQ(Settings.DefMeltAuto, AutoFolderUnlessSingle);
        EXPECT_EQ(Settings.DefMeltOverwrite, 0);
        EXPECT_EQ(Settings.DefError, 0);
        EXPECT_STREQ(Settings.OpenFolder, "C:\\表\\");
    }
}

TEST_F(DialogTest, FolderRuleSevenFromTheFileShowsUnlessSingleAndStoresTwo) {
    std::string ini = TempFolder("ini") + "fardelix.ini";
    WriteFileBytes(ini, "[CONFIG]\r\nDefCompType=1\r\nDefMeltAuto=7\r\n");
    LoadSettings(ini.c_str());
    bool shown = false;
    Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
        return DriveDialog(id, procedure, data, [&](HWND dialog) {
            shown = Checked(dialog, IDC_AUTO_UNLESS_ONE) && !Checked(dialog, IDC_AUTO_ALWAYS) &&
                    !Checked(dialog, IDC_AUTO_NEVER);
            PressButton(dialog, IDOK);
        });
    };
    ASSERT_TRUE(ShowSettingsDialog(MainWindow));
    EXPECT_TRUE(shown);
    EXPECT_EQ(Settings.DefMeltAuto, 2);
    EXPECT_EQ(Settings.DefCompType, 1);
}

// ---- Extraction settings dialogs ----

static short ExtractionTask(unsigned char status, unsigned char mode, const char* destination) {
    short index = AddTestTask(TaskExtraction, status, "a.zip");
    TaskTable[index].flag = mode;
    CopyText(TaskTable[index].destination, sizeof(TaskTable[index].destination), destination);
    return index;
}

// The task's own rule is shown, whatever the default: OK without a change
// stores what the task had.
TEST_F(DialogTest, OneTaskDialogShowsFolderAndTheTasksOwnRule) {
    struct Case {
        unsigned char mode;
        unsigned char meltAuto;
        int checked;
    };
    const Case cases[] = {
        {AutoFolderNever, AutoFolderUnlessSingle, IDC_AUTO_NEVER},
        {AutoFolderAlways, AutoFolderNever, IDC_AUTO_ALWAYS},
        {AutoFolderUnlessSingle, AutoFolderAlways, IDC_AUTO_UNLESS_ONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        Fake.endedDialogs.clear();
        Settings.DefMeltAuto = c.meltAuto;
        short task = ExtractionTask(Stopped, c.mode, "C:\\ソフト\\表\\");
        Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
            EXPECT_EQ(id, IDD_EXTRACTSETTINGS);
            return DriveDialog(id, procedure, data, [&](HWND dialog) {
                EXPECT_EQ(WindowText(dialog), "圧縮ファイルの解凍設定");
                ExpectCentredOnMainWindow(dialog);
                EXPECT_EQ(ItemText(dialog, IDC_DESTINATION), "C:\\ソフト\\表\\");
                LRESULT shown = SendDlgItemMessageA(dialog, IDC_DESTINATION, EM_GETSEL, 0, 0);
                SendDlgItemMessageA(dialog, IDC_DESTINATION, EM_SETSEL, 0, -1);
                EXPECT_EQ(shown, SendDlgItemMessageA(dialog, IDC_DESTINATION, EM_GETSEL, 0, 0));  // the whole text
                EXPECT_NE(HIWORD(shown), 0);
                EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_DESTINATION));
                for (int radio : {IDC_AUTO_ALWAYS, IDC_AUTO_NEVER, IDC_AUTO_UNLESS_ONE}) {
                    EXPECT_EQ(Checked(dialog, radio), radio == c.checked) << radio;
                }
                PressButton(dialog, IDOK);
            });
        };
        ShowExtractionSettingsDialog(MainWindow, task);
        ASSERT_EQ(Fake.endedDialogs.size(), 1u);
        EXPECT_EQ(Fake.endedDialogs[0].result, 1);
        EXPECT_EQ(TaskTable[task].flag, c.mode);
        EXPECT_STREQ(TaskTable[task].destination, "C:\\ソフト\\表\\");
    }
}

TEST_F(DialogTest, OneTaskDialogStoresTypedFolderWithBackslash) {
    struct Case {
        const char* typed;
        int radio;
        const char* stored;
        unsigned char mode;
    };
    const Case cases[] = {
        {"C:\\out", IDC_AUTO_ALWAYS, "C:\\out\\", AutoFolderAlways},
        {"C:\\out\\", IDC_AUTO_NEVER, "C:\\out\\", AutoFolderNever},
        {"C:\\ソフト\\表", IDC_AUTO_UNLESS_ONE, "C:\\ソフト\\表\\", AutoFolderUnlessSingle},
        {"C:\\does not exist", IDC_AUTO_NEVER, "C:\\does not exist\\", AutoFolderNever},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ResetTasks();
        short task = ExtractionTask(Stopped, AutoFolderUnlessSingle, "C:\\old\\");
        INT_PTR result = 0;
        Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
            return result = DriveDialog(id, procedure, data, [&](HWND dialog) {
                SetDlgItemTextA(dialog, IDC_DESTINATION, c.typed);
                Click(dialog, c.radio);
                PressButton(dialog, IDOK);
            });
        };
        ShowExtractionSettingsDialog(MainWindow, task);
        EXPECT_EQ(result, 1);
        EXPECT_STREQ(TaskTable[task].destination, c.stored);
        EXPECT_EQ(TaskTable[task].flag, c.mode);
        EXPECT_TRUE(Fake.messages.empty());
    }
}

TEST_F(DialogTest, EmptyFolderIsRefusedAndTheDialogStaysOpen) {
    short task = ExtractionTask(Stopped, AutoFolderNever, "C:\\old\\");
    bool ended = true;
    HWND shownDialog = nullptr;
    Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
        return DriveDialog(id, procedure, data, [&](HWND dialog) {
            shownDialog = dialog;
            SetDlgItemTextA(dialog, IDC_DESTINATION, "");
            Click(dialog, IDC_AUTO_ALWAYS);
            PressButton(dialog, IDOK);
            ended = DialogEnded(dialog);
            PressButton(dialog, IDCANCEL);
        });
    };
    ShowExtractionSettingsDialog(MainWindow, task);
    EXPECT_FALSE(ended);
    ASSERT_EQ(Fake.messages.size(), 1u);
    EXPECT_EQ(Fake.messages[0].text, "圧縮ファイルを解凍するフォルダが指定されていません");
    EXPECT_EQ(Fake.messages[0].caption, "error");
    EXPECT_EQ(Fake.messages[0].owner, shownDialog);
    EXPECT_STREQ(TaskTable[task].destination, "C:\\old\\");
    EXPECT_EQ(TaskTable[task].flag, AutoFolderNever);
}

// A drive letter that names no drive here.
static std::string MissingDrive() {
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        char root[4] = {letter, ':', '\\', '\0'};
        if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) return std::string(1, letter) + ":";
    }
    return "";
}

// Folders no Windows path can hold: the message, owned by the dialog, and
// the dialog stays open with nothing stored, in both dialogs.
TEST_F(DialogTest, FolderNoPathCanHoldIsRefusedAndTheDialogStaysOpen) {
    std::string missing = MissingDrive();
    ASSERT_FALSE(missing.empty());
    struct Case {
        std::string typed;
        const char* message;
    };
    const Case cases[] = {
        {"C:\\out\\a*b", "解凍するフォルダのパスに使えない文字（* ? \" < > |）が含まれています"},
        {"C:\\out\\<x>", "解凍するフォルダのパスに使えない文字（* ? \" < > |）が含まれています"},
        {"C:\\what?", "解凍するフォルダのパスに使えない文字（* ? \" < > |）が含まれています"},
        {"C:\\a|b", "解凍するフォルダのパスに使えない文字（* ? \" < > |）が含まれています"},
        {"out\\sub", "解凍するフォルダはドライブ名から始まるパスで指定してください"},
        {missing + "\\out", "解凍するフォルダのドライブが存在しません"},
    };
    for (bool batch : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.typed + (batch ? " (batch)" : ""));
            ResetTasks();
            InstallFakeModal();
            short task = ExtractionTask(Stopped, AutoFolderNever, "C:\\old\\");
            Lv_SetSelected(TaskListView, 0, true);
            bool ended = true;
            HWND shownDialog = nullptr;
            Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
                return DriveDialog(id, procedure, data, [&](HWND dialog) {
                    shownDialog = dialog;
                    SetDlgItemTextA(dialog, IDC_DESTINATION, c.typed.c_str());
                    Click(dialog, IDC_AUTO_ALWAYS);
                    PressButton(dialog, IDOK);
                    ended = DialogEnded(dialog);
                    PressButton(dialog, IDCANCEL);
                });
            };
            if (batch) {
                ShowBatchExtractionSettingsDialog(MainWindow, 1, task);
            } else {
                ShowExtractionSettingsDialog(MainWindow, task);
            }
            EXPECT_FALSE(ended);
            ASSERT_EQ(Fake.messages.size(), 1u);
            EXPECT_EQ(Fake.messages[0].text, c.message);
            EXPECT_EQ(Fake.messages[0].caption, "error");
            EXPECT_EQ(Fake.messages[0].owner, shownDialog);
            EXPECT_STREQ(TaskTable[task].destination, "C:\\old\\");
            EXPECT_EQ(TaskTable[task].flag, AutoFolderNever);
        }
    }
}

// The folder browser belongs to the dialog. A browser is a modal window of
// its owner: it disables the owner while it is up and enables it again when
// it closes. Owned by the main window, that left the main window enabled
// under the still open dialog.
TEST_F(DialogTest, MainWindowStaysDisabledWhenTheFolderBrowserCloses) {
    short task = ExtractionTask(Stopped, AutoFolderNever, "C:\\old\\");
    bool mainEnabledUnder = true;
    bool mainEnabledAfter = true;
    bool dialogEnabledAfter = false;
    Fake.browse = [&](const char*, const char*, char* folder, size_t size) {
        EnableWindow(Fake.browseOwner, FALSE);
        mainEnabledUnder = IsWindowEnabled(MainWindow) != FALSE;
        EnableWindow(Fake.browseOwner, TRUE);
        return CopyText(folder, size, "C:\\chosen");
    };
    // The dialog runs modally on the main window, as the program shows it.
    Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
        PostTestCallback([&] {
            HWND dialog = FindWindowA("#32770", "圧縮ファイルの解凍設定");
            ASSERT_NE(dialog, nullptr);
            PressButton(dialog, IDC_DEST_BROWSE);
            mainEnabledAfter = IsWindowEnabled(MainWindow) != FALSE;
            dialogEnabledAfter = IsWindowEnabled(dialog) != FALSE;
            EXPECT_EQ(ItemText(dialog, IDC_DESTINATION), "C:\\chosen\\");
            PressButton(dialog, IDCANCEL);
        });
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), MainWindow, procedure, data);
    };
    ShowExtractionSettingsDialog(MainWindow, task);
    ASSERT_EQ(Fake.endedDialogs.size(), 1u);
    EXPECT_NE(Fake.browseOwner, MainWindow);
    EXPECT_FALSE(mainEnabledUnder);
    EXPECT_FALSE(mainEnabledAfter);
    EXPECT_TRUE(dialogEnabledAfter);
    EXPECT_TRUE(IsWindowEnabled(MainWindow));  // the dialog gave it back when it ended
}

TEST_F(DialogTest, BrowseStartsAtTheBoxAndReplacesItOnOk) {
    struct Case {
        const char* name;
        bool choose;
        const char* chosen;
        const char* box;
    };
    const Case cases[] = {
        {"chosen", true, "C:\\ソフト\\表", "C:\\ソフト\\表\\"},
        {"chosen root", true, "C:\\", "C:\\"},
        {"cancelled", false, "", "C:\\start\\表"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        short task = ExtractionTask(Stopped, AutoFolderNever, "C:\\old\\");
        std::string title, start, box;
        Fake.browse = [&](const char* t, const char* s, char* folder, size_t size) {
            title = t;
            start = s;
            if (!c.choose) return false;
            return CopyText(folder, size, c.chosen);
        };
        Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
            return DriveDialog(id, procedure, data, [&](HWND dialog) {
                SetDlgItemTextA(dialog, IDC_DESTINATION, "C:\\start\\表");
                PressButton(dialog, IDC_DEST_BROWSE);
                box = ItemText(dialog, IDC_DESTINATION);
                PressButton(dialog, IDCANCEL);
            });
        };
        ShowExtractionSettingsDialog(MainWindow, task);
        EXPECT_EQ(title, "圧縮ファイルを解凍するフォルダを指定してください");
        EXPECT_EQ(start, "C:\\start\\表");
        EXPECT_EQ(box, c.box);
        EXPECT_STREQ(TaskTable[task].destination, "C:\\old\\");  // nothing stored before OK
    }
}

// Rows a..e: a, b, c and d selected, e not; d is Running.
class BatchDialogTest : public DialogTest {
protected:
    short a, b, c, d, e;
    void SetUp() override {
        DialogTest::SetUp();
        a = ExtractionTask(Done, AutoFolderNever, "C:\\a\\");
        b = ExtractionTask(Error, AutoFolderUnlessSingle, "C:\\b\\");
        d = ExtractionTask(Running, AutoFolderNever, "C:\\d\\");
        c = ExtractionTask(Waiting, AutoFolderAlways, "C:\\c\\");
        e = ExtractionTask(Done, AutoFolderNever, "C:\\e\\");
        for (int row = 0; row < 4; ++row) Lv_SetSelected(TaskListView, row, true);
    }
};

TEST_F(BatchDialogTest, OpensEmptyWithTheLastSelectedTasksRule) {
    Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
        return DriveDialog(id, procedure, data, [&](HWND dialog) {
            EXPECT_EQ(WindowText(dialog), "圧縮ファイルの一括解凍設定");
            ExpectCentredOnMainWindow(dialog);
            EXPECT_EQ(ItemText(dialog, IDC_DESTINATION), "");
            EXPECT_TRUE(Checked(dialog, IDC_AUTO_ALWAYS));
            EXPECT_FALSE(Checked(dialog, IDC_AUTO_UNLESS_ONE));
            PressButton(dialog, IDCANCEL);
        });
    };
    ShowBatchExtractionSettingsDialog(MainWindow, 4, c);  // c: the last selected row's task
    EXPECT_EQ(Fake.endedDialogs.size(), 1u);
}

TEST_F(BatchDialogTest, OkUpdatesEverySelectedTaskButTheRunningOne) {
    Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
        return DriveDialog(id, procedure, data, [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_DESTINATION, "C:\\表");
            Click(dialog, IDC_AUTO_NEVER);
            PressButton(dialog, IDOK);
        });
    };
    ShowBatchExtractionSettingsDialog(MainWindow, 4, c);  // c: the last selected row's task
    ASSERT_EQ(Fake.endedDialogs.size(), 1u);
    EXPECT_EQ(Fake.endedDialogs[0].result, 1);
    for (short task : {a, b, c}) {
        SCOPED_TRACE(task);
        EXPECT_STREQ(TaskTable[task].destination, "C:\\表\\");
        EXPECT_EQ(TaskTable[task].flag, AutoFolderNever);
        EXPECT_EQ(TaskTable[task].status, Stopped);
        EXPECT_EQ(CellText(TaskListView, TaskIndexToRow(task), ColumnStatus), "停止");
    }
    EXPECT_STREQ(TaskTable[d].destination, "C:\\d\\");
    EXPECT_EQ(TaskTable[d].status, Running);
    EXPECT_STREQ(TaskTable[e].destination, "C:\\e\\");
    EXPECT_EQ(TaskTable[e].status, Done);
    EXPECT_TRUE(Fake.messages.empty());
}

TEST_F(BatchDialogTest, CancelAndEmptyFolderLeaveEveryTaskAsItWas) {
    struct Case {
        const char* name;
        const char* typed;
        int leave;
        size_t messages;
    };
    const Case cases[] = {
        {"cancel", "F:\\x", IDCANCEL, 0},
        {"empty folder", "", IDOK, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Fake.messages.clear();
        Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
            return DriveDialog(id, procedure, data, [&](HWND dialog) {
                SetDlgItemTextA(dialog, IDC_DESTINATION, k.typed);
                Click(dialog, IDC_AUTO_UNLESS_ONE);
                PressButton(dialog, k.leave);
                PressButton(dialog, IDCANCEL);
            });
        };
        ShowBatchExtractionSettingsDialog(MainWindow, 4, c);  // c: the last selected row's task
        EXPECT_EQ(Fake.messages.size(), k.messages);
        const unsigned char statuses[] = {Done, Error, Waiting};
        const unsigned char modes[] = {AutoFolderNever, AutoFolderUnlessSingle, AutoFolderAlways};
        const char* folders[] = {"C:\\a\\", "C:\\b\\", "C:\\c\\"};
        const short tasks[] = {a, b, c};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(TaskTable[tasks[i]].status, statuses[i]);
            EXPECT_EQ(TaskTable[tasks[i]].flag, modes[i]);
            EXPECT_STREQ(TaskTable[tasks[i]].destination, folders[i]);
        }
    }
}

TEST_F(DialogTest, SettingsCommandOpensTheSettingsDialog) {
    SendMessageA(MainWindow, WM_COMMAND, IDM_SETTINGS, 0);
    EXPECT_EQ(Fake.dialogIds, std::vector<int>{IDD_SETTINGS});
}
