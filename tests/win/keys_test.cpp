// Keys of the two windows: what the menus promise after their tab is what
// the key does in the window that shows the menu, and Ctrl+O is each
// window's own open command.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/run_loop.h"
#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "tests/win/test_support.h"
#include "ui/main_window.h"

namespace {

struct Key {
    UINT key = 0;
    bool control = false, shift = false, alt = false;
};

// "Ctrl+Shift+G", "Shift+Del", "Alt+Up", "F8": false for a hint it cannot read.
bool ParseHint(const std::string& hint, Key* key) {
    std::string rest = hint;
    for (;;) {
        size_t plus = rest.find('+');
        if (plus == std::string::npos) break;
        std::string modifier = rest.substr(0, plus);
        if (modifier == "Ctrl") {
            key->control = true;
        } else if (modifier == "Shift") {
            key->shift = true;
        } else if (modifier == "Alt") {
            key->alt = true;
        } else {
            return false;
        }
        rest = rest.substr(plus + 1);
    }
    if (rest.size() == 1 && rest[0] >= 'A' && rest[0] <= 'Z') {
        key->key = static_cast<UINT>(rest[0]);
    } else if (rest == "Del") {
        key->key = VK_DELETE;
    } else if (rest == "Up") {
        key->key = VK_UP;
    } else if (rest == "Down") {
        key->key = VK_DOWN;
    } else if (rest.size() >= 2 && rest[0] == 'F' && rest.find_first_not_of("0123456789", 1) == std::string::npos) {
        key->key = static_cast<UINT>(VK_F1 + std::stoi(rest.substr(1)) - 1);
    } else {
        return false;
    }
    return true;
}

MSG KeyMessage(HWND target, const Key& key) {
    std::vector<BYTE> state(256, 0);
    if (key.control) state[VK_CONTROL] = 0x80;
    if (key.shift) state[VK_SHIFT] = 0x80;
    if (key.alt) state[VK_MENU] = 0x80;
    SetKeyboardState(state.data());
    MSG msg = {};
    msg.hwnd = target;
    msg.message = key.alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = key.key;
    msg.lParam = key.alt ? (1 << 29) : 0;
    return msg;
}

void ReleaseKeys() { SetKeyboardState(std::vector<BYTE>(256, 0).data()); }

int RecordedCommand = 0;

LRESULT CALLBACK RecorderProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) RecordedCommand = LOWORD(wp);
    return DefWindowProcA(window, msg, wp, lp);
}

// The command a key gives through a table, sent to a window that only
// records it; 0 when no entry matches.
int CommandOfKey(HACCEL table, const Key& key) {
    static HWND recorder = nullptr;
    if (recorder == nullptr) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = RecorderProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "fardelixKeyRecorder";
        RegisterClassA(&windowClass);
        recorder = CreateWindowA("fardelixKeyRecorder", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    RecordedCommand = 0;
    MSG msg = KeyMessage(recorder, key);
    if (!TranslateAcceleratorA(recorder, table, &msg)) RecordedCommand = 0;
    ReleaseKeys();
    return RecordedCommand;
}

struct Hint {
    std::string label;
    std::string hint;
    int command;
};

void CollectHints(HMENU menu, std::vector<Hint>* hints) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (sub != nullptr) {
            CollectHints(sub, hints);
            continue;
        }
        char text[128] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        std::string label = text;
        size_t tab = label.find('\t');
        if (tab == std::string::npos) continue;
        hints->push_back({label.substr(0, tab), label.substr(tab + 1), static_cast<int>(GetMenuItemID(menu, i))});
    }
}

class KeysTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        ASSERT_TRUE(LoadProgramKeys(GetModuleHandleA(nullptr), &keys));
    }
    void TearDown() override {
        FreeProgramKeys(&keys);
        if (FileListWindow != nullptr) ShowWindow(FileListWindow, SW_HIDE);
        EnableWindow(MainWindow, TRUE);
        ResetTasks();
    }
    ProgramKeys keys = {};
};

}  // namespace

// Every hint of the main window's menus and of the file-list window's
// menus gives, in that window, the command of its own item.
TEST_F(KeysTest, MenuHintsAreTheKeysOfTheirCommands) {
    struct Menu {
        const char* name;
        int resource;
        bool mainWindow;
    };
    const Menu menus[] = {
        {"main menu", IDR_MAINMENU, true},
        {"task context menu", IDR_TASKPOPUP, true},
        {"file-list menu", IDR_FILELISTMENU, false},
        {"file context menu", IDR_FILEPOPUP, false},
    };
    for (const Menu& m : menus) {
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m.resource));
        ASSERT_NE(menu, nullptr) << m.name;
        std::vector<Hint> hints;
        CollectHints(menu, &hints);
        DestroyMenu(menu);
        EXPECT_GE(hints.size(), 8u) << m.name;
        HACCEL table = m.mainWindow ? keys.mainWindow : keys.shared;
        for (const Hint& h : hints) {
            SCOPED_TRACE(std::string(m.name) + ": " + h.label + " " + h.hint);
            Key key;
            ASSERT_TRUE(ParseHint(h.hint, &key));
            EXPECT_EQ(CommandOfKey(table, key), h.command);
        }
    }
}

// Ctrl+O, pressed in the active window as the message loop hands it on:
// in the main window it asks for a task list, in the file-list window for
// files to add.
TEST_F(KeysTest, CtrlOOpensWhatTheActiveWindowOpens) {
    std::vector<std::string> titles;
    Fake.openFile = [&](OPENFILENAMEA* dialog) {
        titles.push_back(dialog->lpstrTitle != nullptr ? dialog->lpstrTitle : "");
        return FALSE;
    };
    Key ctrlO;
    ctrlO.key = 'O';
    ctrlO.control = true;

    MSG msg = KeyMessage(MainWindow, ctrlO);
    EXPECT_TRUE(TranslateProgramKey(keys, MainWindow, &msg));
    ReleaseKeys();
    EXPECT_EQ(titles, std::vector<std::string>{"タスクリストファイルを開く"});

    titles.clear();
    ShowTaskFileList(NewCompressionTask());
    ASSERT_TRUE(IsWindowVisible(FileListWindow));
    msg = KeyMessage(FileListWindow, ctrlO);
    EXPECT_TRUE(TranslateProgramKey(keys, FileListWindow, &msg));
    ReleaseKeys();
    EXPECT_EQ(titles, std::vector<std::string>{"ファイルを開く"});
}
