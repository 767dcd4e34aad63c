// The statistics of a circuit against a plain walk from its outputs written here, and the figures the
// README gives for a shipped multiplier.
#include "measure/circuit_statistics.h"
#include "measure/measure_test_support.h"
#include "model/function_table.h"
#include "model/usage_mask.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace pellisor {
namespace {

TEST(CircuitStatistics, ShippedMultiplier) {
    FunctionAssignment assignment;
    const Chromosome circuit = test::exampleCircuit("mul_array8.cgp", assignment);
    const CircuitStatistics statistics = circuitStatistics(circuit, assignment);
    EXPECT_EQ(statistics.activeBlocks, 320);  // the constant blocks serve nothing
    EXPECT_EQ(statistics.maxDelay, 28);
    EXPECT_EQ(statistics.inputsUsed, 16);
    EXPECT_EQ(statistics.columnsUsed, 320);  // one row
    // Genes 2, 3 and 4 of the dialect are AND, OR and XOR: functions 1, 2 and 3.
    EXPECT_EQ(statistics.functions.size(), 3u);
    for (const auto& [gene, count] : statistics.genes)
        EXPECT_EQ(statistics.functions.at(gene - 1), count);
}

TEST(CircuitStatistics, RandomCircuitsAgreeWithAWalkFromTheOutputs) {
    std::mt19937 rng(17);
    for (int round = 0; round < 300; ++round) {
        const test::CircuitShape shape = test::randomShape(rng, 6, 4, 8, 5, 3);
        const Chromosome circuit = test::randomCircuit(rng, shape, true, 33);  // genes 32, 33 have no row
        FunctionAssignment assignment;
        test::assignRandomFunctions(rng, assignment, shape.arity);
        SCOPED_TRACE(test::chromosomeLine(circuit));

        // Depth of an entry over the connections its function reads; every used entry marked.
        std::vector<char> used(circuit.blocks.size(), 0);
        std::function<std::int32_t(std::int32_t)> depth = [&](std::int32_t index) -> std::int32_t {
            used[std::size_t(index)] = 1;
            if (index < circuit.inputCount) return 0;
            const Block& block = circuit.blocks[std::size_t(index)];
            const bool hasRow = block.function >= 0 && block.function < kGeneCount;
            const std::int32_t mask =
                hasRow ? functionReads(assignment.identifierOf(block.function)) : kAllInputs;
            std::int32_t deepest = 0;
            for (std::size_t k = 0; k < std::size_t(block.inputCount); ++k) {
                if (readsInput(mask, k)) deepest = std::max(deepest, depth(block.inputs[k]));
            }
            return deepest + 1;
        };
        CircuitStatistics expected;
        for (std::int32_t j = circuit.firstOutput(); j < circuit.blockTotal(); ++j)
            expected.maxDelay = std::max(expected.maxDelay, depth(j) - 1);
        std::set<std::int32_t> columns;
        for (std::int32_t index = 0; index < circuit.firstOutput(); ++index) {
            if (!used[std::size_t(index)]) continue;
            if (index < circuit.inputCount) {
                ++expected.inputsUsed;
                continue;
            }
            const std::int32_t gene = circuit.blocks[std::size_t(index)].function;
            ++expected.activeBlocks;
            ++expected.genes[gene];
            if (gene < kGeneCount) ++expected.functions[assignment.identifierOf(gene)];
            columns.insert((index - circuit.inputCount) / circuit.rows);
        }
        expected.columnsUsed = std::int32_t(columns.size());

        const CircuitStatistics statistics = circuitStatistics(circuit, assignment);
        EXPECT_EQ(statistics.activeBlocks, expected.activeBlocks);
        EXPECT_EQ(statistics.functions, expected.functions);
        EXPECT_EQ(statistics.genes, expected.genes);
        EXPECT_EQ(statistics.maxDelay, expected.maxDelay);
        EXPECT_EQ(statistics.inputsUsed, expected.inputsUsed);
        EXPECT_EQ(statistics.columnsUsed, expected.columnsUsed);
    }
}

}  // namespace
}  // namespace pellisor
