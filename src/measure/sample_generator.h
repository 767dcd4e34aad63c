#pragma once

#include <cstdint>

namespace pellisor {

// Draw number n (0, 1, 2, ...) of SplitMix64 started at `seed`: the state after n + 1 steps of adding
// the golden-ratio increment, mixed. The same sequence on every machine, and any draw is reached
// directly, so threads can share one sample without passing a state along.
constexpr std::uint64_t sampleDraw(std::uint64_t seed, std::uint64_t n) {
    std::uint64_t z = seed + (n + 1) * 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

}  // namespace pellisor
