// One line of a job's log: its time, the text on one line, CR LF. No
// Windows header: tests run it natively.
#pragma once
#include <cstddef>

struct LogTime {
    int year, month, day, hour, minute, second;
};

constexpr size_t LogLineSize = 2048;

void FormatLogLine(char* line, size_t size, const LogTime& time, const char* text);
