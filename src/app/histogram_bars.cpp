#include "app/histogram_bars.h"

#include <algorithm>

namespace pellisor {

std::vector<HistogramBar> histogramBars(const std::map<std::int64_t, std::int64_t>& counts,
                                        std::int32_t maxBars) {
    if (counts.empty() || maxBars < 1) return {};
    const std::int64_t first = counts.begin()->first;
    const std::int64_t last = counts.rbegin()->first;
    // The span as unsigned: errors of wide circuits may stretch over most of the 64-bit range.
    const std::uint64_t span = std::uint64_t(last) - std::uint64_t(first) + 1;
    // A span of 0 is the whole 64-bit range, which wrapped.
    const std::uint64_t width = span == 0
                                    ? ~std::uint64_t(0) / std::uint64_t(maxBars) + 1
                                    : span / std::uint64_t(maxBars) + (span % std::uint64_t(maxBars) != 0);
    const std::uint64_t barCount = span == 0 ? std::uint64_t(maxBars) : span / width + (span % width != 0);
    std::vector<HistogramBar> bars(static_cast<std::size_t>(barCount));
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const std::uint64_t low = std::uint64_t(first) + i * width;
        bars[i].low = static_cast<std::int64_t>(low);
        bars[i].high = i + 1 == bars.size() ? last : static_cast<std::int64_t>(low + width - 1);
    }
    for (const auto& [value, count] : counts) {
        const std::uint64_t index = (std::uint64_t(value) - std::uint64_t(first)) / width;
        bars[static_cast<std::size_t>(index)].count += count;
    }
    return bars;
}

namespace {

// The least round step that covers `span` in at most `maxTicks` steps.
std::int64_t roundStep(std::uint64_t span, std::int32_t maxTicks) {
    const std::uint64_t ticks = std::uint64_t(std::max(maxTicks, 1));
    for (std::uint64_t power = 1;; power *= 10) {
        for (const std::uint64_t step : {power, 2 * power, 5 * power}) {
            if (span / step + (span % step != 0) <= ticks) return static_cast<std::int64_t>(step);
        }
        if (power > span) return static_cast<std::int64_t>(power * 10);
    }
}

}  // namespace

std::vector<std::int64_t> axisTicks(std::int64_t maximum, std::int32_t maxTicks) {
    maximum = std::max<std::int64_t>(maximum, 1);
    const std::int64_t step = roundStep(std::uint64_t(maximum), maxTicks);
    std::vector<std::int64_t> ticks;
    for (std::int64_t tick = 0;; tick += step) {
        ticks.push_back(tick);
        if (tick >= maximum) break;
    }
    return ticks;
}

std::vector<std::int64_t> rangeTicks(std::int64_t low, std::int64_t high, std::int32_t maxTicks) {
    if (high < low) return {};
    const std::int64_t step = roundStep(std::uint64_t(high) - std::uint64_t(low), maxTicks);
    // The first multiple of the step at or above low (division rounds towards zero).
    std::int64_t tick = low / step * step;
    if (tick < low) tick += step;
    std::vector<std::int64_t> ticks;
    for (; tick <= high; tick += step) {
        ticks.push_back(tick);
        if (high - tick < step) break;
    }
    // A range narrower than the step still gets its start labelled.
    if (ticks.empty()) ticks.push_back(low);
    return ticks;
}

}  // namespace pellisor
