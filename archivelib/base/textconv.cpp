#include "base/textconv.h"

#include <stdint.h>

namespace {
struct Composition {
    char32_t base, mark, composed;
};
// Every pair in U+3040..U+30FF that Unicode composes (hiragana, katakana, the
// iteration marks); sorted by base, then mark.
const Composition kKana[] = {
    {0x3046, 0x3099, 0x3094}, {0x304B, 0x3099, 0x304C}, {0x304D, 0x3099, 0x304E}, {0x304F, 0x3099, 0x3050},
    {0x3051, 0x3099, 0x3052}, {0x3053, 0x3099, 0x3054}, {0x3055, 0x3099, 0x3056}, {0x3057, 0x3099, 0x3058},
    {0x3059, 0x3099, 0x305A}, {0x305B, 0x3099, 0x305C}, {0x305D, 0x3099, 0x305E}, {0x305F, 0x3099, 0x3060},
    {0x3061, 0x3099, 0x3062}, {0x3064, 0x3099, 0x3065}, {0x3066, 0x3099, 0x3067}, {0x3068, 0x3099, 0x3069},
    {0x306F, 0x3099, 0x3070}, {0x306F, 0x309A, 0x3071}, {0x3072, 0x3099, 0x3073}, {0x3072, 0x309A, 0x3074},
    {0x3075, 0x3099, 0x3076}, {0x3075, 0x309A, 0x3077}, {0x3078, 0x3099, 0x3079}, {0x3078, 0x309A, 0x307A},
    {0x307B, 0x3099, 0x307C}, {0x307B, 0x309A, 0x307D}, {0x309D, 0x3099, 0x309E}, {0x30A6, 0x3099, 0x30F4},
    {0x30AB, 0x3099, 0x30AC}, {0x30AD, 0x3099, 0x30AE}, {0x30AF, 0x3099, 0x30B0}, {0x30B1, 0x3099, 0x30B2},
    {0x30B3, 0x3099, 0x30B4}, {0x30B5, 0x3099, 0x30B6}, {0x30B7, 0x3099, 0x30B8}, {0x30B9, 0x3099, 0x30BA},
    {0x30BB, 0x3099, 0x30BC}, {0x30BD, 0x3099, 0x30BE}, {0x30BF, 0x3099, 0x30C0}, {0x30C1, 0x3099, 0x30C2},
    {0x30C4, 0x3099, 0x30C5}, {0x30C6, 0x3099, 0x30C7}, {0x30C8, 0x3099, 0x30C9}, {0x30CF, 0x3099, 0x30D0},
    {0x30CF, 0x309A, 0x30D1}, {0x30D2, 0x3099, 0x30D3}, {0x30D2, 0x309A, 0x30D4}, {0x30D5, 0x3099, 0x30D6},
    {0x30D5, 0x309A, 0x30D7}, {0x30D8, 0x3099, 0x30D9}, {0x30D8, 0x309A, 0x30DA}, {0x30DB, 0x3099, 0x30DC},
    {0x30DB, 0x309A, 0x30DD}, {0x30EF, 0x3099, 0x30F7}, {0x30F0, 0x3099, 0x30F8}, {0x30F1, 0x3099, 0x30F9},
    {0x30F2, 0x3099, 0x30FA}, {0x30FD, 0x3099, 0x30FE},
};

char32_t Composed(char32_t base, char32_t mark) {
    for (const Composition& c : kKana) {
        if (c.base == base && c.mark == mark) return c.composed;
    }
    return 0;
}

// Strict decoding: overlong forms, surrogates and values past U+10FFFF are
// not UTF-8 and become U+FFFD.
bool DecodeUtf8(const std::string& in, std::u32string* out) {
    bool valid = true;
    for (size_t i = 0; i < in.size();) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        char32_t value = length == 1 ? c : length == 2 ? (c & 0x1F) : length == 3 ? (c & 0x0F) : (c & 0x07);
        bool ok = length != 0 && i + length <= in.size();
        for (size_t k = 1; ok && k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(in[i + k]);
            if ((next & 0xC0) != 0x80) ok = false;
            value = (value << 6) | (next & 0x3F);
        }
        static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && (value < kLeast[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))) ok = false;
        if (!ok) {
            out->push_back(0xFFFD);
            valid = false;
            ++i;
            continue;
        }
        out->push_back(value);
        i += length;
    }
    return valid;
}
}  // namespace

void ComposeKana(std::u32string* text) {
    size_t kept = 0;
    for (size_t i = 0; i < text->size(); ++i) {
        char32_t c = (*text)[i];
        if (kept > 0 && (c == 0x3099 || c == 0x309A)) {
            char32_t composed = Composed((*text)[kept - 1], c);
            if (composed != 0) {
                (*text)[kept - 1] = composed;
                continue;
            }
        }
        (*text)[kept++] = c;
    }
    text->resize(kept);
}

bool Utf8NameToCp932(const std::string& utf8, std::string* cp932) {
    std::u32string points;
    bool valid = DecodeUtf8(utf8, &points);
    ComposeKana(&points);
    std::u16string wide;
    for (char32_t c : points) {
        if (c >= 0x10000) {
            wide.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(c));
        }
    }
    return EncodeCp932(wide, cp932) && valid;
}

bool UnmarkedNameToCp932(const std::string& stored, NameCharset charset, std::string* cp932) {
    if (charset == NameCharset::Cp932) {
        *cp932 = stored;
        return true;
    }
    return Utf8NameToCp932(stored, cp932);
}

bool Cp932NameToUtf8(const std::string& cp932, std::string* utf8) {
    utf8->clear();
    std::u16string wide;
    if (!DecodeCp932(cp932, &wide)) return false;
    for (size_t i = 0; i < wide.size(); ++i) {
        uint32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        }
        if (c < 0x80) {
            utf8->push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            utf8->push_back(static_cast<char>(0xC0 | (c >> 6)));
            utf8->push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            utf8->push_back(static_cast<char>(0xE0 | (c >> 12)));
            utf8->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8->push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            utf8->push_back(static_cast<char>(0xF0 | (c >> 18)));
            utf8->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            utf8->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8->push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return true;
}
