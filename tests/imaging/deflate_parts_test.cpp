#include "imaging/deflate_parts_p.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

// Parts of the kinds the compressor treats differently: repeats (libdeflate), noise (Huffman
// codes alone), a single byte, nothing at all; each part different from the others.
TBytes PartData(std::size_t part, char kind) {
    std::mt19937 random(unsigned(part) + 1);
    TBytes data;
    switch (kind) {
    case 'r': // rows of a flat picture with a little detail
        for (int row = 0; row < 200; ++row)
            for (int x = 0; x < 600; ++x)
                data.push_back(uint8_t(x % 37 == int(part) % 37 ? random() : 0x30 + row % 3));
        break;
    case 'n': // noise of 16 symbols: nothing repeats long enough to pay
        for (int i = 0; i < 150000; ++i)
            data.push_back(uint8_t(random() % 16));
        break;
    case '1':
        data.push_back(uint8_t(part));
        break;
    default: // empty
        break;
    }
    return data;
}

struct TResult {
    TBytes Stream;
    TBytes Expected; // the parts joined, uncompressed
};

TResult Compress(const std::string& kinds, unsigned threads, int level = 6) {
    TResult result;
    for (std::size_t part = 0; part < kinds.size(); ++part) {
        const TBytes data = PartData(part, kinds[part]);
        result.Expected.insert(result.Expected.end(), data.begin(), data.end());
    }
    std::atomic<int> sinking{0};
    TDeflateSettings settings;
    settings.Level = level;
    settings.HeaderLevel = 5;
    settings.Threads = threads;
    DeflateInParts(
        kinds.size(), [&](std::size_t part, TBytes& data) { data = PartData(part, kinds[part]); },
        [&](std::span<const uint8_t> piece) {
            EXPECT_EQ(sinking++, 0) << "two pieces taken at once";
            result.Stream.insert(result.Stream.end(), piece.begin(), piece.end());
            --sinking;
        },
        settings);
    return result;
}

TBytes Inflate(const TBytes& stream, std::size_t size) {
    TBytes data(size + 1);
    uLongf length = uLongf(data.size());
    const int status = uncompress(data.data(), &length, stream.data(), uLong(stream.size()));
    EXPECT_EQ(status, Z_OK) << "zlib rejects the stream";
    data.resize(length);
    return data;
}

} // namespace

TEST(DeflateInParts, JoinsEveryKindOfPartIntoOneStream) {
    // Every kind of part last and not last, and next to every other kind; random lengths
    // leave the joins at every bit position of a byte.
    for (const std::string kinds :
         {"r", "n", "1", "-", "rn", "nr", "rrnn1-r", "n1n-nrr1", "r-1n", "1111", "rnrnrnrnrn"}) {
        SCOPED_TRACE(kinds);
        const TResult result = Compress(kinds, 2);
        ASSERT_GE(result.Stream.size(), 6u);
        EXPECT_EQ(result.Stream[0], 0x78);
        EXPECT_EQ(result.Stream[1], 0x5E); // deflate, 32 KiB window, level field 1 (fast)
        EXPECT_EQ(Inflate(result.Stream, result.Expected.size()), result.Expected);
    }
}

TEST(DeflateInParts, NoPartsMakeTheEmptyStream) {
    const TResult result = Compress("", 2);
    EXPECT_TRUE(Inflate(result.Stream, 0).empty());
}

TEST(DeflateInParts, TheStreamIsTheSameOnAnyNumberOfThreads) {
    const std::string kinds = "rnrr1nn-rnr";
    const TBytes oneThread = Compress(kinds, 1).Stream;
    for (const unsigned threads : {2u, 3u, 8u, 0u})
        EXPECT_EQ(Compress(kinds, threads).Stream, oneThread) << threads << " threads";
}

TEST(DeflateInParts, RepeatsAreDeflatedAndNoiseIsHuffmanCodedAlone) {
    // Flat rows shrink to a small fraction; noise of 16 symbols to about its entropy, 4 bits
    // a byte, which repeated strings would only make worse.
    const TResult flat = Compress("rrr", 2);
    EXPECT_LT(flat.Stream.size(), flat.Expected.size() / 10);
    const TResult noise = Compress("nnn", 2);
    EXPECT_LT(noise.Stream.size(), noise.Expected.size() * 51 / 100);
}

TEST(DeflateInParts, AFailingSourceEndsTheWorkWithItsError) {
    for (const unsigned threads : {1u, 3u}) {
        EXPECT_THROW(DeflateInParts(
                         6,
                         [](std::size_t part, TBytes& data) {
                             if (part == 4)
                                 throw std::runtime_error("cannot read the rows");
                             data = PartData(part, 'r');
                         },
                         [](std::span<const uint8_t>) {}, TDeflateSettings{6, 5, threads}),
                     std::runtime_error);
    }
}
