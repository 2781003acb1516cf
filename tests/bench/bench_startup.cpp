// The start-up benchmark: starts programs one after another, each from its
// process creation until its main window is shown and answers a message,
// then closes it. Each argument is "program|window class"; the programs
// take turns, `rounds` times (the first argument when it is a number), and
// each start runs in the folder given by FARDELIX_BENCH_DIR (else the
// current one). Prints "start <program> <ms>" for every start and
// "median <program> <ms>" at the end.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct Program {
    std::string path;
    std::string windowClass;
    std::vector<double> times;
};

static double Milliseconds(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The program's main window, once it is shown and its thread answers.
static HWND AwaitAnsweringWindow(const Program& program, HANDLE process) {
    for (;;) {
        HWND window = FindWindowA(program.windowClass.c_str(), nullptr);
        if (window != nullptr && IsWindowVisible(window)) {
            DWORD_PTR result = 0;
            if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) return window;
        }
        if (WaitForSingleObject(process, 1) == WAIT_OBJECT_0) return nullptr;
    }
}

static bool StartOnce(Program* program, const char* folder) {
    std::string commandLine = "\"" + program->path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info)) {
        fprintf(stderr, "cannot start %s\n", program->path.c_str());
        return false;
    }
    HWND window = AwaitAnsweringWindow(*program, info.hProcess);
    double ms = Milliseconds(start);
    bool ok = window != nullptr;
    if (ok) PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    if (!ok) {
        fprintf(stderr, "%s showed no window\n", program->path.c_str());
        return false;
    }
    program->times.push_back(ms);
    printf("start %s %.1f\n", program->path.c_str(), ms);
    fflush(stdout);
    return true;
}

static double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    size_t n = times.size();
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

int main(int argc, char** argv) {
    int rounds = 5;
    int first = 1;
    if (argc > 1 && atoi(argv[1]) > 0) {
        rounds = atoi(argv[1]);
        first = 2;
    }
    std::vector<Program> programs;
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        size_t bar = arg.find('|');
        if (bar == std::string::npos) {
            fprintf(stderr, "usage: bench_startup [rounds] program|class...\n");
            return 2;
        }
        programs.push_back({arg.substr(0, bar), arg.substr(bar + 1), {}});
    }
    const char* folder = getenv("FARDELIX_BENCH_DIR");
    for (int round = 0; round < rounds; ++round) {
        for (Program& program : programs) {
            if (!StartOnce(&program, folder)) return 1;
        }
    }
    for (const Program& program : programs) printf("median %s %.1f\n", program.path.c_str(), Median(program.times));
    return 0;
}
