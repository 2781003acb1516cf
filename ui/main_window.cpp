#include "ui/main_window.h"

#include <commctrl.h>

#include <cstdio>

#include "app/buffered_paint.h"
#include "app/controls.h"
#include "app/heap.h"
#include "app/instance.h"
#include "app/layout.h"
#include "app/long_work.h"
#include "app/modal.h"
#include "app/status_tips.h"
#include "app/text.h"
#include "app/unattended.h"
#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "ui/handoff.h"
#include "ui/main_commands.h"
#include "ui/main_controls.h"
#include "ui/reason_tip.h"
#include "ui/run_commands.h"
#include "ui/status_bar.h"
#include "ui/task_list_view.h"

const char MainWindowClass[] = "fardelixclass";
// A job without a person has a window class of its own: a later start, which
// looks for a running window by its class, never takes it for the program.
const char JobWindowClass[] = "fardelixjobclass";

// The three standard buttons, then buttons of bitmap 103 (image = index in
// it), with separators: 17 positions.
static const ToolbarPlace MainToolbarPlaces[17] = {
    {IDM_NEW_LIST, STD_FILENEW, false},  {IDM_OPEN_LIST, STD_FILEOPEN, false}, {IDM_SAVE_LIST, STD_FILESAVE, false},
    {0, 0, false},                       {IDM_NEW_ARCHIVE, 0, true},           {IDM_OPEN_ARCHIVES, 1, true},
    {0, 0, false},                       {IDM_EDIT_TASK, 2, true},             {IDM_DELETE, 3, true},
    {IDM_DELETE_DONE, 4, true},          {0, 0, false},                        {IDM_MOVE_UP, 5, true},
    {IDM_MOVE_DOWN, 6, true},            {IDM_START, 7, true},                 {IDM_STOP, 8, true},
    {IDM_START_ALL, 9, true},            {IDM_STOP_ALL, 10, true},
};
static const int StripImageCount = 12;

static HWND CreateMainToolbar(HWND window) {
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0,
                                   0, 0, 0, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)),
                                   AppInstance, nullptr);
    Tb_AddPlaces(toolbar, IDB_TOOLBAR, StripImageCount, MainToolbarPlaces, 17);
    PaintToolbarThroughMemory(toolbar);
    return toolbar;
}

static int ClientHeight(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect.bottom - rect.top;
}

// Part 0 fits the counts of four digits each, part 1 the end of the queue;
// a part's margins add a few pixels to its text.
static void SetStatusParts(int statusWidth) {
    const int margins = 16;
    int zero = TextWidthIn(MainStatusBar, "  総数 = 9999  実行 = 9999  待機 = 9999  完了 = 9999  停止 = 9999  エラー = 9999");
    int one = TextWidthIn(MainStatusBar, "すべてのタスクが終了しました（完了 9999・エラー 9999）");
    int parts[2] = {FittedStatusPartEdge(statusWidth, zero + margins, one + margins), -1};
    SendMessageA(MainStatusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

static void FitStatusParts() {
    RECT bar;
    GetClientRect(MainStatusBar, &bar);
    SetStatusParts(bar.right - bar.left);
}

// The list fills what the toolbar (with a 2-pixel gap under it) and the
// status bar leave; they have placed themselves already.
static RECT TaskListPlace(int width, int height) {
    RECT place = {0, ClientHeight(MainToolbar) + 2, width, height - ClientHeight(MainStatusBar)};
    return place;
}

static void LayoutMainWindow(int width, int height) {
    RECT place = TaskListPlace(width, height);
    MoveWindow(TaskListView, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
    FitStatusParts();
}

// Made where the layout puts it, so that the first layout moves nothing.
static HWND CreateTaskListView(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    RECT place = TaskListPlace(client.right, client.bottom);
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES, WC_LISTVIEWA, "",
                                WS_CHILD | LVS_REPORT | LVS_SHOWSELALWAYS, place.left, place.top,
                                place.right - place.left, place.bottom - place.top, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TASKLIST)), AppInstance, nullptr);
    AttachTaskListProcedure(list);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AttachReasonTip(list);
    PaintHeaderThroughMemory(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)));
    ShowWindow(list, SW_SHOW);
    // Each column otherwise moves the list's contents and scroll bar on its
    // own; held, the list settles once, when its drawing is let go.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    AddTaskColumns(list);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    return list;
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
    SetMainWindow(window);
    CreatePrivateHeap();
    ReadStartSettings();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES |
                                                           ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    MainToolbar = CreateMainToolbar(window);
    MainStatusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR)), AppInstance, nullptr);
    Sb_AttachTips(MainStatusBar);
    FitStatusParts();
    TaskListView = CreateTaskListView(window);
    AttachTaskRows(TaskListView);
    ListenForStatusChanges();
    ResetTaskSortFlags();
    PrepareFileListWindow(window);
    RefreshStatusBar();
    RefreshSelectionCount();
    return true;
}

// The toolbar and status bar place themselves first; the list takes the rest.
static void OnSize(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    SendMessageA(MainToolbar, message, wp, lp);
    SendMessageA(MainStatusBar, message, wp, lp);
    (void)window;
    LayoutMainWindow(LOWORD(lp), HIWORD(lp));
}

namespace {
// Set while a close waits for the stopped run to end.
struct CloseState {
    bool waitingForRun;
};
CloseState Closing = {};
constexpr UINT_PTR CloseTimerId = 27;
constexpr UINT CloseCheckMs = 100;
}  // namespace

static bool AnyTaskRunning() {
    for (int i = 0; i < TaskCount; ++i) {
        if (TaskTable[i].status == Running) return true;
    }
    return false;
}

// A job without a person ends at once and keeps its list file and the
// settings file as they are. Otherwise a running task is stopped first, as
// the stop-all command stops it, only when the user agrees; the close goes
// on once its run has ended (the run removes what it left half-made). Then
// a changed list is offered for saving; cancelling, or a save that did not
// happen, keeps the program open. Waiting tasks are dropped without a
// question of their own. Not while rows are being added: the addition still
// uses the windows.
static void OnClose(HWND window) {
    if (LongWorkRunning()) return;
    if (UnattendedJobRunning()) {
        DestroyWindow(window);
        return;
    }
    if (AnyTaskRunning()) {
        if (Closing.waitingForRun) return;
        if (!AskYesNo(window, "実行中のタスクがあります。中止して終了しますか？")) return;
        StopAllTasks();
        Closing.waitingForRun = true;
        SetTimer(window, CloseTimerId, CloseCheckMs, nullptr);
        return;
    }
    if (!SaveChangedTaskList()) return;
    SaveSettings(SettingsPath);
    DestroyWindow(window);
}

static void OnCloseTimer(HWND window) {
    if (AnyTaskRunning()) return;
    KillTimer(window, CloseTimerId);
    Closing.waitingForRun = false;
    OnClose(window);
}

static void OnTimer(HWND window, UINT_PTR id) {
    if (id == CloseTimerId) OnCloseTimer(window);
    if (id == HandoffTimerId) OnHandoffTimer(window);
}

static void OnDestroy() {
    Closing = {};
    SetMainWindow(nullptr);
    PostQuitMessage(0);
}

// Notifications of the other children are ignored.
static LRESULT OnNotify(const NMHDR* header) {
    if (IsReasonTip(header->hwndFrom)) return OnReasonTipNotify(header);
    if (Tb_KeepTipsShown(header, IDC_TOOLBAR) || Tb_SupplyTip(MainToolbar, header)) return 0;
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
    case WM_TIMER:    OnTimer(window, wp); return 0;
    case WM_COPYDATA: return OnHandoffData(window, reinterpret_cast<const COPYDATASTRUCT*>(lp));
    case WM_DESTROY:  OnDestroy(); return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

bool RegisterMainWindowClass(HINSTANCE instance, const char* className) {
    SetAppInstance(instance);
    return RegisterProgramWindowClass(className, MainWindowProc, IDR_MAINMENU);
}

// 800 x 600, centred; a screen smaller than that gives a negative position.
HWND CreateMainWindow(HINSTANCE instance, const char* className) {
    SetAppInstance(instance);
    char title[PathSize + 16];
    snprintf(title, sizeof(title), "%s - %s", "NewTaskList", "fardelix");
    int x = (GetSystemMetrics(SM_CXSCREEN) - 800) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - 600) / 2;
    return CreateWindowExA(WS_EX_WINDOWEDGE, className, title, WS_OVERLAPPEDWINDOW, x, y, 800, 600, nullptr,
                           nullptr, instance, nullptr);
}
