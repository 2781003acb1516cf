#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/controls.h"
#include "app/status_tips.h"

namespace {
// The text the bar's tip would show with the mouse at the client point.
std::string TipTextAt(HWND bar, POINT point) {
    ClientToScreen(bar, &point);
    SetCursorPos(point.x, point.y);
    NMTTDISPINFOA info = {};
    info.hdr.hwndFrom = Sb_TipOf(bar);
    info.hdr.idFrom = reinterpret_cast<UINT_PTR>(bar);
    info.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(bar, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    return info.lpszText != nullptr ? info.lpszText : "";
}
}  // namespace

// No tip window until the mouse moves over the bar; then a part whose text
// the bar cuts (by the part's width or by the bar's edge) shows it whole
// and a part whose text fits shows none; a destroyed bar takes its tip
// with it.
TEST(StatusTips, MadeAtTheFirstHoverAndShownForCutTextsOnly) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 50, 300, 500, 80, nullptr, nullptr, instance,
                                  nullptr);
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window, nullptr, instance,
                               nullptr);
    Sb_AttachTips(bar);
    // Part 0 is too narrow for its text, part 1 wide enough, and part 2
    // wide enough but reaching past the bar's right edge (500 pixels).
    int parts[3] = {80, 460, 900};
    SendMessageA(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    const char* texts[3] = {"  総数 =    3  実行 =    1  待機 =    2", "選択数 =    0", "選択数 =    0"};
    const char* expected[3] = {texts[0], "", texts[2]};
    for (int part = 0; part < 3; ++part) Sb_SetPart(bar, part, texts[part]);
    EXPECT_EQ(Sb_TipOf(bar), nullptr);

    POINT inPart[3];
    for (int part = 0; part < 3; ++part) {
        RECT rect;
        SendMessageA(bar, SB_GETRECT, part, reinterpret_cast<LPARAM>(&rect));
        inPart[part] = {rect.left + 10, (rect.top + rect.bottom) / 2};
    }
    SendMessageA(bar, WM_MOUSEMOVE, 0, MAKELPARAM(inPart[0].x, inPart[0].y));
    HWND tip = Sb_TipOf(bar);
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(tip, GWL_STYLE) & TTS_ALWAYSTIP);
    for (int part = 0; part < 3; ++part) {
        SCOPED_TRACE(part);
        EXPECT_EQ(TipTextAt(bar, inPart[part]), expected[part]);
    }

    DestroyWindow(window);
    EXPECT_EQ(Sb_TipOf(bar), nullptr);
    EXPECT_FALSE(IsWindow(tip));
}
