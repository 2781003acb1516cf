#include "app/status_tips.h"

#include <commctrl.h>

#include "app/controls.h"

namespace {
// A bar with tips, its tip window (null until first needed), the part the
// tip last showed for and the text it shows.
struct TippedBar {
    HWND bar;
    HWND tip;
    int part;
    char text[1024];
    wchar_t wideText[1024];
};
// The main window's and the file-list window's bars; the status bar
// class's own procedure, the same for every bar.
struct StatusTips {
    TippedBar bars[4];
    WNDPROC original;
};
StatusTips Tips = {};
}  // namespace

static TippedBar* Find(HWND bar) {
    for (TippedBar& entry : Tips.bars) {
        if (entry.bar == bar) return &entry;
    }
    return nullptr;
}

HWND Sb_TipOf(HWND bar) {
    const TippedBar* entry = bar != nullptr ? Find(bar) : nullptr;
    return entry != nullptr ? entry->tip : nullptr;
}

static int PartAt(HWND bar, POINT point, RECT* rect) {
    int count = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0));
    for (int part = 0; part < count; ++part) {
        if (SendMessageA(bar, SB_GETRECT, part, reinterpret_cast<LPARAM>(rect)) && PtInRect(rect, point)) return part;
    }
    return -1;
}

// Moving to another part takes the tip down and lets it come back with
// that part's text.
static void Relay(TippedBar* entry, UINT message, WPARAM wp, LPARAM lp) {
    if (entry->tip == nullptr) entry->tip = Tt_CreateOverWindow(entry->bar, entry->bar, entry->bar);
    if (entry->tip == nullptr) return;
    if (message == WM_MOUSEMOVE) {
        POINT point = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        RECT rect;
        int part = PartAt(entry->bar, point, &rect);
        if (part != entry->part) Tt_Restart(entry->tip);
        entry->part = part;
    }
    Tt_Relay(entry->tip, entry->bar, message, wp, lp);
}

// The text of the part under the mouse when the bar cuts it, else empty
// (an empty tip is not shown). The bar draws a part's text a few pixels
// in from each edge; a part reaching past the bar's right edge is cut
// there too.
static void TakeCutText(TippedBar* entry) {
    const int margins = 6;
    entry->text[0] = '\0';
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(entry->bar, &point);
    RECT rect;
    int part = PartAt(entry->bar, point, &rect);
    if (part < 0) return;
    LRESULT length = SendMessageA(entry->bar, SB_GETTEXTLENGTHA, part, 0);
    if (LOWORD(length) >= sizeof(entry->text)) return;
    SendMessageA(entry->bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(entry->text));
    RECT client;
    GetClientRect(entry->bar, &client);
    if (rect.right > client.right) rect.right = client.right;
    if (TextWidthIn(entry->bar, entry->text) + margins <= rect.right - rect.left) entry->text[0] = '\0';
}

static bool SupplyText(TippedBar* entry, const NMHDR* header) {
    if (entry->tip == nullptr || header->hwndFrom != entry->tip) return false;
    if (header->code == TTN_GETDISPINFOA) {
        TakeCutText(entry);
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(const_cast<NMHDR*>(header));
        info->lpszText = entry->text;
        info->hinst = nullptr;
        return true;
    }
    if (header->code == TTN_GETDISPINFOW) {
        TakeCutText(entry);
        if (MultiByteToWideChar(CP_ACP, 0, entry->text, -1, entry->wideText, 1024) == 0) entry->wideText[0] = L'\0';
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
        info->lpszText = entry->wideText;
        info->hinst = nullptr;
        return true;
    }
    return false;
}

static void Forget(TippedBar* entry) {
    if (entry->tip != nullptr) DestroyWindow(entry->tip);
    *entry = TippedBar();
}

static LRESULT CALLBACK TippedBarProc(HWND bar, UINT message, WPARAM wp, LPARAM lp) {
    TippedBar* entry = Find(bar);
    if (entry != nullptr) {
        if (Tt_IsRelayedMouse(message)) Relay(entry, message, wp, lp);
        if (message == WM_NOTIFY && SupplyText(entry, reinterpret_cast<const NMHDR*>(lp))) return 0;
        if (message == WM_NCDESTROY) Forget(entry);
    }
    return CallWindowProcA(Tips.original, bar, message, wp, lp);
}

void Sb_AttachTips(HWND bar) {
    if (bar == nullptr || Find(bar) != nullptr) return;
    TippedBar* entry = Find(nullptr);
    if (entry == nullptr) return;
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(bar, GWLP_WNDPROC));
    if (Tips.original != nullptr && previous != Tips.original) return;
    Tips.original = previous;
    *entry = TippedBar();
    entry->bar = bar;
    entry->part = -1;
    SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TippedBarProc));
}
