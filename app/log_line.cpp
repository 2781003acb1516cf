#include "app/log_line.h"

#include <cstdio>
#include <cstring>

#include "app/text.h"

// "2026/12/08 03:00:01<TAB>text<CR><LF>": a line break inside the text (a
// message of several lines) becomes a space, so every event stays one line.
// CR and LF are below 0x40 and never the second byte of a character. A text
// too long is cut between characters; the line end always comes.
void FormatLogLine(char* line, size_t size, const LogTime& time, const char* text) {
    if (size < 3) {
        if (size > 0) line[0] = '\0';
        return;
    }
    char stamp[32];
    snprintf(stamp, sizeof(stamp), "%04d/%02d/%02d %02d:%02d:%02d\t", time.year, time.month, time.day, time.hour,
             time.minute, time.second);
    CopyText(line, size - 2, stamp);
    size_t start = strlen(line);
    AppendText(line, size - 2, text != nullptr ? text : "");
    for (char* p = line + start; *p != '\0'; ++p) {
        if (*p == '\r' || *p == '\n') *p = ' ';
    }
    strcat(line, "\r\n");
}
