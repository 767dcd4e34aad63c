#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

namespace pellisor {

// A picture as 8-bit RGB triples, row after row, without padding.
struct RgbImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;

    std::size_t stride() const { return std::size_t(width) * 3; }

    // A black picture of this size; nothing when its memory cannot be had.
    static std::optional<RgbImage> blank(std::int32_t width, std::int32_t height) {
        RgbImage image{width, height, {}};
        try {
            image.pixels.resize(image.stride() * std::size_t(height));
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        } catch (const std::length_error&) {
            return std::nullopt;
        }
        return image;
    }
    std::uint8_t* row(std::int32_t y) { return pixels.data() + std::size_t(y) * stride(); }
    const std::uint8_t* row(std::int32_t y) const { return pixels.data() + std::size_t(y) * stride(); }
};

}  // namespace pellisor
