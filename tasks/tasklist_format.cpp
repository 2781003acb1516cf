#include "tasks/tasklist_format.h"

#include <cstdio>
#include <cstring>

#include "archivers/formats.h"
#include "settings/settings.h"

static const char Magic[] = "#fardelix";
static const char TaskStart[] = "#TASKSTART";
static const char TaskEnd[] = "#TASKEND";
static const char ArchiveKey[] = "arcpath=";
static const char KindKey[] = "task=";
static const char FlagKey[] = "flag=";

// ---- reading ----

// Reads like fgets into a 260-byte buffer from a text-mode stream: CR LF
// becomes LF, a lone CR is an ordinary byte, and at most 259 bytes are taken
// per piece, so a longer line arrives as several pieces.
bool ReadTaskListLine(TaskListReader* reader, TaskListLine* line) {
    line->length = 0;
    line->lineEnd = false;
    line->text[0] = '\0';
    if (reader->position >= reader->size) return false;
    size_t taken = 0;
    while (taken < TaskListLineSize - 1 && reader->position < reader->size) {
        char c = reader->data[reader->position++];
        if (c == '\r' && reader->position < reader->size && reader->data[reader->position] == '\n') continue;
        ++taken;
        if (c == '\n') {
            line->lineEnd = true;
            break;
        }
        line->text[line->length++] = c;
    }
    line->text[line->length] = '\0';
    return true;
}

static bool AtEnd(const TaskListParser* parser) { return parser->reader.position >= parser->reader.size; }

// A keyword fills the whole line and needs its line end: a last line
// without one never matches.
static bool IsKeywordLine(const TaskListLine& line, const char* keyword) {
    size_t length = strlen(keyword);
    return line.lineEnd && line.length == length && memcmp(line.text, keyword, length) == 0;
}

// A header line is its key and its value on one whole line.
static const char* HeaderValue(const TaskListLine& line, const char* key) {
    size_t length = strlen(key);
    if (!line.lineEnd || line.length < length || memcmp(line.text, key, length) != 0) return nullptr;
    if (strlen(line.text) != line.length) return nullptr;   // a NUL byte inside
    return line.text + length;
}

// A signed decimal number filling the whole value; false for no number, a
// trailing text or a value beyond the range of int.
static bool ReadDecimal(const char* text, int* value) {
    const char* p = text;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (*p < '0' || *p > '9') return false;
    long long result = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        result = result * 10 + (*p - '0');
        if (result > 2147483648LL) return false;
    }
    if (*p != '\0') return false;
    if (negative) result = -result;
    if (result > 2147483647LL || result < -2147483647LL - 1) return false;
    *value = static_cast<int>(result);
    return true;
}

enum ParserState : unsigned char {
    StateMagic,
    StateHeader,
    StateBody,
    StateExtractionEnd,
    StateAfterBlock,
    StateFinished,
    StateInvalid,
};

void StartTaskListParser(TaskListParser* parser, const char* data, size_t size) {
    parser->reader.data = data;
    parser->reader.size = data != nullptr ? size : 0;
    parser->reader.position = 0;
    parser->state = StateMagic;
    parser->flag = 0;
    parser->archivePath[0] = '\0';
    parser->text[0] = '\0';
}

static TaskListStep Finish(TaskListParser* parser, ParserState state) {
    parser->state = state;
    return state == StateInvalid ? ListInvalid : ListFinished;
}

// The three header lines are taken by position; each must carry its key and
// a value the program could have written. A block of another kind makes no
// task, and its next line is taken as the line after a block.
static TaskListStep ReadBlockHeader(TaskListParser* parser) {
    TaskListLine line;
    if (!ReadTaskListLine(&parser->reader, &line)) return Finish(parser, StateInvalid);
    const char* archive = HeaderValue(line, ArchiveKey);
    if (archive == nullptr) return Finish(parser, StateInvalid);
    CopyText(parser->archivePath, sizeof(parser->archivePath), archive);

    int kind = 0;
    int flag = 0;
    if (!ReadTaskListLine(&parser->reader, &line)) return Finish(parser, StateInvalid);
    const char* kindText = HeaderValue(line, KindKey);
    if (kindText == nullptr || !ReadDecimal(kindText, &kind)) return Finish(parser, StateInvalid);
    if (!ReadTaskListLine(&parser->reader, &line)) return Finish(parser, StateInvalid);
    const char* flagText = HeaderValue(line, FlagKey);
    if (flagText == nullptr || !ReadDecimal(flagText, &flag)) return Finish(parser, StateInvalid);

    if (kind == ListKindCompression) {
        // The flag is a format index: out of range it would index past the format table.
        if (!IsCompressFormat(flag)) return Finish(parser, StateInvalid);
        parser->flag = static_cast<unsigned char>(flag);
        parser->state = StateBody;
        return ListCompressionTask;
    }
    if (kind == ListKindExtraction) {
        if (flag < 0 || flag > AutoFolderUnlessSingle) return Finish(parser, StateInvalid);
        parser->flag = static_cast<unsigned char>(flag);
        // The destination is read before the task is made, so a file cut
        // short inside the block never makes a task.
        if (!ReadTaskListLine(&parser->reader, &line)) return Finish(parser, StateInvalid);
        CopyText(parser->text, sizeof(parser->text), line.text);
        parser->state = StateExtractionEnd;
        return ListExtractionTask;
    }
    parser->state = StateAfterBlock;
    return ListFinished;   // not delivered: the caller loops on StateAfterBlock
}

TaskListStep NextTaskListStep(TaskListParser* parser) {
    TaskListLine line;
    for (;;) {
        switch (parser->state) {
        case StateMagic:
            if (!ReadTaskListLine(&parser->reader, &line) || !IsKeywordLine(line, Magic)) {
                return Finish(parser, StateInvalid);
            }
            parser->state = StateAfterBlock;
            break;
        case StateAfterBlock:
            if (!ReadTaskListLine(&parser->reader, &line) || !IsKeywordLine(line, TaskStart)) {
                return Finish(parser, StateFinished);
            }
            parser->state = StateHeader;
            break;
        case StateHeader: {
            TaskListStep step = ReadBlockHeader(parser);
            if (parser->state != StateAfterBlock) return step;
            break;
        }
        case StateBody:
            // The end of the file before "#TASKEND" ends the load; a last
            // line without its line end is not taken as a path.
            if (!ReadTaskListLine(&parser->reader, &line)) return Finish(parser, StateInvalid);
            if (!line.lineEnd && AtEnd(parser)) return Finish(parser, StateInvalid);
            if (IsKeywordLine(line, TaskEnd)) {
                parser->state = StateAfterBlock;
                return ListCompressionEnd;
            }
            CopyText(parser->text, sizeof(parser->text), line.text);
            return ListPath;
        case StateExtractionEnd:
            if (!ReadTaskListLine(&parser->reader, &line) || !IsKeywordLine(line, TaskEnd)) {
                return Finish(parser, StateInvalid);
            }
            parser->state = StateAfterBlock;
            break;
        case StateFinished:
            return ListFinished;
        default:
            return ListInvalid;
        }
    }
}

// ---- writing ----

// Every line ends in CR LF, as a text-mode write would give. A text longer
// than the reader takes in one piece, or one holding a line end, would not
// read back as the same line: the writer refuses it.
static void WriteLine(TaskListWriter* writer, const char* key, const char* text) {
    if (!writer->ok) return;
    size_t keyLength = strlen(key);
    size_t textLength = strlen(text);
    if (keyLength + textLength > TaskListLongestText || strpbrk(text, "\r\n") != nullptr) {
        writer->ok = false;
        return;
    }
    char line[TaskListLineSize + 2];
    memcpy(line, key, keyLength);
    memcpy(line + keyLength, text, textLength);
    memcpy(line + keyLength + textLength, "\r\n", 2);
    if (!writer->write(writer->context, line, keyLength + textLength + 2)) writer->ok = false;
}

void WriteTaskListMagic(TaskListWriter* writer) { WriteLine(writer, Magic, ""); }

void WriteTaskListHeader(TaskListWriter* writer, const char* archivePath, int kind, int flag) {
    char number[16];
    WriteLine(writer, TaskStart, "");
    WriteLine(writer, ArchiveKey, archivePath);
    snprintf(number, sizeof(number), "%d", kind);
    WriteLine(writer, KindKey, number);
    snprintf(number, sizeof(number), "%d", flag);
    WriteLine(writer, FlagKey, number);
}

// A body line reading "#TASKEND" would end its block early.
void WriteTaskListLine(TaskListWriter* writer, const char* text) {
    if (strcmp(text, TaskEnd) == 0) writer->ok = false;
    WriteLine(writer, "", text);
}

void WriteTaskListEnd(TaskListWriter* writer) { WriteLine(writer, TaskEnd, ""); }
