#include "ui/reason_tip.h"

#include <commctrl.h>

#include "app/controls.h"
#include "app/text.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"

// The list view's own info tips are not shown by every common-controls
// implementation; a tooltip of the program's own is. One tool covers the
// whole list and asks for its text each time it shows: the row under the
// mouse decides.
static HWND ReasonTip = nullptr;
static int TippedRow = -1;
static char TipText[TaskReasonSize];

static HWND TippedList = nullptr;

// The tip is made when the mouse first moves over the list, not with the
// window: a tooltip is a top-level window of its own, and start-up need
// not wait for one the user may never see.
void AttachReasonTip(HWND list) {
    TippedList = list;
    ReasonTip = nullptr;
    TippedRow = -1;
}

// A width makes the tip break at the reason's line ends.
static void CreateReasonTip(HWND list) {
    ReasonTip = Tt_CreateOverWindow(GetParent(list), GetParent(list), list);
    if (ReasonTip != nullptr) SendMessageA(ReasonTip, TTM_SETMAXTIPWIDTH, 0, 480);
}

bool IsReasonTip(HWND window) { return window != nullptr && window == ReasonTip; }

// The reason of a row whose task ended in Error; empty for any other row,
// and an empty tip is not shown.
const char* TaskRowTipText(int row) {
    short index = RowToTaskIndex(row);
    if (index < 0 || TaskTable[index].status != Error) return "";
    return TaskTable[index].reason;
}

static int RowAt(HWND list, POINT point) {
    LVHITTESTINFO hit = {};
    hit.pt = point;
    return static_cast<int>(SendMessageA(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

// Copied: the table is re-made when tasks come and go.
LRESULT OnReasonTipNotify(const NMHDR* header) {
    if (header->code != TTN_GETDISPINFOA) return 0;
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(const_cast<NMHDR*>(header));
    HWND list = reinterpret_cast<HWND>(header->idFrom);
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(list, &point);
    TippedRow = RowAt(list, point);
    CopyText(TipText, sizeof(TipText), TippedRow >= 0 ? TaskRowTipText(TippedRow) : "");
    info->lpszText = TipText;
    info->hinst = nullptr;
    return 0;
}

// The tool is the whole list: moving to another row takes the tip down and
// lets it come back with that row's text.
static void TrackReasonTipRow(HWND list, LPARAM point) {
    if (ReasonTip == nullptr && list == TippedList) CreateReasonTip(list);
    if (ReasonTip == nullptr) return;
    POINT client = {static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    int row = RowAt(list, client);
    if (row == TippedRow) return;
    TippedRow = row;
    Tt_Restart(ReasonTip);
}

// The list's procedure hands the tip the mouse messages it needs: filling
// a list of thousands of tasks sends it many more messages than that.
void RelayMouseToReasonTip(HWND list, UINT message, WPARAM wp, LPARAM lp) {
    if (!Tt_IsRelayedMouse(message)) return;
    if (message == WM_MOUSEMOVE) TrackReasonTipRow(list, lp);
    if (ReasonTip == nullptr || list != TippedList) return;
    Tt_Relay(ReasonTip, list, message, wp, lp);
}
