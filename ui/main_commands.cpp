#include "ui/main_commands.h"

#include <windows.h>

#include "app/run_commands.h"
#include "resources/resource.h"
#include "ui/main_window.h"

// One line per command; ids without a case do nothing in the main window.
void ExecuteMainCommand(int command) {
    switch (command) {
    case IDM_CLOSE: SendMessageA(MainWindow, WM_CLOSE, 0, 0); break;
    case IDM_START: StartSelectedTasks(); break;
    case IDM_STOP: StopSelectedTasks(); break;
    case IDM_START_ALL: StartAllTasks(); break;
    case IDM_STOP_ALL: StopAllTasks(); break;
    }
}
