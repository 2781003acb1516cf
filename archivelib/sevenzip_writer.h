// A 7z writer that puts every file in a block of its own ("-ms=off"): LZMA2
// through liblzma, a plain (uncompressed) header, names in UTF-16.
#pragma once
#include <windows.h>
#include <lzma.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "fileio.h"

class SevenZipWriter {
public:
    SevenZipWriter() = default;
    SevenZipWriter(const SevenZipWriter&) = delete;
    SevenZipWriter& operator=(const SevenZipWriter&) = delete;
    ~SevenZipWriter();
    // preset: liblzma's 0..9; 5 is 7-Zip's default level.
    bool Create(const std::string& path, uint32_t preset);
    bool AddFolder(const std::wstring& name, const FILETIME& modified, DWORD attributes);
    // A file's data comes through Write between BeginFile and EndFile.
    // sizeHint (0 when unknown) lets small files use a small dictionary.
    bool BeginFile(const std::wstring& name, const FILETIME& modified, DWORD attributes, uint64_t sizeHint);
    bool Write(const void* data, size_t count);
    bool EndFile();
    bool Finish();   // writes the header and closes; false on any failure so far
    void Abandon();  // closes and deletes the file

private:
    struct Item {
        std::wstring name;
        FILETIME modified = {};
        DWORD attributes = 0;
        bool hasStream = false;
        bool isFolder = false;
    };
    struct Stream {
        uint64_t packed = 0;
        uint64_t size = 0;
        uint32_t crc = 0;
        uint8_t dictionaryByte = 0;
    };
    bool StartEncoder();
    bool Drain(lzma_action action);
    std::string BuildHeader() const;

    FileWriter out_;
    uint32_t preset_ = 5;
    std::vector<Item> items_;
    std::vector<Stream> streams_;
    lzma_stream z_ = LZMA_STREAM_INIT;
    bool encoderReady_ = false;
    bool inFile_ = false;
    uint64_t sizeHint_ = 0;
    Stream current_;
    uint64_t packStart_ = 0;
    std::vector<uint8_t> packed_;
    bool failed_ = false;
};
