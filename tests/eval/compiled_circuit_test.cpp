#include "eval/compiled_circuit.h"

#include "eval/evaluator.h"
#include "eval/image_filter.h"
#include "eval/value_ranges.h"
#include "model/function_table.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using LaneWidth = CompiledCircuit::LaneWidth;

// Every value a function gives for operands drawn from two ranges lies in the range claimed for it,
// and so does the sum a saturating or halving function forms on the way.
TEST(ValueRanges, BoundEveryResultOfEveryFunction) {
    std::mt19937 rng(77);
    const std::vector<ValueRange> ranges = {{0, 0},
                                            {0, 1},
                                            {0, 255},
                                            {255, 255},
                                            {0, 15},
                                            {-255, 0},
                                            {-40, 300},
                                            {0, 65535},
                                            {-32768, 32767},
                                            {1000, 4000},
                                            {INT32_MIN, INT32_MAX},
                                            {INT32_MAX - 5, INT32_MAX},
                                            {INT32_MIN, INT32_MIN + 3},
                                            {0, INT32_MAX}};
    auto draw = [&](ValueRange range) {
        const std::uint64_t width = static_cast<std::uint64_t>(range.high - range.low);
        // The ends of a range are where wrap-around hides, so they are drawn often.
        switch (rng() % 4) {
            case 0:
                return static_cast<std::int32_t>(range.low);
            case 1:
                return static_cast<std::int32_t>(range.high);
            default:
                return static_cast<std::int32_t>(range.low + static_cast<std::int64_t>(rng() % (width + 1)));
        }
    };
    for (std::int32_t id = -1; id <= 53; ++id) {
        for (const ValueRange& ra : ranges) {
            for (const ValueRange& rb : ranges) {
                const ValueRange rc = ranges[rng() % ranges.size()];
                const ValueRange result = resultRange(id, ra, rb, rc);
                const ValueRange working = workingRange(id, ra, rb, rc);
                for (int trial = 0; trial < 40; ++trial) {
                    const std::int32_t a = draw(ra), b = draw(rb), c = draw(rc);
                    const std::int64_t value = applyFunction(id, a, b, c);
                    ASSERT_TRUE(value >= result.low && value <= result.high)
                        << "id " << id << " a " << a << " b " << b << " c " << c << " gives " << value;
                    if (id == 25 || id == 26) {
                        const std::int64_t sum = std::int64_t{a} + b;
                        if (sum >= INT32_MIN && sum <= INT32_MAX) {
                            ASSERT_TRUE(sum >= working.low && sum <= working.high) << "id " << id;
                        }
                    }
                }
            }
        }
    }
}

// Nine byte inputs and one block per function, the output reading the last block.
CompiledCircuit::LaneWidth widthOfChain(const std::vector<std::int32_t>& ids) {
    Chromosome circuit =
        test::parsed("{9,1," + std::to_string(ids.size()) + ",1,2,1,-1}" +
                     [&] {
                         std::string blocks;
                         for (std::size_t i = 0; i < ids.size(); ++i) {
                             const std::size_t previous = i == 0 ? 4 : 9 + i - 1;
                             blocks += "(" + std::to_string(previous) + ",0," + std::to_string(i) + ")";
                         }
                         return blocks;
                     }() +
                     "(" + std::to_string(9 + ids.size() - 1) + ")");
    FunctionAssignment assignment;
    for (std::size_t i = 0; i < ids.size(); ++i)
        assignment.setIdentifier(static_cast<std::int32_t>(i), ids[i]);
    return CompiledCircuit::compileForBytes(circuit, assignment, 0)->laneWidth();
}

TEST(CompiledCircuit, LanesAreAsNarrowAsTheValuesAllow) {
    EXPECT_EQ(LaneWidth::Bits8, widthOfChain({10, 11, 24, 25, 26, 21, 18}));  // max, min, sums, shift, 255-a
    EXPECT_EQ(LaneWidth::Bits8, widthOfChain({23}));                          // the nibble swap of two bytes
    EXPECT_EQ(LaneWidth::Bits16, widthOfChain({37, 23}));      // a<<4 leaves bytes before the swap
    EXPECT_EQ(LaneWidth::Bits8, widthOfChain({29, 37}));       // a>>4 then <<4 stays below 256
    EXPECT_EQ(LaneWidth::Bits16, widthOfChain({37}));          // up to 4080
    EXPECT_EQ(LaneWidth::Bits16, widthOfChain({13}));          // negation
    EXPECT_EQ(LaneWidth::Bits16, widthOfChain({43, 43, 43}));  // sums up to 1020
    EXPECT_EQ(LaneWidth::Bits32, widthOfChain({45}));          // a<<9 reaches 130560
    EXPECT_EQ(LaneWidth::Bits32, widthOfChain({40, 26}));      // a sum beyond int16 before halving
    EXPECT_EQ(LaneWidth::Bits32, widthOfChain({13, 40, 40}));  // negative values shifted left wrap
}

RgbImage randomImage(std::mt19937& rng, std::int32_t width, std::int32_t height) {
    RgbImage image{width, height, {}};
    image.pixels.resize(image.stride() * std::size_t(height));
    // Mostly small values and the extremes, so that comparisons and saturation are hit.
    for (auto& byte : image.pixels) {
        const auto r = static_cast<std::uint32_t>(rng());
        byte = static_cast<std::uint8_t>(r % 5 == 0 ? 255 : r % 5 == 1 ? 0 : r >> 8);
    }
    return image;
}

// The three lane widths must give the plain per-pixel result on circuits drawn from functions that
// keep values in bytes, in 16 bits, or anywhere; pictures are wide enough for whole runs of lanes read
// straight from the picture and for the shorter runs at the end of a row.
TEST(CompiledCircuit, EveryLaneWidthMatchesThePlainEvaluator) {
    const std::vector<std::int32_t> bytePool = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                                12, 16, 17, 18, 20, 21, 22, 23, 24, 25, 26,
                                                27, 28, 29, 30, 31, 32, 33, 42, 0};
    const std::vector<std::int32_t> halfPool = {13, 14, 19, 34, 35, 36, 43, 44, 10,
                                                11, 25, 26, 27, 21, 1,  2,  3};
    std::mt19937 rng(4242);
    int widths[3] = {0, 0, 0};
    for (int round = 0; round < 300; ++round) {
        test::CircuitShape shape = test::randomShape(rng, 9, 2, 6, 5, 3);
        shape.inputCount = 9;
        shape.outputCount = std::max(shape.outputCount, 1);
        Chromosome circuit = test::randomCircuit(rng, shape, true, 31);
        FunctionAssignment assignment;
        const int pool = round % 3;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
            std::int32_t id = 0;
            if (pool == 0) id = bytePool[rng() % bytePool.size()];
            if (pool == 1)
                id = rng() % 2 == 0 ? halfPool[rng() % halfPool.size()] : bytePool[rng() % bytePool.size()];
            if (pool == 2)
                id = rng() % 2 == 0 ? static_cast<std::int32_t>(34 + rng() % 18)
                                    : static_cast<std::int32_t>(rng() % 52);
            if (shape.arity == 3 && rng() % 8 == 0) id = kMuxFunction;
            if (id == kMuxFunction && shape.arity != 3) id = 10;
            assignment.setIdentifier(gene, id);
        }
        const auto compiled = CompiledCircuit::compileForBytes(circuit, assignment, 0);
        ASSERT_TRUE(compiled.has_value());
        ++widths[compiled->laneWidth() == LaneWidth::Bits8    ? 0
                 : compiled->laneWidth() == LaneWidth::Bits16 ? 1
                                                              : 2];
        const std::int32_t pictureWidths[] = {3, 17, 345, 700};
        const RgbImage source =
            randomImage(rng, pictureWidths[rng() % 4], 3 + static_cast<std::int32_t>(rng() % 4));
        Chromosome plainCircuit = circuit;
        const RgbImage expected = filterImage3x3Plain(plainCircuit, assignment, source);
        const RgbImage actual = *filterImage3x3(circuit, assignment, source);
        ASSERT_EQ(expected.pixels, actual.pixels)
            << test::chromosomeLine(circuit) << " width " << static_cast<int>(compiled->laneWidth());
    }
    EXPECT_GT(widths[0], 40);
    EXPECT_GT(widths[1], 20);
    EXPECT_GT(widths[2], 20);
}

// Compare-exchange networks (the MIN and MAX of one pair, in either order and not always adjacent),
// as median filters are built, in 8-bit lanes and, after a shift, in 16-bit lanes.
TEST(CompiledCircuit, SortingNetworksMatchThePlainEvaluator) {
    std::mt19937 rng(31);
    for (int round = 0; round < 60; ++round) {
        const int steps = 3 + static_cast<int>(rng() % 20);
        std::array<int, 9> position{0, 1, 2, 3, 4, 5, 6, 7, 8};
        std::string genes;
        int next = 9;
        for (int step = 0; step < steps; ++step) {
            const int a = static_cast<int>(rng() % 9);
            const int b = (a + 1 + static_cast<int>(rng() % 8)) % 9;
            const bool minFirst = rng() % 2 == 0;
            const std::string operands =
                std::to_string(position[a]) + "," + std::to_string(position[b]) + ",";
            genes += "(" + operands + (minFirst ? "0" : "1") + ")";
            if (rng() % 4 == 0) {  // an unrelated block between the two halves
                genes += "(" + std::to_string(position[a]) + ",0,2)";
                ++next;
            }
            genes += "(" + operands + (minFirst ? "1" : "0") + ")";
            position[a] = minFirst ? next : next + 1;
            position[b] = minFirst ? next + 1 : next;
            next += 2;
        }
        const int blocks = next - 9;
        const std::string line = "{9,1," + std::to_string(blocks) + ",1,2," + std::to_string(blocks) +
                                 ",-1}" + genes + "(" + std::to_string(position[rng() % 9]) + ")";
        Chromosome circuit = test::parsed(line);
        ASSERT_TRUE(circuit.hasCircuit()) << line;
        FunctionAssignment assignment;
        assignment.setIdentifier(0, 11);
        assignment.setIdentifier(1, 10);
        assignment.setIdentifier(2, round % 2 == 0 ? 21 : 37);  // a>>1 keeps bytes, a<<4 needs 16 bits
        const auto compiled = CompiledCircuit::compileForBytes(circuit, assignment, 0);
        ASSERT_TRUE(compiled.has_value());
        const RgbImage source = randomImage(rng, 400, 4);
        Chromosome plainCircuit = circuit;
        ASSERT_EQ(filterImage3x3Plain(plainCircuit, assignment, source).pixels,
                  filterImage3x3(circuit, assignment, source)->pixels)
            << line << " width " << static_cast<int>(compiled->laneWidth());
    }
}

// Several entries at once: inputs, blocks and outputs (also one fed by another output) read back what
// the plain evaluator gives for each vector.
TEST(CompiledCircuit, EntriesGiveThePlainValuesOfEveryVector) {
    std::mt19937 rng(99);
    for (int round = 0; round < 100; ++round) {
        Chromosome circuit = test::randomCircuit(rng, test::randomShape(rng, 6, 4, 5, 4, 3), true, 31);
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
            std::int32_t id = static_cast<std::int32_t>(rng() % 52);
            if (id == kMuxFunction && circuit.arity != 3) id = 3;
            assignment.setIdentifier(gene, id);
        }
        std::vector<std::int32_t> entries;
        for (int n = 0; n < 5; ++n)
            entries.push_back(static_cast<std::int32_t>(rng() % circuit.blocks.size()));
        const auto compiled = CompiledCircuit::compileEntries(circuit, assignment, entries);
        ASSERT_TRUE(compiled.has_value());
        CompiledCircuit::Workspace workspace(*compiled);
        const std::size_t lanes = 1 + rng() % CompiledCircuit::kLanes;
        std::vector<std::vector<std::int32_t>> vectors(lanes);
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            for (std::int32_t k = 0; k < circuit.inputCount; ++k) {
                const std::int32_t value = static_cast<std::int32_t>(rng());
                vectors[lane].push_back(value);
                compiled->inputLanes(workspace, k)[lane] = value;
            }
        }
        compiled->run(workspace, lanes);
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            for (std::int32_t k = 0; k < circuit.inputCount; ++k)
                circuit.blocks[std::size_t(k)].value = vectors[lane][std::size_t(k)];
            evaluate(circuit, assignment);
            for (std::size_t e = 0; e < entries.size(); ++e) {
                ASSERT_EQ(circuit.blocks[std::size_t(entries[e])].value,
                          compiled->entryLanes(workspace, e)[lane])
                    << test::chromosomeLine(circuit) << " entry " << entries[e];
            }
        }
    }
    Chromosome circuit = test::parsed("{2,2,1,1,2,1,-1}(0,1,1)(2,3)");
    const auto chained = CompiledCircuit::compileEntries(circuit, FunctionAssignment{}, {4, 3, 0});
    ASSERT_TRUE(chained.has_value());
    EXPECT_EQ(3u, chained->entryCount());
    EXPECT_FALSE(CompiledCircuit::compileEntries(circuit, FunctionAssignment{}, {5}).has_value());
    EXPECT_FALSE(CompiledCircuit::compileEntries(circuit, FunctionAssignment{}, {-1}).has_value());
}

// An identifier outside the set computes 0, as in the plain evaluator, whatever number it is; none
// is taken for an operation of the kernels' own, which would also write into another slot.
TEST(CompiledCircuit, IdentifiersOutsideTheSetGiveZero) {
    for (const std::int32_t id : {52, 1000, -1, INT32_MIN}) {
        Chromosome circuit = test::parsed("{2,2,2,1,2,1,-1}(0,1,0)(0,1,1)(2,3)");
        FunctionAssignment assignment;
        assignment.setIdentifier(0, id);
        assignment.setIdentifier(1, 3);
        const auto compiled = CompiledCircuit::compileEntries(circuit, assignment, {4, 5, 0, 1});
        ASSERT_TRUE(compiled.has_value());
        CompiledCircuit::Workspace workspace(*compiled);
        compiled->inputLanes(workspace, 0)[0] = 7;
        compiled->inputLanes(workspace, 1)[0] = 9;
        compiled->run(workspace, 1);
        EXPECT_EQ(0, compiled->entryLanes(workspace, 0)[0]) << id;
        EXPECT_EQ(7 ^ 9, compiled->entryLanes(workspace, 1)[0]) << id;
        EXPECT_EQ(7, compiled->entryLanes(workspace, 2)[0]) << id;
        EXPECT_EQ(9, compiled->entryLanes(workspace, 3)[0]) << id;
    }
}

}  // namespace
}  // namespace pellisor
