#include "ui/handoff.h"

#include <deque>
#include <string>

#include "app/long_work.h"

namespace {
struct HandoffState {
    HandoffHandler handler;
    std::deque<std::string> pending;   // in arrival order
};
HandoffState Handoff = {};

// More than a user can start by hand; data beyond it is refused.
constexpr size_t MaxPending = 16;
constexpr size_t MaxData = 33000;
constexpr UINT RetryMs = 100;
}  // namespace

void SetHandoffHandler(HandoffHandler handler) { Handoff.handler = handler; }

// The sender waits for the answer: the data is only copied here and handled
// from a timer, so a question the handling asks does not keep the second
// start waiting.
LRESULT OnHandoffData(HWND window, const COPYDATASTRUCT* data) {
    if (data == nullptr || data->dwData != HandoffTag || data->lpData == nullptr) return FALSE;
    if (data->cbData > MaxData || Handoff.pending.size() >= MaxPending) return FALSE;
    Handoff.pending.emplace_back(static_cast<const char*>(data->lpData), data->cbData);
    SetTimer(window, HandoffTimerId, 1, nullptr);
    return TRUE;
}

// Not while the main window is disabled (a dialog, a message box or the
// file-list window is open over it) or rows are being added: the paths
// wait and are tried again.
void OnHandoffTimer(HWND window) {
    if (!IsWindowEnabled(window) || LongWorkRunning()) {
        SetTimer(window, HandoffTimerId, RetryMs, nullptr);
        return;
    }
    KillTimer(window, HandoffTimerId);
    while (!Handoff.pending.empty()) {
        std::string data = std::move(Handoff.pending.front());
        Handoff.pending.pop_front();
        if (Handoff.handler != nullptr) Handoff.handler(data.data(), data.size());
        // The handling opened a window over the main one: the rest waits.
        if (!Handoff.pending.empty() && (!IsWindow(window) || !IsWindowEnabled(window))) {
            if (IsWindow(window)) SetTimer(window, HandoffTimerId, RetryMs, nullptr);
            return;
        }
    }
}
