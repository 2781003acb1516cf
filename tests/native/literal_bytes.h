// Test texts that hold zero bytes (dialog filters, multiple-choice results).
#pragma once
#include <cstddef>
#include <string>

// A literal with its inner zero bytes, without the terminator the compiler
// adds.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}
