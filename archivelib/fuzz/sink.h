// A sink that counts what extraction writes and refuses past a limit, so a
// bomb in the input costs the fuzzer milliseconds, not memory.
#pragma once
#include "base/bytesource.h"

class CountingSink : public ByteSink {
public:
    bool Write(const void*, size_t count) override {
        if (count > kLimit - written_) return false;
        written_ += count;
        return true;
    }
    void Reset() { written_ = 0; }

private:
    static const uint64_t kLimit = 64u << 20;
    uint64_t written_ = 0;
};
