// Values of a settings file's text, read the way the system's profile
// functions read them, in one pass over text read in one go. No Windows
// header: the native core and its sanitizer tests use it too.
#pragma once
#include <string>

// The value of `key` in the first section named `section`. Names are
// compared without regard to ASCII case; blanks around names and values
// are dropped; a value between two matching quotes loses them; a line
// without "=" holds no value. False when there is no such key.
bool FindIniValue(const std::string& text, const char* section, const char* key, std::string* value);

// A number as the profile functions read one: an empty value gives
// `fallback`; else an optional sign and digits, in base 16, 8 or 2 after
// "0x", "0o" or "0b", up to the first character that is not one; no
// digits read as 0.
int IniNumber(const std::string& value, int fallback);
