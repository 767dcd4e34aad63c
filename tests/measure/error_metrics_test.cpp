// The error figures against independent computations: the plain evaluator vector by vector with the
// definitions written out here, the shipped exact circuits, and truncated adders whose figures follow
// from the operands alone.
#include "measure/error_metrics.h"
#include "eval/evaluator.h"
#include "measure/lookup_table.h"
#include "measure/measure_test_support.h"
#include "model/error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace pellisor {
namespace {

using test::exampleCircuit;

// The figures by their definitions, from (circuit, exact) pairs.
struct Expected {
    std::int64_t vectors = 0;
    std::int64_t wrong = 0;
    std::int64_t wce = 0;
    long double absoluteSum = 0;
    long double squareSum = 0;
    long double relativeSum = 0;
    long double worstRelative = 0;
    std::map<std::int64_t, std::int64_t> histogram;

    void add(std::int64_t result, std::int64_t exact) {
        const std::int64_t e = result - exact;
        ++vectors;
        ++histogram[e];
        wrong += e != 0;
        wce = std::max(wce, std::abs(e));
        absoluteSum += std::abs(e);
        squareSum += static_cast<long double>(e) * e;
        const long double relative =
            std::abs(e) / static_cast<long double>(std::max<std::int64_t>(1, std::abs(exact)));
        relativeSum += relative;
        worstRelative = std::max(worstRelative, relative);
    }

    void check(const ErrorFigures& figures, bool exhaustive) const {
        EXPECT_EQ(figures.vectors, vectors);
        EXPECT_EQ(figures.exhaustive, exhaustive);
        EXPECT_EQ(figures.wce, wce);
        EXPECT_EQ(figures.histogram, histogram);
        const auto n = static_cast<long double>(vectors);
        EXPECT_DOUBLE_EQ(figures.mae, static_cast<double>(absoluteSum / n));
        EXPECT_DOUBLE_EQ(figures.mse, static_cast<double>(squareSum / n));
        EXPECT_DOUBLE_EQ(figures.ep, static_cast<double>(100 * wrong / n));
        EXPECT_NEAR(figures.mre, static_cast<double>(100 * relativeSum / n), 1e-9 * (1 + figures.mre));
        EXPECT_DOUBLE_EQ(figures.wcre, static_cast<double>(100 * worstRelative));
    }
};

// SplitMix64 as it is usually written: a state stepped by the golden-ratio increment, then mixed.
struct SplitMix64 {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
};

// Every operand pair in input order, through the plain evaluator.
Expected plainArithmetic(Chromosome circuit, const FunctionAssignment& assignment, ErrorOperation operation,
                         std::int32_t wa, std::int32_t wb) {
    const std::int32_t resultBits = operation == ErrorOperation::Mul ? wa + wb : std::max(wa, wb) + 1;
    Expected expected;
    for (std::int64_t v = 0; v < (std::int64_t{1} << (wa + wb)); ++v) {
        const std::int64_t a = v % (std::int64_t{1} << wa);
        const std::int64_t b = v >> wa;
        for (std::int32_t k = 0; k < circuit.inputCount; ++k) {
            const std::int64_t bit = k < wa ? a >> k : k < wa + wb ? b >> (k - wa) : 0;
            circuit.blocks[std::size_t(k)].value = static_cast<std::int32_t>(bit & 1);
        }
        evaluate(circuit, assignment);
        std::int64_t result = 0;
        for (std::int32_t j = 0; j < resultBits; ++j)
            result += std::int64_t(circuit.blocks[std::size_t(circuit.firstOutput() + j)].value & 1) << j;
        if (operation == ErrorOperation::Sub && result >= (std::int64_t{1} << (resultBits - 1)))
            result -= std::int64_t{1} << resultBits;
        expected.add(result, operation == ErrorOperation::Add   ? a + b
                             : operation == ErrorOperation::Sub ? a - b
                                                                : a * b);
    }
    return expected;
}

// A ripple-carry adder of two w-bit operands in the gate-level dialect; optionally its lowest result
// bit tied to the constant 0.
std::string rippleAdder(int w, bool lowBitZero) {
    int next = 2 + 2 * w;
    std::string gates;
    auto gate = [&](int a, int b, int code) {
        gates += "([" + std::to_string(next) + "]" + std::to_string(a) + "," + std::to_string(b) + "," +
                 std::to_string(code) + ")";
        return next++;
    };
    int carry = 0;
    std::string outputs;
    for (int i = 0; i < w; ++i) {
        const int half = gate(2 + i, 2 + w + i, 4);
        const int sum = gate(half, carry, 4);
        carry = gate(gate(2 + i, 2 + w + i, 2), gate(half, carry, 2), 3);
        outputs += std::to_string(i == 0 && lowBitZero ? 0 : sum) + ",";
    }
    return "{" + std::to_string(2 * w) + "," + std::to_string(w + 1) + ",1," + std::to_string(5 * w) +
           ",2,1," + std::to_string(5 * w) + "}" + gates + "(" + outputs + std::to_string(carry) + ")";
}

TEST(ErrorMetrics, ExactShippedCircuitsHaveNoError) {
    const std::pair<const char*, ErrorSettings> cases[] = {
        {"adder_rca8.cgp", {ErrorOperation::Add, {8, 8}}},
        {"adder_cla8.cgp", {ErrorOperation::Add, {8, 8}}},
        {"adder_ks8.cgp", {ErrorOperation::Add, {8, 8}}},
        {"adder_nand8.cgp", {ErrorOperation::Add, {8, 8}}},
        {"adder_allcodes8.cgp", {ErrorOperation::Add, {8, 8}}},
        {"mul_array8.cgp", {ErrorOperation::Mul, {8, 8}}},
        {"mul_tree8.cgp", {ErrorOperation::Mul, {8, 8}}},
        {"median9.cha", {ErrorOperation::Median, {}}},
    };
    for (const auto& [file, settings] : cases) {
        SCOPED_TRACE(file);
        FunctionAssignment assignment;
        const Chromosome circuit = exampleCircuit(file, assignment);
        const ErrorFigures figures = measureError(circuit, assignment, settings);
        const std::int64_t vectors = settings.widths.empty() ? 1 << 20 : 1 << 16;
        EXPECT_EQ(figures.vectors, vectors);
        EXPECT_EQ(figures.exhaustive, !settings.widths.empty());
        EXPECT_EQ(figures.histogram, (std::map<std::int64_t, std::int64_t>{{0, vectors}}));
        EXPECT_EQ(figures.mae + figures.ep + figures.mre + figures.mse + figures.wcre + double(figures.wce),
                  0.0);
    }
}

TEST(ErrorMetrics, AdderWithLowestBitTiedToZero) {
    FunctionAssignment assignment;
    const Chromosome circuit = test::convertedCircuit(convertCgpText(rippleAdder(8, true)), assignment);
    const ErrorFigures figures = measureError(circuit, assignment, {ErrorOperation::Add, {8, 8}});
    EXPECT_TRUE(figures.exhaustive);
    EXPECT_EQ(figures.vectors, 65536);
    EXPECT_EQ(figures.ep, 50.0);
    EXPECT_EQ(figures.mae, 0.5);
    EXPECT_EQ(figures.wce, 1);
    EXPECT_EQ(figures.mse, 0.5);
    EXPECT_EQ(figures.wcre, 100.0);  // 0 + 1 gives 0
    EXPECT_EQ(figures.histogram, (std::map<std::int64_t, std::int64_t>{{-1, 32768}, {0, 32768}}));
}

// 13 + 13 bits are sampled: the figures of the truncated adder follow from the documented draws alone
// (an odd sum loses 1).
TEST(ErrorMetrics, SampledOperandsFollowTheDocumentedGenerator) {
    FunctionAssignment assignment;
    const Chromosome circuit = test::convertedCircuit(convertCgpText(rippleAdder(13, true)), assignment);
    const ErrorFigures figures = measureError(circuit, assignment, {ErrorOperation::Add, {13, 13}, 99});
    Expected expected;
    SplitMix64 draws{99};
    for (int v = 0; v < 1 << 24; ++v) {
        const std::int64_t a = std::int64_t(draws.next() >> 51);
        const std::int64_t b = std::int64_t(draws.next() >> 51);
        expected.add((a + b) & ~std::int64_t{1}, a + b);
    }
    expected.check(figures, false);
}

TEST(ErrorMetrics, RandomCircuitsAgreeWithThePlainEvaluator) {
    std::mt19937 rng(15);
    for (int round = 0; round < 60; ++round) {
        const auto operation = static_cast<ErrorOperation>(rng() % 3);
        const std::int32_t wa = 1 + std::int32_t(rng() % 4);
        const std::int32_t wb = 1 + std::int32_t(rng() % 4);
        test::CircuitShape shape = test::randomShape(rng, 9, 4, 6, 4, 3);
        shape.inputCount = wa + wb + std::int32_t(rng() % 2);
        shape.outputCount = wa + wb + std::int32_t(rng() % 2);
        // Every third circuit reads entries after itself: only the plain evaluator, in order, takes it.
        const Chromosome circuit = test::randomCircuit(rng, shape, round % 3 != 0);
        FunctionAssignment assignment;
        test::assignRandomFunctions(rng, assignment, shape.arity);
        const ErrorSettings settings{operation, {wa, wb}};
        SCOPED_TRACE(test::chromosomeLine(circuit) + " " + std::string(errorOperationName(operation)));
        plainArithmetic(circuit, assignment, operation, wa, wb)
            .check(measureError(circuit, assignment, settings), true);

        if (wa + wb > kMostLookupBits || shape.outputCount > kMostLookupBits) continue;
        // The table holds every output's bit 0 at a * 2^wb + b.
        Chromosome plain = circuit;
        const std::vector<std::uint16_t> table = lookupTable(circuit, assignment, wa, wb);
        for (std::uint32_t v = 0; v < table.size(); ++v) {
            for (std::int32_t k = 0; k < plain.inputCount; ++k)
                plain.blocks[std::size_t(k)].value = k < wa + wb ? std::int32_t(v >> k & 1) : 0;
            evaluate(plain, assignment);
            std::uint32_t result = 0;
            for (std::int32_t j = 0; j < plain.outputCount; ++j)
                result |= std::uint32_t(plain.blocks[std::size_t(plain.firstOutput() + j)].value & 1) << j;
            ASSERT_EQ(table[(v & ((1u << wa) - 1)) << wb | v >> wa], result) << v;
        }
    }
}

TEST(ErrorMetrics, RandomWordCircuitsAgreeWithThePlainEvaluatorOnTheSample) {
    std::mt19937 rng(16);
    for (int round = 0; round < 4; ++round) {
        const auto operation = static_cast<ErrorOperation>(3 + round);
        test::CircuitShape shape = test::randomShape(rng, 4, 2, 5, 3, 2);
        shape.outputCount = 1 + std::int32_t(rng() % 2);
        const Chromosome circuit = test::randomCircuit(rng, shape, round != 1);
        FunctionAssignment assignment;
        test::assignRandomFunctions(rng, assignment, shape.arity);
        SCOPED_TRACE(test::chromosomeLine(circuit));
        Chromosome plain = circuit;
        Expected expected;
        SplitMix64 draws{7};
        std::vector<std::int64_t> values(std::size_t(plain.inputCount));
        for (int v = 0; v < 1 << 20; ++v) {
            for (std::int32_t k = 0; k < plain.inputCount; ++k)
                plain.blocks[std::size_t(k)].value =
                    std::int32_t(values[std::size_t(k)] = std::int64_t(draws.next() >> 56));
            evaluate(plain, assignment);
            std::sort(values.begin(), values.end());
            std::int64_t sum = 0;
            for (const std::int64_t value : values)
                sum += value;
            const std::int64_t exact = operation == ErrorOperation::Median ? values[(values.size() - 1) / 2]
                                       : operation == ErrorOperation::Min  ? values.front()
                                       : operation == ErrorOperation::Max  ? values.back()
                                                                          : sum / std::int64_t(values.size());
            expected.add(plain.blocks[std::size_t(plain.firstOutput())].value & 0xFF, exact);
        }
        expected.check(measureError(circuit, assignment, {operation, {}, 7}), false);
    }
}

TEST(ErrorMetrics, CircuitsThatDoNotFitAreRefused) {
    FunctionAssignment assignment;
    const Chromosome adder = exampleCircuit("adder_rca8.cgp", assignment);
    auto message = [&](const ErrorSettings& settings) {
        try {
            measureError(adder, assignment, settings);
        } catch (const Error& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message({ErrorOperation::Mul, {8, 8}}),
              "Obvod má 9 výstupů, operace mul:8,8 potřebuje alespoň 16");
    EXPECT_EQ(message({ErrorOperation::Add, {9, 8}}),
              "Obvod má 16 vstupů, operace add:9,8 potřebuje alespoň 17");
    EXPECT_EQ(message({ErrorOperation::Sub, {8}}),
              "Operace sub potřebuje šířky dvou operandů, například sub:8,8");
    EXPECT_EQ(message({ErrorOperation::Add, {0, 8}}), "Šířka operandu musí být 1 až 31 bitů, ne 0");
    EXPECT_EQ(message({ErrorOperation::Min, {8}}),
              "Operace min nemá šířky operandů: každý vstup je jedna hodnota 0 až 255");
    EXPECT_EQ(message({ErrorOperation::Add, {8, 8}}), "no error");
}

}  // namespace
}  // namespace pellisor
