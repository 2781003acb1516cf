// Raw LZMA2 encoded on worker threads, one piece at a time. Each piece is
// encoded on its own and so starts with a dictionary reset: the pieces of
// one file, every one but the last without its end marker (the one 0x00
// byte of LZMA2), join into one valid LZMA2 stream, and files that are
// streams of their own are encoded side by side. Pieces come back in the
// order they were put in; at most inFlight of them are held at once.
// Runs of data that look incompressible (64 KiB blocks of nearly even byte
// counts) are stored as uncompressed chunks without going through LZMA.
// Window-free: built natively too.
#pragma once
#include <lzma.h>
#include <stddef.h>
#include <stdint.h>

#include <atomic>
#include <memory>
#include <vector>

#include "base/ordered_work.h"

struct Lzma2Piece {
    std::vector<uint8_t> input;
    uint32_t dictionary = LZMA_DICT_SIZE_MIN;  // of the encoder; at most the stream's declared one
    bool last = true;                          // ends its stream: keeps the end marker
    size_t tag = 0;                            // the caller's (which stream it belongs to)
    // Filled in by the encoding.
    std::vector<uint8_t> output;
    bool ok = false;
};

// Encodes one piece with the stream given (reused between pieces); stops
// early, not ok, once *cancel is set.
bool EncodeLzma2Piece(lzma_stream* z, uint32_t preset, const std::atomic<bool>& cancel, Lzma2Piece* piece);

// The bytes of an encoded piece that go into its stream: all of them for
// the last piece, all but the end marker otherwise.
size_t Lzma2PieceLength(const Lzma2Piece& piece);

// An encoder kept by a worker between pieces: it reuses its memory.
struct Lzma2Encoder {
    lzma_stream z = LZMA_STREAM_INIT;
    Lzma2Encoder() = default;
    Lzma2Encoder(const Lzma2Encoder&) = delete;
    Lzma2Encoder& operator=(const Lzma2Encoder&) = delete;
    ~Lzma2Encoder() { lzma_end(&z); }
};

// The pieces on the library's worker pool, held by count alone.
class Lzma2Pieces {
public:
    // threads 0: encoded on the caller's thread in Put.
    Lzma2Pieces(uint32_t preset, unsigned threads, size_t inFlight)
        : work_([preset](Lzma2Encoder* encoder, Lzma2Piece* piece,
                         const std::atomic<bool>& cancel) { EncodeLzma2Piece(&encoder->z, preset, cancel, piece); },
                threads, inFlight, SIZE_MAX) {}

    // No room for another piece: Take the oldest first.
    bool Full() const { return work_.Full(0); }
    void Put(std::unique_ptr<Lzma2Piece> piece) { work_.Put(std::move(piece), 0); }
    // Waits at most that long for the oldest piece: true once it is encoded
    // or none is held (the caller keeps its window answering in between).
    bool OldestReady(unsigned milliseconds) { return work_.OldestReady(milliseconds); }
    // The oldest piece once it is encoded (waits for it); nullptr when none is held.
    std::unique_ptr<Lzma2Piece> Take() { return work_.Take(); }
    // The workers stop at their next step; the pieces Take still gives are not ok.
    void Cancel() { work_.Cancel(); }

    // One worker for each processor, at most `most`.
    static unsigned Workers(unsigned most) { return WorkerThreads(most); }

private:
    OrderedWork<Lzma2Piece, Lzma2Encoder> work_;  // stops its workers first; pieces still held are dropped
};
