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
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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

class Lzma2Pieces {
public:
    // threads 0: encoded on the caller's thread in Put.
    Lzma2Pieces(uint32_t preset, unsigned threads, size_t inFlight);
    Lzma2Pieces(const Lzma2Pieces&) = delete;
    Lzma2Pieces& operator=(const Lzma2Pieces&) = delete;
    ~Lzma2Pieces();  // stops the workers; pieces still held are dropped

    // No room for another piece: Take the oldest first.
    bool Full() const;
    void Put(std::unique_ptr<Lzma2Piece> piece);
    // Waits at most that long for the oldest piece: true once it is encoded
    // or none is held (the caller keeps its window answering in between).
    bool OldestReady(unsigned milliseconds);
    // The oldest piece once it is encoded (waits for it); nullptr when none is held.
    std::unique_ptr<Lzma2Piece> Take();
    // The workers stop at their next step; the pieces Take still gives are not ok.
    void Cancel();

    // One worker for each processor, at most `most`.
    static unsigned Workers(unsigned most);

private:
    struct Slot {
        std::unique_ptr<Lzma2Piece> piece;
        bool started = false;
        bool done = false;
    };
    void Work();

    const uint32_t preset_;
    const size_t inFlight_;
    mutable std::mutex mutex_;
    std::condition_variable queued_;    // a piece to start, or stopping
    std::condition_variable finished_;  // a piece done
    std::deque<Slot> slots_;            // oldest first
    std::vector<std::thread> workers_;
    std::atomic<bool> cancel_{false};
    bool stopping_ = false;
    lzma_stream inline_ = LZMA_STREAM_INIT;  // without workers
};
