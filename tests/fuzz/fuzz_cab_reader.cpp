// Any bytes as a cabinet: the directory reader and the folder expansion
// return a status and never read or write outside their buffers.
#include <cstdint>
#include <cstring>
#include <vector>

#include "cab/cabread.h"

namespace {
class Bytes : public CabByteSource {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() override { return size_; }
    bool ReadAt(uint64_t offset, void* dst, size_t count) override {
        if (offset > size_ || count > size_ - offset) return false;
        memcpy(dst, data_ + offset, count);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes source(data, size);
    CabDirectory directory;
    std::string error;
    if (ReadCabDirectory(&source, &directory, &error) != CabStatus::Ok) return 0;
    for (size_t f = 0; f < directory.folders.size() && f < 4; ++f) {
        CabFolderReader reader;
        if (reader.Begin(&source, directory, static_cast<uint16_t>(f)) != CabStatus::Ok) continue;
        for (const CabFile& file : directory.files) {
            if (file.folder != f || file.size > (1u << 20)) continue;
            std::vector<unsigned char> bytes(file.size);
            if (reader.ReadAt(file.folderOffset, bytes.data(), bytes.size()) != CabStatus::Ok) break;
        }
    }
    return 0;
}
