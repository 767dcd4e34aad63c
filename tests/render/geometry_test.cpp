#include "render/geometry.h"

#include "eval/function_assignment.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <random>

namespace pellisor {
namespace {

using settings::Spacing;

using test::parsed;

Point at(const Chromosome& circuit, std::int32_t index) {
    const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
    return {block.x, block.y};
}

TEST(GridPlacement, DefaultSpacingsPutEveryEntryInItsCell) {
    Chromosome circuit = parsed("{3,1,2,2,2,1,-1}([3]0,1,1)([4]1,2,3)([5]3,4,2)([6]4,0,5)(6)");
    placeOnGrid(circuit, defaultSpacingTexts());
    EXPECT_EQ((Point{20, 40}), at(circuit, 0));
    EXPECT_EQ((Point{20, 70}), at(circuit, 1));
    EXPECT_EQ((Point{20, 100}), at(circuit, 2));
    EXPECT_EQ((Point{80, 30}), at(circuit, 3));
    EXPECT_EQ((Point{80, 100}), at(circuit, 4));
    EXPECT_EQ((Point{160, 30}), at(circuit, 5));
    EXPECT_EQ((Point{160, 100}), at(circuit, 6));
    EXPECT_EQ((Point{240, 40}), at(circuit, 7));  // measured from the last column's anchor
}

TEST(GridPlacement, EverySpacingFieldMovesWhatItNames) {
    Chromosome circuit = parsed("{2,2,2,2,2,1,-1}(0,1,1)(0,1,1)(0,1,1)(0,1,1)(2,3)");
    SpacingTexts texts;
    const std::int32_t values[] = {100, 50, 15, 25, 7, 9, 3, 4, 11, 13};
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = std::to_string(values[i]);
    placeOnGrid(circuit, texts);
    // blocks: x = c*100 + 7, y = r*50 + 9
    EXPECT_EQ((Point{7, 9}), at(circuit, 2));
    EXPECT_EQ((Point{7, 59}), at(circuit, 3));
    EXPECT_EQ((Point{107, 9}), at(circuit, 4));
    // inputs: x = 3, y = i*15 + 4
    EXPECT_EQ((Point{3, 4}), at(circuit, 0));
    EXPECT_EQ((Point{3, 19}), at(circuit, 1));
    // outputs: x = 11 + 7 + (2-1)*100, y = j*25 + 13
    EXPECT_EQ((Point{118, 13}), at(circuit, 6));
    EXPECT_EQ((Point{118, 38}), at(circuit, 7));
}

TEST(GridPlacement, AFieldThatIsNotAnIntegerStopsWhereItIsRead) {
    auto placedWithBad = [](Spacing bad) {
        Chromosome circuit = parsed("{1,1,1,1,2,1,-1}(0,0,1)(1)");
        for (Block& block : circuit.blocks)
            block.x = -1;
        SpacingTexts texts = defaultSpacingTexts();
        texts[static_cast<std::size_t>(bad)] = "8a";
        try {
            placeOnGrid(circuit, texts);
            ADD_FAILURE() << "no error";
        } catch (const Error& error) {
            EXPECT_STREQ("'8a' is not a valid integer value", error.what());
        }
        return std::vector<bool>{circuit.blocks[0].x != -1, circuit.blocks[1].x != -1,
                                 circuit.blocks[2].x != -1};
    };
    // {input placed, block placed, output placed}
    EXPECT_EQ((std::vector<bool>{false, false, false}), placedWithBad(Spacing::InputY));
    EXPECT_EQ((std::vector<bool>{false, true, false}), placedWithBad(Spacing::InputOffsetX));
    EXPECT_EQ((std::vector<bool>{true, true, false}), placedWithBad(Spacing::OutputOffsetY));
    EXPECT_EQ((std::vector<bool>{true, true, false}), placedWithBad(Spacing::OutputOffsetX));
}

TEST(GridPlacement, WithoutACircuitNothingIsPlacedButBadFieldsStillFail) {
    Chromosome none;
    none.columns = 5;  // stale header values describe nothing
    none.rows = 5;
    EXPECT_NO_THROW(placeOnGrid(none, defaultSpacingTexts()));
    SpacingTexts texts = defaultSpacingTexts();
    texts[static_cast<std::size_t>(Spacing::OutputOffsetY)] = "";
    EXPECT_THROW(placeOnGrid(none, texts), Error);
}

TEST(GridPlacement, ExtremeSpacingsDoNotOverflow) {
    Chromosome circuit = parsed("{1,1,3,1,2,1,-1}(0,0,1)(0,0,1)(0,0,1)(1)");
    SpacingTexts texts = defaultSpacingTexts();
    texts[static_cast<std::size_t>(Spacing::BlockX)] = "2147483647";
    texts[static_cast<std::size_t>(Spacing::OutputOffsetX)] = "2147483647";
    placeOnGrid(circuit, texts);
    EXPECT_EQ(2147483647, at(circuit, 3).x);
    EXPECT_EQ(2147483647, at(circuit, 4).x);
}

TEST(BlockGeometry, PinsSpreadByFortyDividedByTheInputCount) {
    Block block;
    block.x = 100;
    block.y = 200;
    block.inputCount = 3;
    EXPECT_EQ((Point{90, 210}), inputPinEnd(block, 0));
    EXPECT_EQ((Point{90, 223}), inputPinEnd(block, 1));
    EXPECT_EQ((Point{90, 236}), inputPinEnd(block, 2));
    block.inputCount = 1;
    EXPECT_EQ((Point{90, 210}), inputPinEnd(block, 0));
    block.inputCount = 2;
    EXPECT_EQ((Point{90, 230}), inputPinEnd(block, 1));
    EXPECT_EQ((Point{140, 220}), outputPinEnd(block));
    EXPECT_EQ(0, pinPitch(0));
}

// Layout files may put an anchor anywhere: the pins and the hit area stay within int32 at its ends.
TEST(BlockGeometry, PinsAndHitAreaAtTheEndsOfTheCoordinateRange) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    Block block;
    block.inputCount = 2;
    block.x = kMax;
    block.y = kMin;
    EXPECT_EQ((Point{kMax - 10, kMin + 10}), inputPinEnd(block, 0));
    EXPECT_EQ((Point{kMax, kMin + 20}), outputPinEnd(block));
    block.x = kMin;
    EXPECT_EQ((Point{kMin, kMin + 30}), inputPinEnd(block, 1));
    EXPECT_TRUE(hitsAnchor(block, kMin + 4, kMin));
    EXPECT_FALSE(hitsAnchor(block, kMin + 5, kMin));
    EXPECT_FALSE(hitsAnchor(block, kMax, kMax));
    block.x = kMax;
    block.y = kMax;
    EXPECT_TRUE(hitsAnchor(block, kMax - 4, kMax - 4));
    EXPECT_FALSE(hitsAnchor(block, kMax - 5, kMax));
}

TEST(CanvasSize, GrowsFromTheLargestShownAnchorAndNeverBelowTheViewport) {
    Chromosome circuit = parsed("{1,1,1,1,2,1,-1}(0,0,1)(1)");
    circuit.blocks[0].x = 20;
    circuit.blocks[1].x = 240;
    circuit.blocks[1].y = 100;
    circuit.blocks[2].x = 200;
    const CanvasSize viewport{999, 338};
    EXPECT_EQ((CanvasSize{999, 338}), fitCanvasSize(circuit, true, false, viewport));
    circuit.blocks[1].x = 2000;
    EXPECT_EQ((CanvasSize{2030, 338}), fitCanvasSize(circuit, true, false, viewport));
    circuit.blocks[1].y = 300;
    EXPECT_EQ((CanvasSize{2030, 350}), fitCanvasSize(circuit, true, false, viewport));
    EXPECT_EQ((CanvasSize{2030, 400}),
              fitCanvasSize(circuit, true, true, viewport));  // footer before the viewport
    // A hidden entry widens the canvas only while hidden entries are shown.
    circuit.blocks[1].visible = false;
    EXPECT_EQ((CanvasSize{999, 338}), fitCanvasSize(circuit, false, false, viewport));
    EXPECT_EQ((CanvasSize{2030, 350}), fitCanvasSize(circuit, true, false, viewport));
    EXPECT_EQ((CanvasSize{230, 50}), fitCanvasSize(circuit, false, false, {0, 0}));
    EXPECT_EQ((CanvasSize{30, 50}), fitCanvasSize(Chromosome(), false, false, {0, 0}));
    EXPECT_EQ("Rozměr plátna: 999x338", canvasSizeText({999, 338}));
}

TEST(Depths, FollowOnlyTheInputsAFunctionReads) {
    FunctionAssignment assignment;
    assignment.setIdentifier(0, 1);   // AND: reads both
    assignment.setIdentifier(1, 5);   // in2 only
    assignment.setIdentifier(2, 17);  // constant
    // 2: AND(0,1) depth 1; 3: AND(2,0) depth 2; 4: in2 of (3, 0) depth 1; 5: constant fed by 3 depth 1
    Chromosome circuit = parsed("{2,4,4,1,2,1,-1}(0,1,0)(2,0,0)(3,0,1)(3,3,2)(3,4,5,2)");
    EXPECT_EQ(2, computeDepths(circuit, assignment));
    EXPECT_EQ(0, circuit.blocks[0].depth);
    EXPECT_EQ(1, circuit.blocks[2].depth);
    EXPECT_EQ(2, circuit.blocks[3].depth);
    EXPECT_EQ(1, circuit.blocks[4].depth);
    EXPECT_EQ(1, circuit.blocks[5].depth);
    EXPECT_EQ(3, circuit.blocks[6].depth);  // output reading block 3: its delay is 2
    EXPECT_EQ(2, circuit.blocks[7].depth);
    EXPECT_EQ(2, circuit.blocks[9].depth);

    Chromosome noOutputs = parsed("{2,0,2,1,2,1,-1}(0,1,0)(2,2,0)(");
    EXPECT_EQ(0, computeDepths(noOutputs, assignment));
    EXPECT_EQ(2, noOutputs.blocks[3].depth);
}

TEST(Depths, SummaryLinesDescribeTheCircuit) {
    FunctionAssignment assignment;
    Chromosome circuit = parsed("{2,0,4,2,2,1,-1}(0,1,0)(0,1,0)(2,3,0)(0,1,0)(0,1,0)(0,1,0)(0,1,0)(0,1,0)(");
    EXPECT_EQ((std::vector<std::string>{"Rozměr matice: 4x2", "Vstupů: 2", "Výstupů: 0",
                                        "Max. zpoždění výstupu: 0T"}),
              showSummary(circuit, assignment));
    EXPECT_EQ(2, circuit.blocks[4].depth);
}

TEST(Depths, EqualTheLongestUsedPathInRandomCircuits) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<std::int32_t> anyFunction(0, 51);
    for (int round = 0; round < 500; ++round) {
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
            assignment.setIdentifier(gene, anyFunction(rng));
        Chromosome circuit = test::randomCircuit(rng, test::randomShape(rng, 9, 4, 10, 6, 3), true, 33);
        const std::int32_t maxDelay = computeDepths(circuit, assignment);

        // Longest path counted in edges from a primary input, over the inputs each function reads.
        std::vector<std::int32_t> memo(circuit.blocks.size(), -1);
        std::function<std::int32_t(std::int32_t)> longest = [&](std::int32_t index) -> std::int32_t {
            if (index < circuit.inputCount) return 0;
            auto& known = memo[static_cast<std::size_t>(index)];
            if (known >= 0) return known;
            const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
            std::int32_t reads = -1;
            if (index < circuit.firstOutput() && block.function < kGeneCount) {
                reads = assignment.usageMask(circuit, index);
            }
            std::int32_t deepest = 0;
            for (std::size_t k = 0; k < block.inputs.size(); ++k) {
                if (reads == -1 || (reads >> k & 1)) deepest = std::max(deepest, longest(block.inputs[k]));
            }
            return known = deepest + 1;
        };
        std::int32_t expectedDelay = 0;
        for (std::int32_t index = circuit.inputCount; index < circuit.blockTotal(); ++index) {
            ASSERT_EQ(longest(index), circuit.blocks[static_cast<std::size_t>(index)].depth) << index;
            if (index >= circuit.firstOutput()) expectedDelay = std::max(expectedDelay, longest(index) - 1);
        }
        EXPECT_EQ(expectedDelay, maxDelay);
    }
}

}  // namespace
}  // namespace pellisor
