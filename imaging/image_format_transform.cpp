#include "imaging/image_format_transform.h"

#include "imaging/bgr_rows_p.h"
#include "imaging/optimised_palette.h"
#include "imaging/parallel_rows.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

inline int ClampByte(int value) {
    return std::clamp(value, 0, 255);
}

} // namespace

void TImageFormatTransform::Apply(TDibGraphic& image) {
    if (image.ImageFormat() != TargetFormat)
        TImageTransform::Apply(image);
}

void TImageFormatTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    BeginProgress();
    const TPalette* palette = nullptr;
    if (TargetFormat == ifColor16 || TargetFormat == ifColor256) {
        const int entries = TargetFormat == ifColor16 ? 16 : 256;
        if (Optimise) {
            // The palette is the first half of the work when the pixels are diffused after it,
            // nearly all of it when they are only mapped.
            const int end = Dither ? 200 : 99;
            Palette = BuildOptimisedPalette(source, entries,
                                            [&](int percent) { StepProgress(percent, 0, end); });
        } else if (Palette.empty()) {
            Palette = DefaultPalette(TargetFormat);
        }
        // A 4-bit pixel cannot name more than 16 entries.
        if (Palette.size() > std::size_t(entries))
            Palette.resize(entries);
        palette = &Palette;
    }
    TDibGraphic result;
    result.NewImage(source.Width(), source.Height(), TargetFormat, palette, source.XDpi(),
                    source.YDpi());
    if (Dither && TargetFormat != ifTrueColor) {
        Diffuse(source, result);
    } else {
        TDibGraphic expanded;
        const TDibGraphic& colors = AsTrueColor(source, expanded);
        const int width = source.Width();
        if (TargetFormat == ifTrueColor) {
            ForEachRowBand(source.Height(), std::size_t(width) * 3, [&](int first, int end) {
                for (int y = first; y < end; ++y)
                    std::memcpy(result.ScanLine(y), colors.ScanLine(y), std::size_t(width) * 3);
            });
        } else {
            // Every pixel its nearest entry. The matcher learns the picture's cells first, so
            // that the rows can then be mapped on every processor at once.
            TPaletteMatcher matcher(result.Palette());
            matcher.LearnColorsOf(colors);
            const bool byteIndices = result.BitsPerPixel() == 8;
            ForEachRowBand(source.Height(), std::size_t(width) * 3, [&](int first, int end) {
                for (int y = first; y < end; ++y) {
                    const uint8_t* bgr = colors.ScanLine(y);
                    uint8_t* out = result.ScanLine(y);
                    for (int x = 0; x < width; ++x, bgr += 3) {
                        const int index = matcher.NearestLearnt(bgr[2], bgr[1], bgr[0]);
                        if (byteIndices)
                            out[x] = uint8_t(index);
                        else
                            result.SetPixelIndex(x, y, index);
                    }
                }
            });
        }
    }
    dest = std::move(result);
    EndProgress();
}

// Error diffusion row by row. Each pixel's error against the entry it gets is passed on in
// sixteenths: 7 to the right, 3 below left, 5 below, 1 below right. The first and last pixel
// of a row pass nothing on, and every stored value is limited to 0..255 - so an error that
// would darken the next row is dropped.
void TImageFormatTransform::Diffuse(const TDibGraphic& source, TDibGraphic& dest) {
    const int width = source.Width(), height = source.Height();
    if (width == 0 || height == 0)
        return;
    const TPalette& palette = dest.Palette();
    TDibGraphic expanded;
    const TDibGraphic& colors = AsTrueColor(source, expanded);
    TPaletteMatcher matcher(palette);
    // Channel 0 blue, 1 green, 2 red, as the rows hold them.
    std::vector<int> current(std::size_t(width) * 3), below(std::size_t(width) * 3, 0);
    const bool byteIndices = dest.BitsPerPixel() == 8;

    for (int y = 0; y < height; ++y) {
        StepProgress(Optimise ? y + (height - 1 - y) / 2 : y, 0, height - 1);
        const uint8_t* bgr = colors.ScanLine(y);
        for (std::size_t i = 0; i < current.size(); ++i) {
            current[i] = ClampByte(bgr[i] + below[i]);
            below[i] = 0;
        }
        uint8_t* out = dest.ScanLine(y);
        const auto put = [&](int x) {
            const int* c = &current[3 * std::size_t(x)];
            const int index = matcher.Nearest(c[2], c[1], c[0]);
            if (byteIndices)
                out[x] = uint8_t(index);
            else
                dest.SetPixelIndex(x, y, index);
            return index;
        };
        put(0);
        for (int x = 1; x <= width - 2; ++x) {
            const TPaletteEntry& held = palette[put(x)];
            const int heldChannels[3] = {held.Blue, held.Green, held.Red};
            for (int c = 0; c < 3; ++c) {
                const std::size_t at = 3 * std::size_t(x) + c;
                const int error = current[at] - heldChannels[c];
                current[at + 3] = ClampByte(current[at + 3] + 7 * error / 16);
                below[at - 3] = ClampByte(below[at - 3] + 3 * error / 16);
                below[at] = ClampByte(below[at] + 5 * error / 16);
                below[at + 3] = ClampByte(below[at + 3] + error / 16);
            }
        }
        if (width > 1)
            put(width - 1);
    }
}
