#include "imaging/convolution_transform.h"

#include "imaging/bgr_rows_p.h"
#include "imaging/parallel_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

    // A negative sum gives black; any other is divided and limited to 0..255. Dividing in
    // single precision and cutting off the fraction gives exactly the integer quotient: the
    // sums stay far below 2^24, so the division is exact but for its rounding, and no
    // quotient below 256 lies within that rounding of the next whole number (the distance is
    // at least 1 / 128). A negative divisor makes every quotient <= 0, which is black.
    const float divisorValue = float(divisor);

    const std::size_t rowBytes = std::size_t(width) * 3;
    TDibGraphic expanded;
    const TDibGraphic& colors = AsTrueColor(source, expanded);
    // The frame keeps the source colours: the top and bottom rows here, the first and last
    // pixel of every other row with it.
    std::memcpy(result.ScanLine(0), colors.ScanLine(0), rowBytes);
    std::memcpy(result.ScanLine(height - 1), colors.ScanLine(height - 1), rowBytes);
    TRowsDone rowsDone([&](int rows) { StepProgress(rows, 0, height - 2); });
    const auto convolveRows = [&](int first, int end) {
        // The coefficients, the divisor and the row's end as plain local numbers, and rows
        // that do not overlap: what the compiler needs to do many bytes of a row at once.
        const int k0 = Coefficients[0], k1 = Coefficients[1], k2 = Coefficients[2],
                  k3 = Coefficients[3], k4 = Coefficients[4], k5 = Coefficients[5],
                  k6 = Coefficients[6], k7 = Coefficients[7], k8 = Coefficients[8];
        const std::size_t last = rowBytes - 3;
        const float divideBy = divisorValue;
        for (int y = first + 1; y < end + 1; ++y) {
            const uint8_t* __restrict above = colors.ScanLine(y - 1);
            const uint8_t* __restrict at = colors.ScanLine(y);
            const uint8_t* __restrict below = colors.ScanLine(y + 1);
            uint8_t* __restrict out = result.ScanLine(y);
            std::memcpy(out, at, 3);
            std::memcpy(out + last, at + last, 3);
            for (std::size_t i = 3; i < last; ++i) {
                const int sum = k0 * above[i - 3] + k1 * above[i] + k2 * above[i + 3] +
                                k3 * at[i - 3] + k4 * at[i] + k5 * at[i + 3] + k6 * below[i - 3] +
                                k7 * below[i] + k8 * below[i + 3];
                const float quotient = float(std::max(sum, 0)) / divideBy;
                out[i] = uint8_t(std::clamp(quotient, 0.0f, 255.0f));
            }
            rowsDone.Add();
        }
    };
    ForEachRowBand(height - 2, rowBytes, convolveRows);
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
