#pragma once

#include "model/rgb_image.h"

#include <cstdint>
#include <string>

namespace pellisor {

// The BMP every picture of the program is written as: the 14-byte file header and the 40-byte info
// header, then 24-bit rows from the bottom up, blue first, each padded to 4 bytes.
inline constexpr std::uint64_t kBmpHeaderSize = 14 + 40;

// The bytes of one row of pixels, padding included.
std::uint64_t bmpRowSize(std::int32_t width);

// Whether a picture of this size can be written: the sizes and offsets of the format are 32-bit, so
// its file must stay within 4 GB.
bool fitsBmpFile(std::int32_t width, std::int64_t height);

// Error "Obrázek WxH je příliš velký pro BMP (soubor by měl přes 4 GB)" when it does not.
void requireBmpFile(std::int32_t width, std::int32_t height);

// The 54 header bytes of a picture of this size (which must fit).
std::string bmpHeader(std::int32_t width, std::int32_t height);

// Writes the picture as such a BMP, its rows converted a few at a time as the file is written, and
// replaces the file atomically; a failure raises the system's reason and leaves the old file.
void writeBmpFile(const std::string& path, const RgbImage& image);

}  // namespace pellisor
