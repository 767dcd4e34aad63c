#include "eval/evaluator.h"

#include "eval/function_assignment.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>

namespace pellisor {
namespace {

using test::parsed;

std::string evaluationError(Chromosome& circuit, const FunctionAssignment& assignment) {
    try {
        evaluate(circuit, assignment);
        return "";
    } catch (const Error& error) {
        return error.what();
    }
}

TEST(Evaluator, AndOfTwoInputsReachesTheOutput) {
    Chromosome circuit = parsed("{2,1,1,1,2,1,-1}([2]0,1,3)(2)");
    FunctionAssignment assignment;
    assignment.setIdentifier(3, 1);
    circuit.blocks[0].value = 0x0F;
    circuit.blocks[1].value = 0x3C;
    evaluate(circuit, assignment);
    EXPECT_EQ(0x0C, circuit.blocks[2].value);
    EXPECT_EQ(0x0C, circuit.blocks[3].value);
    EXPECT_EQ(0x0F, circuit.blocks[0].value);  // inputs are never written
}

TEST(Evaluator, WithoutAnAssignmentEveryBlockIsZero) {
    Chromosome circuit = parsed("{2,1,2,1,2,1,-1}(0,1,3)(2,0,7)(3)");
    circuit.blocks[0].value = 5;
    circuit.blocks[2].value = 9;
    evaluate(circuit, FunctionAssignment());
    EXPECT_EQ(0, circuit.blocks[2].value);
    EXPECT_EQ(0, circuit.blocks[3].value);
    EXPECT_EQ(0, circuit.blocks[4].value);
}

TEST(Evaluator, MultiplexerNeedsThreeInputs) {
    FunctionAssignment assignment;
    assignment.setIdentifier(0, 4);   // in1
    assignment.setIdentifier(1, 15);  // (in3=0) ? in1:in2
    // Arity 2: the first block is computed, then the multiplexer stops the pass; outputs keep old values.
    Chromosome two = parsed("{2,1,2,1,2,1,-1}(0,1,0)(0,1,1)(3)");
    two.blocks[0].value = 8;
    two.blocks[4].value = 77;
    EXPECT_EQ("MUX pro 2 vstup. hradla", evaluationError(two, assignment));
    EXPECT_EQ(8, two.blocks[2].value);
    EXPECT_EQ(77, two.blocks[4].value);

    Chromosome three = parsed("{3,1,1,1,3,1,-1}(0,1,2,1)(3)");
    three.blocks[0].value = 10;
    three.blocks[1].value = 20;
    three.blocks[2].value = 0;
    evaluate(three, assignment);
    EXPECT_EQ(10, three.blocks[4].value);
    three.blocks[2].value = 7;
    evaluate(three, assignment);
    EXPECT_EQ(20, three.blocks[4].value);
}

TEST(Evaluator, GenesWithoutARowFailTheConversion) {
    FunctionAssignment assignment;
    Chromosome circuit = parsed("{2,1,1,1,2,1,-1}(0,1,32)(2)");
    EXPECT_EQ("'' is not a valid integer value", evaluationError(circuit, assignment));
    circuit = parsed("{2,1,1,1,2,1,-1}(0,1,-1)(2)");
    EXPECT_EQ("'#' is not a valid integer value", evaluationError(circuit, assignment));
}

TEST(Evaluator, ArityOneReadsTheMissingInputAsZero) {
    FunctionAssignment assignment;
    assignment.setIdentifier(0, 5);  // in2, which an arity-1 block does not have
    assignment.setIdentifier(1, 2);  // in1 OR in2
    Chromosome circuit = parsed("{1,2,2,1,1,1,-1}(0,0)(1,1)(1,2)");
    circuit.blocks[0].value = 6;
    evaluate(circuit, assignment);
    EXPECT_EQ(0, circuit.blocks[1].value);
    EXPECT_EQ(0, circuit.blocks[2].value);
    assignment.setIdentifier(0, 4);
    evaluate(circuit, assignment);
    EXPECT_EQ(6, circuit.blocks[1].value);
    EXPECT_EQ(6, circuit.blocks[2].value);
}

TEST(Evaluator, ForwardReferencesSeeTheValueFromBeforeThePass) {
    FunctionAssignment assignment;
    assignment.setIdentifier(0, 4);  // in1
    // Block 1 reads block 2, which comes later: it gets block 2's old value.
    Chromosome circuit = parsed("{1,1,2,1,2,1,-1}(2,2,0)(0,0,0)(1)");
    circuit.blocks[0].value = 3;
    circuit.blocks[2].value = 50;
    evaluate(circuit, assignment);
    EXPECT_EQ(50, circuit.blocks[1].value);
    EXPECT_EQ(3, circuit.blocks[2].value);
    EXPECT_EQ(50, circuit.blocks[3].value);
}

// The function set written out again with 64-bit arithmetic reduced to 32 bits at the end.
std::int32_t referenceFunction(std::int32_t id, std::int64_t a, std::int64_t b, std::int64_t c) {
    auto to32 = [](std::int64_t v) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v & 0xFFFFFFFF));
    };
    const std::int64_t a32 = to32(a);
    switch (id) {
        case 1:
            return to32(a & b);
        case 2:
            return to32(a | b);
        case 3:
            return to32(a ^ b);
        case 4:
            return to32(a);
        case 5:
            return to32(b);
        case 6:
            return (a & 1) ? 0 : 1;
        case 7:
            return (b & 1) ? 0 : 1;
        case 8:
            return ((a & b) & 1) ? 0 : 1;
        case 9:
            return ((a | b) & 1) ? 0 : 1;
        case 10:
            return to32(std::max(a, b));
        case 11:
            return to32(std::min(a, b));
        case 12:
            return ((a & 1) && !(b & 1)) ? 1 : 0;
        case 13:
            return to32(-a);
        case 14:
            return to32(-b);
        case 15:
            return to32(c == 0 ? a : b);
        case 16:
            return ((a ^ b) & 1) ? 0 : 1;
        case 17:
            return 255;
        case 18:
            return to32(255 - a);
        case 19:
            return to32((255 - a) | b);
        case 20:
            return to32(255 - (a & b));
        case 23:
            return to32(((a & 0xF) << 4) | (b >> 4));
        case 24:
            return to32((a + b) % 256 + ((a + b) % 256 < 0 ? 256 : 0));
        case 25:
            return to32(to32(a + b) > 255 ? 255 : to32(a + b));
        case 26:
            return to32(to32(a + b) >> 1);
        case 27:
            return a == 255 ? 0 : to32(a);
        case 42:
            return to32((a - b) & 0xFF);
        case 43:
            return to32((a + b) & 0xFFFF);
        case 44:
            return to32((a - b) & 0xFFFF);
        default:
            break;
    }
    if (id == 21 || id == 22) return to32(a32 >> (id - 20));
    if (id >= 28 && id <= 33) return to32(a32 >> (id - 25));
    if (id >= 34 && id <= 41) return to32(a32 * (std::int64_t{1} << (id - 33)));
    if (id >= 45 && id <= 51) return to32(a32 * (std::int64_t{1} << (id - 36)));
    return 0;
}

TEST(Evaluator, MatchesARecursiveEvaluationOfRandomCircuits) {
    std::mt19937 rng(42);
    std::uniform_int_distribution<std::int32_t> anyFunction(0, 53);
    std::uniform_int_distribution<std::int32_t> anyValue(-70000, 70000);
    std::uniform_int_distribution<std::int32_t> byte(0, 255);
    for (int round = 0; round < 500; ++round) {
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
            std::int32_t id = anyFunction(rng);
            if (id == 15) id = 3;  // the multiplexer has its own test
            assignment.setIdentifier(gene, id);
        }
        const test::CircuitShape shape = test::randomShape(rng, 9, 4, 8, 8, 3);
        Chromosome circuit = test::randomCircuit(rng, shape);
        for (std::int32_t i = 0; i < circuit.inputCount; ++i) {
            circuit.blocks[static_cast<std::size_t>(i)].value = round % 2 ? byte(rng) : anyValue(rng);
        }
        evaluate(circuit, assignment);

        std::vector<std::optional<std::int32_t>> known(circuit.blocks.size());
        std::function<std::int32_t(std::int32_t)> valueOf = [&](std::int32_t index) -> std::int32_t {
            auto& memo = known[static_cast<std::size_t>(index)];
            if (memo) return *memo;
            const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
            if (index < circuit.inputCount) {
                memo = block.value;
            } else if (index >= circuit.firstOutput()) {
                memo = valueOf(block.inputs[0]);
            } else {
                const std::int64_t a = valueOf(block.inputs[0]);
                const std::int64_t b = block.inputs.size() > 1 ? valueOf(block.inputs[1]) : 0;
                const std::int32_t id =
                    assignment.rows()[static_cast<std::size_t>(block.function)].identifier;
                memo = referenceFunction(id, a, b, 0);
            }
            return *memo;
        };
        for (std::int32_t index = circuit.inputCount; index < circuit.blockTotal(); ++index) {
            ASSERT_EQ(valueOf(index), circuit.blocks[static_cast<std::size_t>(index)].value)
                << "entry " << index << " of " << test::chromosomeLine(circuit);
        }
    }
}

}  // namespace
}  // namespace pellisor
