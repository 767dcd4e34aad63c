#pragma once

#include <cstdint>
#include <limits>
#include <random>

namespace pellisor::test {

// Mostly the extremes, small values and values around a lane's limits, so that comparisons,
// saturation, wrapping and shifts of negative values are hit.
template <typename T>
T edgyValue(std::mt19937& rng) {
    const auto r = static_cast<std::uint32_t>(rng());
    switch (r % 6) {
        case 0:
            return static_cast<T>(255);
        case 1:
            return static_cast<T>(r % 3);
        case 2:
            return static_cast<T>(std::numeric_limits<T>::max() - static_cast<T>(r % 2));
        case 3:
            return static_cast<T>(std::numeric_limits<T>::min() + static_cast<T>(r % 2));
        case 4:
            return static_cast<T>(-static_cast<std::int32_t>((r >> 8) % 300));
        default:
            return static_cast<T>(rng());
    }
}

}  // namespace pellisor::test
