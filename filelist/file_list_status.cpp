#include "filelist/file_list_status.h"

#include "app/controls.h"
#include "filelist/file_list_parts.h"
#include "filelist/list_text.h"
#include "tasks/task_files.h"

// Part 0: the row count and total size of the edited task.
void ShowFileListTotals(uint32_t rows, uint32_t total) {
    char text[128];
    FormatTotalsLine(rows, total, text, sizeof(text));
    Sb_SetPart(FileListStatusBar, 0, text);
}

void RefreshFileListTotals() {
    uint32_t rows = 0;
    uint32_t total = 0;
    RecountFileList(CurrentFileList(), &rows, &total);
    ShowFileListTotals(rows, total);
}

void RefreshFileSelectionCount() {
    HWND list = CurrentFileList();
    char text[32];
    FormatSelectionCount(list != nullptr ? Lv_SelectedCount(list) : 0, text, sizeof(text));
    Sb_SetPart(FileListStatusBar, 1, text);
}
