#pragma once

#include <cstdint>
#include <string_view>

namespace pellisor {

// The fixed function set: identifiers 1 to 51; 0 and every other number mean "no function".
inline constexpr std::int32_t kFunctionCount = 51;
inline constexpr std::int32_t kMuxFunction = 15;  // "(in3=0) ? in1:in2", only in circuits of arity 3

// The exact text shown to the user; empty for 0 and for identifiers outside the set.
std::string_view functionDescription(std::int32_t id);

// Usage mask: bit k set means the function reads input k; -1 means all inputs.
std::int32_t functionReads(std::int32_t id);

// True for the functions whose inputs are labelled in the graph export (12, 15, 19, 23, 27).
bool functionHasLabelledInputs(std::int32_t id);

// The value the function computes from its inputs a ("in1"), b ("in2") and c ("in3"), with 32-bit
// two's complement arithmetic. Identifier 15 returns a when c is 0, else b.
std::int32_t applyFunction(std::int32_t id, std::int32_t a, std::int32_t b, std::int32_t c);

}  // namespace pellisor
