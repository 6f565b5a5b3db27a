// 3 x 3 convolutions: the general one and the editor's Sharpen, Smooth and Emboss.
#pragma once

#include "imaging/image_transform.h"

#include <array>
#include <cstdint>

class TConvolutionTransform : public TImageTransform {
public:
    // Row above first, left first: k0 k1 k2 / k3 k4 k5 / k6 k7 k8. The default leaves the
    // image as it is.
    std::array<int8_t, 9> Coefficients{0, 0, 0, 0, 1, 0, 0, 0, 0};
    int8_t Divisor = 1; // 0 counts as 1

    // Images narrower or lower than 3 pixels are copied. Otherwise the result is true colour;
    // its one-pixel frame keeps the source colours and each inner channel is
    // sum(k * channel) div divisor, limited to 0..255.
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

// Strength 0..100 (values outside count as the nearest end): the higher, the sharper.
class TSharpenTransform : public TConvolutionTransform {
public:
    int Strength = 10;
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

// Strength 0..100 (values outside count as the nearest end): the higher, the smoother.
class TSmoothTransform : public TConvolutionTransform {
public:
    int Strength = 20;
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

class TEmbossTransform : public TConvolutionTransform {
public:
    TEmbossTransform();
};
