#include "ui/task_list_view.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/instance.h"
#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/long_work.h"
#include "app/shell_entries.h"
#include "archivers/formats.h"
#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "tasks/row_compare.h"
#include "tasks/task_create.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "ui/main_controls.h"
#include "ui/reason_tip.h"
#include "ui/status_bar.h"

unsigned char ColumnSortFlags[TaskColumnCount] = {};

static WNDPROC PreviousTaskListProc = nullptr;

// Menu 106; its commands go to the main window.
void ShowTaskContextMenu(POINT screen) { ShowListMenu(TaskListView, IDR_TASKPOPUP, screen, MainWindow); }

// The context-menu key opens the menu at the row holding the selection
// mark (at the list's corner when no row holds it).
static void ShowMenuAtSelectionMark() { ShowTaskContextMenu(SelectionMarkPoint(TaskListView)); }

// Only the context-menu key is taken; every other key keeps the list's own
// handling (arrows, Home/End, type-ahead). The accelerators never get here:
// the message loop translates them before dispatch.
static bool OnKeyDown(WPARAM key) {
    if (key != VK_APPS) return false;
    ShowMenuAtSelectionMark();
    return true;
}

// A dropped path that does not fit a 260-byte buffer would arrive cut short
// and name another file: it is passed over.
static bool DroppedPath(HDROP drop, UINT index, char* path) {
    if (Shell_DragQueryFile(drop, index, nullptr, 0) >= static_cast<UINT>(PathSize)) return false;
    return Shell_DragQueryFile(drop, index, path, PathSize) > 0;
}

static bool AllDroppedAreArchives(HDROP drop, UINT count) {
    char path[PathSize];
    for (UINT i = 0; i < count; ++i) {
        if (DroppedPath(drop, i, path) && FormatFromExtension(path) < 0) return false;
    }
    return true;
}

// Archives only: one extraction task each. Anything else among them: one
// compression task holding every dropped path, archives included, with its
// file-list window open. An archive counts as one by its extension alone.
static void OnDropFiles(HDROP drop) {
    UINT count = LongWorkRunning() ? 0 : Shell_DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
    char path[PathSize];
    if (AllDroppedAreArchives(drop, count)) {
        for (UINT i = 0; i < count; ++i) {
            if (DroppedPath(drop, i, path)) CreateExtractionTask(path);
        }
    } else if (OpenNewCompressionTask("名称未設定") >= 0) {
        std::vector<std::string> paths;
        for (UINT i = 0; i < count; ++i) {
            if (DroppedPath(drop, i, path)) paths.emplace_back(path);
        }
        AddPathListToCurrentTask(paths);
    }
    Shell_DragFinish(drop);
}

static LRESULT CALLBACK TaskListProc(HWND list, UINT message, WPARAM wp, LPARAM lp) {
    RelayMouseToReasonTip(list, message, wp, lp);
    switch (message) {
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wp)); return 0;
    case WM_KEYDOWN:   if (OnKeyDown(wp)) return 0; break;
    }
    return CallWindowProcA(PreviousTaskListProc, list, message, wp, lp);
}

void AttachTaskListProcedure(HWND list) {
    PreviousTaskListProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TaskListProc)));
}

// The click point arrives in list client coordinates; a click on empty
// space shows the menu all the same.
static void OnRightClick(const NMITEMACTIVATE* click) {
    POINT point = click->ptAction;
    ClientToScreen(TaskListView, &point);
    ShowTaskContextMenu(point);
}

// As if edit had been chosen from the menu.
static void OnDoubleClick() { SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(IDM_EDIT_TASK, 0), 0); }

static int CompareTaskTexts(char* first, char* second, int column, unsigned char ascending) {
    return CompareCellTexts(first, second, IsNumericColumn(true, column), ascending);
}

const ListSortRule TaskListSortRule = {TaskColumnCount, ColumnSortFlags, CompareTaskTexts};

// A header click: the first click on a column sorts ascending, the next
// descending.
// A sort stopped before it began leaves the flag as it was.
void SortTaskListByColumn(int column) {
    if (column < 0 || column >= TaskColumnCount) return;
    if (!BeginTaskListWork("  %s 件並べ替え (Escで中止)")) return;
    unsigned char before = ColumnSortFlags[column];
    ColumnSortFlags[column] = before == 0 ? 1 : 0;
    if (!SortListByColumn(TaskListView, column, TaskListSortRule)) ColumnSortFlags[column] = before;
    EndTaskListWork();
}

void ResetTaskSortFlags() {
    for (unsigned char& flag : ColumnSortFlags) flag = 0;
}

// Only a change of a row's selection changes the count. A row's text
// changes notify too, and a loaded list sets thousands of them. Long work
// writes the count once at its end.
static bool SelectionChanged(const NMLISTVIEW* change) {
    return !LongWorkRunning() && (change->uChanged & LVIF_STATE) != 0 && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) != 0;
}

LRESULT OnTaskListNotify(const NMHDR* header) {
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
    switch (header->code) {
    case LVN_COLUMNCLICK: SortTaskListByColumn(change->iSubItem); break;
    case LVN_ITEMCHANGED:
        if (SelectionChanged(change)) RefreshSelectionCount();
        break;
    case NM_RCLICK:       OnRightClick(reinterpret_cast<const NMITEMACTIVATE*>(header)); break;
    case NM_DBLCLK:       OnDoubleClick(); break;
    }
    return 0;
}

// ---- Row operations ----

// Only the row order changes (it is the run order); the task table, the
// selection and the task data stay. Like the other commands on many rows,
// it runs as long work that Escape stops between two rows.
void MoveSelectedTasks(bool up) {
    if (!BeginTaskListWork("  %s 件移動 (Escで中止)")) return;
    MoveSelectedListRows(TaskListView, up);
    EndTaskListWork();
}

static void SelectTasks(bool invert) {
    if (!BeginTaskListWork("  %s 件選択 (Escで中止)")) return;
    SelectListRows(TaskListView, invert);
    EndTaskListWork();
}

void SelectAllTasks() { SelectTasks(false); }

void InvertTaskSelection() { SelectTasks(true); }
