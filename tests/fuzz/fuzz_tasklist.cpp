// Any bytes as a task list file: the reader stays inside the buffer, ends in
// a bounded number of steps, and a list it reads completely is written back
// into bytes that read as the same tasks.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tasks/tasklist_format.h"

static bool Append(void* context, const char* bytes, size_t length) {
    static_cast<std::string*>(context)->append(bytes, length);
    return true;
}

// Reads the whole buffer; when writer is given, writes every task into it.
static std::string Read(const char* data, size_t size, TaskListWriter* writer) {
    TaskListParser parser;
    StartTaskListParser(&parser, data, size);
    std::string transcript;
    if (writer != nullptr) WriteTaskListMagic(writer);
    for (size_t steps = 0;; ++steps) {
        if (steps > size + 2) abort();   // every step takes at least one byte
        TaskListStep step = NextTaskListStep(&parser);
        if (strlen(parser.archivePath) >= TaskListLineSize || strlen(parser.text) >= TaskListLineSize) abort();
        switch (step) {
        case ListFinished: return transcript + "ok";
        case ListInvalid: return transcript + "invalid";
        case ListCompressionTask:
            if (parser.flag > 6) abort();
            transcript += "C" + std::string(parser.archivePath) + '\x01' + char('0' + parser.flag);
            if (writer != nullptr) WriteTaskListHeader(writer, parser.archivePath, 0, parser.flag);
            break;
        case ListPath:
            transcript += "P" + std::string(parser.text) + '\x01';
            if (writer != nullptr) WriteTaskListLine(writer, parser.text);
            break;
        case ListCompressionEnd:
            transcript += "E";
            if (writer != nullptr) WriteTaskListEnd(writer);
            break;
        case ListExtractionTask:
            if (parser.flag > 2) abort();
            transcript += "X" + std::string(parser.archivePath) + '\x01' + char('0' + parser.flag) + parser.text + '\x01';
            if (writer != nullptr) {
                WriteTaskListHeader(writer, parser.archivePath, 1, parser.flag);
                WriteTaskListLine(writer, parser.text);
                WriteTaskListEnd(writer);
            }
            break;
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's size, so reading past it is caught.
    char* copy = static_cast<char*>(malloc(size > 0 ? size : 1));
    if (copy == nullptr) return 0;
    if (size > 0) memcpy(copy, data, size);
    std::string written;
    TaskListWriter writer = {Append, &written, true};
    std::string first = Read(copy, size, &writer);
    free(copy);
    if (writer.ok && first.size() >= 2 && first.compare(first.size() - 2, 2, "ok") == 0) {
        if (Read(written.data(), written.size(), nullptr) != first) abort();
    }
    return 0;
}
