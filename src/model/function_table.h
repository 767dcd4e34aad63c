#pragma once

#include "model/usage_mask.h"
#include "model/value_range.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace pellisor {

// The fixed function set. A function identifier is an int32: 1 to 51 name these functions, 0 means
// "no function", and every other number behaves like 0.
enum class FunctionId : std::int32_t {
    None = 0,
    And,           // in1 AND in2
    Or,            // in1 OR in2
    Xor,           // in1 XOR in2
    In1,           // in1
    In2,           // in2
    NotIn1,        // NOT in1, bit 0
    NotIn2,        // NOT in2, bit 0
    Nand,          // bit 0
    Nor,           // bit 0
    Max,           // signed
    Min,           // signed
    In1AndNotIn2,  // bit 0
    NegateIn1,     // -in1
    NegateIn2,     // -in2
    Mux,           // (in3=0) ? in1:in2, only in circuits of arity 3
    Nxor,          // bit 0
    Constant255,   // 255
    Invert,        // 255-in1
    InvertOrIn2,   // (255-in1) OR in2
    InvertAnd,     // 255-(in1 AND in2)
    ShiftRight1,
    ShiftRight2,
    Nibbles,         // low nibble of in1, then high nibble of in2
    Add8,            // (in1 + in2) AND 0xFF
    AddSaturating8,  // in1 + in2, 255 when above
    Mean,            // (in1 + in2) >> 1
    ZeroIf255,       // (in1=255) ? 0 : in1
    ShiftRight3,
    ShiftRight4,
    ShiftRight5,
    ShiftRight6,
    ShiftRight7,
    ShiftRight8,
    ShiftLeft1,
    ShiftLeft2,
    ShiftLeft3,
    ShiftLeft4,
    ShiftLeft5,
    ShiftLeft6,
    ShiftLeft7,
    ShiftLeft8,
    Subtract8,   // (in1 - in2) AND 0xFF
    Add16,       // (in1 + in2) AND 0xFFFF
    Subtract16,  // (in1 - in2) AND 0xFFFF
    ShiftLeft9,
    ShiftLeft10,
    ShiftLeft11,
    ShiftLeft12,
    ShiftLeft13,
    ShiftLeft14,
    ShiftLeft15,
};

inline constexpr std::int32_t kFunctionCount = 51;

constexpr std::int32_t toIdentifier(FunctionId id) {
    return static_cast<std::int32_t>(id);
}

// The function an identifier names; None for 0 and every identifier outside the set.
constexpr FunctionId functionIdOf(std::int32_t identifier) {
    return identifier >= 1 && identifier <= kFunctionCount ? static_cast<FunctionId>(identifier)
                                                           : FunctionId::None;
}

inline constexpr std::int32_t kMuxFunction = toIdentifier(FunctionId::Mux);

// Everything a function means, in one row of the table.
struct FunctionInfo {
    FunctionId id;
    // The exact text shown to the user; the blanks inside it are part of it.
    std::string_view description;
    // The usage mask: bit k set means the function reads input k; kAllInputs means every input.
    std::int32_t reads;
    // Whether the graph export labels the block's inputs "a" and "b".
    bool labelledInputs;
    // The value computed from a ("in1"), b ("in2") and c ("in3"), with 32-bit two's complement
    // arithmetic; a result masks or saturates only where the function says so.
    std::int32_t (*compute)(std::int32_t a, std::int32_t b, std::int32_t c);
    // A sound bound of what compute gives for operands in the given ranges.
    ValueRange (*range)(ValueRange a, ValueRange b, ValueRange c);
};

// The rows of None and the 51 functions, in identifier order.
std::span<const FunctionInfo> functionTable();

// The row of a function; that of None for every identifier outside the set.
const FunctionInfo& functionInfo(FunctionId id);
inline const FunctionInfo& functionInfo(std::int32_t identifier) {
    return functionInfo(functionIdOf(identifier));
}

// The same, one field at a time, for any identifier.
inline std::string_view functionDescription(std::int32_t id) {
    return functionInfo(id).description;
}
// The operation of the description, without the type signature that follows two blanks.
inline std::string_view functionOperation(std::int32_t id) {
    const std::string_view description = functionDescription(id);
    return description.substr(0, description.find("  "));
}
inline std::int32_t functionReads(std::int32_t id) {
    return functionInfo(id).reads;
}
inline bool functionHasLabelledInputs(std::int32_t id) {
    return functionInfo(id).labelledInputs;
}
inline std::int32_t applyFunction(std::int32_t id, std::int32_t a, std::int32_t b, std::int32_t c) {
    return functionInfo(id).compute(a, b, c);
}
inline ValueRange resultRange(std::int32_t id, ValueRange a, ValueRange b, ValueRange c) {
    return functionInfo(id).range(a, b, c);
}

}  // namespace pellisor
