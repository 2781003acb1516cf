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
// the bar cuts shows it whole and a part whose text fits shows none; a
// destroyed bar takes its tip with it.
TEST(StatusTips, MadeAtTheFirstHoverAndShownForCutTextsOnly) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 50, 300, 500, 80, nullptr, nullptr, instance,
                                  nullptr);
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window, nullptr, instance,
                               nullptr);
    Sb_AttachTips(bar);
    int parts[2] = {80, -1};
    SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    const char* cut = "  総数 =    3  実行 =    1  待機 =    2";
    Sb_SetPart(bar, 0, cut);
    Sb_SetPart(bar, 1, "選択数 =    0");
    EXPECT_EQ(Sb_TipOf(bar), nullptr);

    RECT first, second;
    SendMessageA(bar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageA(bar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&second));
    POINT inFirst = {(first.left + first.right) / 2, (first.top + first.bottom) / 2};
    POINT inSecond = {(second.left + second.right) / 2, (second.top + second.bottom) / 2};
    SendMessageA(bar, WM_MOUSEMOVE, 0, MAKELPARAM(inFirst.x, inFirst.y));
    HWND tip = Sb_TipOf(bar);
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(tip, GWL_STYLE) & TTS_ALWAYSTIP);

    EXPECT_EQ(TipTextAt(bar, inFirst), cut);
    EXPECT_EQ(TipTextAt(bar, inSecond), "");

    DestroyWindow(window);
    EXPECT_EQ(Sb_TipOf(bar), nullptr);
    EXPECT_FALSE(IsWindow(tip));
}
