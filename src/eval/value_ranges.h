#pragma once

#include "model/function_table.h"
#include "model/value_range.h"

#include <cstdint>

namespace pellisor {

// The widest value the lane kernels form on the way to a function's result: for a function that
// compares or shifts a sum (saturating and halving sums) that is the sum, otherwise the result itself.
// A lane type holds the function exactly when this and the operands fit it.
ValueRange workingRange(FunctionId id, ValueRange a, ValueRange b, ValueRange c);
inline ValueRange workingRange(std::int32_t identifier, ValueRange a, ValueRange b, ValueRange c) {
    return workingRange(functionIdOf(identifier), a, b, c);
}

}  // namespace pellisor
