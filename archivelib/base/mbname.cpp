#include "base/mbname.h"

#include <string.h>

#include <vector>

bool IsLeadByte932(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

const char* NextChar932(const char* p) {
    if (IsLeadByte932(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}

static size_t NextIndex(const std::string& s, size_t i) {
    if (IsLeadByte932(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) return i + 2;
    return i + 1;
}

bool IsSeparatorAt(const std::string& s, size_t i) {
    return s[i] == '\\' || s[i] == '/';
}

bool EndsWithSeparator(const std::string& s) {
    bool last = false;
    for (size_t i = 0; i < s.size(); i = NextIndex(s, i)) last = IsSeparatorAt(s, i);
    return last;
}

static void ReplaceSeparators(std::string* s, char to) {
    for (size_t i = 0; i < s->size(); i = NextIndex(*s, i)) {
        if (IsSeparatorAt(*s, i)) (*s)[i] = to;
    }
}

void ToForwardSlashes(std::string* s) { ReplaceSeparators(s, '/'); }
void ToBackslashes(std::string* s) { ReplaceSeparators(s, '\\'); }

void CopyTruncated(char* dst, size_t size, const char* src) {
    if (size == 0) return;
    size_t used = 0;
    for (const char* p = src; *p != '\0';) {
        const char* next = NextChar932(p);
        size_t width = static_cast<size_t>(next - p);
        if (used + width >= size) break;  // never split a double-byte character
        memcpy(dst + used, p, width);
        used += width;
        p = next;
    }
    dst[used] = '\0';
}

void AppendTruncated(char* dst, size_t size, const char* src) {
    if (size == 0) return;
    size_t used = strnlen(dst, size - 1);
    CopyTruncated(dst + used, size - used, src);
}

// Splits at '/' and '\' (never at a trail byte); keeps empty components.
static std::vector<std::string> SplitComponents(const std::string& s) {
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 0; i < s.size();) {
        size_t next = NextIndex(s, i);
        if (IsSeparatorAt(s, i)) {
            parts.push_back(current);
            current.clear();
        } else {
            current.append(s, i, next - i);
        }
        i = next;
    }
    parts.push_back(current);
    return parts;
}

bool MakeStoredName(const std::string& name, bool isFolder, std::string* stored) {
    std::string rest = name;
    // A drive ("C:") is never part of a stored name. ':' is not a trail byte.
    if (rest.size() >= 2 && rest[1] == ':' && static_cast<unsigned char>(rest[0]) < 0x80) rest.erase(0, 2);
    stored->clear();
    for (const std::string& part : SplitComponents(rest)) {
        if (part.empty() || part == "." || part == "..") continue;
        if (!stored->empty()) stored->push_back('/');
        stored->append(part);
    }
    if (stored->empty()) return false;
    if (isFolder) stored->push_back('/');
    return true;
}

static bool IsDeviceName(const std::string& part) {
    // Windows opens a device for "CON", "con.txt", "NUL .log" and the like.
    std::string base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base.size() != 3 && base.size() != 4 && base.size() != 6 && base.size() != 7) return false;
    std::string upper;
    for (char c : base) upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    static const char* const fixed[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* name : fixed) {
        if (upper == name) return true;
    }
    if (upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0))
        return upper[3] >= '1' && upper[3] <= '9';
    return false;
}

static bool IsSafeComponent(const std::string& part) {
    // Windows drops trailing dots and spaces, so ".. " and "..." act like "..".
    size_t end = part.find_last_not_of(". ");
    if (end == std::string::npos) return false;
    for (size_t i = 0; i < part.size(); i = NextIndex(part, i)) {
        unsigned char c = static_cast<unsigned char>(part[i]);
        if (IsLeadByte932(c) && i + 1 < part.size()) continue;
        if (c < 0x20 || strchr(":<>\"|?*", c) != nullptr) return false;
    }
    return !IsDeviceName(part);
}

bool MakeSafeRelativePath(const std::string& stored, std::string* relative) {
    relative->clear();
    if (stored.empty() || IsSeparatorAt(stored, 0)) return false;
    for (const std::string& part : SplitComponents(stored)) {
        if (part.empty() || part == ".") continue;
        if (!IsSafeComponent(part)) return false;
        if (!relative->empty()) relative->push_back('\\');
        relative->append(part);
    }
    return true;
}

std::string FoldedName(const std::string& name) {
    std::string folded = name;
    for (size_t i = 0; i < folded.size(); i = NextIndex(folded, i)) {
        if (folded[i] >= 'A' && folded[i] <= 'Z') folded[i] = static_cast<char>(folded[i] - 'A' + 'a');
    }
    return folded;
}

static bool MatchFrom(const char* pattern, const char* name) {
    while (*pattern != '\0') {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (*pattern == '\0') return true;
            for (const char* n = name; *n != '\0'; n = NextChar932(n)) {
                if (MatchFrom(pattern, n)) return true;
            }
            return false;
        }
        if (*name == '\0') return false;
        const char* nextPattern = NextChar932(pattern);
        const char* nextName = NextChar932(name);
        if (*pattern != '?') {
            size_t width = static_cast<size_t>(nextPattern - pattern);
            if (width != static_cast<size_t>(nextName - name) || memcmp(pattern, name, width) != 0) return false;
        }
        pattern = nextPattern;
        name = nextName;
    }
    return *name == '\0';
}

bool WildcardMatch(const char* pattern, const char* name) {
    if (pattern == nullptr || pattern[0] == '\0') return true;
    return MatchFrom(pattern, name);
}
