#pragma once

#include "measure/error_metrics.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace pellisor {

// Sums of up to 2^24 errors below 2^62 and their squares' low 128 bits (GCC and Clang both have it).
__extension__ typedef unsigned __int128 WideSum;

// The sums behind the error figures, kept per worker (integers, exact in any order) and per chunk
// (the relative errors, summed in chunk order), so that the figures are the same bits however the
// chunks were shared out among threads.
class ErrorTallies {
public:
    ErrorTallies(std::size_t workers, std::size_t chunks);

    void add(std::size_t worker, std::size_t chunk, std::int64_t result, std::int64_t exact);

    ErrorFigures figures(std::int64_t vectors, bool exhaustive) const;

private:
    // Errors this close to 0 are counted in an array; the rest in a map.
    static constexpr std::int64_t kDenseReach = 4096;

    struct Tally {
        WideSum absoluteSum = 0;
        WideSum squareSum = 0;  // modulo 2^128; the carries are counted apart
        std::uint64_t squareCarries = 0;
        std::int64_t wrong = 0;
        std::int64_t worst = 0;
        double worstRelative = 0.0;
        std::vector<std::int64_t> nearZero;  // count of e at kDenseReach + e
        std::unordered_map<std::int64_t, std::int64_t> farOut;
    };
    std::vector<Tally> workers_;
    std::vector<double> relativeSums_;  // per chunk
};

}  // namespace pellisor
