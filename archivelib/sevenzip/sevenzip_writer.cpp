#include "sevenzip/sevenzip_writer.h"

#include <string.h>
#include <zlib.h>

#include "base/bytesource.h"  // PumpMessagesIfDue
#include "common/callstate.h"   // KeepGoing

namespace {
const size_t kSignatureSize = 32;

// Property ids of a 7z header.
enum : uint8_t {
    kEnd = 0x00, kHeader = 0x01, kMainStreamsInfo = 0x04, kFilesInfo = 0x05, kPackInfo = 0x06,
    kUnpackInfo = 0x07, kSubStreamsInfo = 0x08, kSize = 0x09, kCrc = 0x0A, kFolder = 0x0B, kCodersUnpackSize = 0x0C,
    kEmptyStream = 0x0E, kEmptyFile = 0x0F, kName = 0x11, kMTime = 0x14, kWinAttributes = 0x15,
};

// 7z's variable-length number: the leading one bits of the first byte say
// how many bytes follow (little endian), the rest of it holds the top bits.
void PutNumber(std::string* out, uint64_t value) {
    uint8_t first = 0, mask = 0x80;
    int i = 0;
    for (; i < 8; ++i) {
        if (value < (uint64_t(1) << (7 * (i + 1)))) {
            first |= static_cast<uint8_t>(value >> (8 * i));
            break;
        }
        first |= mask;
        mask >>= 1;
    }
    out->push_back(static_cast<char>(first));
    for (; i > 0; --i) {
        out->push_back(static_cast<char>(value & 0xFF));
        value >>= 8;
    }
}

void PutLittle(std::string* out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Bits most significant first, as 7z stores its vectors.
std::string Bits(const std::vector<bool>& bits) {
    std::string out((bits.size() + 7) / 8, '\0');
    for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i]) out[i / 8] = static_cast<char>(out[i / 8] | (0x80 >> (i % 8)));
    }
    return out;
}

void PutProperty(std::string* out, uint8_t id, const std::string& data) {
    out->push_back(static_cast<char>(id));
    PutNumber(out, data.size());
    *out += data;
}

// The LZMA2 property byte: the smallest encoded dictionary size (2 or 3
// times a power of two) not below the one used.
uint8_t DictionaryByte(uint32_t dictionary) {
    for (uint8_t p = 0; p < 40; ++p) {
        uint64_t size = static_cast<uint64_t>(2 | (p & 1)) << (p / 2 + 11);
        if (size >= dictionary) return p;
    }
    return 40;
}
}  // namespace

// Pieces of a file are encoded side by side; small files are pieces of
// their own. Twice as many pieces as workers keep them all busy while the
// oldest is written. Each encoder holds about 100 MB at level 5: fewer of
// them in a 32-bit process.
const unsigned kMostWorkers = sizeof(void*) == 4 ? 2 : 4;
const unsigned kAnswerEveryMs = 50;

SevenZipWriter::~SevenZipWriter() = default;

bool SevenZipWriter::Create(const std::string& path, uint32_t preset) {
    preset_ = preset;
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, preset_)) return false;
    // A piece as long as the preset's dictionary: splitting there loses little.
    pieceSize_ = options.dict_size;
    unsigned workers = Lzma2Pieces::Workers(kMostWorkers);
    pieces_.reset(new Lzma2Pieces(preset_, workers, 2 * workers));
    if (!out_.Create(path)) return false;
    std::string placeholder(kSignatureSize, '\0');
    return out_.Write(placeholder.data(), placeholder.size());
}

bool SevenZipWriter::AddFolder(const std::wstring& name, const FILETIME& modified, DWORD attributes) {
    Item item;
    item.name = name;
    item.modified = modified;
    item.attributes = attributes | FILE_ATTRIBUTE_DIRECTORY;
    item.isFolder = true;
    items_.push_back(item);
    return !failed_;
}

bool SevenZipWriter::BeginFile(const std::wstring& name, const FILETIME& modified, DWORD attributes,
                               uint64_t sizeHint) {
    if (inFile_) return false;
    Item item;
    item.name = name;
    item.modified = modified;
    item.attributes = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
    items_.push_back(item);
    inFile_ = true;
    sizeHint_ = sizeHint;
    pending_.clear();
    return !failed_;
}

// A file's stream starts with its first byte: an empty file has none.
void SevenZipWriter::StartStream() {
    dictionary_ = static_cast<uint32_t>(pieceSize_);
    if (sizeHint_ > 0 && sizeHint_ < dictionary_)
        dictionary_ = sizeHint_ < LZMA_DICT_SIZE_MIN ? LZMA_DICT_SIZE_MIN : static_cast<uint32_t>(sizeHint_);
    Stream stream;
    stream.dictionaryByte = DictionaryByte(dictionary_);
    streams_.push_back(stream);
    items_.back().hasStream = true;
}

// The file's data so far goes to the encoders as one piece, once there is
// room for it.
bool SevenZipWriter::QueuePiece(bool last) {
    while (pieces_->Full()) {
        if (!WriteOldestPiece()) return false;
    }
    std::unique_ptr<Lzma2Piece> piece(new Lzma2Piece());
    piece->input.swap(pending_);
    piece->dictionary = dictionary_;
    piece->last = last;
    piece->tag = streams_.size() - 1;
    pieces_->Put(std::move(piece));
    return true;
}

// An encoded piece goes into the archive behind the ones before it: a
// file's stream is its pieces one after another. This is the one place
// finished data lands, always on the caller's thread (a progress report
// for each piece would go here).
bool SevenZipWriter::WritePiece(const Lzma2Piece& piece) {
    size_t length = Lzma2PieceLength(piece);
    if (!piece.ok || !out_.Write(piece.output.data(), length)) return false;
    streams_[piece.tag].packed += length;
    return true;
}

// The caller's window keeps answering while a piece is being encoded, and
// the caller's progress callback gets its turns: pieces of a large file take
// seconds, and a cancel must not wait for them. False once cancelled.
bool SevenZipWriter::AwaitOldestPiece() {
    while (!pieces_->OldestReady(kAnswerEveryMs)) {
        PumpMessagesIfDue();
        if (!KeepGoing()) {
            failed_ = true;
            return false;
        }
    }
    return true;
}

bool SevenZipWriter::WriteOldestPiece() {
    if (!AwaitOldestPiece()) return false;
    std::unique_ptr<Lzma2Piece> piece = pieces_->Take();
    return !piece || WritePiece(*piece);
}

bool SevenZipWriter::WriteAllPieces() {
    for (;;) {
        if (!AwaitOldestPiece()) return false;
        std::unique_ptr<Lzma2Piece> piece = pieces_->Take();
        if (!piece) return true;
        if (!WritePiece(*piece)) return false;
    }
}

bool SevenZipWriter::Write(const void* data, size_t count) {
    if (failed_ || !inFile_) return false;
    if (count == 0) return true;
    if (!items_.back().hasStream) StartStream();
    Stream& stream = streams_.back();
    stream.size += count;
    stream.crc = static_cast<uint32_t>(crc32_z(stream.crc, static_cast<const Bytef*>(data), count));
    const uint8_t* in = static_cast<const uint8_t*>(data);
    while (count > 0) {
        if (pending_.empty()) pending_.reserve(sizeHint_ > 0 && sizeHint_ < pieceSize_ ? sizeHint_ : pieceSize_);
        size_t room = pieceSize_ - pending_.size();
        size_t take = count < room ? count : room;
        pending_.insert(pending_.end(), in, in + take);
        in += take;
        count -= take;
        if (pending_.size() == pieceSize_ && !QueuePiece(false)) return !(failed_ = true);
    }
    return true;
}

bool SevenZipWriter::EndFile() {
    if (!inFile_) return false;
    inFile_ = false;
    if (failed_ || !items_.back().hasStream) return !failed_;
    if (!QueuePiece(true)) return !(failed_ = true);
    return true;
}

std::string SevenZipWriter::BuildHeader() const {
    std::string h;
    h.push_back(static_cast<char>(kHeader));
    if (!streams_.empty()) {
        h.push_back(static_cast<char>(kMainStreamsInfo));
        h.push_back(static_cast<char>(kPackInfo));
        PutNumber(&h, 0);  // the packed streams start right after the signature header
        PutNumber(&h, streams_.size());
        h.push_back(static_cast<char>(kSize));
        for (const Stream& s : streams_) PutNumber(&h, s.packed);
        h.push_back(static_cast<char>(kEnd));

        h.push_back(static_cast<char>(kUnpackInfo));
        h.push_back(static_cast<char>(kFolder));
        PutNumber(&h, streams_.size());
        h.push_back(0);  // not external
        for (const Stream& s : streams_) {
            h.push_back(1);           // one coder
            h.push_back(0x21);        // id of one byte, with properties
            h.push_back(0x21);        // LZMA2
            h.push_back(1);           // one property byte
            h.push_back(static_cast<char>(s.dictionaryByte));
        }
        h.push_back(static_cast<char>(kCodersUnpackSize));
        for (const Stream& s : streams_) PutNumber(&h, s.size);
        h.push_back(static_cast<char>(kEnd));
        // One file per block; the files' CRCs here, where libarchive's
        // reader also counts the streams (it needs this part).
        h.push_back(static_cast<char>(kSubStreamsInfo));
        h.push_back(static_cast<char>(kCrc));
        h.push_back(1);  // all defined
        for (const Stream& s : streams_) PutLittle(&h, s.crc, 4);
        h.push_back(static_cast<char>(kEnd));
        h.push_back(static_cast<char>(kEnd));
    }

    h.push_back(static_cast<char>(kFilesInfo));
    PutNumber(&h, items_.size());
    std::vector<bool> emptyStream, emptyFile;
    for (const Item& item : items_) {
        emptyStream.push_back(!item.hasStream);
        if (!item.hasStream) emptyFile.push_back(!item.isFolder);
    }
    if (!emptyFile.empty()) {
        PutProperty(&h, kEmptyStream, Bits(emptyStream));
        bool anyFile = false;
        for (bool file : emptyFile) anyFile = anyFile || file;
        if (anyFile) PutProperty(&h, kEmptyFile, Bits(emptyFile));
    }
    std::string names(1, '\0');  // not external
    for (const Item& item : items_) {
        for (wchar_t c : item.name) PutLittle(&names, static_cast<uint16_t>(c), 2);
        PutLittle(&names, 0, 2);
    }
    PutProperty(&h, kName, names);
    std::string times("\x01\x00", 2);  // all defined, not external
    for (const Item& item : items_)
        PutLittle(&times, (static_cast<uint64_t>(item.modified.dwHighDateTime) << 32) | item.modified.dwLowDateTime, 8);
    PutProperty(&h, kMTime, times);
    std::string attributes("\x01\x00", 2);
    for (const Item& item : items_) PutLittle(&attributes, item.attributes, 4);
    PutProperty(&h, kWinAttributes, attributes);
    h.push_back(static_cast<char>(kEnd));
    h.push_back(static_cast<char>(kEnd));
    return h;
}

bool SevenZipWriter::Finish() {
    if (failed_ || inFile_ || !WriteAllPieces()) {
        Abandon();
        return false;
    }
    uint64_t headerOffset = out_.Position() - kSignatureSize;
    std::string header = BuildHeader();
    if (!out_.Write(header.data(), header.size())) {
        Abandon();
        return false;
    }
    std::string start;
    PutLittle(&start, headerOffset, 8);
    PutLittle(&start, header.size(), 8);
    PutLittle(&start, crc32_z(0, reinterpret_cast<const Bytef*>(header.data()), header.size()), 4);
    std::string signature("7z\xBC\xAF\x27\x1C\x00\x04", 8);
    PutLittle(&signature, crc32_z(0, reinterpret_cast<const Bytef*>(start.data()), start.size()), 4);
    signature += start;
    if (!out_.PatchAt(0, signature.data(), signature.size())) {
        Abandon();
        return false;
    }
    return out_.Finish();
}

void SevenZipWriter::Abandon() {
    failed_ = true;
    if (pieces_) {
        pieces_->Cancel();
        while (pieces_->Take()) {
        }
    }
    out_.Abandon();
}
