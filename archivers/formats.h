// The archive formats the program knows: one row per format, addressed by a
// format index 0..16. Rows 0..6 can be created; 7..16 only extracted. Rows
// 11..16 are the compressed tars (and lone compressed files), read by tar32.dll.
#pragma once

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

constexpr int FormatCount = 17;
constexpr int CompressFormatCount = 7;
constexpr int FormatCab = 2;

extern const FormatRow FormatTable[FormatCount];

signed char FormatFromExtension(const char* path);
bool IsFormatIndex(int index);
bool IsCompressFormat(int index);
