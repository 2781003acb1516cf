#include "base/namecharset.h"

bool IsStrictUtf8(const std::string& bytes) {
    static const unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    for (size_t i = 0; i < bytes.size();) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || length > bytes.size() - i) return false;
        unsigned long value = length == 1 ? c : length == 2 ? (c & 0x1F) : length == 3 ? (c & 0x0F) : (c & 0x07);
        for (size_t k = 1; k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < kLeast[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

static bool IsAscii(const std::string& bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

void NameCharsetVote::Add(const std::string& unmarkedName) {
    if (!allUtf8_ || IsAscii(unmarkedName)) return;
    sawNonAscii_ = true;
    allUtf8_ = IsStrictUtf8(unmarkedName);
}
