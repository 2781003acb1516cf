#include "filelist/file_list_status.h"

#include "app/controls.h"
#include "app/long_work.h"
#include "app/text.h"
#include "filelist/file_list_parts.h"
#include "filelist/list_text.h"
#include "tasks/number_text.h"
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

// ---- long work on the shown list ----

struct FileListWork {
    const char* progressFormat;  // one %s, the steps so far
    char totals[256];            // part 0 before the work
};
static FileListWork Work = {"", ""};

static void ShowWorkProgress(uint32_t steps) {
    char count[NumberTextSize];
    char text[128];
    FormatThousands(steps, count, sizeof(count));
    FormatText(text, sizeof(text), Work.progressFormat, count);
    Sb_SetPart(FileListStatusBar, 0, text);
}

// Work on many rows of a file list: it does not repaint per row, part 0
// shows the progress and the selection count is written once at the end.
// False, and nothing is to be done, while another long work runs.
bool BeginFileListWork(HWND list, const char* progressFormat) {
    if (list == nullptr || LongWorkRunning()) return false;
    Work.progressFormat = progressFormat;
    Work.totals[0] = '\0';
    if (LOWORD(SendMessageA(FileListStatusBar, SB_GETTEXTLENGTHA, 0, 0)) < sizeof(Work.totals)) {
        SendMessageA(FileListStatusBar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(Work.totals));
    }
    return BeginLongWork(ShowWorkProgress, list);
}

// Rows that were deleted change the totals, which are counted again; work
// that only moved or selected rows puts the totals line back as it was.
// False when the user stopped the work.
bool EndFileListWork(bool rowsChanged) {
    bool complete = EndLongWork();
    if (rowsChanged) {
        RefreshFileListTotals();
    } else {
        Sb_SetPart(FileListStatusBar, 0, Work.totals);
    }
    RefreshFileSelectionCount();
    return complete;
}
