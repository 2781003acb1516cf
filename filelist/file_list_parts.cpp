#include "filelist/file_list_parts.h"

#include <cstdint>

#include "app/controls.h"
#include "app/text.h"
#include "archivers/formats.h"
#include "filelist/naming.h"
#include "settings/settings.h"
#include "tasks/task_create.h"
#include "tasks/task_delete.h"
#include "tasks/task_files.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"

short CurrentTaskIndex = -1;
HWND FileListWindow = nullptr;
HWND FileListToolbar = nullptr;
HWND FileListStatusBar = nullptr;
HWND ArchivePathField = nullptr;
HWND FormatBox = nullptr;

// The window that owns this one: the main window, disabled while a task is
// edited, and the owner of this window's messages.
HWND FileListOwner() { return FileListWindow != nullptr ? GetWindow(FileListWindow, GW_OWNER) : nullptr; }

HWND CurrentFileList() { return TaskFileList(CurrentTaskIndex); }

int SelectedFormatIndex() { return static_cast<int>(SendMessageA(FormatBox, CB_GETCURSEL, 0, 0)); }

void ReadArchivePathField(char* text, size_t size) {
    if (size == 0) return;
    text[0] = '\0';
    GetWindowTextA(ArchivePathField, text, static_cast<int>(size));
}

void SetArchivePathField(const char* text) { SetWindowTextA(ArchivePathField, text); }

// The task becomes the one the window edits, its format the selected one.
void BeginEditingTask(short index) {
    CurrentTaskIndex = index;
    SendMessageA(FormatBox, CB_SETCURSEL, TaskTable[index].flag, 0);
}

// The task the window edits follows the table: an earlier task's removal
// moves it up, its own removal (or the table's clearing, -1) ends it.
void FollowRemovedTask(short index) {
    if (index < 0 || CurrentTaskIndex == index) {
        CurrentTaskIndex = -1;
    } else if (CurrentTaskIndex > index) {
        --CurrentTaskIndex;
    }
}

// Writes the name, path, file count and total size into the task's row
// and takes the format selection as the task's format; the name is completed
// with the format the task had before this commit.
static void WriteTaskRow(short index) {
    HWND list = TaskTable[index].fileList;
    char field[PathSize];
    ReadArchivePathField(field, sizeof(field));
    char folder[PathSize];
    ReadCurrentFolder(folder, sizeof(folder));
    char name[PathSize];
    char path[PathSize];
    CompleteArchivePath(field, TaskTable[index].flag, folder, name, sizeof(name), path, sizeof(path));
    uint32_t rows = 0;
    uint32_t total = 0;
    FileListTotals(list, &rows, &total);
    WriteCompressionRow(index, name, path, rows, total);
    int format = SelectedFormatIndex();
    if (IsCompressFormat(format)) TaskTable[index].flag = static_cast<unsigned char>(format);
    ShowWindow(list, SW_HIDE);
}

// The close handling: commit into the task's row, or remove a task that has
// no files; then back to the main window. The status is not changed.
void CommitFileList(short taskIndex) {
    HWND list = TaskFileList(taskIndex);
    if (list != nullptr) {
        if (Lv_RowCount(list) == 0) {
            DeleteTask(taskIndex);   // a task without files is removed
        } else {
            WriteTaskRow(taskIndex);
        }
    }
    CurrentTaskIndex = -1;
    HWND owner = FileListOwner();
    EnableWindow(owner, TRUE);  // before hiding, so the owner is activated
    ShowWindow(FileListWindow, SW_HIDE);
    SetFocus(owner);            // the main window hands the focus on to its task list
    StatusCountsChanged();
}
