#pragma once

#include "model/rgb_image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellisor {

// The noise models of the literature on evolved filters, applied to every sample (one channel of one
// pixel) independently:
//   sp     with probability `level` the sample becomes 0 or 255, with equal chance
//   rv     with probability `level` the sample becomes a uniform value in 0..255
//   gauss  N(0, level^2) is added, rounded to the nearest integer and clipped to 0..255
//   none   the sample stays as it is
enum class NoiseKind { SaltAndPepper, RandomValued, Gaussian, None };

struct NoiseSettings {
    NoiseKind kind = NoiseKind::None;
    double level = 0.0;
    std::uint64_t seed = 0;
};

// "sp", "rv", "gauss", "none"; nothing for any other name.
std::optional<NoiseKind> noiseKindNamed(std::string_view name);
std::string_view noiseKindName(NoiseKind kind);

// The noisy copy of a picture. The same settings gives the same bytes on every machine: the generator and
// its draw order are fixed (see the README).
RgbImage addNoise(const RgbImage& clean, const NoiseSettings& settings);

}  // namespace pellisor
