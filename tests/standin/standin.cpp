// A stand-in archiver library for the tests. Every copy reads its script
// from "standin_script.txt" in its own folder at each call and appends one
// line per call to "standin_calls.txt" there, so copies under several file
// names (each a module of its own) share one script and one record.
//
// Script lines, key=value:
//   result=N   the main entry's result, one line per call in call order (0 after the last)
//   busy=N     GetRunning reports busy for the first N calls
//   count=N    GetFileCount's answer
//   entry=S    the entry names FindFirst and FindNext return, in order
//   pump=1     the main entry dispatches the thread's pending messages when in background mode
//   open=0     OpenArchive returns no handle
//   lock=1     the main entry keeps its "@" list file open, unshared, until the library is released
//   progress=N the main entry reports N files of 1000 bytes through a registered callback
//   delay=MS   it sleeps MS milliseconds before each report
//   stopat=K   after report K it posts the stop-all command (4015) to the registered owner
//   cancel=ignore  it goes on when the callback asks to cancel (else it stops and returns 0x800A)
//   stopcall=N only the main call N (counting from 0) posts the stop of stopat
//   append=PATH a main call that succeeds appends "call N" and a newline to PATH, as a library adds its part
//
// Record lines, tab-separated: library file name, entry name, kind, owner
// window, argument text, and for the main entry the bytes of the "@" list
// file at call time in hexadecimal.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static HINSTANCE Self;
static bool Background;
static int FindPosition;
static HANDLE LockedList = INVALID_HANDLE_VALUE;

constexpr int ScriptSize = 16384;
constexpr int MaxEntries = 64;
constexpr size_t RecordSize = 560;
constexpr size_t NameOffset = 26;

struct Script {
    char text[ScriptSize];
    int results[MaxEntries];
    int resultCount;
    int busy;
    int count;
    const char* entries[MaxEntries];
    int entryCount;
    bool pump;
    bool open;
    bool lock;
    int progress;
    int delay;
    int stopAt;
    int stopCall;
    bool ignoreCancel;
    char append[MAX_PATH];
};

static void OwnFolder(char* folder, size_t size, char* fileName, size_t nameSize) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(Self, path, sizeof(path));
    size_t cut = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        if (IsDBCSLeadByteEx(932, static_cast<BYTE>(path[i])) && path[i + 1] != '\0') {
            ++i;
            continue;
        }
        if (path[i] == '\\') cut = i + 1;
    }
    snprintf(fileName, nameSize, "%s", path + cut);
    path[cut] = '\0';
    snprintf(folder, size, "%s", path);
}

static int ReadWhole(const char* path, char* buffer, int size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    DWORD got = 0;
    ReadFile(file, buffer, size, &got, nullptr);
    CloseHandle(file);
    return static_cast<int>(got);
}

// Parses the script in place: the entry names point into its text.
static void LoadScript(Script* script) {
    memset(script, 0, sizeof(*script));
    script->open = true;
    script->stopCall = -1;
    char folder[MAX_PATH], name[MAX_PATH], path[MAX_PATH];
    OwnFolder(folder, sizeof(folder), name, sizeof(name));
    snprintf(path, sizeof(path), "%sstandin_script.txt", folder);
    int length = ReadWhole(path, script->text, ScriptSize - 1);
    if (length < 0) return;
    script->text[length] = '\0';
    char* line = script->text;
    while (*line != '\0') {
        char* end = line;
        while (*end != '\0' && *end != '\n') ++end;
        char* next = *end == '\0' ? end : end + 1;
        *end = '\0';
        if (end > line && end[-1] == '\r') end[-1] = '\0';
        char* equals = strchr(line, '=');
        if (equals != nullptr) {
            *equals = '\0';
            const char* value = equals + 1;
            if (strcmp(line, "result") == 0 && script->resultCount < MaxEntries) {
                script->results[script->resultCount++] = atoi(value);
            } else if (strcmp(line, "busy") == 0) {
                script->busy = atoi(value);
            } else if (strcmp(line, "count") == 0) {
                script->count = atoi(value);
            } else if (strcmp(line, "entry") == 0 && script->entryCount < MaxEntries) {
                script->entries[script->entryCount++] = value;
            } else if (strcmp(line, "pump") == 0) {
                script->pump = atoi(value) != 0;
            } else if (strcmp(line, "open") == 0) {
                script->open = atoi(value) != 0;
            } else if (strcmp(line, "lock") == 0) {
                script->lock = atoi(value) != 0;
            } else if (strcmp(line, "progress") == 0) {
                script->progress = atoi(value);
            } else if (strcmp(line, "delay") == 0) {
                script->delay = atoi(value);
            } else if (strcmp(line, "stopat") == 0) {
                script->stopAt = atoi(value);
            } else if (strcmp(line, "stopcall") == 0) {
                script->stopCall = atoi(value);
            } else if (strcmp(line, "append") == 0) {
                snprintf(script->append, sizeof(script->append), "%s", value);
            } else if (strcmp(line, "cancel") == 0) {
                script->ignoreCancel = strcmp(value, "ignore") == 0;
            }
        }
        line = next;
    }
}

// How many earlier calls of this kind the record holds (all copies).
static int CountCalls(const char* kind) {
    char folder[MAX_PATH], name[MAX_PATH], path[MAX_PATH];
    OwnFolder(folder, sizeof(folder), name, sizeof(name));
    snprintf(path, sizeof(path), "%sstandin_calls.txt", folder);
    static char log[1 << 20];
    int length = ReadWhole(path, log, sizeof(log) - 1);
    if (length <= 0) return 0;
    log[length] = '\0';
    char pattern[64];
    snprintf(pattern, sizeof(pattern), "\t%s\t", kind);
    int count = 0;
    for (char* line = log; line != nullptr && *line != '\0';) {
        char* end = strchr(line, '\n');
        if (end != nullptr) *end = '\0';
        char* first = strchr(line, '\t');
        if (first != nullptr) {
            char* second = strchr(first + 1, '\t');
            if (second != nullptr && strncmp(second, pattern, strlen(pattern)) == 0) ++count;
        }
        line = end != nullptr ? end + 1 : nullptr;
    }
    return count;
}

// The list file named by "@..." in the command line.
static bool ListFilePath(const char* commandLine, char* path, size_t size) {
    const char* at = strstr(commandLine, "\"@");
    if (at == nullptr) return false;
    size_t length = 0;
    for (const char* p = at + 2; *p != '\0' && *p != '"' && length + 1 < size; ++p) path[length++] = *p;
    path[length] = '\0';
    return true;
}

// The list file's bytes as hexadecimal.
static void ListFileHex(const char* commandLine, char* hex, size_t size) {
    hex[0] = '\0';
    char path[MAX_PATH];
    if (!ListFilePath(commandLine, path, sizeof(path))) return;
    static char bytes[8192];
    int got = ReadWhole(path, bytes, sizeof(bytes));
    if (got < 0) {
        snprintf(hex, size, "missing");
        return;
    }
    size_t used = 0;
    for (int i = 0; i < got && used + 3 < size; ++i) used += snprintf(hex + used, size - used, "%02x", static_cast<BYTE>(bytes[i]));
}

static void Record(const char* entry, const char* kind, HWND owner, const char* argument, const char* extra) {
    char folder[MAX_PATH], name[MAX_PATH], path[MAX_PATH];
    OwnFolder(folder, sizeof(folder), name, sizeof(name));
    snprintf(path, sizeof(path), "%sstandin_calls.txt", folder);
    static char line[24576];
    int length = snprintf(line, sizeof(line), "%s\t%s\t%s\t%llx\t%s\t%s\n", name, entry, kind,
                          static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(owner)), argument, extra);
    if (length < 0) return;
    if (length >= static_cast<int>(sizeof(line))) length = sizeof(line) - 1;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

// The callback registered through SetOwnerWindowEx, in the shared layout.
typedef BOOL(WINAPI* ProgressCallback)(HWND owner, UINT state, void* record);
static ProgressCallback Callback;
static HWND CallbackOwner;

struct ProgressRecord {   // 288 bytes: two 64-bit counts, state, reserved, name
    unsigned long long done;
    unsigned long long total;
    DWORD state;
    DWORD reserved;
    char name[264];
};
static_assert(sizeof(ProgressRecord) == 288, "the progress record is 288 bytes");

// Reports BEGIN, the scripted files and END; each answer is recorded as
// "step:answer". Returns false when the call was cancelled.
static bool ReportProgress(const char* entry, const Script& script, int call) {
    if (Callback == nullptr) return true;
    ProgressRecord record = {};
    record.total = 1000ULL * static_cast<unsigned>(script.progress);
    bool go = Callback(CallbackOwner, 0, &record) != FALSE;
    for (int step = 1; step <= script.progress && (go || script.ignoreCancel); ++step) {
        if (script.delay > 0) Sleep(static_cast<DWORD>(script.delay));
        record.state = 1;
        record.done = 1000ULL * static_cast<unsigned>(step);
        snprintf(record.name, sizeof(record.name), "file%d.dat", step);
        go = Callback(CallbackOwner, 1, &record) != FALSE;
        char text[32];
        snprintf(text, sizeof(text), "%d:%d", step, go ? 1 : 0);
        Record(entry, "progress", CallbackOwner, text, "");
        bool stopsHere = script.stopCall < 0 || script.stopCall == call;
        if (step == script.stopAt && stopsHere) PostMessageA(CallbackOwner, WM_COMMAND, 4015, 0);
    }
    record.state = 2;
    record.name[0] = '\0';
    Callback(CallbackOwner, 2, &record);
    return go || script.ignoreCancel;
}

static void AppendCall(const char* path, int call) {
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char line[32];
    int length = snprintf(line, sizeof(line), "call %d\n", call);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

static int MainEntry(const char* entry, HWND owner, LPCSTR commandLine, LPSTR output, DWORD size) {
    static Script script;
    LoadScript(&script);
    int call = CountCalls("main");
    static char hex[16384];
    ListFileHex(commandLine, hex, sizeof(hex));
    Record(entry, "main", owner, commandLine, hex);
    if (output != nullptr && size > 0) output[0] = '\0';
    char listPath[MAX_PATH];
    if (script.lock && LockedList == INVALID_HANDLE_VALUE && ListFilePath(commandLine, listPath, sizeof(listPath))) {
        LockedList = CreateFileA(listPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    if (script.pump && Background) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (!ReportProgress(entry, script, call)) return 0x800A;
    int result = call < script.resultCount ? script.results[call] : 0;
    if (result == 0 && script.append[0] != '\0') AppendCall(script.append, call);
    return result;
}

[[maybe_unused]] static BOOL SetOwnerEntry(const char* entry, const char* kind, HWND owner, ProgressCallback callback) {
    Record(entry, kind, owner, "", "");
    Callback = callback;
    CallbackOwner = owner;
    return TRUE;
}

[[maybe_unused]] static BOOL KillOwnerEntry(const char* entry, HWND owner) {
    Record(entry, "KillOwnerWindowEx", owner, "", "");
    Callback = nullptr;
    CallbackOwner = nullptr;
    return TRUE;
}

[[maybe_unused]] static BOOL GetRunningEntry(const char* entry) {
    static Script script;
    LoadScript(&script);
    int call = CountCalls("GetRunning");
    Record(entry, "GetRunning", nullptr, "", "");
    return call < script.busy ? TRUE : FALSE;
}

[[maybe_unused]] static BOOL SetBackGroundModeEntry(const char* entry, BOOL background) {
    Record(entry, "SetBackGroundMode", nullptr, background ? "1" : "0", "");
    Background = background != FALSE;
    return TRUE;
}

[[maybe_unused]] static HANDLE OpenArchiveEntry(const char* entry, HWND owner, LPCSTR path, DWORD mode) {
    static Script script;
    LoadScript(&script);
    char text[MAX_PATH + 16];
    snprintf(text, sizeof(text), "%s|%lu", path, static_cast<unsigned long>(mode));
    Record(entry, "OpenArchive", owner, text, "");
    FindPosition = 0;
    return script.open ? reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(0x5A5A)) : nullptr;
}

[[maybe_unused]] static int CloseArchiveEntry(const char* entry, HANDLE) {
    Record(entry, "CloseArchive", nullptr, "", "");
    return 0;
}

// Names go to byte 26 of the record; a name longer than the record's rest
// fills it up to byte 559 without a terminator.
[[maybe_unused]] static int FindEntry(const char* entry, const char* kind, const char* pattern, void* record) {
    static Script script;
    LoadScript(&script);
    Record(entry, kind, nullptr, pattern, "");
    if (FindPosition >= script.entryCount) return -1;
    const char* name = script.entries[FindPosition++];
    unsigned char* bytes = static_cast<unsigned char*>(record);
    size_t length = strlen(name);
    size_t room = RecordSize - NameOffset;
    memcpy(bytes + NameOffset, name, length < room ? length : room);
    if (length < room) bytes[NameOffset + length] = '\0';
    return 0;
}

static int GetFileCountEntry(const char* entry, LPCSTR path) {
    static Script script;
    LoadScript(&script);
    Record(entry, "GetFileCount", nullptr, path, "");
    return script.count;
}

#define STANDIN_MAIN(P)                                                         \
    extern "C" int WINAPI P(HWND owner, LPCSTR line, LPSTR output, DWORD size) { \
        return MainEntry(#P, owner, line, output, size);                        \
    }
#define STANDIN_RUNNING(P) \
    extern "C" BOOL WINAPI P##GetRunning() { return GetRunningEntry(#P "GetRunning"); }
#define STANDIN_BACKGROUND(P) \
    extern "C" BOOL WINAPI P##SetBackGroundMode(BOOL on) { return SetBackGroundModeEntry(#P "SetBackGroundMode", on); }
#define STANDIN_READING(P)                                                                          \
    extern "C" HANDLE WINAPI P##OpenArchive(HWND owner, LPCSTR path, DWORD mode) {                  \
        return OpenArchiveEntry(#P "OpenArchive", owner, path, mode);                               \
    }                                                                                               \
    extern "C" int WINAPI P##CloseArchive(HANDLE archive) { return CloseArchiveEntry(#P "CloseArchive", archive); } \
    extern "C" int WINAPI P##FindFirst(HANDLE, LPCSTR pattern, void* record) {                      \
        return FindEntry(#P "FindFirst", "FindFirst", pattern, record);                             \
    }                                                                                               \
    extern "C" int WINAPI P##FindNext(HANDLE, void* record) { return FindEntry(#P "FindNext", "FindNext", "", record); }
#define STANDIN_COUNT(P) \
    extern "C" int WINAPI P##GetFileCount(LPCSTR path) { return GetFileCountEntry(#P "GetFileCount", path); }

#define STANDIN_PROGRESS(P)                                                                  \
    extern "C" BOOL WINAPI P##SetOwnerWindowEx(HWND owner, ProgressCallback callback) {           \
        return SetOwnerEntry(#P "SetOwnerWindowEx", "SetOwnerWindowEx", owner, callback);                          \
    }                                                                                          \
    extern "C" BOOL WINAPI P##SetOwnerWindowEx64(HWND owner, ProgressCallback callback) {         \
        return SetOwnerEntry(#P "SetOwnerWindowEx64", "SetOwnerWindowEx64", owner, callback);                        \
    }                                                                                          \
    extern "C" BOOL WINAPI P##KillOwnerWindowEx(HWND owner) { return KillOwnerEntry(#P "KillOwnerWindowEx", owner); }

#if defined(STANDIN_NO_RUNNING)
#undef STANDIN_RUNNING
#define STANDIN_RUNNING(P)
#endif
#if defined(STANDIN_NO_BACKGROUND)
#undef STANDIN_BACKGROUND
#define STANDIN_BACKGROUND(P)
#endif
#if defined(STANDIN_NO_READING)
#undef STANDIN_READING
#define STANDIN_READING(P)
#endif

#if defined(STANDIN_NO_PROGRESS)
#undef STANDIN_PROGRESS
#define STANDIN_PROGRESS(P)
#endif

#define STANDIN_LIBRARY(P) \
    STANDIN_MAIN(P) STANDIN_RUNNING(P) STANDIN_BACKGROUND(P) STANDIN_READING(P) STANDIN_COUNT(P) STANDIN_PROGRESS(P)

STANDIN_LIBRARY(Zip)
STANDIN_LIBRARY(UnZip)
STANDIN_LIBRARY(Unlha)
STANDIN_LIBRARY(Cab)
STANDIN_LIBRARY(Tar)
STANDIN_LIBRARY(SevenZip)
STANDIN_LIBRARY(Bga)
STANDIN_LIBRARY(Yz1)
STANDIN_LIBRARY(Unrar)
STANDIN_LIBRARY(UnAce)
STANDIN_LIBRARY(UnGCA)
STANDIN_LIBRARY(Unarj)

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) Self = instance;
    if (reason == DLL_PROCESS_DETACH && LockedList != INVALID_HANDLE_VALUE) CloseHandle(LockedList);
    return TRUE;
}
