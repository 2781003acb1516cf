#include "settings/ini_text.h"

#include <cstdint>
#include <cstring>

#include "app/text.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A; }

std::string Trimmed(const char* begin, const char* end) {
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
    return std::string(begin, end);
}

// A line's text ends at its first NUL, as the functions' strings do.
struct Line {
    std::string text;
    size_t next;
};

// Lines end at "\n"; a text without one further on ends its lines at "\r".
Line LineAt(const std::string& text, size_t start) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.find('\r', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    return {Trimmed(line.c_str(), line.c_str() + strlen(line.c_str())), end + 1};
}

// "[name]" up to the last "]" of the line (not a trail byte of code page
// 932) names a section; a "[" without one starts an ordinary line.
bool SectionName(const std::string& line, std::string* name) {
    if (line.empty() || line[0] != '[') return false;
    const char* close = nullptr;
    for (const char* p = line.c_str() + 1; *p; p = NextChar932(p)) {
        if (*p == ']') close = p;
    }
    if (close == nullptr) return false;
    *name = std::string(line.c_str() + 1, close);
    return true;
}

std::string Unquoted(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

}  // namespace

bool FindIniValue(const std::string& text, const char* section, const char* key, std::string* value) {
    bool inSection = false;
    for (size_t start = 0; start < text.size();) {
        Line line = LineAt(text, start);
        start = line.next;
        std::string name;
        if (SectionName(line.text, &name)) {
            // Only the first section of the name counts.
            if (inSection) return false;
            inSection = SameTextIgnoringCase(name.data(), name.size(), section);
            continue;
        }
        if (!inSection) continue;
        // "=" is below every trail byte: the first one ends the name.
        size_t equals = line.text.find('=');
        if (equals == std::string::npos) continue;
        const char* begin = line.text.c_str();
        name = Trimmed(begin, begin + equals);
        if (!SameTextIgnoringCase(name.data(), name.size(), key)) continue;
        *value = Unquoted(Trimmed(begin + equals + 1, begin + line.text.size()));
        return true;
    }
    return false;
}

int IniNumber(const std::string& value, int fallback) {
    if (value.empty()) return fallback;
    const char* p = value.c_str();
    while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X' || p[1] == 'o' || p[1] == 'O' || p[1] == 'b' || p[1] == 'B')) {
        base = p[1] == 'x' || p[1] == 'X' ? 16 : p[1] == 'o' || p[1] == 'O' ? 8 : 2;
        p += 2;
    }
    // The sum wraps as an unsigned 32-bit number does.
    uint32_t number = 0;
    for (; DigitValue(*p) < static_cast<int>(base); ++p) number = number * base + static_cast<uint32_t>(DigitValue(*p));
    if (negative) number = 0u - number;
    return static_cast<int>(number);
}
