#include "imaging/convolution_transform.h"

#include "imaging/bgr_rows_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The weight of the centre relative to its neighbours: a := round((100 - strength) / 4), so
// strength 100 gives the strongest effect and 0 the weakest.
int CentreBase(int strength) {
    return int(std::nearbyint((100 - std::clamp(strength, 0, 100)) / 4.0));
}

} // namespace

void TConvolutionTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    BeginProgress();
    const int width = source.Width(), height = source.Height();
    if (width < 3 || height < 3) {
        dest = source;
        EndProgress();
        return;
    }
    TDibGraphic result;
    result.NewImage(width, height, ifTrueColor, nullptr, source.XDpi(), source.YDpi());
    const int divisor = Divisor == 0 ? 1 : Divisor;

    // Every possible non-negative sum divided once: a table lookup per channel instead of a
    // division. A negative divisor makes every such quotient <= 0, which is black.
    int largest = 0;
    for (int k : Coefficients)
        largest += std::max(k, 0) * 255;
    std::vector<uint8_t> quotient(std::size_t(largest) + 1);
    for (int sum = 0; sum <= largest; ++sum)
        quotient[sum] = uint8_t(std::clamp(sum / divisor, 0, 255));
    const auto channel = [&](int sum) { return sum < 0 ? uint8_t(0) : quotient[sum]; };

    const std::size_t rowBytes = std::size_t(width) * 3;
    std::vector<uint8_t> rows(3 * rowBytes); // the rows above, at and below the current one
    TDibGraphic expanded;
    const TDibGraphic& colors = AsTrueColor(source, expanded);
    const auto load = [&](int y, int slot) {
        std::memcpy(rows.data() + slot * rowBytes, colors.ScanLine(y), rowBytes);
    };
    load(0, 0);
    load(1, 1);
    std::memcpy(result.ScanLine(0), rows.data(), rowBytes);
    const auto& k = Coefficients;
    for (int y = 1; y <= height - 2; ++y) {
        StepProgress(y, 0, height - 1);
        load(y + 1, (y + 1) % 3);
        const uint8_t* above = rows.data() + ((y - 1) % 3) * rowBytes;
        const uint8_t* at = rows.data() + (y % 3) * rowBytes;
        const uint8_t* below = rows.data() + ((y + 1) % 3) * rowBytes;
        uint8_t* out = result.ScanLine(y);
        // The first and last pixel of the row belong to the frame and keep their colour.
        std::memcpy(out, at, 3);
        std::memcpy(out + rowBytes - 3, at + rowBytes - 3, 3);
        for (std::size_t i = 3; i < rowBytes - 3; ++i) {
            const int sum = k[0] * above[i - 3] + k[1] * above[i] + k[2] * above[i + 3] +
                            k[3] * at[i - 3] + k[4] * at[i] + k[5] * at[i + 3] +
                            k[6] * below[i - 3] + k[7] * below[i] + k[8] * below[i + 3];
            out[i] = channel(sum);
        }
    }
    std::memcpy(result.ScanLine(height - 1), rows.data() + ((height - 1) % 3) * rowBytes, rowBytes);
    dest = std::move(result);
    EndProgress();
}

void TSharpenTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    // The coefficients sum to the divisor, so uniform areas keep their colour.
    const int a = CentreBase(Strength);
    Coefficients = {-1, -2, -1, -2, int8_t(a + 15), -2, -1, -2, -1};
    Divisor = int8_t(a + 3);
    TConvolutionTransform::ApplyOnDest(source, dest);
}

void TSmoothTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    const int a = CentreBase(Strength);
    Coefficients = {1, 2, 1, 2, int8_t(a + 15), 2, 1, 2, 1};
    Divisor = int8_t(a + 27);
    TConvolutionTransform::ApplyOnDest(source, dest);
}

TEmbossTransform::TEmbossTransform() {
    Coefficients = {-1, -1, 0, -1, 1, 1, 0, 1, 1};
    Divisor = 1;
}
