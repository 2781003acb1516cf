// Archive names of compression tasks: proposed from the first added path,
// following a format change, completed when the file list is committed.
// No Windows header: built and tested natively.
#pragma once
#include <cstddef>

bool DeriveArchivePath(const char* itemPath, int formatIndex, char* path, size_t size);
bool ProposeArchivePath(const char* itemPath, int formatIndex, const char* const* listPaths, size_t listCount,
                        char* path, size_t size);
bool ReplaceArchiveExtension(const char* archivePath, int formatIndex, char* path, size_t size);
bool CompleteArchivePath(const char* text, int formatIndex, const char* currentFolder, char* displayName,
                         size_t nameSize, char* fullPath, size_t pathSize);
