// Texts of the file lists: a row's time, the totals line and the selection
// count. No Windows header.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t RowTimeSize = 32;

void FormatRowTime(int year, int month, int day, int hour, int minute, int second, char* text, size_t size);
void FormatTotalsLine(uint32_t rows, uint32_t total, char* text, size_t size);
void FormatSelectionCount(int selected, char* text, size_t size);
