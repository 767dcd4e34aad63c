#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellisor {

// The most input bits a lookup table covers.
inline constexpr std::int32_t kMostLookupBits = 16;

// The circuit's results for every pair of operands a (the first widthA inputs) and b (the next widthB),
// least significant bit first, further inputs 0: entry a * 2^widthB + b holds the output bits, output j's
// bit 0 as bit j, of all outputs. Raises an Error for widths below 1, more than 16 bits together, more
// inputs needed than the circuit has or more than 16 outputs.
std::vector<std::uint16_t> lookupTable(const Chromosome& circuit, const FunctionAssignment& assignment,
                                       std::int32_t widthA, std::int32_t widthB);

// The table as a file holds it: every entry as a little-endian unsigned 16-bit value, in index order.
std::string lookupTableBytes(const std::vector<std::uint16_t>& table);

}  // namespace pellisor
