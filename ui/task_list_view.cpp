#include "ui/task_list_view.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "ui/controls.h"
#include "ui/list_rows.h"
#include "ui/main_window.h"

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

static LRESULT CALLBACK TaskListProc(HWND list, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_KEYDOWN: if (OnKeyDown(wp)) return 0; break;
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

LRESULT OnTaskListNotify(const NMHDR* header) {
    switch (header->code) {
    case LVN_ITEMCHANGED: RefreshSelectionCount(); break;
    case NM_RCLICK:       OnRightClick(reinterpret_cast<const NMITEMACTIVATE*>(header)); break;
    case NM_DBLCLK:       OnDoubleClick(); break;
    }
    return 0;
}

// ---- Row operations ----

// Only the row order changes (it is the run order); the task table, the
// selection and the task data stay.
void MoveSelectedTasks(bool up) { MoveSelectedListRows(TaskListView, up); }

void SelectAllTasks() { Lv_SetSelected(TaskListView, -1, true); }

void InvertTaskSelection() { InvertListSelection(TaskListView); }
