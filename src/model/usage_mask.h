#pragma once

#include <cstddef>
#include <cstdint>

namespace pellisor {

// A usage mask says which inputs a block's function reads: bit k for input k, -1 for every input.
inline constexpr std::int32_t kAllInputs = -1;

// Whether a block with this usage mask reads its input k. Only the all-inputs mask reaches inputs from 31
// on: the sign bit stands for "all", not for input 31.
constexpr bool readsInput(std::int32_t mask, std::size_t k) {
    return mask == kAllInputs || (k < 31 && ((mask >> k) & 1) != 0);
}

}  // namespace pellisor
