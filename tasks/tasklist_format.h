// The bytes of a task list file (".fdl"): reading a file's contents into
// tasks and paths, and writing the lines of a list. No Windows header.
#pragma once
#include <cstddef>

#include "app/text.h"

constexpr size_t TaskListLineSize = 260;   // one line piece with its terminator
constexpr int ListKindCompression = 0;    // the "task=" values
constexpr int ListKindExtraction = 1;

// One line as the reader sees it: CR LF reduced to LF, at most 259 bytes
// including the LF; a longer line arrives in pieces.
struct TaskListLine {
    char text[TaskListLineSize];   // without the line end, terminated
    size_t length;                 // bytes in text (it may hold a NUL byte)
    bool lineEnd;                  // the piece ended with a line end
};

struct TaskListReader {
    const char* data;
    size_t size;
    size_t position;
};

bool ReadTaskListLine(TaskListReader* reader, TaskListLine* line);

enum TaskListStep : unsigned char {
    ListFinished,         // reading ended normally
    ListInvalid,          // not a valid list file
    ListCompressionTask,  // archivePath and flag of a new compression task
    ListPath,             // text: one file or folder of that task
    ListCompressionEnd,   // the compression task is complete
    ListExtractionTask,   // archivePath, flag and destination (text) of an extraction task
};

struct TaskListParser {
    TaskListReader reader;
    unsigned char state;
    unsigned char flag;
    char archivePath[TaskListLineSize];
    char text[TaskListLineSize];
};

void StartTaskListParser(TaskListParser* parser, const char* data, size_t size);
TaskListStep NextTaskListStep(TaskListParser* parser);

struct TaskListWriter {
    bool (*write)(void* context, const char* bytes, size_t length);
    void* context;
    bool ok;   // false from the first failed or refused line on
};

constexpr size_t TaskListLongestText = TaskListLineSize - 2;   // what reads back whole

void WriteTaskListMagic(TaskListWriter* writer);
void WriteTaskListHeader(TaskListWriter* writer, const char* archivePath, int kind, int flag);
void WriteTaskListLine(TaskListWriter* writer, const char* text);
void WriteTaskListEnd(TaskListWriter* writer);
