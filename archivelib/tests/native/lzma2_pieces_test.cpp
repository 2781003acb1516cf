// LZMA2 pieces encoded on worker threads: joined in the order put, each
// stream decodes as one raw LZMA2 stream to its input, whatever the number
// of workers; cancelling and dropping held pieces neither hangs nor leaks.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "sevenzip/lzma2_pieces.h"

namespace {
const uint32_t kDictionary = 1 << 20;

std::vector<uint8_t> Data(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) {
        // Runs of text-like bytes with random stretches between them.
        data[i] = (i / 5000) % 3 == 0 ? static_cast<uint8_t>(random()) : static_cast<uint8_t>("abcab  cd\n"[i % 10]);
    }
    return data;
}

// Random and text-like stretches of the given lengths, one after another.
std::vector<uint8_t> Mixed(const std::vector<std::pair<size_t, bool>>& parts, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> data;
    for (const auto& part : parts) {
        for (size_t i = 0; i < part.first; ++i)
            data.push_back(part.second ? static_cast<uint8_t>(random()) : static_cast<uint8_t>("a line of text\n"[i % 15]));
    }
    return data;
}

// Decodes a raw LZMA2 stream that must end exactly with its end marker.
bool Decode(const std::vector<uint8_t>& packed, std::vector<uint8_t>* out) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 5);
    options.dict_size = kDictionary;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream z = LZMA_STREAM_INIT;
    if (lzma_raw_decoder(&z, filters) != LZMA_OK) return false;
    out->assign(64 << 20, 0);
    z.next_in = packed.data();
    z.avail_in = packed.size();
    z.next_out = out->data();
    z.avail_out = out->size();
    lzma_ret status = lzma_code(&z, LZMA_FINISH);
    out->resize(out->size() - z.avail_out);
    bool whole = status == LZMA_STREAM_END && z.avail_in == 0;
    lzma_end(&z);
    return whole;
}

struct Stream {
    std::vector<uint8_t> data;
    size_t pieceSize;
};

// Puts the streams' pieces in turn (stream after stream), taking the oldest
// whenever full, and joins each stream's pieces as they come back.
std::map<size_t, std::vector<uint8_t>> RunPieces(const std::vector<Stream>& streams, unsigned threads,
                                                 size_t inFlight, std::vector<size_t>* order) {
    Lzma2Pieces pieces(5, threads, inFlight);
    std::map<size_t, std::vector<uint8_t>> joined;
    auto take = [&] {
        std::unique_ptr<Lzma2Piece> piece = pieces.Take();
        EXPECT_TRUE(piece && piece->ok);
        if (!piece || !piece->ok) return;
        order->push_back(piece->tag);
        joined[piece->tag].insert(joined[piece->tag].end(), piece->output.begin(),
                                  piece->output.begin() + static_cast<long>(Lzma2PieceLength(*piece)));
    };
    for (size_t tag = 0; tag < streams.size(); ++tag) {
        const Stream& s = streams[tag];
        size_t at = 0;
        do {  // an empty last piece where the data ends on a piece's edge
            size_t n = s.data.size() - at < s.pieceSize ? s.data.size() - at : s.pieceSize;
            std::unique_ptr<Lzma2Piece> piece(new Lzma2Piece());
            piece->input.assign(s.data.begin() + static_cast<long>(at), s.data.begin() + static_cast<long>(at + n));
            piece->dictionary = kDictionary;
            piece->tag = tag;
            at += n;
            piece->last = n < s.pieceSize;
            while (pieces.Full()) take();
            pieces.Put(std::move(piece));
            if (n < s.pieceSize) break;
        } while (true);
    }
    while (true) {
        std::unique_ptr<Lzma2Piece> piece = pieces.Take();
        if (!piece) break;
        EXPECT_TRUE(piece->ok);
        order->push_back(piece->tag);
        joined[piece->tag].insert(joined[piece->tag].end(), piece->output.begin(),
                                  piece->output.begin() + static_cast<long>(Lzma2PieceLength(*piece)));
    }
    return joined;
}
}  // namespace

TEST(Lzma2PiecesTest, JoinedPiecesDecodeAsOneStreamInOrder) {
    const std::vector<Stream> streams = {
        {Data(700000, 1), 200000},  // several pieces and a short last one
        {Data(3000, 2), 200000},    // one piece
        {Data(400000, 3), 200000},  // ends on a piece's edge: an empty last piece
        {Data(1, 4), 200000},
        {Data(250000, 5), 65536},
        // Stored and encoded runs within a piece and across pieces' edges.
        {Mixed({{200000, true}, {100000, false}, {150000, true}, {70000, false}, {5000, true}}, 6), 300000},
    };
    for (unsigned threads : {0u, 2u, 4u}) {
        for (size_t inFlight : {1u, 3u}) {
            SCOPED_TRACE(testing::Message() << threads << " workers, " << inFlight << " in flight");
            std::vector<size_t> order;
            std::map<size_t, std::vector<uint8_t>> joined = RunPieces(streams, threads, inFlight, &order);
            ASSERT_EQ(joined.size(), streams.size());
            for (size_t tag = 0; tag < streams.size(); ++tag) {
                SCOPED_TRACE(tag);
                std::vector<uint8_t> decoded;
                ASSERT_TRUE(Decode(joined[tag], &decoded));
                EXPECT_TRUE(decoded == streams[tag].data);
            }
            EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << "pieces came back out of order";
        }
    }
}

TEST(Lzma2PiecesTest, PiecesThatAreNotLastLoseOnlyTheirEndMarker) {
    std::atomic<bool> cancel{false};
    lzma_stream z = LZMA_STREAM_INIT;
    Lzma2Piece piece;
    piece.input = Data(100000, 7);
    piece.dictionary = kDictionary;
    ASSERT_TRUE(EncodeLzma2Piece(&z, 5, cancel, &piece));
    EXPECT_EQ(piece.output.back(), 0);
    EXPECT_EQ(Lzma2PieceLength(piece), piece.output.size());
    piece.last = false;
    EXPECT_EQ(Lzma2PieceLength(piece), piece.output.size() - 1);
    // A piece starts with a dictionary reset: an uncompressed (1) or LZMA chunk with a reset (0xE0 and up).
    EXPECT_TRUE(piece.output[0] == 1 || piece.output[0] >= 0xE0) << int(piece.output[0]);
    Lzma2Piece empty;
    ASSERT_TRUE(EncodeLzma2Piece(&z, 5, cancel, &empty));
    EXPECT_EQ(empty.output, std::vector<uint8_t>(1, 0));
    cancel = true;
    EXPECT_FALSE(EncodeLzma2Piece(&z, 5, cancel, &piece));
    EXPECT_FALSE(piece.ok);
    lzma_end(&z);
}

TEST(Lzma2PiecesTest, CancelledOrDroppedPiecesEndWithoutHanging) {
    {
        Lzma2Pieces pieces(5, 2, 4);
        for (uint32_t i = 0; i < 4; ++i) {
            std::unique_ptr<Lzma2Piece> piece(new Lzma2Piece());
            piece->input = Data(3 << 20, i);
            piece->dictionary = 4 << 20;
            pieces.Put(std::move(piece));
        }
        EXPECT_TRUE(pieces.Full());
        pieces.Cancel();
        size_t taken = 0;
        while (std::unique_ptr<Lzma2Piece> piece = pieces.Take()) {
            ++taken;
            EXPECT_FALSE(piece->ok && taken > 2) << "pieces not started were encoded after the cancel";
        }
        EXPECT_EQ(taken, 4u);
        EXPECT_FALSE(pieces.Full());
        EXPECT_TRUE(pieces.OldestReady(0));  // none held
    }
    {
        Lzma2Pieces pieces(5, 2, 4);
        for (uint32_t i = 0; i < 3; ++i) {
            std::unique_ptr<Lzma2Piece> piece(new Lzma2Piece());
            piece->input = Data(2 << 20, i);
            pieces.Put(std::move(piece));
        }
    }  // dropped while being encoded
}

// Random data is stored in 64 KiB chunks (3 bytes of header each) without
// going through LZMA; text between it is still compressed.
TEST(Lzma2PiecesTest, IncompressibleRunsAreStored) {
    std::atomic<bool> cancel{false};
    lzma_stream z = LZMA_STREAM_INIT;
    Lzma2Piece piece;
    piece.dictionary = kDictionary;
    piece.input = Mixed({{1000000, true}}, 8);
    ASSERT_TRUE(EncodeLzma2Piece(&z, 5, cancel, &piece));
    EXPECT_EQ(piece.output.size(), 1000000u + 3 * 16 + 1);
    EXPECT_EQ(piece.output[0], 1);  // uncompressed, with a dictionary reset
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(Decode(piece.output, &decoded));
    EXPECT_TRUE(decoded == piece.input);

    piece.input = Mixed({{300000, true}, {600000, false}, {300000, true}}, 9);
    ASSERT_TRUE(EncodeLzma2Piece(&z, 5, cancel, &piece));
    EXPECT_LT(piece.output.size(), 600000u + 20000);
    EXPECT_GT(piece.output.size(), 600000u);
    ASSERT_TRUE(Decode(piece.output, &decoded));
    EXPECT_TRUE(decoded == piece.input);
    lzma_end(&z);
}
