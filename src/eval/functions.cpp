#include "eval/functions.h"

#include <array>

namespace pellisor {

namespace {

constexpr std::int32_t kAll = -1;
constexpr std::int32_t kIn1 = 1;
constexpr std::int32_t kIn2 = 2;
constexpr std::int32_t kNone = 0;

// Index = identifier - 1. The blanks inside the texts are part of them.
constexpr std::array<std::string_view, kFunctionCount> kDescriptions{
    "in1 AND in2      int x int -> int",
    "in1 OR in2       int x int -> int",
    "in1 XOR in2      int x int -> int",
    "in1              int x int -> int",
    "in2              int x int -> int",
    "NOT in1          bit -> bit",
    "NOT in2          bit  -> bit",
    "in1 NAND in2     bit x bit -> bit",
    "in1 NOR in2      bit x bit -> bit",
    "MAX(in1,in2)     int x int -> int",
    "MIN(in1,in2)     int x int -> int",
    "in1 AND (NOT in2)  bit x bit -> bit",
    "NEG in1          int -> int",
    "NEG in2          int -> int",
    "(in3=0) ? in1:in2  bit/int x bit/int x bit/int -> bit/int",
    "in1 NXOR in2     bit x bit -> bit",
    "255",
    "255-in1",
    "(255-in1) OR in2",
    "255-(in1 AND in2)",
    "in1 SHR 1",
    "in1 SHR 2",
    "in1 & in2 (4+4b)",
    "in1 + in2 (8b)",
    "in1 +' in2 (8b)",
    "IMEAN(in1,in2)",
    "(in1=255) ? 0 : in1",
    "in1 SHR 3",
    "in1 SHR 4",
    "in1 SHR 5",
    "in1 SHR 6",
    "in1 SHR 7",
    "in1 SHR 8",
    "in1 SHL 1",
    "in1 SHL 2",
    "in1 SHL 3",
    "in1 SHL 4",
    "in1 SHL 5",
    "in1 SHL 6",
    "in1 SHL 7",
    "in1 SHL 8",
    "in1 - in2 (8b)",
    "in1 + in2 (16b)",
    "in1 - in2 (16b)",
    "in1 SHL 9",
    "in1 SHL 10",
    "in1 SHL 11",
    "in1 SHL 12",
    "in1 SHL 13",
    "in1 SHL 14",
    "in1 SHL 15",
};

bool inSet(std::int32_t id) { return id >= 1 && id <= kFunctionCount; }

// Arithmetic wraps in two's complement; going through unsigned keeps that free of undefined behaviour.
std::int32_t wrap(std::uint32_t value) { return static_cast<std::int32_t>(value); }
std::uint32_t bits(std::int32_t value) { return static_cast<std::uint32_t>(value); }
std::int32_t add(std::int32_t a, std::int32_t b) { return wrap(bits(a) + bits(b)); }
std::int32_t subtract(std::int32_t a, std::int32_t b) { return wrap(bits(a) - bits(b)); }
std::int32_t shiftLeft(std::int32_t a, int n) { return wrap(bits(a) << n); }
std::int32_t bit0(std::int32_t value) { return value & 1; }

}  // namespace

std::string_view functionDescription(std::int32_t id) {
    return inSet(id) ? kDescriptions[static_cast<std::size_t>(id - 1)] : std::string_view{};
}

std::int32_t functionReads(std::int32_t id) {
    switch (id) {
        case 4: case 6: case 13: case 18: case 21: case 22: case 27:
            return kIn1;
        case 5: case 7: case 14:
            return kIn2;
        case 17:
            return kNone;
        default:
            break;
    }
    if ((id >= 28 && id <= 41) || (id >= 45 && id <= 51)) return kIn1;
    return kAll;
}

bool functionHasLabelledInputs(std::int32_t id) {
    return id == 12 || id == 15 || id == 19 || id == 23 || id == 27;
}

std::int32_t applyFunction(std::int32_t id, std::int32_t a, std::int32_t b, std::int32_t c) {
    switch (id) {
        case 1: return a & b;
        case 2: return a | b;
        case 3: return a ^ b;
        case 4: return a;
        case 5: return b;
        case 6: return bit0(~a);
        case 7: return bit0(~b);
        case 8: return bit0(~(a & b));
        case 9: return bit0(~(a | b));
        case 10: return a > b ? a : b;
        case 11: return a < b ? a : b;
        case 12: return bit0(a & ~b);
        case 13: return subtract(0, a);
        case 14: return subtract(0, b);
        case 15: return c == 0 ? a : b;
        case 16: return bit0(~(a ^ b));
        case 17: return 255;
        case 18: return subtract(255, a);
        case 19: return subtract(255, a) | b;
        case 20: return subtract(255, a & b);
        case 21: return a >> 1;
        case 22: return a >> 2;
        case 23: return (shiftLeft(a, 4) & 0xF0) | (b >> 4);
        case 24: return add(a, b) & 0xFF;
        case 25: {
            const std::int32_t sum = add(a, b);
            return sum > 255 ? 255 : sum;
        }
        case 26: return add(a, b) >> 1;
        case 27: return a == 255 ? 0 : a;
        case 42: return subtract(a, b) & 0xFF;
        case 43: return add(a, b) & 0xFFFF;
        case 44: return subtract(a, b) & 0xFFFF;
        default: break;
    }
    if (id >= 28 && id <= 33) return a >> (id - 25);
    if (id >= 34 && id <= 41) return shiftLeft(a, id - 33);
    if (id >= 45 && id <= 51) return shiftLeft(a, id - 36);
    return 0;
}

}  // namespace pellisor
