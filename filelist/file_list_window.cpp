#include "filelist/file_list_window.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/buffered_paint.h"
#include "app/controls.h"
#include "app/instance.h"
#include "app/layout.h"
#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/long_work.h"
#include "app/shell_entries.h"
#include "app/status_tips.h"
#include "archivers/formats.h"
#include "filelist/collect.h"
#include "filelist/file_list_commands.h"
#include "filelist/file_list_parts.h"
#include "filelist/file_list_status.h"
#include "filelist/naming.h"
#include "resources/resource.h"
#include "tasks/row_compare.h"
#include "tasks/task_create.h"
#include "tasks/task_delete.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"

unsigned char FileSortFlags[4] = {};

const char FileListWindowClass[] = "fdfilelistclass";

// Every file list shares the list-view class procedure, so one saved value
// serves them all.
static WNDPROC ListViewProcedure = nullptr;
static HFONT LabelFont = nullptr;
static HWND HeaderPanel = nullptr;

constexpr int HeaderPanelHeight = 50;
constexpr int StatusPartAtCreation = 430;

// The open-file button (a standard image), then buttons of bitmap 103
// (image = index in it), a separator after the second.
static const ToolbarPlace FileToolbarPlaces[6] = {
    {IDM_OPEN_FILES, STD_FILEOPEN, false}, {IDM_OPEN_FOLDER, 11, true}, {0, 0, false},
    {IDM_DELETE, 3, true},                 {IDM_MOVE_UP, 5, true},      {IDM_MOVE_DOWN, 6, true},
};
constexpr int StripImageCount = 12;

// The controls of the header area, in creation order; y is measured from
// T, the toolbar's client height plus 2.
struct HeaderControl {
    DWORD exStyle;
    const char* className;
    const char* text;
    DWORD style;
    int id;
    int x, y, width, height;
    HWND* handle;
};

static const HeaderControl HeaderControls[] = {
    {0, "STATIC", "圧縮ファイル名", 0, 0, 5, 5, 100, 16, nullptr},
    {0, "BUTTON", "参照", BS_PUSHBUTTON | WS_TABSTOP, IDC_BROWSE, 410, 5, 40, 18, nullptr},
    // One line: a long path is shortened in the middle on screen, never wrapped.
    {WS_EX_CLIENTEDGE, "STATIC", "", SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, 0, 5, 25, 400, 16, &ArchivePathField},
    {WS_EX_CLIENTEDGE, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, IDC_FORMATBOX, 480, 25, 60, 300,
     &FormatBox},
    {0, "STATIC", "圧縮形式", 0, 0, 480, 5, 100, 16, nullptr},
};

static HMENU ChildId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

static int ClientHeight(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect.bottom - rect.top;
}

static int HeaderTop() { return ClientHeight(FileListToolbar) + 2; }

// The list area: below the header panel, above the status bar.
static RECT ListArea() {
    RECT client;
    GetClientRect(FileListWindow, &client);
    int top = HeaderTop() + HeaderPanelHeight;
    RECT area = {0, top, client.right, client.bottom - ClientHeight(FileListStatusBar)};
    if (area.bottom < area.top) area.bottom = area.top;
    return area;
}

static void PlaceList(HWND list) {
    RECT area = ListArea();
    MoveWindow(list, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

static HWND CreateFileListToolbar(HWND window) {
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT |
                                   TBSTYLE_TOOLTIPS, 0, 0, 0, 0, window, ChildId(IDC_TOOLBAR), AppInstance, nullptr);
    Tb_AddPlaces(toolbar, IDB_TOOLBAR, StripImageCount, FileToolbarPlaces, 6);
    PaintToolbarThroughMemory(toolbar);
    return toolbar;
}

static void CreateHeaderControls(HWND window) {
    int top = HeaderTop();
    RECT client;
    GetClientRect(window, &client);
    HeaderPanel = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, top, client.right,
                                  HeaderPanelHeight, window, nullptr, AppInstance, nullptr);
    LabelFont = CreateFontA(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "標準ゴシック");
    for (const HeaderControl& entry : HeaderControls) {
        HWND control = CreateWindowExA(entry.exStyle, entry.className, entry.text, WS_CHILD | WS_VISIBLE | entry.style,
                                       entry.x, top + entry.y, entry.width, entry.height, window, ChildId(entry.id),
                                       AppInstance, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(LabelFont), FALSE);
        if (entry.handle != nullptr) *entry.handle = control;
    }
    for (int i = 0; i < CompressFormatCount; ++i) {
        SendMessageA(FormatBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FormatTable[i].Extension));
    }
}

static bool OnCreate(HWND window) {
    FileListWindow = window;
    FileListToolbar = CreateFileListToolbar(window);
    FileListStatusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                                        ChildId(IDC_STATUSBAR), AppInstance, nullptr);
    Sb_AttachTips(FileListStatusBar);
    int parts[2] = {StatusPartAtCreation, -1};
    SendMessageA(FileListStatusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    CreateHeaderControls(window);
    for (unsigned char& flag : FileSortFlags) flag = 0;
    return true;
}

// The bars refit themselves first; the header panel and the shown list take
// the width, the list the rest of the height. Labels keep their places.
static void OnSize(UINT message, WPARAM wp, LPARAM lp) {
    SendMessageA(FileListToolbar, message, wp, lp);
    SendMessageA(FileListStatusBar, message, wp, lp);
    MoveWindow(HeaderPanel, 0, HeaderTop(), LOWORD(lp), HeaderPanelHeight, TRUE);
    HWND list = CurrentFileList();
    if (list != nullptr) PlaceList(list);
    RECT bar;
    GetClientRect(FileListStatusBar, &bar);
    int parts[2] = {StatusPartEdge(bar.right - bar.left), -1};
    SendMessageA(FileListStatusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

static void OnSetFocus() {
    HWND list = CurrentFileList();
    if (list != nullptr) SetFocus(list);
}

// Menu 107; its commands come to this window.
static void ShowFileMenu(HWND list, POINT screen) { ShowListMenu(list, IDR_FILEPOPUP, screen, FileListWindow); }

// The click point arrives in list client coordinates.
static void OnRightClick(const NMITEMACTIVATE* click) {
    POINT point = click->ptAction;
    ClientToScreen(click->hdr.hwndFrom, &point);
    ShowFileMenu(click->hdr.hwndFrom, point);
}

static int CompareFileTexts(char* first, char* second, int column, unsigned char ascending) {
    return CompareCellTexts(first, second, IsNumericColumn(false, column), ascending);
}

static const ListSortRule FileListSortRule = {FileColumnCount, FileSortFlags, CompareFileTexts};

// A header click: the first click on a column sorts ascending, the next
// descending. The flags are shared by every task's file list.
// A sort stopped before it began leaves the flag as it was.
void SortFileListByColumn(HWND list, int column) {
    if (column < 0 || column >= FileColumnCount) return;
    if (!BeginFileListWork(list, "  %s 件並べ替え (Escで中止)")) return;
    unsigned char before = FileSortFlags[column];
    FileSortFlags[column] = before == 0 ? 1 : 0;
    if (!SortListByColumn(list, column, FileListSortRule)) FileSortFlags[column] = before;
    EndFileListWork(false);
}

static void OnColumnClick(const NMLISTVIEW* click) { SortFileListByColumn(click->hdr.hwndFrom, click->iSubItem); }

// An addition writes the count once when it ends.
static void OnItemChanged() {
    if (!LongWorkRunning()) RefreshFileSelectionCount();
}

// Not while rows are being added: the addition still fills the list.
static void OnClose() {
    if (!LongWorkRunning()) CommitFileList(CurrentTaskIndex);
}

static LRESULT OnNotify(const NMHDR* header) {
    if (Tb_KeepTipsShown(header, IDC_TOOLBAR) || Tb_SupplyTip(FileListToolbar, header) ||
        header->idFrom != IDC_FILELIST) {
        return 0;
    }
    switch (header->code) {
    case LVN_ITEMCHANGED: OnItemChanged(); break;
    case NM_RCLICK:       OnRightClick(reinterpret_cast<const NMITEMACTIVATE*>(header)); break;
    case LVN_COLUMNCLICK: OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(header)); break;
    }
    return 0;
}

static void OnDestroy() {
    if (LabelFont != nullptr) DeleteObject(LabelFont);
    LabelFont = nullptr;
    FileListWindow = nullptr;
}

static LRESULT CALLBACK FileListWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_CREATE:   return OnCreate(window) ? 0 : -1;
    case WM_SIZE:     OnSize(message, wp, lp); return 0;
    case WM_SETFOCUS: OnSetFocus(); return 0;
    case WM_NOTIFY:   return OnNotify(reinterpret_cast<const NMHDR*>(lp));
    case WM_COMMAND:  ExecuteFileListCommand(LOWORD(wp), HIWORD(wp)); return 0;
    case WM_CLOSE:    OnClose(); return 0;
    case WM_DESTROY:  OnDestroy(); return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

// The context-menu key shows the menu at the row holding the selection
// mark; the key then goes on to the list.
static void OnListKeyDown(HWND list, WPARAM key) {
    if (key == VK_APPS) ShowFileMenu(list, SelectionMarkPoint(list));
}

// Each dropped path becomes one row, a folder as a folder row. A path that
// does not fit PathSize would arrive cut short, so it is left out. A drop
// while rows are being added is refused.
static void OnDropFiles(HDROP drop) {
    UINT count = LongWorkRunning() ? 0 : Shell_DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    for (UINT i = 0; i < count; ++i) {
        char path[PathSize];
        UINT length = Shell_DragQueryFile(drop, i, path, sizeof(path));
        if (length > 0 && length < sizeof(path)) paths.emplace_back(path);
    }
    Shell_DragFinish(drop);
    AddPathListToCurrentTask(paths);
}

// The wrapped procedure of every file list; what it does not handle goes to
// the list's own procedure.
static LRESULT CALLBACK FileListViewProc(HWND list, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_KEYDOWN:   OnListKeyDown(list, wp); break;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wp)); return 0;
    }
    return CallWindowProcA(ListViewProcedure, list, message, wp, lp);
}

// 640 x 480, 80 pixels right of and 60 below the owner's top-left corner,
// hidden until a task is shown.
// The window is made the first time a compression task needs it, over the
// owner named when the main window was made: most starts edit no task, and
// the window with its controls would be a good part of every start.
static HWND FileListWindowOwner = nullptr;

void PrepareFileListWindow(HWND owner) {
    ListenToTaskRemovals(FollowRemovedTask);
    FileListWindowOwner = owner;
}

// Null only when the window could not be made or its owner is gone.
HWND EnsureFileListWindow() {
    if (FileListWindow != nullptr || FileListWindowOwner == nullptr || !IsWindow(FileListWindowOwner) ||
        !RegisterProgramWindowClass(FileListWindowClass, FileListWindowProc, IDR_FILELISTMENU)) {
        return FileListWindow;
    }
    RECT rect;
    GetWindowRect(FileListWindowOwner, &rect);
    CreateWindowExA(WS_EX_WINDOWEDGE, FileListWindowClass, "圧縮するファイルの一覧", WS_OVERLAPPEDWINDOW,
                    rect.left + 80, rect.top + 60, 640, 480, FileListWindowOwner, nullptr, AppInstance, nullptr);
    return FileListWindow;
}

// A task's list gets this window's procedure around its own the first time
// it is shown: drops and the context-menu key come here. From then on it
// takes dropped files and selects whole rows.
static void WrapTaskFileList(HWND list) {
    auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_WNDPROC));
    if (current == FileListViewProc) return;
    SetWindowLongPtrA(list, GWL_EXSTYLE, GetWindowLongPtrA(list, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FileListViewProc)));
    if (ListViewProcedure == nullptr) ListViewProcedure = previous;
}

// Shows the window over the disabled main window, like a modal one, with
// the task's list; the task becomes the one the window edits. The list is
// laid out again, since the window may have been resized while another
// task's list was shown. The archive path field is left as the caller set it.
bool ShowTaskFileList(short index) {
    HWND list = TaskFileList(index);
    if (list == nullptr || EnsureFileListWindow() == nullptr) return false;
    BeginEditingTask(index);
    WrapTaskFileList(list);
    ShowWindow(FileListWindow, SW_SHOW);
    UpdateWindow(FileListWindow);
    PlaceList(list);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    ShowWindow(list, SW_SHOW);
    SetFocus(list);
    UpdateWindow(list);
    EnableWindow(FileListOwner(), FALSE);
    return true;
}

// A new compression task with an empty archive path, its file-list window
// open for adding files. Returns its index, or -1 when none could be made.
short OpenNewCompressionTask(const char* name) {
    short index = CreateCompressionTask(name, EnsureFileListWindow());
    if (index < 0) return -1;
    SetArchivePathField("");
    ShowTaskFileList(index);
    RefreshFileListTotals();
    RefreshFileSelectionCount();
    return index;
}

// A new compression task of the given paths, named as the file-list window
// names one, without the window being shown: a job without a person edits
// nothing. Returns its index, or -1 when no task was made (none, or one
// without files, which is removed).
short CompressPathsUnedited(const char* name, const std::vector<std::string>& paths) {
    short index = CreateCompressionTask(name, EnsureFileListWindow());
    if (index < 0) return -1;
    const uint32_t id = TaskTable[index].id;
    SetArchivePathField("");
    BeginEditingTask(index);
    AddPathListToCurrentTask(paths);
    CommitFileList(index);
    return FindTaskById(id);
}
