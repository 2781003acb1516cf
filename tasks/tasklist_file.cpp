#include "tasks/tasklist_file.h"

#include <windows.h>

#include "app/controls.h"
#include "app/heap.h"
#include "app/long_work.h"
#include "app/instance.h"
#include "app/modal.h"
#include "app/text.h"
#include "tasks/task_create.h"
#include "tasks/task_delete.h"
#include "tasks/task_files.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "tasks/tasklist_format.h"

// ---- saving ----

// Lines are gathered into blocks of 4 KiB and written with WriteFile, whose
// every failure and short write is noticed.
struct FileSink {
    HANDLE file;
    char buffer[4096];
    size_t used;
};

static bool FlushSink(FileSink* sink) {
    DWORD written = 0;
    bool ok = sink->used == 0 ||
              (WriteFile(sink->file, sink->buffer, static_cast<DWORD>(sink->used), &written, nullptr) &&
               written == sink->used);
    sink->used = 0;
    return ok;
}

static bool WriteToSink(void* context, const char* bytes, size_t length) {
    auto* sink = static_cast<FileSink*>(context);
    while (length > 0) {
        if (sink->used == sizeof(sink->buffer) && !FlushSink(sink)) return false;
        size_t part = sizeof(sink->buffer) - sink->used;
        if (part > length) part = length;
        memcpy(sink->buffer + sink->used, bytes, part);
        sink->used += part;
        bytes += part;
        length -= part;
    }
    return true;
}

// Every task in row order (the run order), each compression task with the
// paths of its file list in their order.
static void WriteTasks(TaskListWriter* writer) {
    WriteTaskListMagic(writer);
    int rows = TaskRowCount();
    for (int row = 0; row < rows && writer->ok; ++row) {
        short index = RowToTaskIndex(row);
        if (index < 0) {
            writer->ok = false;
            return;
        }
        char text[PathSize];
        ReadTaskArchivePath(row, text, sizeof(text));
        const TaskRecord& task = TaskTable[index];
        WriteTaskListHeader(writer, text, task.kind, task.flag);
        if (task.kind == TaskCompression) {
            int files = task.fileList != nullptr ? Lv_RowCount(task.fileList) : 0;
            for (int file = 0; file < files; ++file) {
                Lv_GetCell(task.fileList, file, FileColumnPath, text, sizeof(text));
                WriteTaskListLine(writer, text);
            }
        } else {
            WriteTaskListLine(writer, task.destination);
        }
        WriteTaskListEnd(writer);
    }
}

// The list goes to a new file in the same folder first; only when all of it
// was written and the file closed without error does it replace the old
// one, so a failed save leaves the user's previous list as it was.
bool SaveTaskList(const char* path) {
    char folder[PathSize];
    char temporary[MAX_PATH];
    if (!FolderOfPath(path, folder, sizeof(folder))) folder[0] = '\0';
    if (folder[0] == '\0') CopyText(folder, sizeof(folder), ".\\");
    // A read-only file could not be opened for writing; a replace would
    // overwrite it all the same, so it is refused here.
    DWORD attributes = GetFileAttributesA(path);
    bool writable = attributes == INVALID_FILE_ATTRIBUTES ||
                    (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
    bool saved = writable && GetTempFileNameA(folder, "fdl", 0, temporary) != 0;
    if (saved) {
        FileSink sink = {};
        sink.file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        saved = sink.file != INVALID_HANDLE_VALUE;
        if (saved) {
            TaskListWriter writer = {WriteToSink, &sink, true};
            WriteTasks(&writer);
            saved = writer.ok && FlushSink(&sink) && FlushFileBuffers(sink.file);
            saved = CloseHandle(sink.file) && saved;
        }
        saved = saved && MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!saved) DeleteFileA(temporary);
    }
    if (!saved) ShowErrorMessage(MainWindow, "タスクリストファイルの保存に失敗しました");
    if (saved) MarkTaskListSaved();
    return saved;
}

// ---- changes since the list was saved or loaded ----

// The list changed when the bytes its file would hold differ from those of
// the last save or load: adding, deleting, moving and sorting tasks, and
// editing their files, archive, format or destination count; statuses, which
// the file does not keep, do not. A hash of those bytes is kept, not the bytes.
struct ListFingerprint {
    bool known;       // false until the first save or load
    bool whole;       // every line could be written
    uint64_t hash;    // FNV-1a over the bytes
    uint64_t length;
};
static ListFingerprint SavedList = {false, true, 0, 0};

static bool HashBytes(void* context, const char* bytes, size_t length) {
    auto* print = static_cast<ListFingerprint*>(context);
    for (size_t i = 0; i < length; ++i) {
        print->hash = (print->hash ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ULL;
    }
    print->length += length;
    return true;
}

static ListFingerprint CurrentFingerprint() {
    ListFingerprint print = {true, true, 14695981039346656037ULL, 0};
    TaskListWriter writer = {HashBytes, &print, true};
    WriteTasks(&writer);
    print.whole = writer.ok;
    return print;
}

// The list as it stands is what its file holds.
void MarkTaskListSaved() { SavedList = CurrentFingerprint(); }

// An empty list has nothing to lose; a list with a line no file could hold
// whole counts as changed.
bool TaskListChanged() {
    if (TaskRowCount() == 0) return false;
    ListFingerprint now = CurrentFingerprint();
    return !SavedList.known || !now.whole || now.hash != SavedList.hash || now.length != SavedList.length;
}

// ---- loading ----

// The whole file in one block from the private heap; files past 64 MiB are
// no task list the program wrote and are not read.
static char* ReadWholeFile(const char* path, size_t* size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER length;
    char* data = nullptr;
    if (GetFileSizeEx(file, &length) && length.QuadPart <= 64 * 1024 * 1024) {
        *size = static_cast<size_t>(length.QuadPart);
        data = static_cast<char*>(PrivateAlloc(*size));
        DWORD got = 0;
        if (data != nullptr && *size > 0 &&
            (!ReadFile(file, data, static_cast<DWORD>(*size), &got, nullptr) || got != *size)) {
            PrivateFree(data);
            data = nullptr;
        }
    }
    CloseHandle(file);
    return data;
}

// The compression task being filled, with the running figures of its list.
// Its list is hidden, with its redraw off, until the task is edited.
struct FillingTask {
    short index;
    uint32_t files;
    uint32_t total;
};

// A compression task named after its archive, which keeps the archive path
// of the file; its files come with the following steps.
static bool StartCompressionTask(const TaskListParser& parser, HWND fileListParent, FillingTask* task) {
    PathParts parts;
    SplitPath(parser.archivePath, &parts);
    short index = CreateCompressionTask(parts.name, fileListParent);
    *task = {index, 0, 0};
    if (index < 0) return false;
    char name[PathSize];
    if (!FormatText(name, sizeof(name), "%s%s", parts.name, parts.ext)) CopyText(name, sizeof(name), parts.name);
    SetTaskCell(index, ColumnName, name);
    SetTaskCell(index, ColumnPath, parser.archivePath);
    TaskTable[index].flag = parser.flag;
    return true;
}

static void AddTaskPath(FillingTask* task, const char* path) {
    uint32_t rows = 0;
    uint32_t total = 0;
    if (AddPathToTask(task->index, path, &rows, &total)) task->total = total;
    ++task->files;
}

static void FinishCompressionTask(const FillingTask& task) {
    SetTaskNumberCell(task.index, ColumnCount, task.files);
    SetTaskNumberCell(task.index, ColumnSize, task.total);
}

static bool MakeExtractionTask(const TaskListParser& parser) {
    short index = CreateExtractionTask(parser.archivePath);
    if (index < 0) return false;
    TaskTable[index].flag = parser.flag;
    CopyText(TaskTable[index].destination, sizeof(TaskTable[index].destination), parser.text);
    return true;
}

enum LoadResult { LoadDone, LoadInvalid, LoadNoRoom, LoadStopped };

// Applies the file's steps to the task list. Tasks made before a failure
// stay. Inside a long work each path is a step: when the user stops it, the
// task being filled keeps the rows added so far, with the figures of those.
// A file that ends inside a task leaves that task's list as it was filled.
static LoadResult ApplyTaskList(const char* data, size_t size, HWND fileListParent) {
    TaskListParser parser;
    StartTaskListParser(&parser, data, size);
    FillingTask task = {-1, 0, 0};
    for (;;) {
        switch (NextTaskListStep(&parser)) {
        case ListFinished: return LoadDone;
        case ListInvalid: return LoadInvalid;
        case ListCompressionTask:
            if (!StartCompressionTask(parser, fileListParent, &task)) return LoadNoRoom;
            break;
        case ListPath:
            if (!KeepWorking()) {
                FinishCompressionTask(task);
                return LoadStopped;
            }
            AddTaskPath(&task, parser.text);
            break;
        case ListCompressionEnd:
            FinishCompressionTask(task);
            break;
        case ListExtractionTask:
            if (!MakeExtractionTask(parser)) return LoadNoRoom;
            break;
        }
    }
}

// Appends the file's tasks to the list; the file lists of compression tasks
// are made in the given window. Not while a task runs: loading calls
// archiver libraries to count entries, and the list is cleared before a
// load.
bool LoadTaskList(const char* path, HWND fileListParent) {
    if (AnyTaskRunning()) {
        ShowErrorMessage(MainWindow, "実行中のタスクが存在するため、操作できません");
        return false;
    }
    size_t size = 0;
    char* data = ReadWholeFile(path, &size);
    if (data == nullptr) {
        ShowErrorMessage(MainWindow, "タスクリストファイルの読み込みに失敗しました");
        return false;
    }
    LoadResult result = ApplyTaskList(data, size, fileListParent);
    PrivateFree(data);
    StatusCountsChanged();
    if (result == LoadInvalid) ShowErrorMessage(MainWindow, "%sは不正なリストファイルです", path);
    if (result == LoadNoRoom) ShowErrorMessage(MainWindow, "タスクリストファイルの読み込みに失敗しました");
    if (result == LoadDone) MarkTaskListSaved();
    return result == LoadDone;
}
