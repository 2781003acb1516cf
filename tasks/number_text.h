// Counts and sizes as the user sees them: unsigned 32-bit, with "," between
// groups of three digits.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t NumberTextSize = 20;

void FormatThousands(uint32_t value, char* text, size_t size);
uint32_t ParseThousands(char* text);
