// Code page 932 text and path helpers. No Windows header: the native core
// and its sanitizer tests use them too.
#pragma once
#include <cstddef>

#if defined(UNICODE) || defined(_UNICODE)
#error fardelix is an ANSI (code page 932) program; build it without UNICODE.
#endif

constexpr int PathSize = 260;          // bytes of a path with its terminator
constexpr int DialogPathSize = 1300;   // bytes of a file-dialog result

bool IsLeadByte932(unsigned char c);
const char* NextChar932(const char* p);
const char* FindLastSeparator(const char* text);
const char* FindFirstChar932(const char* text, char wanted);
bool EndsWithBackslash(const char* text);
// The first `length` bytes of `text` are all of `wanted`, without regard to
// the case of ASCII letters; double-byte characters compare as they are.
bool SameTextIgnoringCase(const char* text, size_t length, const char* wanted);
bool CopyText(char* dest, size_t size, const char* src);
bool AppendText(char* dest, size_t size, const char* src);
#if defined(__MINGW32__)
#define FD_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define FD_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif
bool FormatText(char* dest, size_t size, const char* format, ...) FD_PRINTF_FORMAT(3, 4);
bool AppendBackslash(char* folder, size_t size);

struct PathParts {
    char drive[PathSize];
    char dir[PathSize];
    char name[PathSize];
    char ext[PathSize];
};
void SplitPath(const char* path, PathParts* parts);
bool FolderOfPath(const char* path, char* folder, size_t size);
bool PathIsOrIsInside(const char* path, const char* folder);
