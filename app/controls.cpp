#include "app/controls.h"

#include <commctrl.h>

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

// The width of the text in the window's own font, in pixels.
int TextWidthIn(HWND window, const char* text) {
    HDC dc = GetDC(window);
    if (dc == nullptr) return 0;
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    if (old != nullptr) SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

// The column is at least as wide as asked, and wide enough for its header
// and for the sample, the longest text it shows, in the list's own font:
// a cut text would read "タスク種…" or "314,572,8…".
void Lv_AddColumn(HWND list, int column, const char* header, int width, int format, const char* sample) {
    const int headerPadding = 16;  // the header's margins and divider
    const int cellPadding = 14;    // a cell's margins on both sides
    int needed = static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(header)));
    if (needed > 0 && needed + headerPadding > width) width = needed + headerPadding;
    if (sample != nullptr) {
        needed = static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(sample)));
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

// Text and tip together, so a cut text can be read in full.
void Sb_SetPart(HWND bar, int part, const char* text) {
    SendMessageA(bar, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text));
    SendMessageA(bar, SB_SETTIPTEXTA, part, reinterpret_cast<LPARAM>(text));
}

TBBUTTON Tb_MakeButton(int image, int command) {
    TBBUTTON button = {};
    button.iBitmap = image;
    button.idCommand = command;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = BTNS_BUTTON;
    return button;
}

// The strip's images are added first; each button's image is offset by the
// index at which they landed.
void Tb_AddStripButtons(HWND toolbar, int bitmapId, int imageCount, const ToolbarStripButton* buttons, int count) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(toolbar, GWLP_HINSTANCE));
    TBADDBITMAP strip = {instance, static_cast<UINT_PTR>(bitmapId)};
    int offset = static_cast<int>(SendMessageA(toolbar, TB_ADDBITMAP, imageCount, reinterpret_cast<LPARAM>(&strip)));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button = Tb_MakeButton(buttons[i].image + offset, buttons[i].command);
        SendMessageA(toolbar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
}

void Tb_InsertSeparator(HWND toolbar, int position) {
    TBBUTTON separator = {};
    separator.fsStyle = BTNS_SEP;
    SendMessageA(toolbar, TB_INSERTBUTTONA, position, reinterpret_cast<LPARAM>(&separator));
}

// One tool per button, its text the string resource of the command id; the
// tips show also while the owner is inactive.
void Tb_AttachTips(HWND owner, HWND toolbar) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(toolbar, GWLP_HINSTANCE));
    HWND tips = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
    int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button = {};
        SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (button.fsStyle & BTNS_SEP) continue;
        TOOLINFOA tool = {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = toolbar;
        tool.uId = static_cast<UINT_PTR>(button.idCommand);
        tool.hinst = instance;
        tool.lpszText = MAKEINTRESOURCEA(button.idCommand);
        SendMessageA(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&tool.rect));
        SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SendMessageA(toolbar, TB_SETTOOLTIPS, reinterpret_cast<WPARAM>(tips), 0);
}
