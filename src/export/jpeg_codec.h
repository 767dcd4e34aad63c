#pragma once

#include "model/rgb_image.h"

#include <string>
#include <string_view>

namespace pellisor {

// Encodes a JPEG/JFIF file with the library's defaults: quality 90, baseline, full colour.
std::string encodeJpeg(const RgbImage& image, int quality = 90);

// Decodes a JPEG file into RGB (greyscale pictures are expanded). A truncated, corrupt or absurdly
// large picture raises an Error; it never ends the process.
RgbImage decodeJpeg(std::string_view bytes);

}  // namespace pellisor
