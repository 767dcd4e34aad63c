#include "render/auto_place.h"

#include "eval/function_assignment.h"
#include "model/chromosome_parser.h"
#include "model/error.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

Chromosome placedByDepth(std::string_view line) {
    Chromosome circuit;
    parseChromosome(line, ParseMode::Draw, circuit);
    computeDepths(circuit, FunctionAssignment());
    autoPlace(circuit, defaultSpacingTexts());
    return circuit;
}

Point at(const Chromosome& circuit, std::size_t index) {
    return {circuit.blocks[index].x, circuit.blocks[index].y};
}

TEST(AutoPlace, ColumnsByDepthThenTheOutputs) {
    // Blocks 3 and 4 of depth 1, block 5 of depth 2.
    const Chromosome circuit = placedByDepth("{3,1,3,1,2,1,-1}(0,1,0)(1,2,0)(3,4,0)(5)");
    EXPECT_EQ((Point{20, 40}), at(circuit, 0));
    EXPECT_EQ((Point{20, 70}), at(circuit, 1));
    EXPECT_EQ((Point{20, 100}), at(circuit, 2));
    EXPECT_EQ((Point{80, 30}), at(circuit, 3));
    EXPECT_EQ((Point{80, 100}), at(circuit, 4));
    EXPECT_EQ((Point{160, 30}), at(circuit, 5));
    EXPECT_EQ((Point{240, 30}), at(circuit, 6));
}

TEST(AutoPlace, MissingDepthsStillGiveAdjacentColumns) {
    // Depths 1, 1 and 3: no block has depth 2.
    Chromosome circuit;
    parseChromosome("{2,1,3,1,2,1,-1}(0,1,0)(2,2,0)(3,3,0)(4)", ParseMode::Draw, circuit);
    computeDepths(circuit, FunctionAssignment());
    circuit.blocks[3].depth = 1;  // leave a gap: depths 1, 1, 3
    autoPlace(circuit, defaultSpacingTexts());
    EXPECT_EQ(80, circuit.blocks[2].x);
    EXPECT_EQ(80, circuit.blocks[3].x);
    EXPECT_EQ(160, circuit.blocks[4].x);
    EXPECT_EQ(240, circuit.blocks[5].x);
}

TEST(AutoPlace, BlockOrderWithinAColumn) {
    // Same two sources crosswise: the smaller gene first.
    Chromosome circuit = placedByDepth("{2,1,2,1,2,1,-1}(1,0,5)(0,1,2)(2)");
    EXPECT_EQ(30, circuit.blocks[3].y);
    EXPECT_EQ(100, circuit.blocks[2].y);
    // Otherwise the block with the smaller smallest source first.
    circuit = placedByDepth("{4,1,2,1,2,1,-1}(2,2,0)(0,3,0)(4)");
    EXPECT_EQ(30, circuit.blocks[5].y);
    EXPECT_EQ(100, circuit.blocks[4].y);
}

TEST(AutoPlace, HiddenBlocksTakeNoRoomAndOutputsKeepTheirOrder) {
    Chromosome circuit;
    parseChromosome("{2,3,3,1,2,1,-1}(0,1,0)(0,1,0)(0,1,0)(4,2,3)", ParseMode::Draw, circuit);
    computeDepths(circuit, FunctionAssignment());
    circuit.blocks[2].visible = false;
    autoPlace(circuit, defaultSpacingTexts());
    EXPECT_EQ(circuit.blocks[2].y, circuit.blocks[3].y);  // under the next visible block
    EXPECT_EQ(30, circuit.blocks[3].y);
    EXPECT_EQ(100, circuit.blocks[4].y);
    EXPECT_EQ((Point{160, 30}), at(circuit, 5));
    EXPECT_EQ((Point{160, 60}), at(circuit, 6));
    EXPECT_EQ((Point{160, 90}), at(circuit, 7));
}

TEST(AutoPlace, ABadSpacingStopsTheRunWhereItIsRead) {
    Chromosome circuit;
    parseChromosome("{1,1,1,1,2,1,-1}(0,0,0)(1)", ParseMode::Draw, circuit);
    for (Block& block : circuit.blocks)
        block.x = -7;
    SpacingTexts texts = defaultSpacingTexts();
    texts[static_cast<std::size_t>(settings::Spacing::BlockOffsetX)] = "x";
    EXPECT_THROW(autoPlace(circuit, texts), Error);
    EXPECT_EQ(20, circuit.blocks[0].x);  // inputs were placed first
    EXPECT_EQ(-7, circuit.blocks[1].x);
}

TEST(AutoPlace, AnInconsistentOrderNeverBreaksTheSort) {
    // Many equal-depth blocks whose pairwise order is not transitive.
    std::string line = "{6,1,200,1,2,1,-1}";
    for (int i = 0; i < 200; ++i) {
        line += "(" + std::to_string(i % 6) + "," + std::to_string((i * 7 + 3) % 6) + "," +
                std::to_string(i % 5) + ")";
    }
    line += "(6)";
    const Chromosome circuit = placedByDepth(line);
    for (int i = 6; i < 206; ++i)
        EXPECT_EQ(80, circuit.blocks[std::size_t(i)].x);
}

}  // namespace
}  // namespace pellisor
