// The floor of the file-list benchmark: the least a program can do to show
// a folder as rows. For each argument it lists the folder, opens each entry
// for its size and last-write time, and inserts a four-cell row into a list
// view in a shown window, then handles every message until nothing is left
// to paint. The shown list's redraw is off for the loop and the list is
// painted once after it: under Wine a shown list that repaints at every
// insertion takes thirty times as long, a floor anything could beat.
// Each argument is a folder, optionally followed by "|count" to take only
// its first entries, or "|count|lists" to spread them over that many list
// views (one row each in a shown task list), as a task list file of that
// many tasks does; "|count|lists|shown" adds rows without a list to the
// shown one until it has that many (the extraction tasks of a task list).
// Prints "floor <entries> <lists> <ms>", the best of several rounds.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static double Milliseconds(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static void PumpUntilIdle() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

static HWND MakeList(HWND parent, bool shown) {
    RECT client;
    GetClientRect(parent, &client);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | (shown ? WS_VISIBLE : 0) | LVS_REPORT, 0, 0,
                                client.right, client.bottom, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = 140;
        column.pszText = const_cast<char*>("column");
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

static void SetCell(HWND list, int row, int column, const char* text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

static int InsertRow(HWND list, int row, const char* text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<char*>(text);
    item.lParam = row;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

static void AddRow(HWND list, const std::string& folder, const char* name) {
    std::string path = folder + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                              nullptr);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (file != INVALID_HANDLE_VALUE) {
        GetFileInformationByHandle(file, &info);
        CloseHandle(file);
    }
    FILETIME local;
    SYSTEMTIME time = {};
    FileTimeToLocalFileTime(&info.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &time);
    char size[32];
    char when[32];
    snprintf(size, sizeof(size), "%lu", static_cast<unsigned long>(info.nFileSizeLow));
    snprintf(when, sizeof(when), "%04d/%02d/%02d %02d:%02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
             time.wMinute, time.wSecond);
    int row = InsertRow(list, static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)), name);
    SetCell(list, row, 1, size);
    SetCell(list, row, 2, when);
    SetCell(list, row, 3, path.c_str());
}

struct Job {
    std::string folder;  // ends in a backslash
    size_t limit;
    int lists;
    int shown;  // rows of the shown list, at least one per list
};

static Job ParseJob(const char* argument) {
    std::string text = argument;
    Job job = {text, 0, 0, 0};
    size_t bar = text.find('|');
    if (bar != std::string::npos) {
        job.folder = text.substr(0, bar);
        std::string rest = text.substr(bar + 1);
        job.limit = strtoul(rest.c_str(), nullptr, 10);
        size_t second = rest.find('|');
        if (second != std::string::npos) {
            job.lists = atoi(rest.c_str() + second + 1);
            size_t third = rest.find('|', second + 1);
            if (third != std::string::npos) job.shown = atoi(rest.c_str() + third + 1);
        }
    }
    if (job.folder.empty() || job.folder.back() != '\\') job.folder += '\\';
    return job;
}

// One timed round: list, open, insert, paint. With lists > 0 the entries
// are spread over that many list views in a hidden window, each with a row
// in the shown one, as a task list file's tasks are.
static double Round(HWND window, HWND holder, const Job& job, size_t* entries) {
    HWND shown = MakeList(window, true);
    PumpUntilIdle();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((job.folder + "*.*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(entry.cFileName, ".") != 0 && strcmp(entry.cFileName, "..") != 0) names.push_back(entry.cFileName);
        } while ((job.limit == 0 || names.size() < job.limit) && FindNextFileA(find, &entry));
        FindClose(find);
    }
    std::vector<HWND> hidden;
    SendMessageA(shown, WM_SETREDRAW, FALSE, 0);
    if (job.lists <= 0) {
        for (const std::string& name : names) AddRow(shown, job.folder, name.c_str());
    } else {
        size_t each = (names.size() + static_cast<size_t>(job.lists) - 1) / static_cast<size_t>(job.lists);
        for (size_t first = 0; first < names.size(); first += each) {
            HWND list = MakeList(holder, false);
            hidden.push_back(list);
            InsertRow(shown, static_cast<int>(hidden.size()) - 1, names[first].c_str());
            for (size_t i = first; i < std::min(names.size(), first + each); ++i) {
                AddRow(list, job.folder, names[i].c_str());
            }
        }
        for (int row = static_cast<int>(hidden.size()); row < job.shown; ++row) {
            InsertRow(shown, row, names[static_cast<size_t>(row) % names.size()].c_str());
        }
    }
    SendMessageA(shown, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(shown, nullptr, TRUE);
    PumpUntilIdle();
    double elapsed = Milliseconds(start);
    for (HWND list : hidden) DestroyWindow(list);
    DestroyWindow(shown);
    PumpUntilIdle();
    *entries = names.size();
    return elapsed;
}

int main(int argc, char** argv) {
    InitCommonControls();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "fdbenchfloor";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "fdbenchfloor", "floor", WS_OVERLAPPEDWINDOW, 80, 60, 640, 480, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    HWND holder = CreateWindowExA(0, "fdbenchfloor", "lists", WS_OVERLAPPEDWINDOW, 80, 60, 640, 480, window, nullptr,
                                  windowClass.hInstance, nullptr);
    PumpUntilIdle();
    for (int i = 1; i < argc; ++i) {
        Job job = ParseJob(argv[i]);
        size_t entries = 0;
        if (job.lists == 0) Round(window, holder, job, &entries);  // warms the file cache
        int rounds = job.lists > 0 || entries > 10000 ? 2 : 3;
        double best = 1e30;
        for (int round = 0; round < rounds; ++round) best = std::min(best, Round(window, holder, job, &entries));
        printf("floor %zu %d %.0f\n", entries, job.lists, best);
        fflush(stdout);
    }
    DestroyWindow(window);
    return 0;
}
