#include "ui/main_commands.h"

#include <windows.h>

#include "resources/resource.h"
#include "ui/main_window.h"

// One line per command; ids without a case do nothing in the main window.
void ExecuteMainCommand(int command) {
    switch (command) {
    case IDM_CLOSE: SendMessageA(MainWindow, WM_CLOSE, 0, 0); break;
    }
}
