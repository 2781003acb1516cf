// libFuzzer target: the header walker that an update runs over whatever file
// sits at the archive's path, and the encoder over arbitrary data.
#include <string.h>

#include <string>
#include <vector>

#include "lzh/lzhwrite.h"

namespace {
class BytesInput : public LzhInput {
public:
    BytesInput(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* out, size_t count) override {
        if (offset > size_ || count > size_ - offset) return false;
        memcpy(out, data_ + offset, count);
        return true;
    }

private:
    const unsigned char* data_;
    size_t size_;
};

class CountingOutput : public LzhOutput {
public:
    bool Write(const void*, size_t size) override {
        position_ += size;
        return true;
    }
    uint64_t Position() const override { return position_; }
    bool PatchAt(uint64_t offset, const void*, size_t size) override { return offset + size <= position_; }
    bool Rewind(uint64_t offset) override {
        position_ = offset;
        return true;
    }

private:
    uint64_t position_ = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size == 0) return 0;
    BytesInput input(data + 1, size - 1);
    if (data[0] & 1) {
        // Kept between runs: making one costs more than most runs.
        static LzhEncoder lh5(LzhMethod::Lh5), lh7(LzhMethod::Lh7);
        LzhEncoder& encoder = data[0] & 2 ? lh5 : lh7;
        encoder.Reset();
        encoder.Write(data + 1, size - 1);
        encoder.Finish();
        return 0;
    }
    std::vector<LzhStoredEntry> entries;
    std::string error;
    if (ReadLzhDirectory(&input, &entries, &error) != LzhStatus::Ok) return 0;
    static CountingOutput output;
    static LzhArchiveWriter writer(&output, LzhMethod::Lh5);
    for (const LzhStoredEntry& entry : entries) {
        if (writer.Copy(&input, entry) != LzhStatus::Ok) __builtin_trap();  // the walker vouched for its bounds
    }
    return 0;
}
