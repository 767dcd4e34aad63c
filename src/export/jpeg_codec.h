#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

// A picture as 8-bit RGB triples, row after row, without padding.
struct RgbImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;
};

// Encodes a JPEG/JFIF file with the library's defaults: quality 90, baseline, full colour.
std::string encodeJpeg(const RgbImage& image, int quality = 90);

// Decodes a JPEG file into RGB (greyscale pictures are expanded). A truncated, corrupt or absurdly
// large picture raises an Error; it never ends the process.
RgbImage decodeJpeg(std::string_view bytes);

}  // namespace pellisor
