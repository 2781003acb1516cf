// Where the archive readers get their bytes and where extracted data goes.
// Window-free: the DLL reads files through FileReader, the fuzz targets read
// memory and write into a counting sink.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Random access, exact: false when the range is not wholly in the source.
    virtual bool ReadAt(uint64_t offset, void* dst, size_t count) = 0;
    virtual bool Seek(uint64_t offset) = 0;
    virtual size_t Read(void* dst, size_t count) = 0;  // short only at the end or on failure
    virtual bool failed() const = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool Write(const void* data, size_t count) = 0;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const void* data, size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* dst, size_t count) override;
    bool Seek(uint64_t offset) override;
    size_t Read(void* dst, size_t count) override;
    bool failed() const override { return false; }

private:
    const unsigned char* data_;
    size_t size_;
    size_t position_ = 0;
};

// Data kept in memory, appended to the vector (a worker's job).
class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<unsigned char>* data) : data_(data) {}
    bool Write(const void* data, size_t count) override;

private:
    std::vector<unsigned char>* data_;
};

// Dispatches the caller's window messages now and then during long work; the
// DLL's version lives with the call state, native builds have their own.
void PumpMessagesIfDue();
