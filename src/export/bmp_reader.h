#pragma once

#include "model/rgb_image.h"

#include <string>
#include <string_view>

namespace pellisor {

// Reads a BMP picture into RGB. Read are the headers of 12 (OS/2), 40, 52, 56, 108 and 124 bytes;
// palettes of 1, 4 and 8 bits, plain or compressed (RLE8, RLE4); 16 bits (5-5-5 or bit fields), 24
// bits and 32 bits (plain or bit fields, alpha ignored); rows stored from the bottom up or from the
// top down. The rows go from the file into the picture a piece at a time: only the picture is held.
//
// Raises Error "Obrázek nelze načíst: PATH" when the file cannot be opened or holds no BMP, and the
// same with the reason in brackets for a BMP that cannot be read: cut short, without pixels, larger
// than the BMP it would be written back as, too large for memory, or of a kind not read.
RgbImage readBmpFile(const std::string& path);

// The same for the bytes of a file in memory; `name` stands for its path in the messages.
RgbImage decodeBmp(std::string_view bytes, const std::string& name);

}  // namespace pellisor
