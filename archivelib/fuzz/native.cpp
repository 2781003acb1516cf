// What the DLL gets from Windows, for the native fuzz build: code page 932
// through iconv, and no messages to pump.
#include <errno.h>
#include <iconv.h>

#include "base/bytesource.h"
#include "base/textconv.h"

void PumpMessagesIfDue() {}

// One character at a time, so a character the code page lacks becomes '?'
// and the rest still converts, as WideCharToMultiByte does.
bool EncodeCp932(const std::u16string& text, std::string* out) {
    static iconv_t converter = iconv_open("CP932", "UTF-16LE");
    out->clear();
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    bool complete = true;
    for (size_t i = 0; i < text.size();) {
        size_t units = (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) ? 2 : 1;
        char in[4];
        for (size_t k = 0; k < units; ++k) {
            in[2 * k] = static_cast<char>(text[i + k] & 0xFF);
            in[2 * k + 1] = static_cast<char>(text[i + k] >> 8);
        }
        char narrow[8];
        char* inPointer = in;
        char* outPointer = narrow;
        size_t inLeft = units * 2, outLeft = sizeof narrow;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<size_t>(-1)) {
            out->push_back('?');
            complete = false;
        } else {
            out->append(narrow, static_cast<size_t>(outPointer - narrow));
        }
        i += units;
    }
    return complete;
}

bool DecodeCp932(const std::string& text, std::u16string* out) {
    static iconv_t converter = iconv_open("UTF-16LE", "CP932");
    out->clear();
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string wide(text.size() * 2 + 2, '\0');
    char* inPointer = const_cast<char*>(text.data());
    char* outPointer = &wide[0];
    size_t inLeft = text.size(), outLeft = wide.size();
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<size_t>(-1)) return false;
    for (size_t i = 0; i + 1 < wide.size() - outLeft; i += 2)
        out->push_back(static_cast<char16_t>(static_cast<unsigned char>(wide[i]) | (static_cast<unsigned char>(wide[i + 1]) << 8)));
    return true;
}
