#include "app/buffered_paint.h"

namespace {
// The class procedures the two kinds of control had before they were
// attached; every control of a class has the same one.
struct BufferedClasses {
    WNDPROC toolbar;
    WNDPROC header;
};
BufferedClasses Classes = {};
}  // namespace

// A 32-bit bitmap of the update area, drawn in the control's own client
// coordinates.
static HDC BeginMemoryPaint(HDC screen, const RECT& area, HBITMAP* bitmap) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = area.right - area.left;
    info.bmiHeader.biHeight = -(area.bottom - area.top);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    *bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = *bitmap != nullptr ? CreateCompatibleDC(screen) : nullptr;
    if (memory == nullptr) return nullptr;
    SelectObject(memory, *bitmap);
    SetWindowOrgEx(memory, area.left, area.top, nullptr);
    return memory;
}

// The control erases and draws into the memory bitmap, which is then copied;
// when no bitmap can be made it draws on the screen as it would have.
static void PaintThroughMemory(WNDPROC original, HWND control) {
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(control, &paint);
    const RECT& area = paint.rcPaint;
    HBITMAP bitmap = nullptr;
    HDC memory = area.right > area.left && area.bottom > area.top ? BeginMemoryPaint(screen, area, &bitmap) : nullptr;
    HDC target = memory != nullptr ? memory : screen;
    CallWindowProcA(original, control, WM_ERASEBKGND, reinterpret_cast<WPARAM>(target), 0);
    CallWindowProcA(original, control, WM_PAINT, reinterpret_cast<WPARAM>(target), 0);
    if (memory != nullptr) {
        BitBlt(screen, area.left, area.top, area.right - area.left, area.bottom - area.top, memory, area.left, area.top,
               SRCCOPY);
        DeleteDC(memory);
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    EndPaint(control, &paint);
}

// The background is drawn with the rest of the paint, so an erase on its
// own does nothing; a paint or erase into a given device context (a print)
// goes to the control as it is.
static LRESULT BufferedMessage(WNDPROC original, HWND control, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT && wp == 0) {
        PaintThroughMemory(original, control);
        return 0;
    }
    return CallWindowProcA(original, control, message, wp, lp);
}

static LRESULT CALLBACK BufferedToolbarProc(HWND control, UINT message, WPARAM wp, LPARAM lp) {
    return BufferedMessage(Classes.toolbar, control, message, wp, lp);
}

static LRESULT CALLBACK BufferedHeaderProc(HWND control, UINT message, WPARAM wp, LPARAM lp) {
    return BufferedMessage(Classes.header, control, message, wp, lp);
}

static void Attach(HWND control, WNDPROC* original, WNDPROC buffered) {
    if (control == nullptr) return;
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC));
    if (previous == buffered) return;
    if (*original != nullptr && *original != previous) return;
    *original = previous;
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buffered));
}

void PaintToolbarThroughMemory(HWND toolbar) { Attach(toolbar, &Classes.toolbar, BufferedToolbarProc); }

void PaintHeaderThroughMemory(HWND header) { Attach(header, &Classes.header, BufferedHeaderProc); }
