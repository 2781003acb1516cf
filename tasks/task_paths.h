// Paths of new tasks: the default archive path of a compression task, the
// display name and destination of an extraction task, and the paths of a
// multiple-choice open dialog. No Windows header.
#pragma once
#include <cstddef>

bool DefaultArchivePath(const char* currentFolder, const char* name, int formatIndex, char* path, size_t size);
void ArchiveDisplayName(const char* archivePath, char* name, size_t size);
bool ExtractionDestination(const char* archivePath, char* folder, size_t size);
int NextSelectedPath(const char* result, size_t resultSize, char* path, size_t pathSize, unsigned short offset);
