#include "model/function_table.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace pellisor {
namespace {

TEST(FunctionSet, DescriptionsPadTheOperationToSeventeenCharacters) {
    // The typed functions: operation, blanks to column 17, then the signature.
    for (std::int32_t id = 1; id <= 16; ++id) {
        const std::string text(functionDescription(id));
        SCOPED_TRACE(text);
        const std::size_t signature = text.find_first_not_of(' ', text.find("  "));
        if (id == 12 || id == 15) {
            EXPECT_EQ(19u, signature);  // the operation fills 17 characters, two blanks follow
        } else {
            EXPECT_EQ(17u, signature);
        }
    }
    EXPECT_EQ("NOT in2          bit  -> bit", functionDescription(7));
    EXPECT_EQ("(in3=0) ? in1:in2  bit/int x bit/int x bit/int -> bit/int", functionDescription(15));
    EXPECT_EQ("in1 +' in2 (8b)", functionDescription(25));
    EXPECT_EQ("in1 SHR 8", functionDescription(33));
    EXPECT_EQ("in1 SHL 1", functionDescription(34));
    EXPECT_EQ("in1 SHL 8", functionDescription(41));
    EXPECT_EQ("in1 - in2 (8b)", functionDescription(42));
    EXPECT_EQ("in1 SHL 9", functionDescription(45));
    EXPECT_EQ("in1 SHL 15", functionDescription(51));
    EXPECT_EQ("", functionDescription(0));
    EXPECT_EQ("", functionDescription(52));
    EXPECT_EQ("", functionDescription(-3));
}

TEST(FunctionSet, UsageMasksSayWhichInputsAreRead) {
    EXPECT_EQ(-1, functionReads(0));
    EXPECT_EQ(-1, functionReads(1));
    EXPECT_EQ(1, functionReads(4));
    EXPECT_EQ(2, functionReads(5));
    EXPECT_EQ(2, functionReads(7));
    EXPECT_EQ(2, functionReads(14));
    EXPECT_EQ(0, functionReads(17));
    EXPECT_EQ(1, functionReads(18));
    EXPECT_EQ(-1, functionReads(19));
    EXPECT_EQ(1, functionReads(27));
    EXPECT_EQ(1, functionReads(33));
    EXPECT_EQ(1, functionReads(41));
    EXPECT_EQ(-1, functionReads(42));
    EXPECT_EQ(-1, functionReads(44));
    EXPECT_EQ(1, functionReads(45));
    EXPECT_EQ(1, functionReads(51));
    EXPECT_EQ(-1, functionReads(52));
    EXPECT_EQ(-1, functionReads(-1));
    for (std::int32_t id = -2; id <= 53; ++id) {
        EXPECT_EQ(id == 12 || id == 15 || id == 19 || id == 23 || id == 27, functionHasLabelledInputs(id))
            << id;
    }
}

TEST(FunctionSet, ArithmeticKeepsThirtyTwoBitsUnlessMasked) {
    EXPECT_EQ(0x0C, applyFunction(1, 0x0F, 0x3C, 0));
    EXPECT_EQ(0x3F, applyFunction(2, 0x0F, 0x3C, 0));
    EXPECT_EQ(0x33, applyFunction(3, 0x0F, 0x3C, 0));
    EXPECT_EQ(-5, applyFunction(4, -5, 9, 0));
    EXPECT_EQ(9, applyFunction(5, -5, 9, 0));
    // Bit functions look at bit 0 only.
    EXPECT_EQ(0, applyFunction(6, 3, 0, 0));
    EXPECT_EQ(1, applyFunction(6, 2, 0, 0));
    EXPECT_EQ(1, applyFunction(7, 0, 4, 0));
    EXPECT_EQ(0, applyFunction(8, 3, 5, 0));
    EXPECT_EQ(1, applyFunction(8, 2, 5, 0));
    EXPECT_EQ(1, applyFunction(9, 2, 4, 0));
    EXPECT_EQ(0, applyFunction(9, 2, 5, 0));
    EXPECT_EQ(1, applyFunction(12, 1, 2, 0));
    EXPECT_EQ(0, applyFunction(12, 1, 3, 0));
    EXPECT_EQ(1, applyFunction(16, 6, 2, 0));
    EXPECT_EQ(0, applyFunction(16, 7, 2, 0));
    // Signed comparison.
    EXPECT_EQ(3, applyFunction(10, -7, 3, 0));
    EXPECT_EQ(-7, applyFunction(11, -7, 3, 0));
    EXPECT_EQ(-100, applyFunction(13, 100, 0, 0));
    EXPECT_EQ(-2147483647 - 1, applyFunction(13, -2147483647 - 1, 0, 0));  // wraps
    EXPECT_EQ(-100, applyFunction(14, 0, 100, 0));
    EXPECT_EQ(5, applyFunction(15, 5, 6, 0));
    EXPECT_EQ(6, applyFunction(15, 5, 6, 7));
    EXPECT_EQ(255, applyFunction(17, 1, 2, 3));
    EXPECT_EQ(-45, applyFunction(18, 300, 0, 0));
    EXPECT_EQ(0xF5 | 0x100, applyFunction(19, 10, 0x100, 0));
    EXPECT_EQ(255 - 8, applyFunction(20, 12, 10, 0));
}

TEST(FunctionSet, EightBitOperationsFromTheExamples) {
    EXPECT_EQ(255, applyFunction(25, 200, 100, 0));
    EXPECT_EQ(-290, applyFunction(25, -300, 10, 0));
    EXPECT_EQ(44, applyFunction(24, 200, 100, 0));
    EXPECT_EQ(-2, applyFunction(21, -3, 0, 0));
    EXPECT_EQ(-2, applyFunction(26, -3, 0, 0));
    EXPECT_EQ(0xAC, applyFunction(23, 0x5A, 0xC3, 0));
    EXPECT_EQ(0x32, applyFunction(23, 3, 0x120, 0));
    EXPECT_EQ(65280, applyFunction(41, 255, 0, 0));
    EXPECT_EQ(32768, applyFunction(51, 1, 0, 0));
    EXPECT_EQ(-2147483647 - 1, applyFunction(51, 0x10000, 0, 0));
    EXPECT_EQ(0, applyFunction(27, 255, 0, 0));
    EXPECT_EQ(254, applyFunction(27, 254, 0, 0));
    EXPECT_EQ(-1, applyFunction(22, -1, 0, 0));
    EXPECT_EQ(1, applyFunction(33, 256, 0, 0));   // SHR 8
    EXPECT_EQ(31, applyFunction(28, 255, 0, 0));  // SHR 3
    EXPECT_EQ(2, applyFunction(34, 1, 0, 0));     // SHL 1
    EXPECT_EQ(512, applyFunction(45, 1, 0, 0));   // SHL 9
    EXPECT_EQ(246, applyFunction(42, 10, 20, 0));
    EXPECT_EQ(0xFFF6, applyFunction(44, 10, 20, 0));
    EXPECT_EQ(0x0004, applyFunction(43, 0xFFFF, 5, 0));
    // Sums that overflow 32 bits wrap instead of being undefined.
    EXPECT_EQ(-1073741824, applyFunction(26, 2147483647, 1, 0));
    EXPECT_EQ(0, applyFunction(0, 1, 2, 3));
    EXPECT_EQ(0, applyFunction(52, 1, 2, 3));
    EXPECT_EQ(0, applyFunction(-1, 1, 2, 3));
}

// Each row's range holds what its kernel gives: for every pair of bytes (the filter's case, where the
// range decides the lane width), and for any 32-bit values.
TEST(FunctionTable, EveryKernelStaysInItsRange) {
    std::mt19937 rng(5);
    ASSERT_EQ(static_cast<std::size_t>(kFunctionCount) + 1, functionTable().size());
    for (const FunctionInfo& row : functionTable()) {
        const std::int32_t id = toIdentifier(row.id);
        EXPECT_EQ(&row, &functionInfo(id));
        const ValueRange bytes = row.range(kByteValues, kByteValues, kByteValues);
        for (std::int32_t a = 0; a < 256; ++a) {
            for (std::int32_t b = 0; b < 256; ++b) {
                const std::int32_t value = row.compute(a, b, (a ^ b) & 1);
                ASSERT_TRUE(value >= bytes.low && value <= bytes.high) << id << " " << a << " " << b;
            }
        }
        const ValueRange any = row.range(kAnyValue, kAnyValue, kAnyValue);
        for (int trial = 0; trial < 2000; ++trial) {
            const auto a = static_cast<std::int32_t>(rng()), b = static_cast<std::int32_t>(rng());
            const std::int32_t value = row.compute(a, b, static_cast<std::int32_t>(rng() % 2));
            ASSERT_TRUE(value >= any.low && value <= any.high) << id << " " << a << " " << b;
        }
    }
    EXPECT_EQ(FunctionId::None, functionIdOf(52));
    EXPECT_EQ(FunctionId::None, functionIdOf(-1));
    EXPECT_EQ(&functionInfo(0), &functionInfo(1000));
}

}  // namespace
}  // namespace pellisor
