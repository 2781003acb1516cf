// The floor of the start-up benchmark: the least a program with the main
// window's shape does to start. An 800 x 600 window with a six-column list
// view and a two-part status bar, the program's manifest, then the message
// loop. Closing the window ends it.
#include <windows.h>
#include <commctrl.h>

static const char BareClass[] = "fardelixbareclass";

static LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

static void AddColumns(HWND list) {
    static const int widths[6] = {150, 65, 60, 80, 80, 402};
    for (int i = 0; i < 6; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = widths[i];
        column.pszText = const_cast<char*>("column");
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    wc.lpszClassName = BareClass;
    if (!RegisterClassA(&wc)) return 1;
    int x = (GetSystemMetrics(SM_CXSCREEN) - 800) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - 600) / 2;
    HWND window = CreateWindowExA(WS_EX_WINDOWEDGE, BareClass, "bare", WS_OVERLAPPEDWINDOW, x, y, 800, 600, nullptr,
                                  nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    HWND status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window, nullptr,
                                  instance, nullptr);
    int parts[2] = {400, -1};
    SendMessageA(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    RECT client, bar;
    GetClientRect(window, &client);
    GetClientRect(status, &bar);
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0,
                                client.right, client.bottom - bar.bottom, window, nullptr, instance, nullptr);
    AddColumns(list);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
