#pragma once

#include <cstddef>
#include <cstdint>

namespace pellisor {

// Salt and pepper or random values on samples [first, first + count) of a picture, with vector code
// for the processor the program runs on (chosen once at run time); gives exactly the bytes of the
// one-sample-at-a-time generator. Sample s is noisy when (output 2s >> 11) < threshold (the level as a
// multiple of 2^-53, rounded up); its new value comes from output 2s + 1. Does whole vectors only and
// returns how many samples it did.
std::size_t addImpulseNoise(bool saltAndPepper, const std::uint8_t* clean, std::uint8_t* noisy,
                            std::uint64_t seed, std::uint64_t threshold, std::uint64_t first,
                            std::size_t count);

}  // namespace pellisor
