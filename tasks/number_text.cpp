#include "tasks/number_text.h"

#include <cstdio>
#include <cstring>

// "4,294,967,295" is the longest result: 14 bytes with the terminator.
void FormatThousands(uint32_t value, char* text, size_t size) {
    if (size == 0) return;
    char digits[16];
    snprintf(digits, sizeof(digits), "%u", static_cast<unsigned>(value));
    size_t count = strlen(digits);
    char result[NumberTextSize];
    size_t out = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0) result[out++] = ',';
        result[out++] = digits[i];
    }
    result[out] = '\0';
    snprintf(text, size, "%s", result);
}

// Removes the separators in place (a "," in the first position stays) and
// reads the leading decimal number. A text without a leading digit, such as
// an empty cell or "フォルダ", reads as 0; digits past 2^32 wrap.
uint32_t ParseThousands(char* text) {
    if (text[0] != '\0') {
        char* out = text + 1;
        for (const char* in = text + 1; *in; ++in) {
            if (*in != ',') *out++ = *in;
        }
        *out = '\0';
    }
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
    return value;
}

// "%4d/%2d/%2d %2d:%2d:%2d" with every space turned into '0' except the one
// between date and time (position 10), so the texts sort in time order:
// year 999 reads 0999.
void FormatRowTime(int year, int month, int day, int hour, int minute, int second, char* text, size_t size) {
    if (size == 0) return;
    snprintf(text, size, "%4d/%2d/%2d %2d:%2d:%2d", year, month, day, hour, minute, second);
    for (size_t i = 0; i < size && text[i] != '\0'; ++i) {
        if (text[i] == ' ' && i != 10) text[i] = '0';
    }
}
