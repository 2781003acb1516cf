// Closing the main window with a task list changed since it was last saved
// or loaded: the program asks whether to save it first.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/controls.h"
#include "app/unattended.h"
#include "settings/settings.h"
#include "tasks/task_table.h"
#include "tasks/tasklist_file.h"
#include "tests/win/test_support.h"
#include "ui/main_commands.h"
#include "ui/main_window.h"

namespace {

bool TakeQuitMessage() {
    bool found = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) found = true;
    return found;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class CloseQuestionTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        CopyText(savedPath, sizeof(savedPath), SettingsPath);
        folder = TempFolder("close");
        UseTestSettings();
    }
    // A new main window takes the settings file of the current folder
    // again: each one is pointed at the test's own.
    void UseTestSettings() {
        std::string ini = folder + "fardelix.ini";
        CopyText(SettingsPath, sizeof(SettingsPath), ini.c_str());
    }
    void TearDown() override {
        CopyText(SettingsPath, sizeof(SettingsPath), savedPath);
        CopyText(CurrentListName, sizeof(CurrentListName), "NewTaskList");
        ResetTasks();  // a new main window when the test closed it
        SetMainTitle(CurrentListName);
    }
    char savedPath[PathSize];
    std::string folder;
};

}  // namespace

// The close box, Alt+F4 and the menu's 終了 all arrive as WM_CLOSE.
TEST_F(CloseQuestionTest, ChangedListIsOfferedForSavingBeforeTheProgramEnds) {
    struct Case {
        const char* name;
        bool changed;
        bool named;
        int answer;
        bool dialogSaves;
        bool closes;
    };
    const Case cases[] = {
        {"cancel keeps the program open", true, true, IDCANCEL, false, false},
        {"no closes without saving", true, true, IDNO, false, true},
        {"yes saves in place and closes", true, true, IDYES, false, true},
        {"yes on a never saved list saves through the dialog", true, false, IDYES, true, true},
        {"yes with the save dialog cancelled keeps it open", true, false, IDYES, false, false},
        {"an unchanged list closes without a question", false, true, IDCANCEL, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        UseTestSettings();
        InstallFakeModal();
        std::string own = folder + "own.fdl";
        std::string chosen = folder + "chosen.fdl";
        DeleteFileA(own.c_str());
        DeleteFileA(chosen.c_str());
        DeleteFileA(SettingsPath);
        CopyText(CurrentListName, sizeof(CurrentListName), c.named ? own.c_str() : "NewTaskList");
        AddTestExtractionTask("C:\\in\\a.zip", "C:\\out\\", AutoFolderNever);
        AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\表.txt"});
        if (!c.changed) MarkTaskListSaved();
        Fake.answers = {c.answer};
        int saveDialogs = 0;
        Fake.saveFile = [&](OPENFILENAMEA* dialog) {
            ++saveDialogs;
            if (!c.dialogSaves) return FALSE;
            CopyText(dialog->lpstrFile, dialog->nMaxFile, chosen.c_str());
            return TRUE;
        };
        HWND window = MainWindow;
        SendMessageA(window, WM_CLOSE, 0, 0);

        ASSERT_EQ(Fake.messages.size(), c.changed ? 1u : 0u);
        if (c.changed) {
            EXPECT_EQ(Fake.messages[0].text, "タスクリストは変更されています。保存しますか？");
            EXPECT_EQ(Fake.messages[0].caption, "動作の確認");
            EXPECT_EQ(Fake.messages[0].type & 0xF, static_cast<UINT>(MB_YESNOCANCEL));
            EXPECT_EQ(Fake.messages[0].owner, window);
        }
        EXPECT_EQ(saveDialogs, c.changed && c.answer == IDYES && !c.named ? 1 : 0);
        EXPECT_EQ(IsWindow(window) == FALSE, c.closes);
        EXPECT_EQ(TakeQuitMessage(), c.closes);
        EXPECT_EQ(Exists(SettingsPath), c.closes);  // the settings are written only when it ends
        bool savedOwn = c.changed && c.answer == IDYES && c.named;
        bool savedChosen = c.changed && c.answer == IDYES && !c.named && c.dialogSaves;
        EXPECT_EQ(Exists(own), savedOwn);
        EXPECT_EQ(Exists(chosen), savedChosen);
        if (savedOwn || savedChosen) {
            std::string bytes = ReadFileBytes(savedOwn ? own : chosen);
            EXPECT_NE(bytes.find("arcpath=C:\\in\\a.zip"), std::string::npos);
            EXPECT_NE(bytes.find("C:\\d\\表.txt"), std::string::npos);
        }
    }
}

// A save that fails (a folder that does not exist) keeps the program open.
TEST_F(CloseQuestionTest, FailedSaveKeepsTheProgramOpen) {
    std::string missing = folder + "absent\\list.fdl";
    CopyText(CurrentListName, sizeof(CurrentListName), missing.c_str());
    AddTestExtractionTask("C:\\in\\a.zip", "C:\\out\\", AutoFolderNever);
    Fake.answers = {IDYES};
    SendMessageA(MainWindow, WM_CLOSE, 0, 0);
    ASSERT_EQ(Fake.messages.size(), 2u);
    EXPECT_EQ(Fake.messages[1].text, "タスクリストファイルの保存に失敗しました");
    EXPECT_TRUE(IsWindow(MainWindow));
    EXPECT_FALSE(TakeQuitMessage());
    EXPECT_FALSE(Exists(SettingsPath));
}

// An empty list has nothing to lose, whatever it held before.
TEST_F(CloseQuestionTest, EmptyListClosesWithoutAQuestion) {
    HWND window = MainWindow;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Fake.messages.empty());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(TakeQuitMessage());
}

// A person closing a job's window ends it at once: no question, the changed
// list not saved, the settings file not written.
TEST_F(CloseQuestionTest, AJobClosesWithoutQuestionOrSettings) {
    DeleteFileA(SettingsPath);
    std::string own = folder + "own.fdl";
    CopyText(CurrentListName, sizeof(CurrentListName), own.c_str());
    AddTestExtractionTask("C:\\in\\a.zip", "C:\\out\\", AutoFolderNever);
    ASSERT_TRUE(TaskListChanged());
    ASSERT_TRUE(BeginUnattendedJob("", false));
    HWND window = MainWindow;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EndUnattendedJob();
    EXPECT_TRUE(Fake.messages.empty());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(TakeQuitMessage());
    EXPECT_FALSE(Exists(SettingsPath));
    EXPECT_FALSE(Exists(own));
}
