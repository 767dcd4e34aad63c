#include "optimise/redundant_gates.h"

#include "eval/evaluator.h"
#include "model/chromosome_line.h"
#include "model/chromosome_parser.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace pellisor {
namespace {

using test::parsed;

// Genes 0 ... 5 stand for in1, in2, AND, OR, XOR and MAX.
FunctionAssignment passAssignment() {
    FunctionAssignment assignment;
    const std::int32_t ids[] = {4, 5, 1, 2, 3, 10};
    for (std::int32_t gene = 0; gene < 6; ++gene)
        assignment.setIdentifier(gene, ids[gene]);
    return assignment;
}

TEST(RedundantGates, WhichGatesOnlyPassAnInputOn) {
    const FunctionAssignment assignment = passAssignment();
    // Blocks 8 ... 14: in1, in2, AND(2,2), AND(2,3), OR(5,5), XOR(4,4), gene 40 (no row).
    const Chromosome circuit =
        parsed("{8,1,7,1,2,1,-1}(3,7,0)(3,7,1)(2,2,2)(2,3,2)(5,5,3)(4,4,4)(1,1,40)(8)");
    const bool expected[] = {true, true, true, false, true, false, false};
    for (std::int32_t i = 0; i < 7; ++i)
        EXPECT_EQ(expected[i], isRedundantGate(circuit, assignment, 8 + i)) << i;
    EXPECT_FALSE(isRedundantGate(circuit, assignment, 0));   // a primary input
    EXPECT_FALSE(isRedundantGate(circuit, assignment, 15));  // an output
}

TEST(RedundantGates, DetectionMarksAndCountsEvenUnreadGates) {
    const FunctionAssignment assignment = passAssignment();
    Chromosome circuit = parsed("{2,1,3,1,2,1,-1}(0,1,0)(0,1,4)(0,0,2)(3)");
    const std::int32_t count = detectRedundant(circuit, assignment);
    EXPECT_EQ(2, count);
    EXPECT_EQ("Pocet bloku navic: 2", redundantCountText(count));
    EXPECT_EQ(kMarkRedundant, circuit.blocks[2].mark);
    EXPECT_EQ(kMarkNone, circuit.blocks[3].mark);
    EXPECT_EQ(kMarkRedundant, circuit.blocks[4].mark);
    Chromosome none;
    EXPECT_EQ(0, detectRedundant(none, assignment));
}

TEST(RedundantGates, EliminationRewiresReadersToThePassedSignal) {
    const FunctionAssignment assignment = passAssignment();
    // Block 8 is in1 of (3, 7); the output reads it.
    Chromosome circuit = parsed("{8,1,1,1,2,1,-1}(3,7,0)(8)");
    const std::int32_t eliminated = eliminateRedundant(circuit, assignment);
    EXPECT_EQ(1, eliminated);
    EXPECT_EQ("Pocet eliminovanych bloku: 1", eliminatedCountText(eliminated));
    EXPECT_EQ(3, circuit.blocks[9].inputs[0]);
    EXPECT_EQ((std::vector<std::int32_t>{3, 7}), circuit.blocks[8].inputs);
    EXPECT_EQ(kMarkRedundant, circuit.blocks[8].mark);

    circuit = parsed("{8,1,1,1,2,1,-1}(3,7,1)(8)");  // in2 hands on entry 7
    eliminateRedundant(circuit, assignment);
    EXPECT_EQ(7, circuit.blocks[9].inputs[0]);

    circuit = parsed("{8,1,2,1,2,1,-1}(3,7,0)(3,7,4)(9)");  // nobody reads the gate
    EXPECT_EQ(0, eliminateRedundant(circuit, assignment));
    EXPECT_EQ(kMarkRedundant, circuit.blocks[8].mark);
}

TEST(RedundantGates, AChainCollapsesInOneRun) {
    const FunctionAssignment assignment = passAssignment();
    Chromosome circuit = parsed("{2,1,2,1,2,1,-1}(0,1,0)(2,1,0)(3)");
    EXPECT_EQ(2, eliminateRedundant(circuit, assignment));
    EXPECT_EQ((std::vector<std::int32_t>{0, 1}), circuit.blocks[3].inputs);
    EXPECT_EQ(0, circuit.blocks[4].inputs[0]);

    // An AND whose inputs become equal only after an earlier gate was eliminated is redundant in turn.
    circuit = parsed("{2,1,3,1,2,1,-1}(0,1,0)(0,2,2)(3,1,4)(4)");
    EXPECT_EQ(2, eliminateRedundant(circuit, assignment));
    EXPECT_EQ((std::vector<std::int32_t>{0, 1}), circuit.blocks[4].inputs);
}

// Eliminating redundant gates never changes what the outputs compute.
TEST(RedundantGates, EliminationKeepsEveryOutputValue) {
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
            const std::int32_t choices[] = {1, 2, 4, 5, 3, 10, 24};
            assignment.setIdentifier(gene, choices[rng() % 7]);
        }
        test::CircuitShape shape = test::randomShape(rng, 5, 4, 8, 4, 2);
        shape.arity = 2;
        Chromosome circuit = test::randomCircuit(rng, shape, true, 31);
        for (std::int32_t i = 0; i < circuit.inputCount; ++i)
            circuit.blocks[std::size_t(i)].value = int(rng() % 256);
        Chromosome optimised = circuit;
        eliminateRedundant(optimised, assignment);
        evaluate(circuit, assignment);
        evaluate(optimised, assignment);
        for (std::int32_t j = circuit.firstOutput(); j < circuit.blockTotal(); ++j) {
            ASSERT_EQ(circuit.blocks[std::size_t(j)].value, optimised.blocks[std::size_t(j)].value);
        }
        // Every reader of a redundant gate was rewired: no gate marked redundant is read any more
        // by an entry that is not itself one of the gates processed before it.
        for (std::int32_t k = optimised.inputCount; k < optimised.blockTotal(); ++k) {
            for (const std::int32_t s : optimised.blocks[std::size_t(k)].inputs) {
                if (optimised.isFunctionBlock(s) && optimised.blocks[std::size_t(s)].mark == kMarkRedundant) {
                    ASSERT_LT(k, s) << "entry " << k << " still reads redundant gate " << s;
                }
            }
        }
    }
}

// The line written from an eliminated circuit redraws it: the same genes, every position and mark kept.
TEST(RedundantGates, TheLineOfAnEliminatedCircuitRedrawsIt) {
    std::mt19937 rng(12);
    const FunctionAssignment assignment = passAssignment();
    for (int round = 0; round < 200; ++round) {
        Chromosome circuit = test::randomCircuit(rng, test::randomShape(rng), true, 7);
        for (Block& block : circuit.blocks) {
            block.x = std::int32_t(rng() % 900);
            block.y = std::int32_t(rng() % 300);
        }
        eliminateRedundant(circuit, assignment);
        Chromosome redrawn = circuit;
        ASSERT_EQ(ParseMode::Redraw, parseChromosome(chromosomeLineOf(circuit), ParseMode::Redraw, redrawn));
        for (std::size_t i = 0; i < circuit.blocks.size(); ++i) {
            const Block& a = circuit.blocks[i];
            const Block& b = redrawn.blocks[i];
            ASSERT_EQ(std::tie(a.inputCount, a.inputs, a.function, a.x, a.y, a.mark),
                      std::tie(b.inputCount, b.inputs, b.function, b.x, b.y, b.mark))
                << "round " << round << " entry " << i;
        }
    }
}

TEST(NextCombination, CountsUpInBinaryFromInputZero) {
    Chromosome circuit = parsed("{3,1,1,1,2,1,-1}(0,1,0)(3)");
    auto values = [&] {
        return std::vector<std::int32_t>{circuit.blocks[0].value, circuit.blocks[1].value,
                                         circuit.blocks[2].value};
    };
    circuit.blocks[0].value = 1;
    circuit.blocks[1].value = 1;
    nextCombination(circuit);
    EXPECT_EQ((std::vector<std::int32_t>{0, 0, 1}), values());
    circuit.blocks[0].value = circuit.blocks[1].value = circuit.blocks[2].value = 1;
    nextCombination(circuit);
    EXPECT_EQ((std::vector<std::int32_t>{0, 0, 0}), values());
    circuit.blocks[0].value = 6;
    nextCombination(circuit);
    EXPECT_EQ((std::vector<std::int32_t>{1, 0, 0}), values());
    Chromosome none;
    nextCombination(none);
}

}  // namespace
}  // namespace pellisor
