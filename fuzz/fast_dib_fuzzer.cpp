// The fast raster buffer's BMP reader. Only EImageError may leave it. A buffer that comes out
// is checked row by row, must read back the same from the file it writes, and goes through
// the three effects with parameters taken from the input's last bytes.
#include "imaging/fast_effects.h"

#include <cstdlib>
#include <cstring>
#include <span>

namespace {

void Expect(bool condition) {
    if (!condition)
        std::abort();
}

void ExpectSameBuffer(const TFastDIB& a, const TFastDIB& b) {
    Expect(a.Width() == b.Width() && a.Height() == b.Height());
    Expect(a.BitsPerPixel() == b.BitsPerPixel() && a.Layout() == b.Layout());
    Expect(a.ColorTable() == b.ColorTable() && a.ColorsUsed() == b.ColorsUsed());
    Expect(a.ImageSize() == b.ImageSize() && std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFastDIB buffer;
    try {
        buffer.LoadFromBmp(std::span<const uint8_t>(data, size));
    } catch (const EImageError&) {
        return 0;
    }
    // Every row must lie inside the pixel block.
    volatile uint8_t sum = 0;
    for (int y = 0; y < buffer.Height(); ++y)
        sum = sum + buffer.Row(y)[buffer.RowStride() - 1];
    // Small buffers only from here on, for speed.
    if (buffer.ImageSize() > (std::size_t(1) << 16) || size < 8)
        return 0;

    TFastDIB back;
    back.LoadFromBmp(buffer.SaveToBmp());
    ExpectSameBuffer(buffer, back);

    const uint8_t* p = data + size - 8;
    const TFastEdges edges = (p[0] & 1) ? TFastEdges::Wrap : TFastEdges::Clip;
    TFastDIB dest;
    dest.SetSize(1 + p[1] % 64, 1 + p[2] % 64, buffer.BitsPerPixel(), buffer.Layout());
    FastRotate(buffer, dest, int8_t(p[3]), int8_t(p[4]), int16_t(p[5] | p[6] << 8) / 10.0, edges);
    FastWave(buffer, dest, int8_t(p[3]) * 0.5, (p[4] + 1) * 0.05, (p[5] + 1) * 0.05, edges);
    FastSplitBlur(buffer, int8_t(p[7]), (p[0] & 2) ? TBlurEdges::Own : TBlurEdges::Nearest);
    return 0;
}
