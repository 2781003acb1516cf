// Names other tools store in UTF-8 (zip's flag bit 11, pax records) turned
// into code page 932. Window-free; only the last step, UTF-16 to code page
// 932, is the platform's (EncodeCp932).
#pragma once
#include <string>

#include "base/namecharset.h"

// False when the bytes are not UTF-8 or a character has no code page 932
// form; *cp932 then holds '?' in its place, a name extraction refuses.
bool Utf8NameToCp932(const std::string& utf8, std::string* cp932);

// Composes kana followed by a combining voiced or semi-voiced sound mark
// (U+3099, U+309A) into the one character, as NFC does: names from macOS
// arrive decomposed, and code page 932 holds only the composed form.
void ComposeKana(std::u32string* text);

// UTF-16 to code page 932 without best-fit guesses; false when a character
// has no form there ('?' stands in for it).
bool EncodeCp932(const std::u16string& text, std::string* out);

// A name an archive stores without a mark of its own, read by the archive's
// decision: code page 932 bytes stay as they are; UTF-8 is converted as above.
bool UnmarkedNameToCp932(const std::string& stored, NameCharset charset, std::string* cp932);

// A code page 932 name as UTF-8 (composed forms), for the fields other tools
// read on Linux and macOS; false for bytes that are not code page 932.
bool Cp932NameToUtf8(const std::string& cp932, std::string* utf8);

// Code page 932 to UTF-16; false for bytes that are not code page 932.
bool DecodeCp932(const std::string& text, std::u16string* out);
