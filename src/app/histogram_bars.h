#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace pellisor {

// One bar of a histogram plot: the counts of the values low..high together.
struct HistogramBar {
    std::int64_t low = 0;
    std::int64_t high = 0;
    std::int64_t count = 0;
};

// The bars of a plot of counts by value: the whole range from the least to the greatest value in at
// most `maxBars` bars of equal width, every value in exactly one bar, empty stretches as empty bars.
std::vector<HistogramBar> histogramBars(const std::map<std::int64_t, std::int64_t>& counts,
                                        std::int32_t maxBars);

// Round tick values 0, step, 2 step, ... up to at least `maximum`, at most about `maxTicks` of them,
// the step 1, 2 or 5 times a power of ten (for counts, which stay far below 10^17).
std::vector<std::int64_t> axisTicks(std::int64_t maximum, std::int32_t maxTicks);

// The multiples of a round step (1, 2 or 5 times a power of ten) within low..high, at most about
// `maxTicks` of them: the labels of a value axis. A range without such a multiple gets `low` alone.
std::vector<std::int64_t> rangeTicks(std::int64_t low, std::int64_t high, std::int32_t maxTicks);

}  // namespace pellisor
