#include "imaging/deflate_parts_p.h"

#include "base/worker_threads.h"
#include "imaging/deflate_end_p.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>

namespace {

using TBytes = std::vector<uint8_t>;

// Bytes that Huffman codes alone, one code for the whole part, would need for `data`: its
// entropy, plus room for describing the code.
std::size_t HuffmanOnlySize(std::span<const uint8_t> data) {
    std::array<std::size_t, 256> counts{};
    for (const uint8_t byte : data)
        ++counts[byte];
    double bits = 0;
    for (const std::size_t count : counts)
        if (count != 0)
            bits += double(count) * std::log2(double(data.size()) / double(count));
    return std::size_t(bits / 8) + 300;
}

// An empty stored block after the last block of a libdeflate stream, that block no longer
// marked final: the stream then ends on a byte boundary and another can follow it. False when
// the stream's end cannot be found.
bool OpenStreamEnd(TBytes& stream) {
    const std::optional<TDeflateEnd> end = FindDeflateEnd(stream);
    if (!end)
        return false;
    stream[end->FinalBlockBit / 8] &= uint8_t(~(1u << (end->FinalBlockBit % 8)));
    const std::size_t endBit = end->EndBit;
    if (endBit % 8 != 0)
        stream[endBit / 8] &= uint8_t((1u << (endBit % 8)) - 1); // the padding bits
    // Block header: not final, stored (three 0 bits); then the byte boundary, length 0 and
    // its complement.
    stream.resize((endBit + 3 + 7) / 8, 0);
    stream.insert(stream.end(), {0x00, 0x00, 0xFF, 0xFF});
    return true;
}

// Compresses parts one after the other, each without the history of the one before.
class TPartCompressor {
public:
    explicit TPartCompressor(int level)
        : Deflate_(libdeflate_alloc_compressor(std::clamp(level, 1, 12))) {
        if (!Deflate_)
            throw std::bad_alloc();
    }
    ~TPartCompressor() {
        libdeflate_free_compressor(Deflate_);
        if (HuffmanReady_)
            deflateEnd(&Huffman_);
    }
    TPartCompressor(const TPartCompressor&) = delete;
    TPartCompressor& operator=(const TPartCompressor&) = delete;

    // The raw deflate bytes of `data` as one part of a stream: ending the stream when `last`,
    // else on a byte boundary in a block that is not final.
    void Compress(std::span<const uint8_t> data, bool last, TBytes& out) {
        const std::size_t bound = libdeflate_deflate_compress_bound(Deflate_, data.size());
        if (Scratch_.size() < bound)
            Scratch_.resize(bound);
        const std::size_t size = libdeflate_deflate_compress(Deflate_, data.data(), data.size(),
                                                             Scratch_.data(), Scratch_.size());
        // Room for the end of an open stream.
        out.reserve(size + 5);
        out.assign(Scratch_.begin(), Scratch_.begin() + std::ptrdiff_t(size));
        // Where repeated strings save less than they cost, as in noise, Huffman codes alone
        // do better; they need at least a bit a byte. (An empty result, or a stream whose end
        // is not found, is never expected; Huffman codes keep the stream valid all the same.)
        const bool huffman = size == 0 || (size > data.size() / 8 && size > HuffmanOnlySize(data));
        if (huffman || (!last && !OpenStreamEnd(out)))
            CompressHuffmanOnly(data, last, out);
    }

private:
    void CompressHuffmanOnly(std::span<const uint8_t> data, bool last, TBytes& out) {
        if (data.size() > UINT_MAX)
            throw std::length_error("deflate: part too large");
        if (!HuffmanReady_) {
            if (deflateInit2(&Huffman_, 1, Z_DEFLATED, -15, 9, Z_HUFFMAN_ONLY) != Z_OK)
                throw std::bad_alloc();
            HuffmanReady_ = true;
        } else {
            deflateReset(&Huffman_);
        }
        const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
        // Room for what the bound leaves out: the sync flush's empty block.
        out.resize(deflateBound(&Huffman_, uLong(data.size())) + 16);
        Huffman_.next_in = const_cast<Bytef*>(data.data());
        Huffman_.avail_in = uInt(data.size());
        Huffman_.next_out = out.data();
        Huffman_.avail_out = uInt(out.size());
        for (;;) {
            const int result = deflate(&Huffman_, flush);
            if (result == Z_STREAM_ERROR)
                throw std::runtime_error("deflate: zlib failed");
            const bool done =
                last ? result == Z_STREAM_END : Huffman_.avail_in == 0 && Huffman_.avail_out != 0;
            if (done)
                break;
            const std::size_t used = out.size() - Huffman_.avail_out;
            out.resize(out.size() * 2);
            Huffman_.next_out = out.data() + used;
            Huffman_.avail_out = uInt(out.size() - used);
        }
        out.resize(out.size() - Huffman_.avail_out);
    }

    libdeflate_compressor* Deflate_ = nullptr;
    z_stream Huffman_{};
    bool HuffmanReady_ = false;
    TBytes Scratch_; // as large as the largest bound so far; only the part's bytes leave it
};

struct TCompressedPart {
    TBytes Bytes;
    uint32_t Adler = 1;
    std::size_t Length = 0; // uncompressed
    bool Ready = false;
};

} // namespace

void DeflateInParts(std::size_t partCount, const TDeflatePartSource& source,
                    const TDeflateSink& sink, const TDeflateSettings& settings) {
    // Header: deflate with a 32 KiB window, the level field, and the check bits that make
    // the two bytes a multiple of 31.
    const int headerLevel = settings.HeaderLevel;
    const unsigned levelField = headerLevel < 2    ? 0
                                : headerLevel < 6  ? 1
                                : headerLevel == 6 ? 2
                                                   : 3;
    unsigned header = (0x78u << 8) | (levelField << 6);
    header += (31 - header % 31) % 31;
    const std::array<uint8_t, 2> headerBytes{uint8_t(header >> 8), uint8_t(header)};
    sink(headerBytes);
    if (partCount == 0) {
        // The empty stream: one final block of fixed codes holding only its end.
        const std::array<uint8_t, 6> empty{0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
        sink(empty);
        return;
    }

    std::vector<TCompressedPart> parts(partCount);
    std::atomic<std::size_t> nextPart{0};
    std::atomic<bool> stop{false};
    std::mutex lock; // guards what follows, and the calls of `sink`
    std::size_t nextToSink = 0;
    uint32_t adler = 1;
    std::exception_ptr error;

    auto work = [&] {
        try {
            TPartCompressor compressor(settings.Level);
            TBytes data;
            while (!stop) {
                const std::size_t part = nextPart++;
                if (part >= partCount)
                    break;
                data.clear();
                source(part, data);
                TCompressedPart done;
                done.Adler = uint32_t(libdeflate_adler32(1, data.data(), data.size()));
                done.Length = data.size();
                compressor.Compress(data, part + 1 == partCount, done.Bytes);
                done.Ready = true;

                std::lock_guard guard(lock);
                parts[part] = std::move(done);
                for (; nextToSink < partCount && parts[nextToSink].Ready; ++nextToSink) {
                    TCompressedPart& ready = parts[nextToSink];
                    sink(ready.Bytes);
                    adler = uint32_t(adler32_combine(adler, ready.Adler, z_off_t(ready.Length)));
                    ready.Bytes = TBytes();
                }
            }
        } catch (...) {
            std::lock_guard guard(lock);
            if (!error)
                error = std::current_exception();
            stop = true;
        }
    };

    const unsigned wanted = settings.Threads != 0 ? settings.Threads : ProcessorCount();
    const std::size_t threadCount = std::min<std::size_t>({wanted, partCount, 64});
    RunOnThreads(threadCount, work);
    if (error)
        std::rethrow_exception(error);
    if (nextToSink != partCount)
        throw std::logic_error("deflate: a part was not compressed");
    const std::array<uint8_t, 4> trailer{uint8_t(adler >> 24), uint8_t(adler >> 16),
                                         uint8_t(adler >> 8), uint8_t(adler)};
    sink(trailer);
}
