// Test driver for the interoperability script: calls one entry of the
// library with a command line read from a file (raw code page 932 bytes).
//   fdarc_driver LIBRARY PREFIX run   CMDFILE   -> main entry, prints the result
//   fdarc_driver LIBRARY PREFIX count ARCHIVE   -> GetFileCount
//   fdarc_driver LIBRARY PREFIX list  ARCHIVE   -> FindFirst/FindNext names, one a line
#include <stdio.h>
#include <string.h>

#include <string>

#include "api/fdarc.h"

typedef int(WINAPI* MainProc)(HWND, LPCSTR, LPSTR, DWORD);
typedef BOOL(WINAPI* BackgroundProc)(BOOL);
typedef int(WINAPI* CountProc)(LPCSTR);
typedef HANDLE(WINAPI* OpenProc)(HWND, LPCSTR, DWORD);
typedef int(WINAPI* CloseProc)(HANDLE);
typedef int(WINAPI* FirstProc)(HANDLE, LPCSTR, void*);
typedef int(WINAPI* NextProc)(HANDLE, void*);
typedef FdarcOverwriteQuestion(WINAPI* SetQuestionProc)(FdarcOverwriteQuestion);

static int WINAPI AnswerNo(HWND, LPCSTR path) {
    printf("overwrite? %s -> no\n", path);
    return IDNO;
}

template <typename T>
static T Entry(HMODULE module, const std::string& name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
}

static bool ReadText(const char* path, std::string* text) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, got);
    fclose(file);
    while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
    return true;
}

static double Seconds(const FILETIME& time) {
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
}

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: fdarc_driver LIBRARY PREFIX run|count|list FILE\n");
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    if (module == nullptr) {
        fprintf(stderr, "cannot load %s\n", argv[1]);
        return 2;
    }
    std::string prefix = argv[2], action = argv[3];
    SetQuestionProc setQuestion = Entry<SetQuestionProc>(module, "FdarcSetOverwriteQuestion");
    if (setQuestion != nullptr) setQuestion(AnswerNo);
    int status = 0;
    if (action == "run") {
        std::string line;
        MainProc run = Entry<MainProc>(module, prefix);
        BackgroundProc background = Entry<BackgroundProc>(module, prefix + "SetBackGroundMode");
        if (run == nullptr || background == nullptr || !ReadText(argv[4], &line)) return 2;
        background(TRUE);
        static char output[32768];
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        FILETIME created, exited, kernel0, user0, kernel1, user1;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel0, &user0);
        QueryPerformanceCounter(&start);
        int result = run(nullptr, line.c_str(), output, sizeof output);
        QueryPerformanceCounter(&end);
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel1, &user1);
        // The benchmark reads the call's own time from stderr, apart from Wine's start-up;
        // the processor time of the call's threads follows it.
        fprintf(stderr, "call_seconds %.3f\n", static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
        fprintf(stderr, "call_cpu user %.3f kernel %.3f\n", Seconds(user1) - Seconds(user0), Seconds(kernel1) - Seconds(kernel0));
        printf("result %d (0x%X)\n%s", result, static_cast<unsigned>(result), output);
        status = result == 0 ? 0 : 1;
    } else if (action == "count") {
        CountProc count = Entry<CountProc>(module, prefix + "GetFileCount");
        if (count == nullptr) return 2;
        printf("%d\n", count(argv[4]));
    } else if (action == "list") {
        OpenProc open = Entry<OpenProc>(module, prefix + "OpenArchive");
        CloseProc close = Entry<CloseProc>(module, prefix + "CloseArchive");
        FirstProc first = Entry<FirstProc>(module, prefix + "FindFirst");
        NextProc next = Entry<NextProc>(module, prefix + "FindNext");
        if (open == nullptr || close == nullptr || first == nullptr || next == nullptr) return 2;
        HANDLE archive = open(nullptr, argv[4], 0);
        if (archive == nullptr) return 1;
        FdarcFindRecord record;
        for (int found = first(archive, "*", &record); found == 0; found = next(archive, &record)) {
            fwrite(record.name, 1, strlen(record.name), stdout);
            fputc('\n', stdout);
        }
        close(archive);
    } else {
        status = 2;
    }
    FreeLibrary(module);
    return status;
}
