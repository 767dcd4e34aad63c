#pragma once

#include "model/rgb_image.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pellisor {

// One comparison of a picture with its reference over the interior (the picture without its one-pixel
// frame, which the filter paints red), every channel of every pixel one sample.
struct QualityFigures {
    double mdpp = 0.0;           // mean |f - r|
    std::optional<double> psnr;  // 10 log10(255^2 / MSE); nothing when MSE = 0
    double ssim = 0.0;           // Gaussian 11x11, sigma 1.5, K1 0.01, K2 0.03, L 255, per channel, averaged
    std::int32_t maxError = 0;   // largest |f - r|
    std::int64_t changed = 0;    // samples that differ
};

// Both pictures must have the same size; pictures without an interior give all-zero figures.
QualityFigures compareInterior(const RgbImage& picture, const RgbImage& reference);
// The same for several pictures against one reference, in one pass: what the reference contributes is
// computed once.
std::vector<QualityFigures> compareInterior(const std::vector<const RgbImage*>& pictures,
                                            const RgbImage& reference);

// |a - b| per channel and pixel, the whole picture.
RgbImage differencePicture(const RgbImage& a, const RgbImage& b);

// The 3x3 median of every channel, the frame painted red as the filter paints it: the field's baseline.
RgbImage median3x3(const RgbImage& picture);

}  // namespace pellisor
