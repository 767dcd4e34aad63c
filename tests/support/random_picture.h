#pragma once

#include "model/rgb_image.h"

#include <cstdint>
#include <random>

namespace pellisor::test {

// A picture of uniformly random samples.
inline RgbImage randomPicture(std::mt19937& rng, std::int32_t width, std::int32_t height) {
    RgbImage picture = *RgbImage::blank(width, height);
    for (std::uint8_t& sample : picture.pixels)
        sample = static_cast<std::uint8_t>(rng());
    return picture;
}

}  // namespace pellisor::test
