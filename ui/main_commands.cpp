#include "ui/main_commands.h"

#include <windows.h>

#include "app/run_commands.h"
#include "resources/resource.h"
#include "ui/about_dialog.h"
#include "ui/main_window.h"
#include "ui/settings_dialog.h"
#include "ui/task_list_view.h"

// One line per command; ids without a case do nothing in the main window.
void ExecuteMainCommand(int command) {
    switch (command) {
    case IDM_CLOSE:      SendMessageA(MainWindow, WM_CLOSE, 0, 0); break;
    case IDM_MOVE_UP:    MoveSelectedTasks(true); break;
    case IDM_MOVE_DOWN:  MoveSelectedTasks(false); break;
    case IDM_SELECT_ALL: SelectAllTasks(); break;
    case IDM_INVERT:     InvertTaskSelection(); break;
    case IDM_START:      StartSelectedTasks(); break;
    case IDM_STOP:       StopSelectedTasks(); break;
    case IDM_START_ALL:  StartAllTasks(); break;
    case IDM_STOP_ALL:   StopAllTasks(); break;
    case IDM_ABOUT:      ShowAboutBox(MainWindow); break;
    case IDM_SETTINGS:   ShowSettingsDialog(MainWindow); break;
    }
}
