// Tasks made directly in the table and the task list, for tests that need
// rows with given texts and statuses but no task creation.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "app/controls.h"
#include "ui/main_window.h"

inline short AddRowTask(const char* name, int kind = TaskCompression, int status = Stopped) {
    short index = AppendTask(static_cast<unsigned char>(kind), 0, name, "");
    EXPECT_GE(index, 0);
    if (index >= 0) SetTaskStatus(index, status);
    return index;
}

// Column 0 of every row, top to bottom, joined by spaces.
inline std::string RowNames(HWND list) {
    std::string names;
    for (int row = 0; row < Lv_RowCount(list); ++row) {
        char text[PathSize];
        Lv_GetCell(list, row, 0, text, sizeof(text));
        names += (row > 0 ? " " : "") + std::string(text);
    }
    return names;
}

// Column 2 of every row, top to bottom.
inline std::string RowStatuses() {
    std::string labels;
    for (int row = 0; row < Lv_RowCount(TaskListView); ++row) {
        char text[PathSize];
        Lv_GetCell(TaskListView, row, ColumnStatus, text, sizeof(text));
        labels += (row > 0 ? " " : "") + std::string(text);
    }
    return labels;
}

inline void SelectRows(std::initializer_list<int> rows) {
    for (int row = 0; row < Lv_RowCount(TaskListView); ++row) Lv_SetSelected(TaskListView, row, false);
    for (int row : rows) Lv_SetSelected(TaskListView, row, true);
}
