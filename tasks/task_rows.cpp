#include "tasks/task_rows.h"

#include <commctrl.h>

#include "app/controls.h"
#include "app/instance.h"
#include "app/modal.h"
#include "tasks/number_text.h"
#include "tasks/task_table.h"

// The main window's list view, handed over once when it is made.
static HWND TaskRows = nullptr;

struct ColumnSpec {
    const char* header;
    int width;
    int format;
    const char* sample;  // the longest text of a column of short texts
};

static const ColumnSpec TaskColumns[TaskColumnCount] = {
    {"圧縮ファイル名", 150, LVCFMT_LEFT, nullptr},
    {"タスク種別", 65, LVCFMT_LEFT, "解凍"},
    {"状態", 60, LVCFMT_LEFT, "実行 100%"},
    {"ファイル数", 80, LVCFMT_RIGHT, "4,294,967,295"},
    {"サイズ合計", 80, LVCFMT_RIGHT, "4,294,967,295"},
    {"圧縮ファイルパス", 402, LVCFMT_LEFT, nullptr},
};

void AttachTaskRows(HWND list) { TaskRows = list; }

void AddTaskColumns(HWND list) {
    for (int i = 0; i < TaskColumnCount; ++i) {
        const ColumnSpec& c = TaskColumns[i];
        Lv_AddColumn(list, i, c.header, c.width, c.format, c.sample);
    }
}

// The record (which takes the next id) and its row appended together.
short AppendTask(unsigned char kind, unsigned char flag, const char* name, const char* path) {
    short index = AppendTaskRecord(kind, flag);
    if (index < 0) return -1;
    int row = Lv_InsertRow(TaskRows, Lv_RowCount(TaskRows), name, static_cast<LPARAM>(TaskTable[index].id));
    if (row < 0) {
        RemoveTaskRecord(index);
        return -1;
    }
    Lv_SetCell(TaskRows, row, ColumnPath, path);
    Lv_SetCell(TaskRows, row, ColumnKind, kind == TaskCompression ? "圧縮" : "解凍");
    SetTaskStatus(index, Stopped);
    return index;
}

void SetTaskCell(short index, int column, const char* text) {
    int row = TaskIndexToRow(index);
    if (row >= 0) Lv_SetCell(TaskRows, row, column, text);
}

void SetTaskNumberCell(short index, int column, uint32_t value) {
    char text[NumberTextSize];
    FormatThousands(value, text, sizeof(text));
    SetTaskCell(index, column, text);
}

// What the file-list window commits: name, path, file count and total size.
void WriteCompressionRow(short index, const char* name, const char* path, uint32_t files, uint32_t total) {
    char count[NumberTextSize];
    char size[NumberTextSize];
    FormatThousands(files, count, sizeof(count));
    FormatThousands(total, size, sizeof(size));
    int row = TaskIndexToRow(index);
    if (row < 0) return;
    Lv_SetCell(TaskRows, row, ColumnName, name);
    Lv_SetCell(TaskRows, row, ColumnPath, path);
    Lv_SetCell(TaskRows, row, ColumnCount, count);
    Lv_SetCell(TaskRows, row, ColumnSize, size);
}

void ReadTaskArchivePath(int row, char* path, size_t size) {
    Lv_GetCell(TaskRows, row, ColumnPath, path, static_cast<int>(size));
}

int TaskRowCount() { return Lv_RowCount(TaskRows); }

short RowToTaskIndex(int row) {
    LPARAM id = Lv_RowId(TaskRows, row);
    short index = TaskIndexOfId(static_cast<uint32_t>(id));
    if (index >= 0) return index;
    ShowErrorMessage(MainWindow, "ファイルリストウィンドウが見つかりません。");
    return -1;
}

int TaskIndexToRow(short index) {
    if (index >= 0 && index < TaskCount) {
        // Rows keep the order of the table until they are sorted or moved,
        // so the row of the same number is tried first: a loaded list of
        // thousands of tasks sets their cells without a search each.
        LPARAM id = static_cast<LPARAM>(TaskTable[index].id);
        int row = Lv_RowId(TaskRows, index) == id ? index : Lv_FindRowById(TaskRows, id);
        if (row >= 0 && row < TaskCount) return row;
    }
    ShowErrorMessage(MainWindow, "ファイルリストウィンドウが見つかりません。");
    return -1;
}

// A library in background mode dispatches the thread's messages while it
// works, and so do message boxes and dialogs: commands may add, delete or
// move tasks meanwhile. Whoever holds a task across such a call keeps its
// id, never its index, and looks it up again afterwards. -1: it is gone, or
// the main window was closed meanwhile and took the task rows with it.
short FindTaskById(uint32_t id) {
    if (MainWindow == nullptr) return -1;
    return TaskIndexOfId(id);
}

void SetTaskStatus(short index, int status) {
    if (index < 0 || index >= TaskCount || status < 0 || status >= TaskStatusCount) return;
    TaskTable[index].status = static_cast<unsigned char>(status);
    // A reason belongs to the Error it explains: any other status drops it.
    if (status != Error) TaskTable[index].reason[0] = '\0';
    SetTaskCell(index, ColumnStatus, TaskStatusLabel(status));
}

// A task deleted in the meantime has no status left to set.
void SetStatusById(uint32_t id, int status) {
    short index = FindTaskById(id);
    if (index >= 0) SetTaskStatus(index, status);
}

void RemoveTaskRow(short index) {
    int row = TaskIndexToRow(index);
    if (row >= 0) SendMessageA(TaskRows, LVM_DELETEITEM, row, 0);
}

// The rows, bottom one first (rows descending), so no row still to go moves
// before its turn; every row in one message when all of them go.
void RemoveTaskRows(const int* rows, int count) {
    if (count <= 0) return;
    if (count == Lv_RowCount(TaskRows)) {
        SendMessageA(TaskRows, LVM_DELETEALLITEMS, 0, 0);
        return;
    }
    for (int i = 0; i < count; ++i) SendMessageA(TaskRows, LVM_DELETEITEM, rows[i], 0);
}

// Counts the first n records, n being the number of rows; returns n.
int CountTaskStatuses(int counts[TaskStatusCount]) {
    int rows = Lv_RowCount(TaskRows);
    for (int status = 0; status < TaskStatusCount; ++status) counts[status] = 0;
    for (int i = 0; i < rows && i < TaskCount; ++i) {
        if (TaskTable[i].status < TaskStatusCount) ++counts[TaskTable[i].status];
    }
    return rows;
}
