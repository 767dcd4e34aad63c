#include "eval/value_ranges.h"

#include <algorithm>
#include <bit>

namespace pellisor {

namespace {

constexpr std::int64_t kLowest = INT32_MIN;
constexpr std::int64_t kHighest = INT32_MAX;

// A computed interval that leaves the 32-bit range wraps around: then any value is possible.
ValueRange clamped(std::int64_t low, std::int64_t high) {
    if (low < kLowest || high > kHighest) return kAnyValue;
    return {low, high};
}

ValueRange sumOf(ValueRange a, ValueRange b) { return clamped(a.low + b.low, a.high + b.high); }
ValueRange differenceOf(ValueRange a, ValueRange b) { return clamped(a.low - b.high, a.high - b.low); }
ValueRange constant(std::int64_t value) { return {value, value}; }

// OR and XOR of non-negative values stay below the next power of two above both.
ValueRange bitwiseUnion(ValueRange a, ValueRange b) {
    if (a.low < 0 || b.low < 0) return kAnyValue;
    const auto highest = static_cast<std::uint64_t>(std::max(a.high, b.high));
    const std::int64_t bound = (std::int64_t{1} << std::bit_width(highest)) - 1;
    return {0, bound};
}

// AND with a non-negative value keeps a subset of its bits.
ValueRange bitwiseAnd(ValueRange a, ValueRange b) {
    if (a.low >= 0 && b.low >= 0) return {0, std::min(a.high, b.high)};
    if (a.low >= 0) return {0, a.high};
    if (b.low >= 0) return {0, b.high};
    return kAnyValue;
}

ValueRange shiftedRight(ValueRange a, int n) { return {a.low >> n, a.high >> n}; }

ValueRange shiftedLeft(ValueRange a, int n) {
    if (a.low < 0) return kAnyValue;
    return clamped(a.low << n, a.high << n);
}

// A masked result lies in the mask; when the unmasked value already does, the mask changes nothing.
ValueRange masked(ValueRange value, std::int64_t mask) {
    if (value.within(0, mask)) return value;
    return {0, mask};
}

}  // namespace

ValueRange resultRange(std::int32_t id, ValueRange a, ValueRange b, ValueRange c) {
    (void)c;
    switch (id) {
        case 1: return bitwiseAnd(a, b);
        case 2:
        case 3: return bitwiseUnion(a, b);
        case 4: return a;
        case 5: return b;
        case 6:
        case 7:
        case 8:
        case 9:
        case 12:
        case 16: return {0, 1};
        case 10: return {std::max(a.low, b.low), std::max(a.high, b.high)};
        case 11: return {std::min(a.low, b.low), std::min(a.high, b.high)};
        case 13: return differenceOf(constant(0), a);
        case 14: return differenceOf(constant(0), b);
        case 15: return {std::min(a.low, b.low), std::max(a.high, b.high)};
        case 17: return constant(255);
        case 18: return differenceOf(constant(255), a);
        case 19: return bitwiseUnion(differenceOf(constant(255), a), b);
        case 20: return differenceOf(constant(255), bitwiseAnd(a, b));
        case 21: return shiftedRight(a, 1);
        case 22: return shiftedRight(a, 2);
        case 23: return bitwiseUnion({0, 0xF0}, shiftedRight(b, 4));
        case 24: return masked(sumOf(a, b), 0xFF);
        case 25: {
            const ValueRange sum = sumOf(a, b);
            return {std::min<std::int64_t>(sum.low, 255), std::min<std::int64_t>(sum.high, 255)};
        }
        case 26: return shiftedRight(sumOf(a, b), 1);
        case 27: return {std::min<std::int64_t>(a.low, 0), a.high};
        case 42: return masked(differenceOf(a, b), 0xFF);
        case 43: return masked(sumOf(a, b), 0xFFFF);
        case 44: return masked(differenceOf(a, b), 0xFFFF);
        default: break;
    }
    if (id >= 28 && id <= 33) return shiftedRight(a, id - 25);
    if (id >= 34 && id <= 41) return shiftedLeft(a, id - 33);
    if (id >= 45 && id <= 51) return shiftedLeft(a, id - 36);
    return constant(0);
}

ValueRange workingRange(std::int32_t id, ValueRange a, ValueRange b, ValueRange c) {
    if (id == 25 || id == 26) {
        const ValueRange sum = sumOf(a, b);
        const ValueRange result = resultRange(id, a, b, c);
        return {std::min(sum.low, result.low), std::max(sum.high, result.high)};
    }
    return resultRange(id, a, b, c);
}

}  // namespace pellisor
