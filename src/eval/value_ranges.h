#pragma once

#include <cstdint>

namespace pellisor {

// An interval that holds every value a slot can take; wide enough for sums of two 32-bit values.
struct ValueRange {
    std::int64_t low = 0;
    std::int64_t high = 0;

    bool within(std::int64_t lowest, std::int64_t highest) const { return low >= lowest && high <= highest; }
};

inline constexpr ValueRange kAnyValue{INT32_MIN, INT32_MAX};
inline constexpr ValueRange kByteValues{0, 255};

// What the evaluator's function `id` can give for operands in the given ranges (a sound bound, not
// always the tightest one).
ValueRange resultRange(std::int32_t id, ValueRange a, ValueRange b, ValueRange c);

// The widest value the function forms on the way to its result: for a function that compares or shifts
// a sum (saturating and halving sums) that is the sum, otherwise the result itself. A lane type holds
// the function exactly when this and the operands fit it.
ValueRange workingRange(std::int32_t id, ValueRange a, ValueRange b, ValueRange c);

}  // namespace pellisor
