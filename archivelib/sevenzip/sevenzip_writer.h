// A 7z writer that puts every file in a block of its own ("-ms=off"): LZMA2
// through liblzma, a plain (uncompressed) header, names in UTF-16.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "common/fileio.h"
#include "sevenzip/lzma2_pieces.h"

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
    // The data is encoded on worker threads in pieces (Lzma2Pieces); every
    // call here, and the writing of finished pieces, stays on the caller's
    // thread.
    bool BeginFile(const std::wstring& name, const FILETIME& modified, DWORD attributes, uint64_t sizeHint);
    bool Write(const void* data, size_t count);
    bool EndFile();
    bool Finish();   // writes the header and closes; false on any failure so far
    void Abandon();  // stops the encoding, closes and deletes the file

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
    void StartStream();
    bool QueuePiece(bool last);
    bool WritePiece(const Lzma2Piece& piece);
    bool AwaitOldestPiece();
    bool WriteOldestPiece();
    bool WriteAllPieces();
    std::string BuildHeader() const;

    FileWriter out_;
    uint32_t preset_ = 5;
    std::vector<Item> items_;
    std::vector<Stream> streams_;  // the last one is being written while inFile_
    std::unique_ptr<Lzma2Pieces> pieces_;
    size_t pieceSize_ = 0;
    bool inFile_ = false;
    uint64_t sizeHint_ = 0;
    uint32_t dictionary_ = 0;  // of the file being written
    std::vector<uint8_t> pending_;  // its data not yet in a piece
    bool failed_ = false;
};
