#include "ui/run_commands.h"

#include <windows.h>

#include "app/controls.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "ui/main_window.h"

// Every row in row order (or only the selected ones) whose task has the
// status `from` gets the status `to`.
static void ChangeStatuses(bool selectedOnly, int from, int to) {
    int rows = Lv_RowCount(TaskListView);
    for (int row = 0; row < rows; ++row) {
        if (selectedOnly && !Lv_IsSelected(TaskListView, row)) continue;
        short index = RowToTaskIndex(row);
        if (index >= 0 && TaskTable[index].status == from) SetTaskStatus(index, to);
    }
    RefreshStatusBar();
}

void StartSelectedTasks() {
    if (Lv_SelectedCount(TaskListView) == 0) return;
    SwitchRunningOn();
    ChangeStatuses(true, Stopped, Waiting);
}

// A Running task runs on to its end; the switch falls to 0 at the next
// message that finds nothing Waiting.
void StopSelectedTasks() {
    if (Lv_SelectedCount(TaskListView) == 0) return;
    ChangeStatuses(true, Waiting, Stopped);
}

void StartAllTasks() {
    if (Lv_RowCount(TaskListView) == 0) return;
    SwitchRunningOn();
    ChangeStatuses(false, Stopped, Waiting);
}

void StopAllTasks() { ChangeStatuses(false, Waiting, Stopped); }
