#include "ui/main_window.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/heap.h"
#include "app/long_work.h"
#include "archivers/formats.h"
#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tasks/task_table.h"
#include "ui/controls.h"
#include "ui/main_commands.h"
#include "ui/task_list_view.h"

HINSTANCE AppInstance = nullptr;
HWND MainWindow = nullptr;
HWND MainToolbar = nullptr;
HWND MainStatusBar = nullptr;
HWND TaskListView = nullptr;
unsigned char ColumnSortFlags[6] = {};
char CurrentListName[PathSize] = "NewTaskList";
char SettingsPath[PathSize] = "";
char ArchivePatternList[256] = "";
char ArchiveFilter[300] = "";

const char MainWindowClass[] = "fardelixclass";

struct ColumnSpec {
    const char* header;
    int width;
    int format;
};

static const ColumnSpec TaskColumns[6] = {
    {"圧縮ファイル名", 150, LVCFMT_LEFT}, {"タスク種別", 65, LVCFMT_LEFT},   {"状態", 60, LVCFMT_LEFT},
    {"ファイル数", 80, LVCFMT_RIGHT},     {"サイズ合計", 80, LVCFMT_RIGHT}, {"圧縮ファイルパス", 402, LVCFMT_LEFT},
};

// Toolbar buttons after the three standard ones; image = index in bitmap 103.
static const ToolbarStripButton MainStripButtons[11] = {
    {IDM_NEW_ARCHIVE, 0}, {IDM_OPEN_ARCHIVES, 1}, {IDM_EDIT_TASK, 2}, {IDM_DELETE, 3},     {IDM_DELETE_DONE, 4},
    {IDM_MOVE_UP, 5},     {IDM_MOVE_DOWN, 6},     {IDM_START, 7},     {IDM_STOP, 8},       {IDM_START_ALL, 9},
    {IDM_STOP_ALL, 10},
};
static const int StripImageCount = 12;

// Three standard buttons, the eleven strip buttons, then separators at 3, 6
// and 10 (each insertion shifts the later buttons): 17 positions.
static HWND CreateMainToolbar(HWND window) {
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0,
                                   0, 0, 0, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)),
                                   AppInstance, nullptr);
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBADDBITMAP standard = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    SendMessageA(toolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&standard));
    TBBUTTON first[3] = {Tb_MakeButton(STD_FILENEW, IDM_NEW_LIST), Tb_MakeButton(STD_FILEOPEN, IDM_OPEN_LIST),
                         Tb_MakeButton(STD_FILESAVE, IDM_SAVE_LIST)};
    SendMessageA(toolbar, TB_ADDBUTTONSA, 3, reinterpret_cast<LPARAM>(first));
    Tb_AddStripButtons(toolbar, IDB_TOOLBAR, StripImageCount, MainStripButtons, 11);
    Tb_InsertSeparator(toolbar, 3);
    Tb_InsertSeparator(toolbar, 6);
    Tb_InsertSeparator(toolbar, 10);
    return toolbar;
}

static int ClientHeight(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect.bottom - rect.top;
}

static void SetStatusParts(int statusWidth) {
    int parts[2] = {StatusPartEdge(statusWidth), -1};
    SendMessageA(MainStatusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

static void LayoutMainWindow(int width, int height) {
    int top = ClientHeight(MainToolbar) + 2;
    MoveWindow(TaskListView, 0, top, width, height - ClientHeight(MainStatusBar) - top, TRUE);
    RECT bar;
    GetClientRect(MainStatusBar, &bar);
    SetStatusParts(bar.right - bar.left);
}

static HWND CreateTaskListView(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES, WC_LISTVIEWA, "",
                                WS_CHILD | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, client.right, client.bottom, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TASKLIST)), AppInstance, nullptr);
    AttachTaskListProcedure(list);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    ShowWindow(list, SW_SHOW);
    SetFocus(list);
    for (int i = 0; i < 6; ++i) Lv_AddColumn(list, i, TaskColumns[i].header, TaskColumns[i].width, TaskColumns[i].format);
    return list;
}

// "*.zip;*.lzh;..." from the extensions of every format, in table order.
void BuildArchivePatternList(char* text, size_t size) {
    FormatText(text, size, "*.%s", FormatTable[0].Extension);
    for (int i = 1; i < FormatCount; ++i) {
        char pattern[16];
        snprintf(pattern, sizeof(pattern), ";*.%s", FormatTable[i].Extension);
        AppendText(text, size, pattern);
    }
}

// One filter entry for the archive open dialog: its description, its
// patterns, and the empty entry that ends the filter list.
void BuildArchiveFilter(char* filter, size_t size, const char* patterns) {
    static const char description[] = "すべての圧縮ﾌｧｲﾙ";
    size_t patternBytes = strlen(patterns) + 1;
    if (size < sizeof(description) + patternBytes + 1) {
        if (size >= 2) filter[0] = filter[1] = '\0';
        return;
    }
    memcpy(filter, description, sizeof(description));
    memcpy(filter + sizeof(description), patterns, patternBytes);
    filter[sizeof(description) + patternBytes] = '\0';
}

static void ReadStartSettings() {
    char folder[PathSize] = "";
    DWORD length = GetCurrentDirectoryA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder)) folder[0] = '\0';
    AppendBackslash(folder, sizeof(folder));
    ResetSettings(folder);
    if (!FormatText(SettingsPath, sizeof(SettingsPath), "%sfardelix.ini", folder)) {
        CopyText(SettingsPath, sizeof(SettingsPath), "fardelix.ini");
    }
    LoadSettings(SettingsPath);
}

static bool OnCreate(HWND window) {
    MainWindow = window;
    CreatePrivateHeap();
    ReadStartSettings();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES |
                                                           ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    MainToolbar = CreateMainToolbar(window);
    Tb_AttachTips(window, MainToolbar);
    MainStatusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0, window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR)), AppInstance, nullptr);
    int parts[2] = {400, -1};
    SendMessageA(MainStatusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    TaskListView = CreateTaskListView(window);
    RECT client;
    GetClientRect(window, &client);
    LayoutMainWindow(client.right, client.bottom);
    for (unsigned char& flag : ColumnSortFlags) flag = 0;
    CreateFileListWindow(window);
    RefreshStatusBar();
    RefreshSelectionCount();
    BuildArchivePatternList(ArchivePatternList, sizeof(ArchivePatternList));
    BuildArchiveFilter(ArchiveFilter, sizeof(ArchiveFilter), ArchivePatternList);
    return true;
}

// The toolbar and status bar place themselves first; the list takes the rest.
static void OnSize(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    SendMessageA(MainToolbar, message, wp, lp);
    SendMessageA(MainStatusBar, message, wp, lp);
    (void)window;
    LayoutMainWindow(LOWORD(lp), HIWORD(lp));
}

// No question: tasks that are Waiting or Running are simply dropped. Not
// while rows are being added: the addition still uses the windows.
static void OnClose(HWND window) {
    if (LongWorkRunning()) return;
    SaveSettings(SettingsPath);
    DestroyWindow(window);
}

static void OnDestroy() {
    MainWindow = nullptr;
    PostQuitMessage(0);
}

// Notifications of the other children are ignored.
static LRESULT OnNotify(const NMHDR* header) {
    return header->idFrom == IDC_TASKLIST ? OnTaskListNotify(header) : 0;
}

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_CREATE:   return OnCreate(window) ? 0 : -1;
    case WM_SIZE:     OnSize(window, message, wp, lp); return 0;
    case WM_SETFOCUS: SetFocus(TaskListView); return 0;
    case WM_NOTIFY:   return OnNotify(reinterpret_cast<const NMHDR*>(lp));
    case WM_COMMAND:  ExecuteMainCommand(LOWORD(wp)); return 0;
    case WM_CLOSE:    OnClose(window); return 0;
    case WM_DESTROY:  OnDestroy(); return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

// The program's two top-level classes differ only in name, procedure and
// menu: redraw on resize, icon 105, arrow cursor, the menu colour (brush 5).
bool RegisterProgramWindowClass(const char* name, WNDPROC procedure, int menuId) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = AppInstance;
    windowClass.hIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_APP));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(menuId);
    windowClass.lpszClassName = name;
    return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool RegisterMainWindowClass(HINSTANCE instance) {
    AppInstance = instance;
    return RegisterProgramWindowClass(MainWindowClass, MainWindowProc, IDR_MAINMENU);
}

// 800 x 600, centred; a screen smaller than that gives a negative position.
HWND CreateMainWindow(HINSTANCE instance) {
    AppInstance = instance;
    char title[PathSize + 16];
    snprintf(title, sizeof(title), "%s - %s", "NewTaskList", "fardelix");
    int x = (GetSystemMetrics(SM_CXSCREEN) - 800) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - 600) / 2;
    return CreateWindowExA(WS_EX_WINDOWEDGE, MainWindowClass, title, WS_OVERLAPPEDWINDOW, x, y, 800, 600, nullptr,
                           nullptr, instance, nullptr);
}

void SetMainTitle() {
    char title[PathSize + 16];
    snprintf(title, sizeof(title), "%s - %s", CurrentListName, "fardelix");
    SetWindowTextA(MainWindow, title);
}

void RefreshSelectionCount() {
    char text[32];
    snprintf(text, sizeof(text), "選択数 = %4d", Lv_SelectedCount(TaskListView));
    Sb_SetPart(MainStatusBar, 1, text);
}

// Centred over the main window; the results are cut to 16-bit values.
void CenterOnMainWindow(HWND dialog) {
    RECT main, own;
    GetWindowRect(MainWindow, &main);
    GetWindowRect(dialog, &own);
    short x = static_cast<short>(main.left + ((main.right - main.left) - (own.right - own.left)) / 2);
    short y = static_cast<short>(main.top + ((main.bottom - main.top) - (own.bottom - own.top)) / 2);
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}
