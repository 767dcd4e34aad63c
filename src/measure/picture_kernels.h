#pragma once

#include <cstddef>
#include <cstdint>

namespace pellisor {

// Vector loops over the bytes of picture rows, with code for the processor the program runs on (chosen
// once at run time).

// Lane i of `out` = the median of the nine bytes i, i + 3 and i + 6 of the three rows. The rows hold
// lanes + 6 bytes.
void medianOfRows(const std::uint8_t* above, const std::uint8_t* middle, const std::uint8_t* below,
                  std::uint8_t* out, std::size_t lanes);

// out[i] = |a[i] - b[i]|.
void absoluteDifference(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, std::size_t n);

// The sums of |a[i] - b[i]| and its square, how many differ and the largest, added to `sums`.
struct DifferenceSums {
    std::uint64_t absolute = 0;
    std::uint64_t square = 0;
    std::uint64_t changed = 0;
    std::uint32_t largest = 0;
};
void addDifferenceSums(const std::uint8_t* a, const std::uint8_t* b, std::size_t n, DifferenceSums& sums);

}  // namespace pellisor
