#include "imaging/deflate_end_p.h"

#include <libdeflate.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

// Lines of words, as text and screen rows are: long repeats for the compressors to find.
TBytes TextLike(std::size_t size) {
    static const char* const Words[] = {"width ", "height ", "palette ", "row ", "= ", "0; "};
    std::mt19937 random(7);
    TBytes data;
    while (data.size() < size) {
        const std::string word = Words[random() % 6];
        data.insert(data.end(), word.begin(), word.end());
    }
    data.resize(size);
    return data;
}

TBytes Noise(std::size_t size, unsigned seed = 3) {
    std::mt19937 random(seed);
    TBytes data(size);
    for (uint8_t& byte : data)
        byte = uint8_t(random() % 24); // few symbols, no repeats worth a match
    return data;
}

TBytes WithLibdeflate(const TBytes& data, int level) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    TBytes out(libdeflate_deflate_compress_bound(compressor, data.size()));
    out.resize(
        libdeflate_deflate_compress(compressor, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

// A raw stream from zlib; `flushAt` inserts a full flush (an empty stored block, byte
// aligned) after that many bytes.
TBytes WithZlib(const TBytes& data, int level, int strategy, std::size_t flushAt = 0,
                bool finish = true) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    TBytes out(deflateBound(&stream, uLong(data.size())) + 64);
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    stream.next_in = const_cast<Bytef*>(data.data());
    if (flushAt != 0) {
        stream.avail_in = uInt(flushAt);
        deflate(&stream, Z_FULL_FLUSH);
    }
    stream.avail_in = uInt(data.size() - flushAt);
    deflate(&stream, finish ? Z_FINISH : Z_SYNC_FLUSH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// zlib's own account: inflate stops at every block boundary when asked (Z_BLOCK) and tells
// how many bits of the last byte it took are still unused, and whether the block it stopped
// after was the last.
TDeflateEnd ZlibsEnd(const TBytes& stream) {
    z_stream inflater{};
    EXPECT_EQ(inflateInit2(&inflater, -15), Z_OK);
    TBytes out(1 << 16);
    inflater.next_in = const_cast<Bytef*>(stream.data());
    inflater.avail_in = uInt(stream.size());
    TDeflateEnd end;
    for (;;) {
        inflater.next_out = out.data();
        inflater.avail_out = uInt(out.size());
        const int result = inflate(&inflater, Z_BLOCK);
        const std::size_t bit = inflater.total_in * 8 - std::size_t(inflater.data_type & 7);
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK && result != Z_BUF_ERROR) {
            ADD_FAILURE() << "zlib cannot read the stream: " << result;
            break;
        }
        // After an end-of-block code: of the last block, the end; else the next one starts.
        if (inflater.data_type & 128)
            (inflater.data_type & 64 ? end.EndBit : end.FinalBlockBit) = bit;
    }
    inflateEnd(&inflater);
    return end;
}

} // namespace

TEST(FindDeflateEnd, FindsTheLastBlockAndTheEndOfEveryKindOfStream) {
    const TBytes text = TextLike(300000), noise = Noise(200000), empty;
    TBytes mixed = TextLike(100000);
    const TBytes tail = Noise(100000, 9);
    mixed.insert(mixed.end(), tail.begin(), tail.end());
    struct Case {
        std::string Name;
        TBytes Stream;
    };
    const std::vector<Case> cases{
        {"stored blocks", WithZlib(text, 0, Z_DEFAULT_STRATEGY)},
        {"fixed codes", WithZlib(text, 6, Z_FIXED)},
        {"dynamic codes", WithZlib(mixed, 6, Z_DEFAULT_STRATEGY)},
        {"Huffman codes alone", WithZlib(noise, 6, Z_HUFFMAN_ONLY)},
        {"a full flush inside", WithZlib(mixed, 6, Z_DEFAULT_STRATEGY, 12345)},
        {"nothing, by zlib", WithZlib(empty, 6, Z_DEFAULT_STRATEGY)},
        {"nothing, by libdeflate", WithLibdeflate(empty, 6)},
        {"one byte", WithLibdeflate(TBytes{42}, 6)},
        {"libdeflate level 1", WithLibdeflate(mixed, 1)},
        {"libdeflate level 6", WithLibdeflate(mixed, 6)},
        {"libdeflate level 12", WithLibdeflate(text, 12)},
        {"libdeflate on noise", WithLibdeflate(noise, 6)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::optional<TDeflateEnd> found = FindDeflateEnd(c.Stream);
        ASSERT_TRUE(found);
        const TDeflateEnd expected = ZlibsEnd(c.Stream);
        EXPECT_EQ(found->FinalBlockBit, expected.FinalBlockBit);
        EXPECT_EQ(found->EndBit, expected.EndBit);
        EXPECT_EQ((found->EndBit + 7) / 8, c.Stream.size());
    }
}

TEST(FindDeflateEnd, RefusesWhatIsNotOneWholeStream) {
    const TBytes stream = WithLibdeflate(TextLike(50000), 6);
    TBytes truncated(stream.begin(), stream.end() - 1);
    TBytes trailing = stream;
    trailing.push_back(0);
    TBytes reservedType{0x07}; // final block of the type no stream may use
    const std::vector<std::pair<std::string, TBytes>> cases{
        {"empty", {}},
        {"truncated", truncated},
        {"a byte after the end", trailing},
        {"no final block", WithZlib(TextLike(5000), 6, Z_DEFAULT_STRATEGY, 0, false)},
        {"reserved block type", reservedType},
        {"stored length without its complement", {0x01, 0x05, 0x00, 0x00, 0x00}},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(FindDeflateEnd(bytes));
    }
}
