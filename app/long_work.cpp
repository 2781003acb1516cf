#include "app/long_work.h"

// One piece of long work at a time. Commands that would change what it
// works on ask LongWorkRunning() first and do nothing while it is true.
struct LongWork {
    bool running;
    bool stopped;
    uint32_t steps;             // steps begun so far
    ProgressShower showProgress;
    HWND list;                  // its redraw is off for the work
    DWORD lastPump;
    DWORD lastListPaint;
};
static LongWork Work = {};

// Milliseconds between two rounds of message handling; the list shows its
// new rows at most once a second, since turning its redraw on invalidates
// all of it.
DWORD LongWorkPumpInterval = 100;
constexpr DWORD ListPaintInterval = 1000;

bool LongWorkRunning() { return Work.running; }

// False, and nothing changes, while another long work runs: the caller's
// steps then belong to that one. The list does not repaint at every step
// (under Wine a shown list repainting at every added row is thirty times
// slower).
bool BeginLongWork(ProgressShower showProgress, HWND list) {
    if (Work.running) return false;
    DWORD now = GetTickCount();
    Work = {true, false, 0, showProgress, list, now, now};
    if (list != nullptr) SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    return true;
}

static void SetListRedraw(BOOL redraw) {
    if (Work.list != nullptr) SendMessageA(Work.list, WM_SETREDRAW, redraw, 0);
}

// Escape is taken here and stops the work. A quit message is put back for
// the program's loop and stops the work too.
static void PumpMessages() {
    if (Work.showProgress != nullptr) Work.showProgress(Work.steps);
    DWORD now = GetTickCount();
    bool paintList = now - Work.lastListPaint >= ListPaintInterval;
    if (paintList) {
        SetListRedraw(TRUE);
        Work.lastListPaint = now;
    }
    MSG msg;
    while (!Work.stopped && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            Work.stopped = true;
        } else if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            Work.stopped = true;
        } else {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (paintList) SetListRedraw(FALSE);
    Work.lastPump = GetTickCount();
}

// False once the user stopped the work: the step is not to be taken. True
// without further ado when no long work runs.
bool KeepWorking() {
    if (!Work.running) return true;
    if (!Work.stopped && GetTickCount() - Work.lastPump >= LongWorkPumpInterval) PumpMessages();
    if (Work.stopped) return false;
    ++Work.steps;
    return true;
}

// False when the work was stopped. The list paints all of itself next.
bool EndLongWork() {
    bool complete = !Work.stopped;
    SetListRedraw(TRUE);
    Work = {};
    return complete;
}
