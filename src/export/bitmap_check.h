#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellisor {

// The largest picture read as a BMP: the decoder holds 4 bytes a pixel and refuses more than 128 MiB.
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 25;

// What makes these bytes unusable as a BMP picture, found in the headers before a decoder sees them:
// a file cut short (which a decoder would fill with whatever memory held), no pixels, or more than
// kMaxBitmapPixels. Nothing when the headers are sound, or when the bytes are no BMP at all, which the
// decoder then refuses itself.
std::optional<std::string> bitmapProblem(std::string_view bytes);

}  // namespace pellisor
