#include "weblink/moz_lz4.h"

#include <cstring>

namespace {

// Adds the extension bytes of a 15 in a token nibble: each byte adds its value, a byte
// below 255 ends the run. Stops as soon as the length exceeds limit.
bool ReadLengthExtension(const uint8_t* input, std::size_t inputSize, std::size_t& position,
                         std::size_t& length, std::size_t limit) {
    for (;;) {
        if (position >= inputSize)
            return false;
        uint8_t byte = input[position++];
        length += byte;
        if (length > limit)
            return false;
        if (byte != 255)
            return true;
    }
}

} // namespace

std::optional<std::vector<uint8_t>> DecodeLz4Block(const uint8_t* input, std::size_t inputSize,
                                                   std::size_t outputSize) {
    std::vector<uint8_t> output;
    output.reserve(outputSize);
    std::size_t position = 0;
    while (position < inputSize) {
        // A sequence: a token (literal count, match length), the literals, then a match.
        uint8_t token = input[position++];
        std::size_t literals = token >> 4;
        if (literals == 15 &&
            !ReadLengthExtension(input, inputSize, position, literals, outputSize))
            return std::nullopt;
        if (literals > inputSize - position || literals > outputSize - output.size())
            return std::nullopt;
        output.insert(output.end(), input + position, input + position + literals);
        position += literals;
        if (position == inputSize)
            break; // the last sequence has literals only

        if (inputSize - position < 2)
            return std::nullopt;
        std::size_t offset = std::size_t(input[position]) | std::size_t(input[position + 1]) << 8;
        position += 2;
        if (offset == 0 || offset > output.size())
            return std::nullopt;
        std::size_t match = token & 0x0F;
        if (match == 15 && !ReadLengthExtension(input, inputSize, position, match, outputSize))
            return std::nullopt;
        match += 4;
        if (match > outputSize - output.size())
            return std::nullopt;
        // Byte by byte: a match may overlap the bytes it produces (runs repeat that way).
        std::size_t from = output.size() - offset;
        for (std::size_t i = 0; i < match; ++i) {
            uint8_t byte = output[from + i];
            output.push_back(byte);
        }
    }
    if (output.size() != outputSize)
        return std::nullopt;
    return output;
}

std::optional<std::vector<uint8_t>> DecodeMozLz4(const uint8_t* file, std::size_t fileSize,
                                                 std::size_t maxOutput) {
    static const char Magic[8] = {'m', 'o', 'z', 'L', 'z', '4', '0', '\0'};
    if (fileSize < 12 || std::memcmp(file, Magic, 8) != 0)
        return std::nullopt;
    std::size_t size = std::size_t(file[8]) | std::size_t(file[9]) << 8 |
                       std::size_t(file[10]) << 16 | std::size_t(file[11]) << 24;
    if (size > maxOutput)
        return std::nullopt;
    return DecodeLz4Block(file + 12, fileSize - 12, size);
}
