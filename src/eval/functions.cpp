#include "eval/functions.h"

#include "eval/function_kernels.h"

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
    return kernels::computeFunction(id, a, b, c);
}

}  // namespace pellisor
