#include "app/controls.h"

#include <commctrl.h>

#include <cstring>

int Lv_RowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

int Lv_InsertRow(HWND list, int row, const char* text, LPARAM id) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<char*>(text);
    item.lParam = id;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void Lv_SetCell(HWND list, int row, int column, const char* text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

// Bounded and always terminated, also when the row does not exist.
int Lv_GetCell(HWND list, int row, int column, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = size;
    int length = static_cast<int>(SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
    buffer[size - 1] = '\0';
    return length;
}

LPARAM Lv_RowId(HWND list, int row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    return item.lParam;
}

int Lv_FindRowById(HWND list, LPARAM id) {
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = id;
    return static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

bool Lv_IsSelected(HWND list, int row) {
    return (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void Lv_SetSelected(HWND list, int row, bool selected) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int Lv_SelectedCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)); }

namespace {
// Measuring a text asks the window system for a device context and the
// font's glyphs. The program measures the same few texts in the same fonts
// again and again (each task's file list its column headers), so a width
// once measured is kept, under the font's whole description and the text.
struct MeasuredWidth {
    LOGFONTA font;
    char text[128];
    int width;
};
struct WidthMemo {
    MeasuredWidth entries[24];
    int count;
};
WidthMemo Widths = {};
}  // namespace

// A memory device context measures as the window's would, in the same
// font, without asking the display for anything.
static int MeasureText(HGDIOBJ font, const char* text) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return 0;
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    if (old != nullptr) SelectObject(dc, old);
    DeleteDC(dc);
    return size.cx;
}

// The width of the text in the window's own font, in pixels. A window
// without a font of its own draws in the device context's default font,
// the same for every window, which is kept under an empty description.
int TextWidthIn(HWND window, const char* text) {
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    if ((font != nullptr && GetObjectA(font, sizeof(description), &description) != sizeof(description)) ||
        strlen(text) >= sizeof(Widths.entries[0].text)) {
        return MeasureText(font, text);
    }
    for (int i = 0; i < Widths.count; ++i) {
        const MeasuredWidth& known = Widths.entries[i];
        if (memcmp(&known.font, &description, sizeof(description)) == 0 && strcmp(known.text, text) == 0) {
            return known.width;
        }
    }
    int width = MeasureText(font, text);
    if (width > 0 && Widths.count < static_cast<int>(sizeof(Widths.entries) / sizeof(Widths.entries[0]))) {
        MeasuredWidth& kept = Widths.entries[Widths.count++];
        kept.font = description;
        memcpy(kept.text, text, strlen(text) + 1);
        kept.width = width;
    }
    return width;
}

// The column is at least as wide as asked, and wide enough for its header
// and for the sample, the longest text it shows, in the list's own font:
// a cut text would read "タスク種…" or "314,572,8…".
void Lv_AddColumn(HWND list, int column, const char* header, int width, int format, const char* sample) {
    const int headerPadding = 16;  // the header's margins and divider
    const int cellPadding = 14;    // a cell's margins on both sides
    int needed = TextWidthIn(list, header);
    if (needed > 0 && needed + headerPadding > width) width = needed + headerPadding;
    if (sample != nullptr) {
        needed = TextWidthIn(list, sample);
        if (needed > 0 && needed + cellPadding > width) width = needed + cellPadding;
    }
    LVCOLUMNA col = {};
    col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<char*>(header);
    col.iSubItem = column;
    SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
}

// A cut text can be read in full in the bar's tip (app/status_tips), which
// shows the part's own text.
void Sb_SetPart(HWND bar, int part, const char* text) {
    SendMessageA(bar, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text));
}

// The standard small images first, then the program's strip; every
// position goes in with one message, so the toolbar lays itself out once.
void Tb_AddPlaces(HWND toolbar, int stripBitmapId, int stripImageCount, const ToolbarPlace* places, int count) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(toolbar, GWLP_HINSTANCE));
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBADDBITMAP standard = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    int standardOffset = static_cast<int>(SendMessageA(toolbar, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&standard)));
    TBADDBITMAP strip = {instance, static_cast<UINT_PTR>(stripBitmapId)};
    int stripOffset =
        static_cast<int>(SendMessageA(toolbar, TB_ADDBITMAP, stripImageCount, reinterpret_cast<LPARAM>(&strip)));
    TBBUTTON buttons[32] = {};
    if (count > 32) count = 32;
    for (int i = 0; i < count; ++i) {
        TBBUTTON& button = buttons[i];
        if (places[i].command == 0) {
            button.fsStyle = BTNS_SEP;
            continue;
        }
        button.iBitmap = places[i].image + (places[i].fromStrip ? stripOffset : standardOffset);
        button.idCommand = places[i].command;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON;
    }
    SendMessageA(toolbar, TB_ADDBUTTONSA, count, reinterpret_cast<LPARAM>(buttons));
}

// A toolbar made with TBSTYLE_TOOLTIPS makes its tip window, with a tool
// for each button, when it is first needed (Windows at once, Wine at the
// first hover) and tells its parent with NM_TOOLTIPSCREATED; it asks for a
// tip's text only when the tip first shows. The tips show also while the
// owner is inactive. True when the notification was that toolbar's.
bool Tb_KeepTipsShown(const NMHDR* header, int toolbarId) {
    if (header->code != NM_TOOLTIPSCREATED || header->idFrom != static_cast<UINT_PTR>(toolbarId)) return false;
    HWND tips = reinterpret_cast<const NMTOOLTIPSCREATED*>(header)->hwndToolTips;
    if (tips != nullptr) SetWindowLongPtrA(tips, GWL_STYLE, GetWindowLongPtrA(tips, GWL_STYLE) | TTS_ALWAYSTIP);
    return true;
}

// A button's tip is the string resource of its command id. True when the
// notification was the toolbar's question.
bool Tb_SupplyTip(HWND toolbar, const NMHDR* header) {
    if ((header->code != TTN_GETDISPINFOA && header->code != TTN_GETDISPINFOW) || toolbar == nullptr ||
        header->hwndFrom != reinterpret_cast<HWND>(SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0))) {
        return false;
    }
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(toolbar, GWLP_HINSTANCE));
    if (header->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(const_cast<NMHDR*>(header));
        info->hinst = instance;
        info->lpszText = MAKEINTRESOURCEA(header->idFrom);
        return true;
    }
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
        info->hinst = instance;
        info->lpszText = MAKEINTRESOURCEW(header->idFrom);
        return true;
    }
    return false;
}

// One tool covers the whole window and asks `asked` for its text each time
// it shows (the spot under the mouse decides); null when no tip is made.
HWND Tt_CreateOverWindow(HWND owner, HWND asked, HWND window) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance,
                               nullptr);
    if (tip == nullptr) return nullptr;
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = asked;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    return tip;
}

// The mouse messages a tip needs to see, handed on by the window's own
// procedure: a tip that subclassed the window would look up its subclass
// data at every message the window gets, and under Wine that is a round
// trip to the server.
bool Tt_IsRelayedMouse(UINT message) {
    return message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP ||
           message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_MBUTTONDOWN || message == WM_MBUTTONUP;
}

void Tt_Relay(HWND tip, HWND window, UINT message, WPARAM wp, LPARAM lp) {
    MSG relayed = {window, message, wp, lp, static_cast<DWORD>(GetMessageTime()), {0, 0}};
    SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

// Takes the tip down and lets it come back, asking for its text again:
// the mouse moved to another row or part.
void Tt_Restart(HWND tip) {
    SendMessageA(tip, TTM_ACTIVATE, FALSE, 0);
    SendMessageA(tip, TTM_ACTIVATE, TRUE, 0);
}
