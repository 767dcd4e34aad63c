#pragma once

#include "model/function_table.h"

#include <string>

namespace pellisor {

// The C expression of a function over the uint32_t operands a, b and c (names or constants such as
// "0u"): the two's complement result of the evaluator as a uint32_t, with no undefined or
// implementation-defined behaviour. Signed comparisons compare the operands with the sign bit
// flipped; arithmetic right shifts put the copies of the sign bit in by hand.
std::string cExpression(FunctionId id, const std::string& a, const std::string& b, const std::string& c);

}  // namespace pellisor
