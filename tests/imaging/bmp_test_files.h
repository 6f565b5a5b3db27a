// BMP files built field by field, for the tests of both BMP readers.
#pragma once

#include <cstdint>
#include <vector>

inline void Put32(std::vector<uint8_t>& bytes, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(uint8_t(v >> shift));
}

inline void Put16(std::vector<uint8_t>& bytes, unsigned v) {
    bytes.push_back(uint8_t(v));
    bytes.push_back(uint8_t(v >> 8));
}

inline std::vector<uint8_t> FileHeader(uint32_t pixelOffset, uint32_t fileSize) {
    std::vector<uint8_t> bytes{'B', 'M'};
    for (uint32_t v : {fileSize, 0u, pixelOffset})
        Put32(bytes, v);
    return bytes;
}

// A 40-byte information header followed by `colours` (the palette, counted as used colours,
// or for bit fields (compression 3) the three masks), then `pixels`.
inline std::vector<uint8_t> InfoHeaderFile(int width, int height, int bits, uint32_t compression,
                                           const std::vector<uint32_t>& colours,
                                           const std::vector<uint8_t>& pixels) {
    const uint32_t offset = 54 + uint32_t(colours.size()) * 4;
    std::vector<uint8_t> bytes = FileHeader(offset, offset + uint32_t(pixels.size()));
    Put32(bytes, 40);
    Put32(bytes, uint32_t(width));
    Put32(bytes, uint32_t(height));
    Put16(bytes, 1);
    Put16(bytes, unsigned(bits));
    Put32(bytes, compression);
    Put32(bytes, uint32_t(pixels.size()));
    Put32(bytes, 2835);
    Put32(bytes, 2835);
    Put32(bytes, compression == 3 ? 0 : uint32_t(colours.size()));
    Put32(bytes, 0);
    for (uint32_t colour : colours)
        Put32(bytes, colour);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}
