#include <windows.h>

#include <cstring>

#include "app/controls.h"
#include "app/instance.h"
#include "app/text.h"
#include "archivers/archiver_library.h"
#include "archivers/formats.h"
#include "runs/run_support.h"
#include "archivers/run_text.h"
#include "runs/runs.h"
#include "tasks/run_switch.h"
#include "tasks/task_files.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"

// The temporary list of names handed to the library with "@path".
struct ResponseFile {
    char path[MAX_PATH];
    HANDLE handle;
};

static HANDLE OpenResponseHandle(const char* path) {
    return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

// GetTempFileNameA makes the file ("farXXXX.tmp" from the first three
// characters of the prefix); it is then opened write-only and unshared.
static bool CreateResponseFile(ResponseFile* response) {
    response->handle = INVALID_HANDLE_VALUE;
    response->path[0] = '\0';
    char folder[MAX_PATH];
    DWORD length = GetTempPathA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder)) return false;
    if (GetTempFileNameA(folder, "fardelix", 0, response->path) == 0) {
        response->path[0] = '\0';
        return false;
    }
    response->handle = OpenResponseHandle(response->path);
    if (response->handle == INVALID_HANDLE_VALUE) {
        DeleteFileA(response->path);
        response->path[0] = '\0';
        return false;
    }
    return true;
}

static void CloseResponseFile(ResponseFile* response) {
    if (response->handle != INVALID_HANDLE_VALUE) CloseHandle(response->handle);
    response->handle = INVALID_HANDLE_VALUE;
}

// Each group starts with an empty file of the same name. A failure here
// shows as a write failure at the group's first line.
static void ReopenResponseFile(ResponseFile* response) {
    CloseResponseFile(response);
    response->handle = OpenResponseHandle(response->path);
}

static void DeleteResponseFile(ResponseFile* response) {
    CloseResponseFile(response);
    if (response->path[0] != '\0') DeleteFileA(response->path);
    response->path[0] = '\0';
}

static bool WriteResponseLine(ResponseFile* response, const char* line) {
    DWORD length = static_cast<DWORD>(strlen(line));
    DWORD written = 0;
    if (response->handle == INVALID_HANDLE_VALUE) return false;
    return WriteFile(response->handle, line, length, &written, nullptr) && written == length;
}

// A cab archive is told which rows are folders by a trailing backslash. A
// path that no longer exists is written as a file: the library reports it.
static bool IsExistingFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

struct CompressionRun {
    uint32_t id;
    int format;
    ArchiverLibrary library;
    ResponseFile response;
    char archive[PathSize];
    char group[PathSize];
    int groupLines;
    bool archiveExisted;
    char backup[PathSize];   // a copy of the archive as it was, while groups follow one another
};

// A library cancels only the call in progress: the groups sent before it
// are in the archive already. So a stopped run takes the archive back to
// how it was: the copy made before the first call is put back, and an
// archive that did not exist is removed (a library that ignored the cancel
// may have finished it all the same).
static void UndoArchive(CompressionRun* run) {
    if (run->backup[0] != '\0') {
        if (MoveFileExA(run->backup, run->archive, MOVEFILE_REPLACE_EXISTING)) run->backup[0] = '\0';
    } else if (!run->archiveExisted) {
        DeleteFileA(run->archive);
    }
}

// Every way out releases the library and removes the response file. The
// library goes first: one still holding the list file open lets go of it
// when it is released, and of the archive.
static void ReleaseRun(CompressionRun* run, bool undo = false) {
    ReleaseArchiverLibrary(&run->library);
    DeleteResponseFile(&run->response);
    if (undo) UndoArchive(run);
    if (run->backup[0] != '\0') DeleteFileA(run->backup);
    run->backup[0] = '\0';
}

// A status is set only on a task that still exists.
static void EndRun(CompressionRun* run, int status) {
    ReleaseRun(run, status == Stopped);
    EndRunWith(run->id, &run->library, status);
}

// Whether the rows make more than one library call: consecutive rows of one
// folder go together.
static bool SpansGroups(HWND list) {
    char group[PathSize] = "";
    int rows = list != nullptr ? Lv_RowCount(list) : 0;
    for (int row = 0; row < rows; ++row) {
        char path[PathSize];
        char folder[PathSize];
        Lv_GetCell(list, row, FileColumnPath, path, sizeof(path));
        FolderOfPath(path, folder, sizeof(folder));
        if (StartsNewGroup(group, folder)) return true;
        CopyText(group, sizeof(group), folder);
    }
    return false;
}

// An existing archive that more than one call will update is copied beside
// itself first, so that a stop between the calls can put it back. Without
// the copy the run goes on as before.
static void KeepArchiveCopy(CompressionRun* run, HWND list) {
    run->archiveExisted = GetFileAttributesA(run->archive) != INVALID_FILE_ATTRIBUTES;
    run->backup[0] = '\0';
    if (!run->archiveExisted || !SpansGroups(list)) return;
    char folder[PathSize];
    if (!FolderOfPath(run->archive, folder, sizeof(folder))) return;
    if (GetTempFileNameA(folder, "fdx", 0, run->backup) == 0) {
        run->backup[0] = '\0';
        return;
    }
    if (!CopyFileA(run->archive, run->backup, FALSE)) {
        DeleteFileA(run->backup);
        run->backup[0] = '\0';
    }
}

static const char* LibraryName(const CompressionRun& run) { return FormatTable[run.format].CompressLibrary; }

// One library call for the group collected so far. Returns false when the
// run is over: the call failed, or the task was deleted during it.
static bool SendGroup(CompressionRun* run, HWND owner, bool last, int* result) {
    CloseResponseFile(&run->response);
    const FormatRow& row = FormatTable[run->format];
    char commandLine[CommandLineSize];
    if (!BuildCompressCommand(commandLine, sizeof(commandLine), row.CompressSwitch, run->archive, row.FolderOption,
                              run->group, run->response.path)) {
        ReleaseRun(run);
        FailRun(run->id, &run->library, "コマンドラインが長すぎます。%s", run->archive);
        return false;
    }
    bool cancelled = false;
    *result = CallArchiverMain(&run->library, run->id, owner, commandLine, &cancelled);
    if (FindTaskById(run->id) < 0) {
        EndRun(run, Error);
        return false;
    }
    // A stop that the library did not act on, on the last call that then
    // succeeded, leaves the task done: its archive is whole.
    if (cancelled && !(last && *result == 0)) {
        EndRun(run, Stopped);
        return false;
    }
    if (*result != 0) {
        ReleaseRun(run);
        FailWithResult(run->id, &run->library, LibraryName(*run), *result);
        return false;
    }
    return true;
}

// Writes the names of consecutive rows of one folder into the response file
// and calls the library once per such group: with the main window as owner
// while more groups follow, with none for the last one.
static void SendFileList(CompressionRun* run) {
    for (int row = 0;; ++row) {
        short index = FindTaskById(run->id);
        if (index < 0) return EndRun(run, Error);
        HWND list = TaskTable[index].fileList;
        if (list == nullptr || row >= Lv_RowCount(list)) break;
        char path[PathSize];
        char folder[PathSize];
        Lv_GetCell(list, row, FileColumnPath, path, sizeof(path));
        FolderOfPath(path, folder, sizeof(folder));
        if (StartsNewGroup(run->group, folder)) {
            int result = 0;
            if (!SendGroup(run, MainWindow, false, &result)) return;
            ReopenResponseFile(&run->response);
            run->groupLines = 0;
        }
        CopyText(run->group, sizeof(run->group), folder);
        char line[ResponseLineSize];
        bool backslash = run->format == FormatCab && IsExistingFolder(path);
        if (!FormatResponseLine(line, sizeof(line), path, backslash) || !WriteResponseLine(&run->response, line)) {
            ReleaseRun(run);
            return FailRun(run->id, &run->library, "テンポラリファイルへの書き込みに失敗しました");
        }
        ++run->groupLines;
    }
    // Rows removed during an earlier call can leave the last group empty:
    // everything that was listed has been sent.
    int result = 0;
    if (run->groupLines > 0 && !SendGroup(run, nullptr, true, &result)) return;
    EndRun(run, Done);
}

// Whether the archive is one of the task's own files or folders, or lies
// inside one of its folders: the library would pack it into itself.
static bool ArchiveIsAmongItsFiles(HWND list, const char* archive) {
    int rows = list != nullptr ? Lv_RowCount(list) : 0;
    for (int row = 0; row < rows; ++row) {
        char path[PathSize];
        Lv_GetCell(list, row, FileColumnPath, path, sizeof(path));
        if (PathIsOrIsInside(archive, path)) return true;
    }
    return false;
}

// Runs the compression task shown in the given task-list row.
void RunCompressionTask(int row) {
    short index = RowToTaskIndex(row);
    if (index < 0) return;
    CompressionRun run = {};
    run.id = TaskTable[index].id;
    run.format = TaskTable[index].flag;
    run.response.handle = INVALID_HANDLE_VALUE;
    ReadTaskArchivePath(row, run.archive, sizeof(run.archive));
    if (!IsCompressFormat(run.format)) {
        return FailRun(run.id, &run.library, "%s の圧縮形式(%d)に対応するライブラリがありません。", run.archive,
                       run.format);
    }
    if (ArchiveIsAmongItsFiles(TaskTable[index].fileList, run.archive)) {
        return FailRun(run.id, &run.library,
                       "圧縮ファイル%sは圧縮するファイルまたはフォルダに含まれているため、作成できません。", run.archive);
    }
    const FormatRow& format = FormatTable[run.format];
    if (!LoadArchiverLibrary(format.CompressLibrary, format.CompressPrefix, &run.library)) {
        return FailNotLoaded(run.id, &run.library, format.CompressLibrary);
    }
    if (run.library.getRunning == nullptr) {
        return FailMissingEntry(run.id, &run.library, format.CompressLibrary, "GetRunning");
    }
    // A busy library leaves the task Waiting: the next message retries it.
    if (run.library.getRunning()) return ReleaseArchiverLibrary(&run.library);
    ClearRunCancel();
    SetStatusById(run.id, Running);
    StatusCountsChanged();
    if (run.library.main == nullptr) return FailMissingEntry(run.id, &run.library, format.CompressLibrary, "");
    index = FindTaskById(run.id);
    if (index < 0) return EndRun(&run, Error);
    if (TaskTable[index].fileList == nullptr || Lv_RowCount(TaskTable[index].fileList) == 0) {
        return FailRun(run.id, &run.library, "ファイルリストにファイルが登録されていません。");
    }
    if (!CreateResponseFile(&run.response)) {
        return FailRun(run.id, &run.library, "テンポラリファイルを作成できません。");
    }
    if (run.library.setBackGroundMode != nullptr) run.library.setBackGroundMode(TRUE);
    KeepArchiveCopy(&run, TaskTable[index].fileList);
    SendFileList(&run);
}
