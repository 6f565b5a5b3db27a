#include "imaging/convert_to_gray_transform.h"

#include "imaging/bgr_rows_p.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// A weight in thousandths, rounded to nearest (halves to even). Weights far outside any
// sensible range (or not numbers at all) are limited so that the sums cannot overflow.
int64_t Thousandths(double weight) {
    if (std::isnan(weight))
        return 0;
    return int64_t(std::nearbyint(std::clamp(weight, -1000.0, 1000.0) * 1000));
}

} // namespace

void TConvertToGrayTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    BeginProgress();
    const int width = source.Width(), height = source.Height();
    dest.NewImage(width, height, TargetFormat, nullptr, source.XDpi(), source.YDpi());

    const int64_t red = Thousandths(RedWeight), green = Thousandths(GreenWeight),
                  blue = Thousandths(BlueWeight);
    // Grey level -> destination palette index, for palette targets.
    std::array<uint8_t, 256> indexOfLevel{};
    if (TargetFormat != ifTrueColor)
        for (int level = 0; level < 256; ++level)
            indexOfLevel[level] = uint8_t(dest.NearestPaletteIndex(MakeColor(level, level, level)));

    TDibGraphic expanded;
    const TDibGraphic& colors = AsTrueColor(source, expanded);
    for (int y = 0; y < height; ++y) {
        StepProgress(y, 0, height - 1);
        const uint8_t* bgr = colors.ScanLine(y);
        uint8_t* out = dest.ScanLine(y);
        for (int x = 0; x < width; ++x, bgr += 3) {
            // Negative weights could make the sum negative; a level below 0 is black.
            const int level = int(std::clamp<int64_t>(
                (red * bgr[2] + green * bgr[1] + blue * bgr[0]) / 1000, 0, 255));
            switch (TargetFormat) {
            case ifTrueColor:
                out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = uint8_t(level);
                break;
            case ifGray256:
            case ifColor256:
                out[x] = indexOfLevel[level];
                break;
            default:
                dest.SetPixelIndex(x, y, indexOfLevel[level]);
                break;
            }
        }
    }
    EndProgress();
}
