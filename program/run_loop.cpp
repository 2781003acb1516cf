#include "program/run_loop.h"

#include "app/controls.h"
#include "runs/runs.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "ui/main_window.h"

// Whether a task was taken since the switch last fell to 0: only then does
// the switch falling mean the queue has ended.
static bool QueueTookTasks = false;

// With the switch at exactly 1, runs the topmost Waiting task of the task
// list (display order, not table order) to its end; with none left, the
// switch falls to 0. At 2 a library call is in progress and nothing starts.
void RunStep() {
    if (RunSwitch != RunOn) return;
    int rows = Lv_RowCount(TaskListView);
    bool ran = false;
    for (int row = 0; row < rows && !ran; ++row) {
        short index = RowToTaskIndex(row);
        if (index < 0 || TaskTable[index].status != Waiting) continue;
        if (TaskTable[index].kind == TaskCompression) {
            RunCompressionTask(row);
        } else {
            RunExtractionTask(row);
        }
        RefreshStatusBar();
        ran = true;
    }
    if (ran) {
        QueueTookTasks = true;
        // A run that called its library set the switch from the statuses:
        // at 0 it was the last one.
        if (RunSwitch != RunIdle) return;
    } else {
        SwitchRunningOff();
    }
    if (QueueTookTasks) ShowQueueEnded();
    QueueTookTasks = false;
}

// Accelerators go to whichever window of the program is active, so the main
// window and the file-list window receive the same keys as commands. One
// RunStep follows every message.
int RunMessageLoop(HACCEL accelerators) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        HWND active = GetActiveWindow();
        if (accelerators == nullptr || active == nullptr || !TranslateAcceleratorA(active, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        RunStep();
    }
    return static_cast<int>(msg.wParam);
}
