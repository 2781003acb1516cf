#include "base/bytesource.h"

#include <string.h>

bool MemorySource::ReadAt(uint64_t offset, void* dst, size_t count) {
    if (offset > size_ || count > size_ - offset) return false;
    if (count > 0) memcpy(dst, data_ + offset, count);
    position_ = static_cast<size_t>(offset + count);
    return true;
}

bool MemorySource::Seek(uint64_t offset) {
    if (offset > size_) return false;
    position_ = static_cast<size_t>(offset);
    return true;
}

size_t MemorySource::Read(void* dst, size_t count) {
    size_t piece = count < size_ - position_ ? count : size_ - position_;
    if (piece > 0) memcpy(dst, data_ + position_, piece);
    position_ += piece;
    return piece;
}

bool VectorSink::Write(const void* data, size_t count) {
    const unsigned char* from = static_cast<const unsigned char*>(data);
    data_->insert(data_->end(), from, from + count);
    return true;
}
