// The archive formats the program knows: one row per format, addressed by a
// format index 0..10. Rows 0..6 can be created; 7..10 only extracted.
#pragma once
#include <cstddef>

struct FormatRow {
    const char* Extension;
    const char* CompressLibrary;
    const char* CompressPrefix;
    const char* CompressSwitch;
    const char* ExtractLibrary;
    const char* ExtractPrefix;
    const char* ExtractSwitch;
    const char* ExtractOverwriteSwitch;
    const char* FolderOption;
};

constexpr int FormatCount = 11;
constexpr int CompressFormatCount = 7;
constexpr int FormatCab = 2;

extern const FormatRow FormatTable[FormatCount];

signed char FormatFromExtension(const char* path);
bool IsFormatIndex(int index);
bool IsCompressFormat(int index);
void BuildArchivePatternList(char* text, size_t size);
void BuildArchiveFilter(char* filter, size_t size, const char* patterns);
