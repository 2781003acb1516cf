// Arbitrary bytes as a settings file: the reader finds each key at most
// once, and a value it finds is a part of the text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ini_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* const keys[][2] = {{"CONFIG", "DefCompType"}, {"CONFIG", "DefError"}, {"DIR", "OpenFolder"}};
    for (const auto& key : keys) {
        std::string value;
        if (!FindIniValue(text, key[0], key[1], &value)) continue;
        if (text.find(value) == std::string::npos) abort();
        IniNumber(value, 2);
    }
    return 0;
}
