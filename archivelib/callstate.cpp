#include "callstate.h"

#include <stdio.h>

#include "mbname.h"

namespace {
struct CallState {
    LONG running;
    bool background;
    DWORD lastPump;
    FdarcOverwriteQuestion question;
};
CallState State = {0, false, 0, nullptr};
}  // namespace

bool BeginCall() {
    if (InterlockedCompareExchange(&State.running, 1, 0) != 0) return false;
    // Pump at the first chance so a short call still lets the program repaint.
    State.lastPump = GetTickCount() - 1000;
    return true;
}

void EndCall() { InterlockedExchange(&State.running, 0); }

bool IsCallRunning() { return InterlockedCompareExchange(&State.running, 0, 0) != 0; }

void SetBackgroundMode(bool background) { State.background = background; }

void PumpMessagesIfDue() {
    if (!State.background) return;
    DWORD now = GetTickCount();
    if (now - State.lastPump < 50) return;
    State.lastPump = now;
    MSG msg;
    // Bounded: a window that keeps posting to itself must not keep us here.
    for (int i = 0; i < 200 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the program's own loop
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

FdarcOverwriteQuestion SetOverwriteQuestion(FdarcOverwriteQuestion question) {
    FdarcOverwriteQuestion previous = State.question;
    State.question = question;
    return previous;
}

int AskOverwrite(HWND owner, const std::string& path) {
    if (State.question != nullptr) return State.question(owner, path.c_str());
    char text[600];
    snprintf(text, sizeof text, "%s\n\nこのファイルは既に存在します。上書きしますか？", path.c_str());
    return MessageBoxA(owner, text, "上書きの確認", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
}

void CallLog::Line(const std::string& text) {
    if (text_.size() > 65536) return;  // the caller's buffer is 32 KB: keep what fits
    text_ += text;
    text_ += "\r\n";
}

void CallLog::CopyTo(char* output, DWORD size) const {
    if (output == nullptr || size == 0) return;
    CopyTruncated(output, size, text_.c_str());
}
