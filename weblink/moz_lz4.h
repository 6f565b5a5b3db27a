// Reading the compressed session files of Firefox-family browsers ("mozLz4": a magic, the
// decompressed size, one LZ4 block). The files are another program's and may be damaged or
// hostile, so every length and offset is checked before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Decodes one LZ4 block that must expand to exactly outputSize bytes; nullopt for anything
// malformed (a length running past either end, a match reaching before the start, output
// of another size).
std::optional<std::vector<uint8_t>> DecodeLz4Block(const uint8_t* input, std::size_t inputSize,
                                                   std::size_t outputSize);

// Decodes a whole mozLz4 file: "mozLz40\0", the decompressed size as 4 bytes little-endian,
// the block. Files that claim more than maxOutput bytes are refused.
std::optional<std::vector<uint8_t>> DecodeMozLz4(const uint8_t* file, std::size_t fileSize,
                                                 std::size_t maxOutput = 64u << 20);
