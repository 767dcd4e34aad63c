#include "eval/value_ranges.h"

namespace pellisor {

ValueRange workingRange(FunctionId id, ValueRange a, ValueRange b, ValueRange c) {
    const ValueRange result = functionInfo(id).range(a, b, c);
    if (id == FunctionId::AddSaturating8 || id == FunctionId::Mean)
        return ranges::hull(ranges::sumOf(a, b), result);
    return result;
}

}  // namespace pellisor
