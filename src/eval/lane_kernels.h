#pragma once

#include "model/function_table.h"

#include <cstddef>
#include <cstdint>

namespace pellisor {

// One block of a compiled circuit: its function and the slots of its operands and result.
struct LaneOperation {
    FunctionId function;
    std::uint32_t a, b, c, result;
    std::uint32_t second = 0;  // the MAX of a fused pair
};

// A MIN block and a MAX block of the same two operands computed in one pass: `result` gets the MIN,
// `second` the MAX. Outside the function set, where no operation's function lies.
inline constexpr auto kMinMaxPair = static_cast<FunctionId>(1000);

// Runs the operations in order over `lanes` lanes of 8-bit, 16-bit or 32-bit values, with vector code
// for the processor the program runs on (chosen once at run time). slots[s] points at the lanes of slot
// s; every slot must have room for `lanes` values and kLanePaddingBytes more bytes. 32-bit lanes
// compute exactly what the plain evaluator computes; for the narrow ones the caller guarantees, by a
// range analysis, that every value the plain evaluator would compute fits the width.
void runOperations8(const LaneOperation* operations, std::size_t count, std::uint8_t* const* slots,
                    std::size_t lanes);
void runOperations16(const LaneOperation* operations, std::size_t count, std::int16_t* const* slots,
                     std::size_t lanes);
void runOperations32(const LaneOperation* operations, std::size_t count, std::int32_t* const* slots,
                     std::size_t lanes);

// Lanes are processed in whole vectors; this covers the widest vector of every target.
constexpr std::size_t kLanePaddingBytes = 256;

// The vector instruction set the kernels run with on this processor, for reports.
const char* laneKernelTarget();

}  // namespace pellisor
