#include "model/function_table.h"

#include <algorithm>
#include <array>

namespace pellisor {

namespace {

using V = std::int32_t;
using R = ValueRange;
using namespace ranges;

constexpr std::int32_t kReadsIn1 = 1;
constexpr std::int32_t kReadsIn2 = 2;
constexpr std::int32_t kReadsNothing = 0;
constexpr ValueRange kHighNibble{0, 0xF0};

// Arithmetic wraps in two's complement; going through unsigned keeps that free of undefined behaviour.
constexpr V wrap(std::uint32_t value) {
    return static_cast<V>(value);
}
constexpr std::uint32_t bits(V value) {
    return static_cast<std::uint32_t>(value);
}
constexpr V add(V a, V b) {
    return wrap(bits(a) + bits(b));
}
constexpr V subtract(V a, V b) {
    return wrap(bits(a) - bits(b));
}
constexpr V bit0(V value) {
    return value & 1;
}

// The shifts by a constant: a >> n copies the sign bit in, a << n loses the bits beyond bit 31.
template <int N>
constexpr FunctionInfo shiftRightRow(FunctionId id, std::string_view description) {
    return {id,
            description,
            kReadsIn1,
            false,
            [](V a, V, V) { return a >> N; },
            [](R a, R, R) { return shiftedRight(a, N); }};
}

template <int N>
constexpr FunctionInfo shiftLeftRow(FunctionId id, std::string_view description) {
    return {id,
            description,
            kReadsIn1,
            false,
            [](V a, V, V) { return wrap(bits(a) << N); },
            [](R a, R, R) { return shiftedLeft(a, N); }};
}

// Index = identifier. The bit functions look at bit 0 only and give 0 or 1.
constexpr std::array<FunctionInfo, kFunctionCount + 1> kTable{{
    {FunctionId::None, "", kAllInputs, false,  //
     [](V, V, V) { return 0; }, [](R, R, R) { return constant(0); }},
    {FunctionId::And, "in1 AND in2      int x int -> int", kAllInputs, false,  //
     [](V a, V b, V) { return a & b; }, [](R a, R b, R) { return bitwiseAnd(a, b); }},
    {FunctionId::Or, "in1 OR in2       int x int -> int", kAllInputs, false,  //
     [](V a, V b, V) { return a | b; }, [](R a, R b, R) { return bitwiseUnion(a, b); }},
    {FunctionId::Xor, "in1 XOR in2      int x int -> int", kAllInputs, false,  //
     [](V a, V b, V) { return a ^ b; }, [](R a, R b, R) { return bitwiseUnion(a, b); }},
    {FunctionId::In1, "in1              int x int -> int", kReadsIn1, false,  //
     [](V a, V, V) { return a; }, [](R a, R, R) { return a; }},
    {FunctionId::In2, "in2              int x int -> int", kReadsIn2, false,  //
     [](V, V b, V) { return b; }, [](R, R b, R) { return b; }},
    {FunctionId::NotIn1, "NOT in1          bit -> bit", kReadsIn1, false,  //
     [](V a, V, V) { return bit0(~a); }, [](R, R, R) { return kBitValues; }},
    {FunctionId::NotIn2, "NOT in2          bit  -> bit", kReadsIn2, false,  //
     [](V, V b, V) { return bit0(~b); }, [](R, R, R) { return kBitValues; }},
    {FunctionId::Nand, "in1 NAND in2     bit x bit -> bit", kAllInputs, false,  //
     [](V a, V b, V) { return bit0(~(a & b)); }, [](R, R, R) { return kBitValues; }},
    {FunctionId::Nor, "in1 NOR in2      bit x bit -> bit", kAllInputs, false,  //
     [](V a, V b, V) { return bit0(~(a | b)); }, [](R, R, R) { return kBitValues; }},
    {FunctionId::Max, "MAX(in1,in2)     int x int -> int", kAllInputs, false,  //
     [](V a, V b, V) { return std::max(a, b); }, [](R a, R b, R) { return maximum(a, b); }},
    {FunctionId::Min, "MIN(in1,in2)     int x int -> int", kAllInputs, false,  //
     [](V a, V b, V) { return std::min(a, b); }, [](R a, R b, R) { return minimum(a, b); }},
    {FunctionId::In1AndNotIn2, "in1 AND (NOT in2)  bit x bit -> bit", kAllInputs, true,  //
     [](V a, V b, V) { return bit0(a & ~b); }, [](R, R, R) { return kBitValues; }},
    {FunctionId::NegateIn1, "NEG in1          int -> int", kReadsIn1, false,  //
     [](V a, V, V) { return subtract(0, a); }, [](R a, R, R) { return differenceOf(constant(0), a); }},
    {FunctionId::NegateIn2, "NEG in2          int -> int", kReadsIn2, false,  //
     [](V, V b, V) { return subtract(0, b); }, [](R, R b, R) { return differenceOf(constant(0), b); }},
    {FunctionId::Mux, "(in3=0) ? in1:in2  bit/int x bit/int x bit/int -> bit/int", kAllInputs, true,  //
     [](V a, V b, V c) { return c == 0 ? a : b; }, [](R a, R b, R) { return hull(a, b); }},
    {FunctionId::Nxor, "in1 NXOR in2     bit x bit -> bit", kAllInputs, false,  //
     [](V a, V b, V) { return bit0(~(a ^ b)); }, [](R, R, R) { return kBitValues; }},
    {FunctionId::Constant255, "255", kReadsNothing, false,  //
     [](V, V, V) { return 255; }, [](R, R, R) { return constant(255); }},
    // 255-in1 is not masked: in1 above 255 gives a negative value.
    {FunctionId::Invert, "255-in1", kReadsIn1, false,  //
     [](V a, V, V) { return subtract(255, a); }, [](R a, R, R) { return differenceOf(constant(255), a); }},
    {FunctionId::InvertOrIn2, "(255-in1) OR in2", kAllInputs, true,  //
     [](V a, V b, V) { return subtract(255, a) | b; },
     [](R a, R b, R) { return bitwiseUnion(differenceOf(constant(255), a), b); }},
    {FunctionId::InvertAnd, "255-(in1 AND in2)", kAllInputs, false,  //
     [](V a, V b, V) { return subtract(255, a & b); },
     [](R a, R b, R) { return differenceOf(constant(255), bitwiseAnd(a, b)); }},
    shiftRightRow<1>(FunctionId::ShiftRight1, "in1 SHR 1"),
    shiftRightRow<2>(FunctionId::ShiftRight2, "in1 SHR 2"),
    // b is not masked: its bits above bit 7 reach bits 4 and up.
    {FunctionId::Nibbles, "in1 & in2 (4+4b)", kAllInputs, true,  //
     [](V a, V b, V) { return (wrap(bits(a) << 4) & 0xF0) | (b >> 4); },
     [](R, R b, R) { return bitwiseUnion(kHighNibble, shiftedRight(b, 4)); }},
    {FunctionId::Add8, "in1 + in2 (8b)", kAllInputs, false,  //
     [](V a, V b, V) { return add(a, b) & 0xFF; }, [](R a, R b, R) { return masked(sumOf(a, b), 0xFF); }},
    // A negative sum passes unchanged.
    {FunctionId::AddSaturating8, "in1 +' in2 (8b)", kAllInputs, false,  //
     [](V a, V b, V) { return std::min(add(a, b), 255); },
     [](R a, R b, R) { return capped(sumOf(a, b), 255); }},
    // Truncates towards minus infinity.
    {FunctionId::Mean, "IMEAN(in1,in2)", kAllInputs, false,  //
     [](V a, V b, V) { return add(a, b) >> 1; }, [](R a, R b, R) { return shiftedRight(sumOf(a, b), 1); }},
    {FunctionId::ZeroIf255, "(in1=255) ? 0 : in1", kReadsIn1, true,  //
     [](V a, V, V) { return a == 255 ? 0 : a; }, [](R a, R, R) { return reaching(a, 0); }},
    shiftRightRow<3>(FunctionId::ShiftRight3, "in1 SHR 3"),
    shiftRightRow<4>(FunctionId::ShiftRight4, "in1 SHR 4"),
    shiftRightRow<5>(FunctionId::ShiftRight5, "in1 SHR 5"),
    shiftRightRow<6>(FunctionId::ShiftRight6, "in1 SHR 6"),
    shiftRightRow<7>(FunctionId::ShiftRight7, "in1 SHR 7"),
    shiftRightRow<8>(FunctionId::ShiftRight8, "in1 SHR 8"),
    shiftLeftRow<1>(FunctionId::ShiftLeft1, "in1 SHL 1"),
    shiftLeftRow<2>(FunctionId::ShiftLeft2, "in1 SHL 2"),
    shiftLeftRow<3>(FunctionId::ShiftLeft3, "in1 SHL 3"),
    shiftLeftRow<4>(FunctionId::ShiftLeft4, "in1 SHL 4"),
    shiftLeftRow<5>(FunctionId::ShiftLeft5, "in1 SHL 5"),
    shiftLeftRow<6>(FunctionId::ShiftLeft6, "in1 SHL 6"),
    shiftLeftRow<7>(FunctionId::ShiftLeft7, "in1 SHL 7"),
    shiftLeftRow<8>(FunctionId::ShiftLeft8, "in1 SHL 8"),
    {FunctionId::Subtract8, "in1 - in2 (8b)", kAllInputs, false,  //
     [](V a, V b, V) { return subtract(a, b) & 0xFF; },
     [](R a, R b, R) { return masked(differenceOf(a, b), 0xFF); }},
    {FunctionId::Add16, "in1 + in2 (16b)", kAllInputs, false,  //
     [](V a, V b, V) { return add(a, b) & 0xFFFF; }, [](R a, R b, R) { return masked(sumOf(a, b), 0xFFFF); }},
    {FunctionId::Subtract16, "in1 - in2 (16b)", kAllInputs, false,  //
     [](V a, V b, V) { return subtract(a, b) & 0xFFFF; },
     [](R a, R b, R) { return masked(differenceOf(a, b), 0xFFFF); }},
    shiftLeftRow<9>(FunctionId::ShiftLeft9, "in1 SHL 9"),
    shiftLeftRow<10>(FunctionId::ShiftLeft10, "in1 SHL 10"),
    shiftLeftRow<11>(FunctionId::ShiftLeft11, "in1 SHL 11"),
    shiftLeftRow<12>(FunctionId::ShiftLeft12, "in1 SHL 12"),
    shiftLeftRow<13>(FunctionId::ShiftLeft13, "in1 SHL 13"),
    shiftLeftRow<14>(FunctionId::ShiftLeft14, "in1 SHL 14"),
    shiftLeftRow<15>(FunctionId::ShiftLeft15, "in1 SHL 15"),
}};

// Every row present, in identifier order, with both of its functions.
constexpr bool isComplete() {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        const FunctionInfo& row = kTable[i];
        if (toIdentifier(row.id) != static_cast<std::int32_t>(i) || !row.compute || !row.range) return false;
    }
    return toIdentifier(FunctionId::ShiftLeft15) == kFunctionCount;
}
static_assert(isComplete(), "one row per function, in identifier order");

}  // namespace

std::span<const FunctionInfo> functionTable() {
    return kTable;
}

const FunctionInfo& functionInfo(FunctionId id) {
    const auto identifier = static_cast<std::size_t>(toIdentifier(functionIdOf(toIdentifier(id))));
    return kTable[identifier];
}

}  // namespace pellisor
