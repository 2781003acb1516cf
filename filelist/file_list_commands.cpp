#include "filelist/file_list_commands.h"

#include <windows.h>

#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "tasks/task_table.h"

// One line per command; ids without a case do nothing here, which also
// covers the main window's keys while this window is active.
void ExecuteFileListCommand(int command, int notification) {
    (void)notification;
    switch (command) {
    case IDM_CLOSE: CommitFileList(CurrentTaskIndex); break;
    }
}
