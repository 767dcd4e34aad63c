#pragma once

#include "model/rgb_image.h"

namespace pellisor {

// Paints the outermost rows and columns pure red, as the 3x3 filter paints the pixels it has no
// neighbourhood for.
inline void paintFrameRed(RgbImage& image) {
    auto paint = [&](std::int32_t x, std::int32_t y) {
        std::uint8_t* pixel = image.row(y) + std::size_t(x) * 3;
        pixel[0] = 255;
        pixel[1] = 0;
        pixel[2] = 0;
    };
    for (std::int32_t x = 0; x < image.width; ++x) {
        paint(x, 0);
        paint(x, image.height - 1);
    }
    for (std::int32_t y = 0; y < image.height; ++y) {
        paint(0, y);
        paint(image.width - 1, y);
    }
}

}  // namespace pellisor
