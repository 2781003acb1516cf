// The platform step of the name conversion: Windows' own code page 932 table.
#include <windows.h>

#include <vector>

#include "base/textconv.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t");

bool EncodeCp932(const std::u16string& text, std::string* out) {
    out->clear();
    if (text.empty()) return true;
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
    int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    int narrow = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, "?", &usedDefault);
    if (narrow <= 0) {
        *out = "?";
        return false;
    }
    out->resize(static_cast<size_t>(narrow));
    usedDefault = FALSE;
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, &(*out)[0], narrow, "?", &usedDefault);
    return !usedDefault;
}

bool DecodeCp932(const std::string& text, std::u16string* out) {
    out->clear();
    if (text.empty()) return true;
    int length = static_cast<int>(text.size());
    int size = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (size <= 0) return false;
    out->resize(static_cast<size_t>(size));
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), length, reinterpret_cast<wchar_t*>(&(*out)[0]),
                               size) == size;
}
