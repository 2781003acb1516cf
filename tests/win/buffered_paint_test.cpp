#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/buffered_paint.h"
#include "app/controls.h"
#include "resources/resource.h"
#include "tests/win/test_support.h"

namespace {
// A shown window with a toolbar of standard and strip images and a report
// list's header, as the main window has them: {window, toolbar, header}.
std::vector<HWND> MakeWindow(int x, bool throughMemory) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA parent = {0, DefWindowProcA, 0, 0, instance, nullptr, nullptr,
                        reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1)), nullptr, "fardelixpainttest"};
    RegisterClassA(&parent);
    HWND window = CreateWindowExA(0, parent.lpszClassName, "", WS_POPUP | WS_VISIBLE, x, 40, 320, 120, nullptr, nullptr,
                                  instance, nullptr);
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT, 0, 0, 0, 0, window,
                                   nullptr, instance, nullptr);
    const ToolbarPlace places[5] = {{IDM_NEW_LIST, STD_FILENEW, false}, {0, 0, false}, {IDM_NEW_ARCHIVE, 0, true},
                                    {IDM_DELETE, 3, true}, {IDM_STOP_ALL, 10, true}};
    Tb_AddPlaces(toolbar, IDB_TOOLBAR, 12, places, 5);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 40, 320, 80, window,
                                nullptr, instance, nullptr);
    Lv_AddColumn(list, 0, "圧縮ファイル名", 150, LVCFMT_LEFT);
    Lv_AddColumn(list, 1, "サイズ合計", 80, LVCFMT_RIGHT);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    if (throughMemory) {
        PaintToolbarThroughMemory(toolbar);
        PaintHeaderThroughMemory(header);
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return {window, toolbar, header};
}

std::string Pixels(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return ScreenPixels(window, client.right, client.bottom);
}

// Paints the control black on the screen, then lets it repaint the part.
void RepaintPartOverBlack(HWND control, const RECT& part) {
    HDC screen = GetDC(control);
    RECT client;
    GetClientRect(control, &client);
    FillRect(screen, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(control, screen);
    InvalidateRect(control, &part, TRUE);
    UpdateWindow(control);
}
}  // namespace

// A toolbar and a header painted through memory show what they show when
// they paint on the screen themselves, for a whole paint and for a paint
// of part of them over what was there (the bitmap covers only the update
// area, drawn at its place).
TEST(BufferedPaint, ToolbarAndHeaderLookAsTheyDoOnTheScreen) {
    std::vector<HWND> plain = MakeWindow(20, false);
    std::vector<HWND> buffered = MakeWindow(400, true);
    EXPECT_EQ(Pixels(buffered[0]), Pixels(plain[0]));
    const RECT parts[2] = {{30, 2, 70, 20}, {60, 0, 200, 12}};
    for (int control = 1; control <= 2; ++control) {
        EXPECT_NE(GetWindowLongPtrA(buffered[control], GWLP_WNDPROC), GetWindowLongPtrA(plain[control], GWLP_WNDPROC));
        for (const RECT& part : parts) {
            RepaintPartOverBlack(plain[control], part);
            RepaintPartOverBlack(buffered[control], part);
            EXPECT_EQ(Pixels(buffered[0]), Pixels(plain[0]));
        }
    }
    DestroyWindow(plain[0]);
    DestroyWindow(buffered[0]);
}
