#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

namespace pellisor {

// An interval that holds every value a slot can take; wide enough for sums of two 32-bit values.
struct ValueRange {
    std::int64_t low = 0;
    std::int64_t high = 0;

    constexpr bool within(std::int64_t lowest, std::int64_t highest) const {
        return low >= lowest && high <= highest;
    }
};

inline constexpr ValueRange kAnyValue{INT32_MIN, INT32_MAX};
inline constexpr ValueRange kByteValues{0, 255};
inline constexpr ValueRange kBitValues{0, 1};

// Interval arithmetic over 32-bit values: each gives a sound bound of the operation's results for
// operands in the given intervals (not always the tightest one).
namespace ranges {

// A computed interval that leaves the 32-bit range wraps around: then any value is possible.
constexpr ValueRange clamped(std::int64_t low, std::int64_t high) {
    if (low < INT32_MIN || high > INT32_MAX) return kAnyValue;
    return {low, high};
}

constexpr ValueRange constant(std::int64_t value) {
    return {value, value};
}
constexpr ValueRange sumOf(ValueRange a, ValueRange b) {
    return clamped(a.low + b.low, a.high + b.high);
}
constexpr ValueRange differenceOf(ValueRange a, ValueRange b) {
    return clamped(a.low - b.high, a.high - b.low);
}
constexpr ValueRange hull(ValueRange a, ValueRange b) {
    return {std::min(a.low, b.low), std::max(a.high, b.high)};
}
constexpr ValueRange maximum(ValueRange a, ValueRange b) {
    return {std::max(a.low, b.low), std::max(a.high, b.high)};
}
constexpr ValueRange minimum(ValueRange a, ValueRange b) {
    return {std::min(a.low, b.low), std::min(a.high, b.high)};
}
// Values above `cap` replaced by it.
constexpr ValueRange capped(ValueRange a, std::int64_t cap) {
    return {std::min(a.low, cap), std::min(a.high, cap)};
}
// The values, some of them replaced by `value`, which is never above the value it replaces.
constexpr ValueRange reaching(ValueRange a, std::int64_t value) {
    return {std::min(a.low, value), a.high};
}

// OR and XOR of non-negative values stay below the next power of two above both.
constexpr ValueRange bitwiseUnion(ValueRange a, ValueRange b) {
    if (a.low < 0 || b.low < 0) return kAnyValue;
    const auto highest = static_cast<std::uint64_t>(std::max(a.high, b.high));
    const std::int64_t bound = (std::int64_t{1} << std::bit_width(highest)) - 1;
    return {0, bound};
}

// AND with a non-negative value keeps a subset of its bits.
constexpr ValueRange bitwiseAnd(ValueRange a, ValueRange b) {
    if (a.low >= 0 && b.low >= 0) return {0, std::min(a.high, b.high)};
    if (a.low >= 0) return {0, a.high};
    if (b.low >= 0) return {0, b.high};
    return kAnyValue;
}

constexpr ValueRange shiftedRight(ValueRange a, int n) {
    return {a.low >> n, a.high >> n};
}

constexpr ValueRange shiftedLeft(ValueRange a, int n) {
    if (a.low < 0) return kAnyValue;
    return clamped(a.low << n, a.high << n);
}

// A masked result lies in the mask; when the unmasked value already does, the mask changes nothing.
constexpr ValueRange masked(ValueRange value, std::int64_t mask) {
    if (value.within(0, mask)) return value;
    return {0, mask};
}

}  // namespace ranges
}  // namespace pellisor
