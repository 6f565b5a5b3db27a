// Where a raw deflate stream (RFC 1951) ends, to the bit.
//
// A compressor that writes whole streams marks its last block final and pads the stream to a
// byte boundary. To join such a stream with others into one stream, its last block has to be
// unmarked and the next block has to start right after its end-of-block code, which only a
// walk through every block can find: block lengths are not stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

struct TDeflateEnd {
    std::size_t FinalBlockBit = 0; // the bit that marks the last block final
    std::size_t EndBit = 0;        // the first bit after the last block
};

// Walks the blocks of `stream` without producing its data. nullopt unless `stream` is exactly
// one well-formed stream: every block readable, the last one marked final, and nothing but
// the padding of its last byte after it.
std::optional<TDeflateEnd> FindDeflateEnd(std::span<const uint8_t> stream);
