#include "tasks/tasklist_file.h"

#include <windows.h>

#include "app/heap.h"
#include "app/text.h"
#include "tasks/task_table.h"
#include "tasks/tasklist_format.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/modal.h"

constexpr int FilePathColumn = 3;

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
    int rows = Lv_RowCount(TaskListView);
    for (int row = 0; row < rows && writer->ok; ++row) {
        short index = RowToTaskIndex(row);
        if (index < 0) {
            writer->ok = false;
            return;
        }
        char text[PathSize];
        Lv_GetCell(TaskListView, row, ColumnPath, text, sizeof(text));
        const TaskRecord& task = TaskTable[index];
        WriteTaskListHeader(writer, text, task.kind, task.flag);
        if (task.kind == TaskCompression) {
            int files = task.fileList != nullptr ? Lv_RowCount(task.fileList) : 0;
            for (int file = 0; file < files; ++file) {
                Lv_GetCell(task.fileList, file, FilePathColumn, text, sizeof(text));
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
    return saved;
}
