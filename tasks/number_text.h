// Counts, sizes and times as the user sees them: unsigned 32-bit numbers
// with "," between groups of three digits, and a file row's time.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t NumberTextSize = 20;

void FormatThousands(uint32_t value, char* text, size_t size);
uint32_t ParseThousands(char* text);

constexpr size_t RowTimeSize = 32;

void FormatRowTime(int year, int month, int day, int hour, int minute, int second, char* text, size_t size);
