#include "ui/status_bar.h"

#include <windows.h>

#include <cstdio>

#include "app/controls.h"
#include "app/instance.h"
#include "app/long_work.h"
#include "app/text.h"
#include "archivelib/api/fdarc_progress.h"
#include "tasks/number_text.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "ui/main_controls.h"

// While a task list loads, part 0 shows its progress, and the counts are
// written once when it ends instead of once per task made.
static bool StatusCountsHeld = false;

static void StatusCountsChangedHere() {
    if (!StatusCountsHeld) RefreshStatusBar();
}

void HoldStatusCounts(bool hold) {
    StatusCountsHeld = hold;
    if (!hold) RefreshStatusBar();
}

// The file the library reported last while its call lasts; empty between
// calls and with a library that reports nothing.
static char RunFile[ARC_PROGRESS_NAME_SIZE] = "";

// Part 1: the file of the call in progress, otherwise the selection count.
// A selection change during the call keeps the file's name.
void RefreshSelectionCount() {
    if (RunFile[0] != '\0') return Sb_SetPart(MainStatusBar, 1, RunFile);
    char text[32];
    snprintf(text, sizeof(text), "選択数 = %4d", Lv_SelectedCount(TaskListView));
    Sb_SetPart(MainStatusBar, 1, text);
}

// Null when the call is over: the selection count comes back.
static void ShowRunFile(const char* name) {
    CopyText(RunFile, sizeof(RunFile), name != nullptr ? name : "");
    RefreshSelectionCount();
}

// The queue has run dry: said once, without a modal box. The taskbar button
// flashes until the window is activated (FLASHW_TIMERNOFG stops by itself
// then), and part 1 holds the outcome until the selection changes.
void ShowQueueEnded() {
    int counts[TaskStatusCount];
    CountTaskStatuses(counts);
    char text[96];
    snprintf(text, sizeof(text), "すべてのタスクが終了しました（完了 %d・エラー %d）", counts[Done], counts[Error]);
    Sb_SetPart(MainStatusBar, 1, text);
    if (MainWindow == nullptr) return;
    FLASHWINFO flash = {};
    flash.cbSize = sizeof(flash);
    flash.hwnd = MainWindow;
    flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
}

// Why a command did nothing, in part 1 until the selection changes.
void ShowStatusNote(const char* text) { Sb_SetPart(MainStatusBar, 1, text); }

// The status counts of the task rows in part 0.
void RefreshStatusBar() {
    int counts[TaskStatusCount];
    int rows = CountTaskStatuses(counts);
    char text[160];
    FormatStatusCounts(rows, counts, text, sizeof(text));
    Sb_SetPart(MainStatusBar, 0, text);
}

// ---- long work on the task list ----

// The progress text of the work in progress: one %s, the steps so far.
static const char* WorkProgressFormat = "";

static void ShowWorkProgress(uint32_t steps) {
    char count[NumberTextSize];
    char text[128];
    FormatThousands(steps, count, sizeof(count));
    FormatText(text, sizeof(text), WorkProgressFormat, count);
    Sb_SetPart(MainStatusBar, 0, text);
}

// Work on many task rows: the list does not repaint per row, part 0 shows
// the progress, and the selection count is written once at the end. False,
// and nothing is to be done, while another long work runs.
bool BeginTaskListWork(const char* progressFormat) {
    WorkProgressFormat = progressFormat;
    return BeginLongWork(ShowWorkProgress, TaskListView);
}

// Both parts again from the list; false when the user stopped the work.
bool EndTaskListWork() {
    bool complete = EndLongWork();
    RefreshStatusBar();
    RefreshSelectionCount();
    return complete;
}

// The model and the runs say when the counts or the file of the call change.
void ListenForStatusChanges() {
    ListenToStatusCounts(StatusCountsChangedHere);
    ListenToRunFile(ShowRunFile);
}
