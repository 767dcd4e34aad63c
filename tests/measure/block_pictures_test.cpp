#include "measure/block_pictures.h"

#include "eval/active_cone.h"
#include "eval/compiled_circuit.h"
#include "eval/evaluator.h"
#include "model/function_table.h"
#include "support/random_circuit.h"
#include "support/random_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace pellisor {
namespace {

// Every block's picture against the plain evaluator run pixel by pixel in the filter's order, on
// random filter circuits, history-dependent ones among them.
TEST(BlockPictures, EveryActiveBlockShowsThePlainEvaluatorsValueModulo256) {
    std::mt19937 rng(1115);
    int compiled = 0;
    for (int round = 0; round < 60; ++round) {
        test::CircuitShape shape = test::randomShape(rng, 9, 3, 6, 5, 3);
        shape.inputCount = 9;
        shape.outputCount = std::max(shape.outputCount, 1);
        Chromosome circuit = test::randomCircuit(rng, shape, round % 5 != 0, 31);
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
            std::int32_t id = std::int32_t(rng() % 54);
            if (id == 15 && shape.arity != 3) id = 11;
            assignment.setIdentifier(gene, id);
        }
        compiled += !CompiledCircuit::dependsOnHistory(circuit, assignment);
        const RgbImage input =
            test::randomPicture(rng, 1 + std::int32_t(rng() % 30), 1 + std::int32_t(rng() % 8));

        std::vector<RgbImage> expected(circuit.blocks.size(), RgbImage{input.width, input.height, {}});
        for (auto& picture : expected)
            picture.pixels.assign(input.pixels.size(), 0);
        Chromosome running = circuit;
        for (std::int32_t y = 1; y + 1 < input.height; ++y) {
            for (std::int32_t x = 1; x + 1 < input.width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    for (int k = 0; k < 9; ++k)
                        running.blocks[std::size_t(k)].value =
                            input.row(y + k / 3 - 1)[std::size_t(x + k % 3 - 1) * 3 + std::size_t(c)];
                    evaluate(running, assignment);
                    for (std::size_t b = 0; b < circuit.blocks.size(); ++b)
                        expected[b].row(y)[std::size_t(x) * 3 + std::size_t(c)] =
                            std::uint8_t(running.blocks[b].value & 0xFF);
                }
            }
        }
        std::vector<std::int32_t> outputs;
        for (std::int32_t o = circuit.firstOutput(); o < circuit.blockTotal(); ++o)
            outputs.push_back(o);
        const ActiveCone cone = activeCone(circuit, assignment, outputs, ConeConnections::Evaluated);
        std::set<std::int32_t> visited;
        forEachBlockPicture(circuit, assignment, input, [&](std::int32_t block, const RgbImage& picture) {
            visited.insert(block);
            for (std::int32_t y = 0; y < input.height; ++y) {
                for (std::int32_t x = 0; x < input.width; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        const bool frame = x == 0 || y == 0 || x + 1 == input.width || y + 1 == input.height;
                        const int want =
                            frame ? (c == 0 ? 255 : 0)
                                  : expected[std::size_t(block)].row(y)[std::size_t(x) * 3 + std::size_t(c)];
                        ASSERT_EQ(want, picture.row(y)[std::size_t(x) * 3 + std::size_t(c)])
                            << test::chromosomeLine(circuit) << " block " << block << " at " << x << "," << y;
                    }
                }
            }
        });
        for (std::int32_t b = circuit.inputCount; b < circuit.firstOutput(); ++b)
            EXPECT_EQ(cone.members[std::size_t(b)] != 0, visited.contains(b)) << "block " << b;
    }
    EXPECT_GT(compiled, 30);
    EXPECT_LT(compiled, 60);
}

TEST(BlockPictures, OnlyFunctionBlocksOfFilterCircuitsHavePictures) {
    const Chromosome filter = test::parsed("{9,1,1,1,2,1,-1}(0,1,0)(9)");
    const RgbImage input{4, 4, std::vector<std::uint8_t>(48, 3)};
    EXPECT_THROW(blockPicture(filter, FunctionAssignment(), input, 4), std::runtime_error);
    EXPECT_THROW(blockPicture(filter, FunctionAssignment(), input, 10), std::runtime_error);
    EXPECT_THROW(blockPicture(test::parsed("{2,1,1,1,2,1,-1}(0,1,0)(2)"), FunctionAssignment(), input, 2),
                 std::runtime_error);
}

}  // namespace
}  // namespace pellisor
