#include "filelist/file_list_commands.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/list_rows.h"
#include "app/long_work.h"
#include "app/modal.h"
#include "app/text.h"
#include "archivers/formats.h"
#include "filelist/collect.h"
#include "filelist/file_list_parts.h"
#include "filelist/file_list_status.h"
#include "filelist/list_text.h"
#include "filelist/naming.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tasks/task_paths.h"

// A single choice comes back as one full path: nFileOffset then points
// into it rather than past a zero byte. It gets its list end here, so the
// walk never reads what the initial name left behind it.
static void EndSingleChoice(char* result, size_t size, WORD nameOffset) {
    if (nameOffset == 0 || result[nameOffset - 1] == '\0') return;
    size_t length = strnlen(result, size);
    if (length + 1 < size) result[length + 1] = '\0';
}

// Every chosen file becomes a row, in the dialog's order. A choice that
// does not fit the buffer fails the dialog and adds nothing; a joined path
// that does not fit PathSize is left out.
static void OpenFiles() {
    if (CurrentFileList() == nullptr) return;
    char result[DialogPathSize] = {};
    if (!FormatText(result, sizeof(result), "%s*.*", Settings.OpenFolder)) CopyText(result, sizeof(result), "*.*");
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = FileListWindow;
    dialog.lpstrFilter = "全てのﾌｧｲﾙ(*.*)\0*.*\0";
    dialog.lpstrFile = result;
    dialog.nMaxFile = sizeof(result);
    dialog.lpstrTitle = "ファイルを開く";
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!Modal.openFileDialog(&dialog)) return;
    EndSingleChoice(result, sizeof(result), dialog.nFileOffset);
    std::vector<std::string> paths;
    char path[PathSize];
    int offset = 0;
    do {
        offset = NextSelectedPath(result, sizeof(result), path, sizeof(path), static_cast<unsigned short>(offset));
        if (path[0] != '\0') paths.emplace_back(path);
    } while (offset >= 0);
    AddPathListToCurrentTask(paths);
    if (!paths.empty()) RememberFolderOfPath(paths.back().c_str());
}

// One row per entry directly inside the chosen folder. The folder is
// remembered also when it cannot be listed.
static void OpenFolder() {
    if (CurrentFileList() == nullptr) return;
    char folder[PathSize] = "";
    if (!Modal.browseFolder(FileListWindow, "指定したフォルダ以下のファイル、フォルダが登録されます",
                            Settings.OpenFolder, folder, sizeof(folder)) ||
        folder[0] == '\0') {
        return;
    }
    AddFolderContents(folder);
    RememberOpenFolder(folder);
}

// The bulk commands run as long work on the current list: Escape stops
// them between two rows, and what is left is a consistent list, its totals
// and selection count written from its rows.
static void DeleteSelectedFiles() {
    HWND list = CurrentFileList();
    if (!BeginFileListWork(list, "  %s 件削除 (Escで中止)")) return;
    DeleteSelectedListRows(list);
    EndFileListWork(true);
}

static void MoveSelectedFiles(bool up) {
    HWND list = CurrentFileList();
    if (!BeginFileListWork(list, "  %s 件移動 (Escで中止)")) return;
    MoveSelectedListRows(list, up);
    EndFileListWork(false);
}

static void SelectFiles(bool invert) {
    HWND list = CurrentFileList();
    if (!BeginFileListWork(list, "  %s 件選択 (Escで中止)")) return;
    SelectListRows(list, invert);
    EndFileListWork(false);
}

static int ChosenFormat() {
    int format = SelectedFormatIndex();
    return IsCompressFormat(format) ? format : 0;
}

// The save dialog offers the selected format's files and adds its extension
// to a name typed without one; the format box does not follow what the
// user typed. A path too long for the task's row is not taken.
static void BrowseArchivePath() {
    const char* extension = FormatTable[ChosenFormat()].Extension;
    char filter[64];
    FormatSaveFilter(extension, filter, sizeof(filter));
    char result[DialogPathSize];
    ReadArchivePathField(result, sizeof(result));
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = FileListWindow;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = result;
    dialog.nMaxFile = sizeof(result);
    dialog.lpstrTitle = "圧縮先を指定";
    dialog.lpstrDefExt = extension;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!Modal.saveFileDialog(&dialog)) return;
    if (strnlen(result, sizeof(result)) < static_cast<size_t>(PathSize)) SetArchivePathField(result);
}

// Only the user's choice in the box arrives as a selection change; an empty
// field stays empty.
static void OnFormatBox(int notification) {
    if (notification != CBN_SELCHANGE) return;
    char text[DialogPathSize];
    ReadArchivePathField(text, sizeof(text));
    if (text[0] == '\0') return;
    char path[DialogPathSize];
    if (ReplaceArchiveExtension(text, SelectedFormatIndex(), path, sizeof(path))) SetArchivePathField(path);
}

// One line per command; ids without a case do nothing here, which also
// covers the main window's keys while this window is active. None runs
// while rows are being added.
void ExecuteFileListCommand(int command, int notification) {
    if (LongWorkRunning()) return;  // the list is still being filled
    switch (command) {
    case IDM_OPEN_FILES:  OpenFiles(); break;
    case IDM_OPEN_FOLDER: OpenFolder(); break;
    case IDM_CLOSE:       CommitFileList(CurrentTaskIndex); break;
    case IDM_DELETE:      DeleteSelectedFiles(); break;
    case IDM_MOVE_UP:     MoveSelectedFiles(true); break;
    case IDM_MOVE_DOWN:   MoveSelectedFiles(false); break;
    case IDM_SELECT_ALL:  SelectFiles(false); break;
    case IDM_INVERT:      SelectFiles(true); break;
    case IDM_REFRESH:     RefreshCurrentRows(); break;
    case IDC_BROWSE:      BrowseArchivePath(); break;
    case IDC_FORMATBOX:   OnFormatBox(notification); break;
    }
}
