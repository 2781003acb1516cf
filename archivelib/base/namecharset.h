// The character set of an archive's names that carry no mark of their own
// (zip without its UTF-8 flag or Unicode path field, ustar and GNU tar
// headers, rar 4 without its Unicode flag, lzh). It is decided per archive,
// never name by name: a name that happens to be valid UTF-8 in an archive of
// code page 932 names must read like its neighbours. Window-free.
#pragma once
#include <string>

enum class NameCharset { Cp932, Utf8 };

// Strict UTF-8: no overlong forms, surrogates or values past U+10FFFF.
bool IsStrictUtf8(const std::string& bytes);

// Every unmarked name of an archive goes through Add; Decision is UTF-8 when
// some name is not ASCII and every one that is not is valid UTF-8.
class NameCharsetVote {
public:
    void Add(const std::string& unmarkedName);
    NameCharset Decision() const { return sawNonAscii_ && allUtf8_ ? NameCharset::Utf8 : NameCharset::Cp932; }
    // Once one name is not UTF-8 the decision cannot change.
    bool Settled() const { return !allUtf8_; }

private:
    bool sawNonAscii_ = false;
    bool allUtf8_ = true;
};
