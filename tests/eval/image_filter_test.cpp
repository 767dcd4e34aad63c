#include "eval/image_filter.h"

#include "eval/compiled_circuit.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <random>

namespace pellisor {
namespace {

RgbImage randomImage(std::mt19937& rng, std::int32_t width, std::int32_t height) {
    RgbImage image{width, height, {}};
    image.pixels.resize(image.stride() * std::size_t(height));
    for (auto& byte : image.pixels)
        byte = static_cast<std::uint8_t>(rng());
    return image;
}

// Nine inputs, one block, output 0 reads entry `source`.
Chromosome readingEntry(std::int32_t source) {
    Chromosome circuit;
    parseChromosome("{9,1,1,1,2,1,-1}(0,1,0)(" + std::to_string(source) + ")", ParseMode::Draw, circuit);
    return circuit;
}

std::array<std::uint8_t, 3> pixel(const RgbImage& image, std::int32_t x, std::int32_t y) {
    const std::uint8_t* p = image.row(y) + std::size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

TEST(ImageFilter, CentreInputReproducesTheSourceInsideARedFrame) {
    std::mt19937 rng(1);
    const RgbImage source = randomImage(rng, 7, 5);
    Chromosome circuit = readingEntry(4);
    const RgbImage result = *filterImage3x3(circuit, FunctionAssignment(), source);
    for (std::int32_t y = 0; y < 5; ++y) {
        for (std::int32_t x = 0; x < 7; ++x) {
            const bool frame = x == 0 || y == 0 || x == 6 || y == 4;
            const std::array<std::uint8_t, 3> red{255, 0, 0};
            EXPECT_EQ(frame ? red : pixel(source, x, y), pixel(result, x, y)) << x << "," << y;
        }
    }
}

TEST(ImageFilter, InputKSeesItsNeighbourRowByRow) {
    std::mt19937 rng(2);
    const RgbImage source = randomImage(rng, 6, 6);
    for (std::int32_t k = 0; k < 9; ++k) {
        Chromosome circuit = readingEntry(k);
        const RgbImage result = *filterImage3x3(circuit, FunctionAssignment(), source);
        EXPECT_EQ(pixel(source, 2 + k % 3 - 1, 3 + k / 3 - 1), pixel(result, 2, 3)) << "input " << k;
    }
}

TEST(ImageFilter, OutputsAreReducedModulo256AndGreyStaysGrey) {
    Chromosome circuit;
    // Block 9: input 4 SHL 8 (gene 0); block 10: NEG input 4 (gene 1); output reads one of them.
    parseChromosome("{9,2,2,1,2,1,-1}(4,4,0)(4,4,1)(9,10)", ParseMode::Draw, circuit);
    FunctionAssignment assignment;
    assignment.setIdentifier(0, 41);
    assignment.setIdentifier(1, 13);
    RgbImage source{3, 3, std::vector<std::uint8_t>(27, 1)};
    EXPECT_EQ((std::array<std::uint8_t, 3>{0, 0, 0}),
              pixel(*filterImage3x3(circuit, assignment, source), 1, 1));
    circuit.blocks[11].inputs[0] = 10;
    EXPECT_EQ((std::array<std::uint8_t, 3>{255, 255, 255}),
              pixel(*filterImage3x3(circuit, assignment, source), 1, 1));

    std::mt19937 rng(3);
    RgbImage grey{9, 9, {}};
    for (int i = 0; i < 81; ++i)
        grey.pixels.insert(grey.pixels.end(), 3, static_cast<std::uint8_t>(rng()));
    circuit.blocks[11].inputs[0] = 9;
    assignment.setIdentifier(0, 26);  // IMEAN
    const RgbImage result = *filterImage3x3(circuit, assignment, grey);
    for (std::int32_t y = 1; y < 8; ++y) {
        for (std::int32_t x = 1; x < 8; ++x) {
            const auto p = pixel(result, x, y);
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
        }
    }
}

TEST(ImageFilter, PicturesBelowThreeByThreeAreAllRed) {
    Chromosome circuit = readingEntry(4);
    circuit.blocks[0].value = 77;
    for (const auto& [w, h] : {std::pair{2, 2}, std::pair{1, 5}, std::pair{5, 2}, std::pair{0, 0}}) {
        std::mt19937 rng(4);
        const RgbImage result = *filterImage3x3(circuit, FunctionAssignment(), randomImage(rng, w, h));
        EXPECT_EQ(w, result.width);
        EXPECT_EQ(h, result.height);
        for (std::size_t i = 0; i < result.pixels.size(); ++i)
            EXPECT_EQ(i % 3 == 0 ? 255 : 0, result.pixels[i]);
    }
    EXPECT_EQ(77, circuit.blocks[0].value);  // nothing was evaluated
}

TEST(ImageFilter, EvaluationErrorsStopTheRunBeforeAnyResult) {
    Chromosome circuit;
    parseChromosome("{9,1,1,1,2,1,-1}(0,1,0)(9)", ParseMode::Draw, circuit);
    FunctionAssignment assignment;
    assignment.setIdentifier(0, 15);
    RgbImage source{4, 4, std::vector<std::uint8_t>(48, 9)};
    EXPECT_THROW(filterImage3x3(circuit, assignment, source), Error);
    parseChromosome("{9,1,1,1,2,1,-1}(0,1,40)(9)", ParseMode::Draw, circuit);
    try {
        filterImage3x3(circuit, assignment, source);
        ADD_FAILURE();
    } catch (const Error& error) {
        EXPECT_STREQ("'' is not a valid integer value", error.what());
    }
    parseChromosome("{8,1,1,1,2,1,-1}(0,1,0)(8)", ParseMode::Draw, circuit);
    EXPECT_THROW(filterImage3x3(circuit, assignment, source), Error);
}

TEST(ImageFilter, CancelledRunsReturnNothing) {
    Chromosome circuit = readingEntry(4);
    std::mt19937 rng(5);
    FilterProgress progress;
    progress.cancel = true;
    EXPECT_FALSE(
        filterImage3x3(circuit, FunctionAssignment(), randomImage(rng, 50, 50), &progress).has_value());
    FilterProgress counting;
    EXPECT_TRUE(
        filterImage3x3(circuit, FunctionAssignment(), randomImage(rng, 50, 40), &counting).has_value());
    EXPECT_EQ(38, counting.rowsTotal.load());
    EXPECT_EQ(38, counting.rowsDone.load());
}

// The fast path must give exactly the plain per-pixel result, and leave the circuit in the same state.
TEST(ImageFilter, CompiledFilterMatchesThePlainEvaluatorOnRandomCircuits) {
    std::mt19937 rng(2026);
    std::uniform_int_distribution<std::int32_t> anyFunction(0, 53);
    int compiledCircuits = 0;
    for (int round = 0; round < 300; ++round) {
        test::CircuitShape shape = test::randomShape(rng, 9, 3, 6, 6, 3);
        shape.inputCount = 9;
        shape.outputCount = std::max(shape.outputCount, 1);
        const bool feedForward = round % 4 != 0;
        Chromosome circuit = test::randomCircuit(rng, shape, feedForward, 31);
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
            std::int32_t id = anyFunction(rng);
            if (id == 15 && shape.arity != 3) id = 11;
            assignment.setIdentifier(gene, id);
        }
        compiledCircuits += !CompiledCircuit::dependsOnHistory(circuit, assignment);
        const RgbImage source = randomImage(rng, 1 + static_cast<std::int32_t>(rng() % 40),
                                            1 + static_cast<std::int32_t>(rng() % 12));
        Chromosome plainCircuit = circuit;
        const RgbImage expected = filterImage3x3Plain(plainCircuit, assignment, source);
        const RgbImage actual = *filterImage3x3(circuit, assignment, source);
        ASSERT_EQ(expected.pixels, actual.pixels) << test::chromosomeLine(circuit);
        for (std::size_t i = 0; i < circuit.blocks.size(); ++i) {
            ASSERT_EQ(plainCircuit.blocks[i].value, circuit.blocks[i].value) << "entry " << i;
        }
    }
    EXPECT_GT(compiledCircuits, 150);
    EXPECT_LT(compiledCircuits,
              300);  // and some the history-dependent one  // most rounds exercise the fast path
}

}  // namespace
}  // namespace pellisor
