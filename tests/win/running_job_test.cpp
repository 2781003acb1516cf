// The running job seen from outside: the real fardelix.exe with the bundled
// library, as tests/e2e/running_job.sh prepares them. The script names a
// folder in FARDELIX_RUNNING_JOB_DIR holding fardelix.ini, "list.fdl" with
// six tasks (rows below), the sources, the archives and "fix\" with what
// mends the two failing tasks. The driver loads the list, runs, stops,
// retries and reads the cells, the status bar and the error details box as
// a user would; "results.txt" receives what it measured for the script,
// which then checks the files left behind. Without the variable the test is
// skipped. With FARDELIX_SHOTS naming a folder, the screen is saved there
// during a run and with the error details shown.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/win/program_process.h"
#include "tests/win/test_support.h"
#include "ui/main_window.h"

namespace {

// The rows of list.fdl.
constexpr int RowNew = 0;         // compress src\big into out\new.zip (not there)
constexpr int RowUpdate = 1;      // compress src\big into out\upd.zip (there)
constexpr int RowSmall = 2;       // compress src\small into out\small.zip
constexpr int RowExtract = 3;     // extract in\big.zip into dest\ .
constexpr int RowCorrupt = 4;     // extract in\corrupt.zip into dest-corrupt\ .
constexpr int RowNoLibrary = 5;   // compress src\small into out\small.tar; tar32.dll removed

constexpr int StatusColumn = 2;
constexpr int StartDeadlineMs = 30000;
constexpr int RunDeadlineMs = 120000;

std::string PreparedFolder() { return FolderFromEnvironment("FARDELIX_RUNNING_JOB_DIR"); }

std::string ShotFolder() { return FolderFromEnvironment("FARDELIX_SHOTS"); }

// The whole screen as a 24-bit BMP file.
void SaveScreen(const std::string& path) {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    std::string pixels = ScreenPixels(nullptr, width, height);
    BITMAPINFOHEADER info = {sizeof(info), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes += pixels;
    WriteFileBytes(path, bytes);
}

// Memory in the program's process for one message's pointer argument.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, size_t size) : process_(process), size_(size) {
        address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    void* Address() const { return address_; }
    void Write(const void* bytes, size_t size) { WriteProcessMemory(process_, address_, bytes, size, nullptr); }
    void Read(void* bytes, size_t size) { ReadProcessMemory(process_, address_, bytes, size, nullptr); }

private:
    HANDLE process_;
    size_t size_;
    void* address_;
};

struct FoundTip {
    DWORD process;
    std::string skip;  // a tip still showing from the last hover
    std::string text;
};

BOOL CALLBACK MatchShownTip(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<FoundTip*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    if (owner != found->process || lstrcmpiA(name, TOOLTIPS_CLASSA) != 0 || !IsWindowVisible(window)) return TRUE;
    // GetWindowText would read only the caption of another process's window:
    // the tip's text comes from WM_GETTEXT, which crosses the boundary.
    char text[1024] = "";
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    found->text = found->skip == text ? "" : text;
    return found->text.empty();
}

// The program as the driver sees it: its main window, task list and
// status bar.
struct Program {
    ProgramProcess process;
    HWND main = nullptr;
    HWND tasks = nullptr;
    HWND bar = nullptr;

    std::string Status(int row) { return RemoteCell(process.Handle(), tasks, row, StatusColumn); }

    std::string BarPart(int part) {
        RemoteBlock block(process.Handle(), 512);
        if (block.Address() == nullptr) return "?";
        LRESULT length = SendMessageA(bar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(part), 0);
        if (LOWORD(length) >= 512) return "?";
        SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(block.Address()));
        char text[512] = "";
        block.Read(text, sizeof(text));
        text[sizeof(text) - 1] = '\0';
        return text;
    }

    // Only the given rows selected; the first is focused.
    void Select(const std::vector<int>& rows) {
        RemoteBlock block(process.Handle(), sizeof(LVITEMA));
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        block.Write(&item, sizeof(item));
        SendMessageA(tasks, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(block.Address()));
        for (size_t i = 0; i < rows.size(); ++i) {
            item.state = LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0);
            block.Write(&item, sizeof(item));
            SendMessageA(tasks, LVM_SETITEMSTATE, static_cast<WPARAM>(rows[i]),
                         reinterpret_cast<LPARAM>(block.Address()));
        }
    }

    void Command(int id) { PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(id), 0); }

    // Keys go to the focus of the foreground window: the task list.
    bool Keys(const std::vector<WORD>& keys) {
        SetForegroundWindow(main);
        if (!PumpUntil([&] { return GetForegroundWindow() == main; }, 5000)) return false;
        PressKeys(keys);
        return true;
    }

    bool WaitFor(int row, const std::function<bool(const std::string&)>& wanted, int timeoutMs) {
        return PumpUntil([&] { return wanted(Status(row)); }, timeoutMs);
    }
    bool WaitFor(int row, const std::string& status, int timeoutMs) {
        return WaitFor(row, [&](const std::string& s) { return s == status; }, timeoutMs);
    }

    // The text of the message box the program shows, after which it is
    // closed with OK; empty when none came.
    std::string TakeMessageBox(const std::string& shot, WPARAM button = IDOK) {
        HWND box = nullptr;
        if (!PumpUntil([&] { return (box = WindowOf(process.Id(), "#32770")) != nullptr && IsWindowVisible(box); },
                       10000)) {
            return std::string();
        }
        HWND text = GetDlgItem(box, 0xFFFF);
        char buffer[1024] = "";
        if (text != nullptr) GetWindowTextA(text, buffer, sizeof(buffer));
        char caption[128] = "";
        GetWindowTextA(box, caption, sizeof(caption));
        if (!shot.empty()) {
            PumpUntil([] { return false; }, 500);
            SaveScreen(shot);
        }
        PostMessageA(box, WM_COMMAND, button, 0);
        PumpUntil([&] { return !IsWindow(box); }, 10000);
        return std::string(caption) + "|" + buffer;
    }

    // The tip shown with the mouse resting on the row's name: the text of
    // whichever of the program's tooltip windows is showing.
    std::string ShownTip(const std::string& skip = std::string()) {
        FoundTip found = {process.Id(), skip, std::string()};
        EnumWindows(MatchShownTip, reinterpret_cast<LPARAM>(&found));
        return found.text;
    }

    // The rectangle a list or toolbar message writes into the program's memory.
    RECT RemoteRect(HWND window, UINT message, WPARAM item, LONG left) {
        RemoteBlock block(process.Handle(), sizeof(RECT));
        RECT rect = {};
        rect.left = left;
        block.Write(&rect, sizeof(rect));
        SendMessageA(window, message, item, reinterpret_cast<LPARAM>(block.Address()));
        block.Read(&rect, sizeof(rect));
        return rect;
    }

    std::string HoverTip(int row) {
        RECT rect = RemoteRect(tasks, LVM_GETITEMRECT, static_cast<WPARAM>(row), LVIR_LABEL);
        return HoverTipAt(tasks, {rect.left + 8, (rect.top + rect.bottom) / 2});
    }

    std::string HoverToolbarTip(int position, const std::string& lastTip) {
        HWND toolbar = GetDlgItem(main, IDC_TOOLBAR);
        RECT rect = RemoteRect(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(position), 0);
        return HoverTipAt(toolbar, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, lastTip);
    }

    std::string HoverTipAt(HWND window, POINT point, const std::string& lastTip = std::string()) {
        ClientToScreen(window, &point);
        std::string text;
        for (int attempt = 0; attempt < 3 && text.empty(); ++attempt) {
            SetCursorPos(point.x + attempt, point.y);
            INPUT move = {};
            move.type = INPUT_MOUSE;
            move.mi.dwFlags = MOUSEEVENTF_MOVE;
            move.mi.dx = 1;
            SendInput(1, &move, sizeof(move));
            PumpUntil([&] { return !(text = ShownTip(lastTip)).empty(); }, 3000);
        }
        if (!ShotFolder().empty()) SaveScreen(ShotFolder() + "tip.bmp");
        SetCursorPos(0, 0);
        return text;
    }
};

int Percent(const std::string& status) {
    const std::string running = "実行 ";
    if (status.compare(0, running.size(), running) != 0 || status.back() != '%') return -1;
    return atoi(status.c_str() + running.size());
}

bool IsRunningWithPercent(const std::string& status) { return Percent(status) >= 0; }

// Waits for the row to run, then stops it with 4013 once it is past the
// given percent; returns the milliseconds until it read "停止" (-1: never).
int StopPartWay(Program* program, int row, int percent, std::string* seen) {
    if (!program->WaitFor(row, [&](const std::string& s) { return Percent(s) >= percent; }, RunDeadlineMs)) {
        *seen = program->Status(row);
        return -1;
    }
    *seen = program->Status(row);
    program->Select({row});
    DWORD start = GetTickCount();
    program->Command(IDM_STOP);
    if (!program->WaitFor(row, "停止", 10000)) return -1;
    return static_cast<int>(GetTickCount() - start);
}

}  // namespace

class RunningJobTest : public testing::Test {
protected:
    void SetUp() override { PutAwayTestMainWindow(); }
};

TEST_F(RunningJobTest, ProgressStopReasonsRetryAndKeys) {
    const std::string folder = PreparedFolder();
    if (folder.empty()) GTEST_SKIP() << "FARDELIX_RUNNING_JOB_DIR names no prepared folder (running_job.sh sets it)";
    const std::string shots = ShotFolder();
    std::string results;
    auto note = [&](const std::string& key, const std::string& value) { results += key + "\t" + value + "\n"; };

    Program program;
    // A copy of the program without the bundled library beside it: the
    // libraries come from the system folder only, and a missing one stays missing.
    CreateDirectoryA((folder + "program").c_str(), nullptr);
    std::string copy = CopyProgramInto(folder + "program\\");
    ASSERT_FALSE(copy.empty());
    ASSERT_TRUE(program.process.Start("\"" + folder + "list.fdl\"", folder, copy));
    ASSERT_TRUE(PumpUntil([&] {
        program.main = WindowOf(program.process.Id(), MainWindowClass);
        program.tasks = program.main != nullptr ? GetDlgItem(program.main, IDC_TASKLIST) : nullptr;
        return program.tasks != nullptr && IsWindowVisible(program.main) &&
               SendMessageA(program.tasks, LVM_GETITEMCOUNT, 0, 0) == 6;
    }, StartDeadlineMs));
    program.bar = FindWindowExA(program.main, nullptr, STATUSCLASSNAMEA, nullptr);
    ASSERT_NE(program.bar, nullptr);
    for (int row = 0; row < 6; ++row) EXPECT_EQ(program.Status(row), "停止") << row;

    // ---- Reasons: a corrupt archive and a missing library.
    program.Select({RowCorrupt, RowNoLibrary});
    program.Command(IDM_START);
    EXPECT_TRUE(program.WaitFor(RowCorrupt, "エラー", RunDeadlineMs));
    EXPECT_TRUE(program.WaitFor(RowNoLibrary, "エラー", RunDeadlineMs));
    // The queue ran dry: said once in part 1 of the status bar.
    EXPECT_TRUE(PumpUntil([&] { return program.BarPart(1) == "すべてのタスクが終了しました（完了 0・エラー 2）"; }, 5000))
        << program.BarPart(1);
    program.Select({RowCorrupt});
    program.Command(IDM_ERROR_DETAILS);
    std::string corrupt = program.TakeMessageBox(shots.empty() ? "" : shots + "details.bmp");
    note("corrupt-details", corrupt);
    EXPECT_EQ(corrupt.rfind("エラーの詳細|UNZIP32.DLLでエラーが発生しました。コード", 0), 0u) << corrupt;
    EXPECT_NE(corrupt.find("（0x800"), std::string::npos) << corrupt;
    program.Select({RowNoLibrary});
    program.Command(IDM_ERROR_DETAILS);
    std::string missing = program.TakeMessageBox("", IDYES);
    note("missing-details", missing);
    EXPECT_EQ(missing, "エラーの詳細|tar32.dllを読み込めませんでした。\ntar32.dllをプログラムと同じフォルダかシステムフォルダに置いてください。"
                       "\n\nライブラリの一覧を表示しますか？")
        << missing;
    // はい opens the library list: the missing library and the installed ones.
    HWND libraries = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        libraries = WindowOf(program.process.Id(), "#32770");
        char caption[64] = "";
        if (libraries != nullptr) GetWindowTextA(libraries, caption, sizeof(caption));
        return libraries != nullptr && IsWindowVisible(libraries) && strcmp(caption, "ライブラリ") == 0;
    }, 10000));
    HWND libraryList = GetDlgItem(libraries, IDC_LIBRARY_LIST);
    std::string places;
    int libraryRows = static_cast<int>(SendMessageA(libraryList, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < libraryRows; ++row) {
        std::string name = RemoteCell(program.process.Handle(), libraryList, row, 0);
        if (name == "tar32.dll" || name == "UNZIP32.DLL") {
            places += name + "=" + RemoteCell(program.process.Handle(), libraryList, row, 2) + " ";
        }
    }
    note("missing-libraries", places);
    EXPECT_EQ(places, "UNZIP32.DLL=システムフォルダ tar32.dll=見つかりません ");
    PostMessageA(libraries, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(libraries); }, 10000));
    std::string tip = program.HoverTip(RowCorrupt);
    note("corrupt-tip", tip);
    EXPECT_EQ("エラーの詳細|" + tip, corrupt);
    // A toolbar button's tip is its command's text, asked for when it shows.
    EXPECT_EQ(program.HoverToolbarTip(9, tip), "全ての完了を削除");

    // ---- Progress, keys during the call, retry, stop: a new archive.
    program.Select({RowNew});
    program.Command(IDM_START);
    std::vector<int> percents;
    std::string file;
    DWORD sampleStart = GetTickCount();
    ASSERT_TRUE(program.WaitFor(RowNew, IsRunningWithPercent, RunDeadlineMs)) << program.Status(RowNew);
    while (GetTickCount() - sampleStart < 20000 && percents.size() < 40) {
        int percent = Percent(program.Status(RowNew));
        if (percent < 0) break;
        if (percents.empty() || percents.back() != percent) percents.push_back(percent);
        if (percents.size() >= 4) break;
        PumpUntil([] { return false; }, 100);
    }
    PumpUntil([&] { return (file = program.BarPart(1)).find("big.bin") != std::string::npos; }, 5000);
    std::string rising;
    for (int percent : percents) rising += std::to_string(percent) + " ";
    note("new-percents", rising);
    note("new-file", file);
    ASSERT_GE(percents.size(), 3u) << rising;
    for (size_t i = 1; i < percents.size(); ++i) EXPECT_GT(percents[i], percents[i - 1]) << rising;
    EXPECT_NE(file.find("big.bin"), std::string::npos) << file;
    if (!shots.empty()) SaveScreen(shots + "running.bmp");

    // Ctrl+G on a stopped task and F5 on the failed ones, typed while the
    // library works: they are queued behind the running task.
    CopyFileA((folder + "fix\\corrupt.zip").c_str(), (folder + "in\\corrupt.zip").c_str(), FALSE);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof(system));
    EXPECT_TRUE(CopyFileA((folder + "fix\\tar32.dll").c_str(), (std::string(system) + "\\tar32.dll").c_str(), FALSE));
    program.Select({RowSmall});
    ASSERT_TRUE(program.Keys({VK_CONTROL, 'G'}));
    EXPECT_TRUE(program.WaitFor(RowSmall, "待機", 5000)) << program.Status(RowSmall);
    program.Select({RowCorrupt, RowNoLibrary});
    ASSERT_TRUE(program.Keys({VK_F5}));
    EXPECT_TRUE(program.WaitFor(RowCorrupt, "待機", 5000)) << program.Status(RowCorrupt);
    EXPECT_TRUE(program.WaitFor(RowNoLibrary, "待機", 5000)) << program.Status(RowNoLibrary);
    EXPECT_TRUE(IsRunningWithPercent(program.Status(RowNew))) << program.Status(RowNew);
    EXPECT_EQ(program.BarPart(0), "  総数 =    6  実行 =    1  待機 =    3  完了 =    0  停止 =    2  エラー =    0");

    program.Select({RowNew});
    DWORD stopStart = GetTickCount();
    program.Command(IDM_STOP);
    EXPECT_TRUE(program.WaitFor(RowNew, "停止", 10000)) << program.Status(RowNew);
    int stopNew = static_cast<int>(GetTickCount() - stopStart);
    note("new-stop-ms", std::to_string(stopNew));
    EXPECT_LE(stopNew, 1000);
    EXPECT_EQ(GetFileAttributesA((folder + "out\\new.zip").c_str()), INVALID_FILE_ATTRIBUTES);
    for (int row : {RowSmall, RowCorrupt, RowNoLibrary}) {
        EXPECT_TRUE(program.WaitFor(row, "完了", RunDeadlineMs)) << row << ": " << program.Status(row);
    }
    EXPECT_TRUE(PumpUntil([&] { return program.BarPart(1) == "すべてのタスクが終了しました（完了 3・エラー 0）"; }, 5000))
        << program.BarPart(1);

    // ---- An update stopped halfway, an extraction stopped halfway.
    program.Select({RowUpdate});
    program.Command(IDM_START);
    std::string seen;
    int stopUpdate = StopPartWay(&program, RowUpdate, 30, &seen);
    note("update-stopped-at", seen);
    note("update-stop-ms", std::to_string(stopUpdate));
    EXPECT_GE(stopUpdate, 0) << seen;
    EXPECT_LE(stopUpdate, 1000);

    program.Select({RowExtract});
    program.Command(IDM_START);
    int stopExtract = StopPartWay(&program, RowExtract, 30, &seen);
    note("extract-stopped-at", seen);
    note("extract-stop-ms", std::to_string(stopExtract));
    EXPECT_GE(stopExtract, 0) << seen;
    EXPECT_LE(stopExtract, 1000);

    // ---- Closing during a run: asked first; いいえ keeps it running, はい
    // stops it as the stop-all command does and the program ends.
    program.Select({RowNew});
    program.Command(IDM_START);
    ASSERT_TRUE(program.WaitFor(RowNew, [](const std::string& s) { return Percent(s) >= 10; }, RunDeadlineMs))
        << program.Status(RowNew);
    std::string questions;
    for (int answer : {IDNO, IDYES}) {
        PostMessageA(program.main, WM_CLOSE, 0, 0);
        HWND box = nullptr;
        ASSERT_TRUE(PumpUntil([&] {
            return (box = WindowOf(program.process.Id(), "#32770")) != nullptr && IsWindowVisible(box);
        }, 10000));
        char text[256] = "";
        GetWindowTextA(GetDlgItem(box, 0xFFFF), text, sizeof(text));
        questions += std::string(text) + "|";
        PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box); }, 10000));
        if (answer == IDNO) {
            int before = Percent(program.Status(RowNew));
            EXPECT_TRUE(program.WaitFor(RowNew, [&](const std::string& s) { return Percent(s) > before; }, 20000))
                << program.Status(RowNew);
        }
    }
    note("close-questions", questions);
    EXPECT_EQ(questions, "実行中のタスクがあります。中止して終了しますか？|実行中のタスクがあります。中止して終了しますか？|");
    EXPECT_EQ(WaitForSingleObject(program.process.Handle(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(GetFileAttributesA((folder + "out\\new.zip").c_str()), INVALID_FILE_ATTRIBUTES);

    WriteFileBytes(folder + "results.txt", results);
    EXPECT_TRUE(program.process.Close(program.main, StartDeadlineMs));
}
