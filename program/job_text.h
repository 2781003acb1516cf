// The lines a job without a person writes to its log, and its exit code.
// No Windows header: tests run it natively.
#pragma once
#include <cstddef>

constexpr int JobRefusedExitCode = 255;

void FormatJobTaskLine(char* text, size_t size, int status, int kind, const char* archive, const char* destination,
                       const char* reason);
void FormatJobEndLine(char* text, size_t size, int tasks, int done, int exitCode);
int JobExitCode(int tasks, int done);
