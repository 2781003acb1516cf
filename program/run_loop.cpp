#include "program/run_loop.h"

#include "app/controls.h"
#include "app/instance.h"
#include "resources/resource.h"
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

// Commands that only the file-list window carries out.
static bool IsFileListCommand(WORD id) { return id == IDM_OPEN_FILES || id == IDM_OPEN_FOLDER || id == IDM_REFRESH; }

// In the shared table the file-list window's Ctrl+O (4004) comes before the
// main window's (4039) and the first match wins, so the main window's copy
// leaves out the file-list window's commands: there Ctrl+O opens a task list.
bool LoadProgramKeys(HINSTANCE instance, ProgramKeys* keys) {
    keys->shared = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    keys->mainWindow = nullptr;
    if (keys->shared == nullptr) return false;
    ACCEL entries[64];
    int count = CopyAcceleratorTableA(keys->shared, nullptr, 0);
    if (count <= 0 || count > static_cast<int>(sizeof(entries) / sizeof(entries[0]))) return false;
    count = CopyAcceleratorTableA(keys->shared, entries, count);
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (!IsFileListCommand(entries[i].cmd)) entries[kept++] = entries[i];
    }
    keys->mainWindow = CreateAcceleratorTableA(entries, kept);
    // Library calls that dispatch messages translate with the same tables.
    SetProgramAccelerators(keys->shared, keys->mainWindow);
    return keys->mainWindow != nullptr;
}

// The table loaded from resources belongs to the module; only the built
// copy is destroyed.
void FreeProgramKeys(ProgramKeys* keys) {
    SetProgramAccelerators(nullptr, nullptr);
    if (keys->mainWindow != nullptr) DestroyAcceleratorTable(keys->mainWindow);
    keys->mainWindow = nullptr;
    keys->shared = nullptr;
}

// Keys go to whichever window of the program is active, as commands of
// that window.
bool TranslateProgramKey(const ProgramKeys& keys, HWND active, MSG* msg) {
    if (active == nullptr) return false;
    HACCEL table = active == MainWindow && keys.mainWindow != nullptr ? keys.mainWindow : keys.shared;
    return table != nullptr && TranslateAcceleratorA(active, table, msg) != 0;
}

// One RunStep follows every message, then the caller's step if it has one
// (a job without a person logs the tasks that ended and ends with its
// queue).
int RunMessageLoop(const ProgramKeys* keys, void (*afterStep)()) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (keys == nullptr || !TranslateProgramKey(*keys, GetActiveWindow(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        RunStep();
        if (afterStep != nullptr) afterStep();
    }
    return static_cast<int>(msg.wParam);
}
