// Buffered Win32 file reading and writing with large buffers, and the
// time conversions the containers need.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "base/bytesource.h"

const size_t kIoBufferSize = 1 << 20;      // data pieces
const size_t kSmallBufferSize = 64 << 10;  // buffering of small reads and writes

class FileReader : public ByteSource {
public:
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader() override;
    bool Open(const std::string& path);
    void Close();
    uint64_t Size() const override { return size_; }
    // Random access, exact: false when the range is not wholly in the file.
    bool ReadAt(uint64_t offset, void* dst, size_t count) override;
    // Sequential, buffered.
    bool Seek(uint64_t offset) override;
    size_t Read(void* dst, size_t count) override;  // short only at the end or on failure
    bool failed() const override { return failed_; }
    uint64_t Tell() const { return position_ - (bufferUsed_ - bufferNext_); }  // offset of the next sequential read

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    uint64_t size_ = 0;
    uint64_t position_ = 0;  // file offset of the next unbuffered read
    std::vector<char> buffer_;
    size_t bufferUsed_ = 0;
    size_t bufferNext_ = 0;
    bool failed_ = false;
};

class FileWriter {
public:
    FileWriter() = default;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    ~FileWriter();
    bool Create(const std::string& path);
    // Only when no such file exists: false with ERROR_FILE_EXISTS otherwise.
    bool CreateNew(const std::string& path);
    bool Write(const void* data, size_t count);
    uint64_t Position() const { return flushed_ + buffer_.size(); }
    bool PatchAt(uint64_t offset, const void* data, size_t count);
    bool Rewind(uint64_t offset);  // drops everything written from offset on
    bool SetTime(const FILETIME& time);
    bool Finish();                 // flushes and closes; false on any failure so far
    void Abandon();                // closes and deletes the file
    bool failed() const { return failed_; }

private:
    bool Open(const std::string& path, DWORD disposition);
    bool Flush();
    bool WriteRaw(const char* data, size_t count);
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::string path_;
    std::vector<char> buffer_;
    uint64_t flushed_ = 0;
    bool failed_ = false;
};

bool ReadWholeFile(const std::string& path, size_t limit, std::string* text);

int64_t FileTimeToUnix(const FILETIME& time);
FILETIME UnixToFileTime(int64_t seconds);
void FileTimeToDos(const FILETIME& utc, WORD* date, WORD* time);
FILETIME DosToFileTime(WORD date, WORD time);
