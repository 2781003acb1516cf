#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/buffered_paint.h"
#include "app/controls.h"
#include "resources/resource.h"

namespace {
const char PaintTestClass[] = "fardelixpainttest";

// A shown window with a toolbar of standard and strip images and a report
// list with two columns, as the main window has them.
struct PaintedWindow {
    HWND window = nullptr;
    HWND toolbar = nullptr;
    HWND header = nullptr;
};

PaintedWindow MakeWindow(int x, bool throughMemory) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
    windowClass.lpszClassName = PaintTestClass;
    RegisterClassA(&windowClass);
    PaintedWindow made;
    made.window = CreateWindowExA(0, PaintTestClass, "paint", WS_POPUP | WS_VISIBLE, x, 40, 320, 120, nullptr, nullptr,
                                  instance, nullptr);
    made.toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0,
                                   0, 0, 0, made.window, nullptr, instance, nullptr);
    const ToolbarPlace places[6] = {{IDM_NEW_LIST, STD_FILENEW, false}, {IDM_SAVE_LIST, STD_FILESAVE, false},
                                    {0, 0, false},                      {IDM_NEW_ARCHIVE, 0, true},
                                    {IDM_DELETE, 3, true},              {IDM_STOP_ALL, 10, true}};
    Tb_AddPlaces(made.toolbar, IDB_TOOLBAR, 12, places, 6);
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 40, 320, 80,
                                made.window, nullptr, instance, nullptr);
    Lv_AddColumn(list, 0, "圧縮ファイル名", 150, LVCFMT_LEFT);
    Lv_AddColumn(list, 1, "サイズ合計", 80, LVCFMT_RIGHT);
    made.header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    if (throughMemory) {
        PaintToolbarThroughMemory(made.toolbar);
        PaintHeaderThroughMemory(made.header);
    }
    RedrawWindow(made.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return made;
}

// The pixels of the window's client area as the screen shows them.
std::vector<DWORD> Pixels(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HDC screen = GetDC(window);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    ReleaseDC(window, screen);
    GdiFlush();
    const DWORD* start = static_cast<const DWORD*>(bits);
    std::vector<DWORD> pixels(start, start + client.right * client.bottom);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return pixels;
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
    PaintedWindow plain = MakeWindow(20, false);
    PaintedWindow buffered = MakeWindow(400, true);
    EXPECT_NE(GetWindowLongPtrA(buffered.toolbar, GWLP_WNDPROC), GetWindowLongPtrA(plain.toolbar, GWLP_WNDPROC));
    EXPECT_NE(GetWindowLongPtrA(buffered.header, GWLP_WNDPROC), GetWindowLongPtrA(plain.header, GWLP_WNDPROC));
    EXPECT_EQ(Pixels(buffered.window), Pixels(plain.window));

    const RECT parts[2] = {{30, 2, 70, 20}, {60, 0, 200, 12}};
    const HWND pairs[2][2] = {{plain.toolbar, buffered.toolbar}, {plain.header, buffered.header}};
    for (const auto& pair : pairs) {
        for (const RECT& part : parts) {
            RepaintPartOverBlack(pair[0], part);
            RepaintPartOverBlack(pair[1], part);
            EXPECT_EQ(Pixels(buffered.window), Pixels(plain.window));
        }
    }
    DestroyWindow(plain.window);
    DestroyWindow(buffered.window);
}
