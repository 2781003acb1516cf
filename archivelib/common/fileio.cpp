#include "common/fileio.h"

#include <string.h>

FileReader::~FileReader() { Close(); }

bool FileReader::Open(const std::string& path) {
    Close();
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) {
        Close();
        return false;
    }
    size_ = static_cast<uint64_t>(size.QuadPart);
    position_ = 0;
    bufferUsed_ = bufferNext_ = 0;
    failed_ = false;
    return true;
}

void FileReader::Close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

static bool SetPosition(HANDLE handle, uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle, to, nullptr, FILE_BEGIN) != 0;
}

// ReadFile takes a DWORD count: read big ranges in pieces.
static bool ReadFully(HANDLE handle, void* dst, size_t count, size_t* got) {
    *got = 0;
    char* out = static_cast<char*>(dst);
    while (*got < count) {
        DWORD piece = static_cast<DWORD>(count - *got > (1u << 30) ? (1u << 30) : count - *got);
        DWORD read = 0;
        if (!ReadFile(handle, out + *got, piece, &read, nullptr)) return false;
        if (read == 0) break;
        *got += read;
    }
    return true;
}

bool FileReader::ReadAt(uint64_t offset, void* dst, size_t count) {
    if (handle_ == INVALID_HANDLE_VALUE || offset > size_ || count > size_ - offset) return false;
    if (!Seek(offset)) return false;
    return Read(dst, count) == count;
}

bool FileReader::Seek(uint64_t offset) {
    // Stay inside the buffer when we can: small hops between headers are common.
    uint64_t bufferStart = position_ - bufferUsed_;
    if (offset >= bufferStart && offset <= position_) {
        bufferNext_ = static_cast<size_t>(offset - bufferStart);
        return true;
    }
    bufferUsed_ = bufferNext_ = 0;
    if (!SetPosition(handle_, offset)) {
        failed_ = true;
        return false;
    }
    position_ = offset;
    return true;
}

size_t FileReader::Read(void* dst, size_t count) {
    char* out = static_cast<char*>(dst);
    size_t done = 0;
    while (done < count) {
        if (bufferNext_ < bufferUsed_) {
            size_t piece = bufferUsed_ - bufferNext_;
            if (piece > count - done) piece = count - done;
            memcpy(out + done, buffer_.data() + bufferNext_, piece);
            bufferNext_ += piece;
            done += piece;
            continue;
        }
        if (count - done >= kSmallBufferSize) {  // large reads bypass the buffer
            size_t got = 0;
            bool ok = ReadFully(handle_, out + done, count - done, &got);
            position_ += got;
            bufferUsed_ = bufferNext_ = 0;
            done += got;
            if (!ok) failed_ = true;
            break;
        }
        // Small: a reader per source file, thousands of files in a tree.
        if (buffer_.empty()) buffer_.resize(kSmallBufferSize);
        size_t got = 0;
        bool ok = ReadFully(handle_, buffer_.data(), buffer_.size(), &got);
        if (!ok) failed_ = true;
        position_ += got;
        bufferUsed_ = got;
        bufferNext_ = 0;
        if (got == 0) break;
    }
    return done;
}

FileWriter::~FileWriter() {
    if (handle_ != INVALID_HANDLE_VALUE) Abandon();
}

bool FileWriter::Create(const std::string& path) { return Open(path, CREATE_ALWAYS); }
bool FileWriter::CreateNew(const std::string& path) { return Open(path, CREATE_NEW); }

bool FileWriter::Open(const std::string& path, DWORD disposition) {
    path_ = path;
    handle_ = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    buffer_.clear();  // grows as needed: most extracted files are small
    flushed_ = 0;
    failed_ = false;
    return true;
}

bool FileWriter::WriteRaw(const char* data, size_t count) {
    size_t done = 0;
    while (done < count) {
        DWORD written = 0;
        DWORD piece = static_cast<DWORD>(count - done > (1u << 30) ? (1u << 30) : count - done);
        if (!WriteFile(handle_, data + done, piece, &written, nullptr) || written == 0) {
            failed_ = true;
            return false;
        }
        done += written;
    }
    flushed_ += count;
    return true;
}

bool FileWriter::Flush() {
    if (buffer_.empty()) return !failed_;
    bool ok = WriteRaw(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
}

bool FileWriter::Write(const void* data, size_t count) {
    if (failed_) return false;
    const char* in = static_cast<const char*>(data);
    if (count >= kSmallBufferSize) return Flush() && WriteRaw(in, count);  // big pieces go straight out
    if (buffer_.size() + count > kIoBufferSize && !Flush()) return false;
    buffer_.insert(buffer_.end(), in, in + count);
    return true;
}

bool FileWriter::PatchAt(uint64_t offset, const void* data, size_t count) {
    if (failed_) return false;
    if (offset >= flushed_ && offset + count <= Position()) {
        memcpy(buffer_.data() + (offset - flushed_), data, count);
        return true;
    }
    if (!Flush()) return false;
    DWORD written = 0;
    bool ok = SetPosition(handle_, offset) &&
              WriteFile(handle_, data, static_cast<DWORD>(count), &written, nullptr) && written == count &&
              SetPosition(handle_, flushed_);
    if (!ok) failed_ = true;
    return ok;
}

bool FileWriter::Rewind(uint64_t offset) {
    if (failed_) return false;
    if (offset >= flushed_) {
        buffer_.resize(static_cast<size_t>(offset - flushed_));
        return true;
    }
    buffer_.clear();
    if (!SetPosition(handle_, offset) || !SetEndOfFile(handle_)) {
        failed_ = true;
        return false;
    }
    flushed_ = offset;
    return true;
}

bool FileWriter::SetTime(const FILETIME& time) {
    if (!Flush()) return false;
    return SetFileTime(handle_, nullptr, nullptr, &time) != 0;
}

bool FileWriter::Finish() {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    bool ok = !failed_ && Flush();
    if (!CloseHandle(handle_)) ok = false;
    handle_ = INVALID_HANDLE_VALUE;
    if (!ok) DeleteFileA(path_.c_str());
    return ok;
}

void FileWriter::Abandon() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    DeleteFileA(path_.c_str());
}

bool ReadWholeFile(const std::string& path, size_t limit, std::string* text) {
    FileReader reader;
    if (!reader.Open(path) || reader.Size() > limit) return false;
    text->resize(static_cast<size_t>(reader.Size()));
    return text->empty() || reader.ReadAt(0, &(*text)[0], text->size());
}

// 100 ns ticks between 1601-01-01 and 1970-01-01.
static const int64_t kUnixEpochTicks = 116444736000000000LL;

int64_t FileTimeToUnix(const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return (static_cast<int64_t>(ticks.QuadPart) - kUnixEpochTicks) / 10000000;
}

FILETIME UnixToFileTime(int64_t seconds) {
    // A hostile header may say anything: keep within what FILETIME holds (1601 to 30828).
    const int64_t earliest = -11644473600LL, latest = 910692730085LL;
    if (seconds < earliest) seconds = earliest;
    if (seconds > latest) seconds = latest;
    ULARGE_INTEGER ticks;
    ticks.QuadPart = static_cast<ULONGLONG>(seconds * 10000000 + kUnixEpochTicks);
    FILETIME time;
    time.dwLowDateTime = ticks.LowPart;
    time.dwHighDateTime = ticks.HighPart;
    return time;
}

void FileTimeToDos(const FILETIME& utc, WORD* date, WORD* time) {
    FILETIME local;
    // Before 1980 DOS time cannot say it: the conversion fails, 1980-01-01 stands in.
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, date, time)) {
        *date = (0 << 9) | (1 << 5) | 1;
        *time = 0;
    }
}

FILETIME DosToFileTime(WORD date, WORD time) {
    FILETIME local = {}, utc = {};
    if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &utc)) {
        GetSystemTimeAsFileTime(&utc);
    }
    return utc;
}
