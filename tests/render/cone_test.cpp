#include "render/cone.h"

#include "model/chromosome_parser.h"
#include "render/geometry.h"

#include "support/random_circuit.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

using test::parsed;

TEST(Cone, MarksWhatTheEntryDependsOnThroughUsedInputs) {
    FunctionAssignment assignment;
    assignment.setIdentifier(1, 5);  // in2 only
    // 2: (0,1); 3: in2 of (2, 0) -> reads 0 only; 4: (3, 2); output reads 4.
    Chromosome circuit = parsed("{2,1,3,1,2,1,-1}(0,1,0)(2,0,1)(3,2,0)(4)");
    computeDepths(circuit, assignment);
    circuit.blocks[1].mark = kMarkRedundant;
    const auto status = markCone(circuit, assignment, 3);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ("Označených bloků: 1      Max. zpoždění vstupu: 0T      Vstupní bloky: 2,0", *status);
    EXPECT_EQ(
        (std::vector<std::int32_t>{1, 0, 0, 1, 0, 0}),
        (std::vector<std::int32_t>{circuit.blocks[0].mark, circuit.blocks[1].mark, circuit.blocks[2].mark,
                                   circuit.blocks[3].mark, circuit.blocks[4].mark, circuit.blocks[5].mark}));
    const auto whole = markCone(circuit, assignment, 5);
    EXPECT_EQ("Označených bloků: 4      Max. zpoždění vstupu: 2T      Vstupní bloky: 4", *whole);
    for (const Block& block : circuit.blocks)
        EXPECT_EQ(kMarkCone, block.mark);

    EXPECT_FALSE(markCone(circuit, assignment, 0).has_value());  // a primary input: only itself
    EXPECT_EQ(kMarkCone, circuit.blocks[0].mark);
    EXPECT_EQ(kMarkNone, circuit.blocks[1].mark);
    EXPECT_FALSE(markCone(circuit, assignment, 99).has_value());
}

TEST(Cone, FirstColumnBlockShowsCountOneDelayZeroAndBothInputs) {
    FunctionAssignment assignment;
    Chromosome circuit = parsed("{2,1,1,1,2,1,-1}(1,0,0)(2)");
    computeDepths(circuit, assignment);
    EXPECT_EQ("Označených bloků: 1      Max. zpoždění vstupu: 0T      Vstupní bloky: 1,0",
              *markCone(circuit, assignment, 2));
}

TEST(HideNonFunctional, KeepsOnlyWhatVisibleOutputsUse) {
    FunctionAssignment assignment;
    assignment.setIdentifier(1, 4);  // in1 only
    // 3: (0,1); 4: in1 of (3, 2); 5: unused; output reads 4.
    Chromosome circuit = parsed("{3,1,3,1,2,1,-1}(0,1,0)(3,2,1)(0,0,0)(4)");
    EXPECT_EQ("Funkcnich bloku: 2", *hideNonFunctional(circuit, assignment));
    const bool expected[] = {true, true, false, true, true, false, true};
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_EQ(expected[i], circuit.blocks[i].visible) << i;

    // The single output reads a primary input directly: no function block contributes.
    circuit = parsed("{2,1,2,1,2,1,-1}(0,1,0)(2,2,0)(1)");
    EXPECT_EQ("Funkcnich bloku: 0", *hideNonFunctional(circuit, assignment));
    EXPECT_FALSE(circuit.blocks[2].visible);
    EXPECT_FALSE(circuit.blocks[3].visible);
    EXPECT_TRUE(circuit.blocks[1].visible);
    EXPECT_FALSE(circuit.blocks[0].visible);

    Chromosome none;
    EXPECT_FALSE(hideNonFunctional(none, assignment).has_value());
}

}  // namespace
}  // namespace pellisor
