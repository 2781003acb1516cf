#include "sevenzip/lzma2_pieces.h"

#include <cmath>

namespace {
const size_t kStep = 1 << 20;       // input handed to the encoder at a time, between looks at cancel
const size_t kBlock = 64 << 10;     // the unit judged compressible or not; an uncompressed chunk's most
const double kStoredEntropy = 7.95;  // bits a byte: compressed or encrypted data

// Data whose bytes are spread nearly evenly over all 256 values (already
// compressed or encrypted) is stored: LZMA2 would store it too after
// spending as long on it as on text. Only such data repeated within the
// dictionary would have been smaller.
bool LooksIncompressible(const uint8_t* data, size_t size) {
    if (size < 4096) return false;
    uint32_t counts[256] = {};
    for (size_t i = 0; i < size; ++i) ++counts[data[i]];
    double bits = 0;
    for (uint32_t count : counts) {
        if (count == 0) continue;
        double p = static_cast<double>(count) / static_cast<double>(size);
        bits -= p * std::log2(p);
    }
    return bits >= kStoredEntropy;
}

// Uncompressed LZMA2 chunks, the first with a dictionary reset (control 1,
// then 2), each at most 64 KiB.
void PutStored(const uint8_t* data, size_t size, std::vector<uint8_t>* out) {
    for (size_t at = 0; at < size;) {
        size_t n = size - at < kBlock ? size - at : kBlock;
        out->push_back(at == 0 ? 1 : 2);
        out->push_back(static_cast<uint8_t>((n - 1) >> 8));
        out->push_back(static_cast<uint8_t>((n - 1) & 0xFF));
        out->insert(out->end(), data + at, data + at + n);
        at += n;
    }
}

// One raw LZMA2 stream of the data (it starts with a dictionary reset),
// appended without its end marker.
bool PutEncoded(lzma_stream* z, uint32_t preset, uint32_t dictionary, const std::atomic<bool>& cancel,
                const uint8_t* data, size_t size, std::vector<uint8_t>* out) {
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, preset)) return false;
    options.dict_size = dictionary < LZMA_DICT_SIZE_MIN ? LZMA_DICT_SIZE_MIN : dictionary;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_raw_encoder(z, filters) != LZMA_OK) return false;
    size_t start = out->size();
    // Data LZMA2 cannot shrink is stored in chunks of 64 KiB with 3 bytes of header.
    out->resize(start + size + (size >> 16) * 3 + 64);
    size_t fed = 0, written = start;
    z->avail_in = 0;
    for (;;) {
        if (cancel.load(std::memory_order_relaxed)) return false;
        if (z->avail_in == 0 && fed < size) {
            size_t n = size - fed < kStep ? size - fed : kStep;
            z->next_in = data + fed;
            z->avail_in = n;
            fed += n;
        }
        if (written == out->size()) out->resize(out->size() + kStep);
        z->next_out = out->data() + written;
        z->avail_out = out->size() - written;
        lzma_ret status = lzma_code(z, fed == size ? LZMA_FINISH : LZMA_RUN);
        written = out->size() - z->avail_out;
        if (status == LZMA_STREAM_END) break;
        if (status != LZMA_OK) return false;
    }
    if (written == start || (*out)[written - 1] != 0) return false;
    out->resize(written - 1);
    return true;
}
}  // namespace

// Runs of 64 KiB blocks that look incompressible are stored, the runs
// between them encoded, each part starting with a dictionary reset; one end
// marker closes the piece.
bool EncodeLzma2Piece(lzma_stream* z, uint32_t preset, const std::atomic<bool>& cancel, Lzma2Piece* piece) {
    std::vector<uint8_t>& out = piece->output;
    out.clear();
    piece->ok = false;
    const uint8_t* data = piece->input.data();
    const size_t size = piece->input.size();
    for (size_t at = 0; at < size;) {
        size_t end = at + (size - at < kBlock ? size - at : kBlock);
        const bool stored = LooksIncompressible(data + at, end - at);
        while (end < size) {
            size_t next = end + (size - end < kBlock ? size - end : kBlock);
            if (LooksIncompressible(data + end, next - end) != stored) break;
            end = next;
        }
        if (stored) {
            if (cancel.load(std::memory_order_relaxed)) return false;
            PutStored(data + at, end - at, &out);
        } else if (!PutEncoded(z, preset, piece->dictionary, cancel, data + at, end - at, &out)) {
            return false;
        }
        at = end;
    }
    out.push_back(0);  // the end marker
    return piece->ok = true;
}

size_t Lzma2PieceLength(const Lzma2Piece& piece) {
    if (piece.output.empty()) return 0;
    return piece.last ? piece.output.size() : piece.output.size() - 1;
}
