// One zlib stream (RFC 1950) compressed in parts on several threads.
//
// The data comes in parts that a producer fills when a thread is ready for them, so the whole
// uncompressed data never has to be in memory at once. Each part is compressed without the
// history of the parts before it: by libdeflate where repeated strings shrink it, by Huffman
// codes alone (through zlib) where they do not, as in the filtered rows of a photograph, for
// which that is both smaller and faster. Every part but the last ends on a byte boundary in a
// block that is not marked final, so the compressed parts join byte by byte into one stream,
// whose check value is combined from the parts' own. How each part is compressed depends on
// its bytes alone, never on the number of threads: the same data always gives the same stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

struct TDeflateSettings {
    // libdeflate's level (1 to 12) for the parts that repeated strings shrink.
    int Level = 6;
    // The level the stream's header names (zlib's numbering, 0 to 9); informative only.
    int HeaderLevel = 6;
    // Threads to compress on; 0 for one per processor this process may run on.
    unsigned Threads = 0;
};

// Fills `data` (handed over empty) with the uncompressed bytes of part `part`. Called once
// per part, on any of the compressing threads, several at a time.
using TDeflatePartSource = std::function<void(std::size_t part, std::vector<uint8_t>& data)>;
// Takes the stream piece by piece, in order, on one thread at a time.
using TDeflateSink = std::function<void(std::span<const uint8_t> piece)>;

// Writes the zlib stream of the parts 0 .. partCount - 1, joined in that order, to `sink`.
// An exception thrown by `source` or `sink` ends the work and is passed on; `sink` may have
// had part of the stream by then.
void DeflateInParts(std::size_t partCount, const TDeflatePartSource& source,
                    const TDeflateSink& sink, const TDeflateSettings& settings = {});
