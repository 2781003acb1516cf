// Texts of the file-list window: the totals line, the selection count and
// the filter of the archive's save dialog. No Windows header.
#pragma once
#include <cstddef>
#include <cstdint>

void FormatTotalsLine(uint32_t rows, uint32_t total, char* text, size_t size);
void FormatSelectionCount(int selected, char* text, size_t size);
bool FormatSaveFilter(const char* extension, char* filter, size_t size);
