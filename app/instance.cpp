#include "app/instance.h"

#include "resources/resource.h"

HINSTANCE AppInstance = nullptr;
HWND MainWindow = nullptr;

// The keys of the menus once loaded: the shared table serves the file-list
// window, the main window has its own copy without the file-list commands.
static HACCEL SharedAccelerators = nullptr;
static HACCEL MainAccelerators = nullptr;

void SetAppInstance(HINSTANCE instance) { AppInstance = instance; }

void SetMainWindow(HWND window) { MainWindow = window; }

void SetProgramAccelerators(HACCEL shared, HACCEL mainWindow) {
    SharedAccelerators = shared;
    MainAccelerators = mainWindow;
}

// The table for keys typed into one of the program's top-level windows.
HACCEL ProgramAcceleratorsFor(HWND window) {
    if (window == nullptr) return nullptr;
    return window == MainWindow && MainAccelerators != nullptr ? MainAccelerators : SharedAccelerators;
}

// A top-level window of one of the program's own classes: a library's own
// dialog (class #32770 of the system) is not one, even when the main window
// owns it.
bool IsProgramWindow(HWND window) {
    if (window == nullptr || AppInstance == nullptr) return false;
    return reinterpret_cast<HINSTANCE>(GetClassLongPtrA(window, GCLP_HMODULE)) == AppInstance &&
           GetAncestor(window, GA_ROOT) == window;
}

// The program's two top-level classes differ only in name, procedure and
// menu: redraw on resize, icon 105, arrow cursor, the menu colour (brush 5).
bool RegisterProgramWindowClass(const char* name, WNDPROC procedure, int menuId) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = AppInstance;
    windowClass.hIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_APP));
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(AppInstance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(menuId);
    windowClass.lpszClassName = name;
    return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Centred over the main window; the results are cut to 16-bit values.
void CenterOnMainWindow(HWND dialog) {
    RECT main, own;
    GetWindowRect(MainWindow, &main);
    GetWindowRect(dialog, &own);
    short x = static_cast<short>(main.left + ((main.right - main.left) - (own.right - own.left)) / 2);
    short y = static_cast<short>(main.top + ((main.bottom - main.top) - (own.bottom - own.top)) / 2);
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}
