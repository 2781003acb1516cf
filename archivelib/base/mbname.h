// Code page 932 name helpers. Window-free: no Windows header here.
#pragma once
#include <stddef.h>
#include <string>

bool IsLeadByte932(unsigned char c);
// Steps one character; a lead byte followed by NUL counts as one byte.
const char* NextChar932(const char* p);
bool IsSeparatorAt(const std::string& s, size_t i);  // caller guarantees i is a character start
bool EndsWithSeparator(const std::string& s);
void ToForwardSlashes(std::string* s);
void ToBackslashes(std::string* s);
// Copies with truncation at a character boundary; always terminates (size > 0).
void CopyTruncated(char* dst, size_t size, const char* src);
// Appends to a bounded buffer; keeps it terminated.
void AppendTruncated(char* dst, size_t size, const char* src);

// Turns a name from a response file or a folder scan into the name stored in
// an archive: '/' separators, no drive, no leading separator, no "." or ".."
// components. Folders get a trailing '/'. Returns false when nothing is left.
bool MakeStoredName(const std::string& name, bool isFolder, std::string* stored);

// Turns a stored entry name into a path relative to the destination folder
// with '\' separators. Fails for names that are absolute, carry a drive or
// stream (':'), climb out with "..", use characters Windows refuses, or name
// a device (CON, NUL, COM1, ...). "." and empty components are dropped, so
// the result can be empty (the destination itself).
bool MakeSafeRelativePath(const std::string& stored, std::string* relative);

// The name as Windows compares names: ASCII letters in lower case (never a
// trail byte), so "A.txt" and "a.txt" give one key.
std::string FoldedName(const std::string& name);

// Wildcard match with '*' and '?', character-wise for code page 932; a
// pattern of "*" or "" matches everything.
bool WildcardMatch(const char* pattern, const char* name);
