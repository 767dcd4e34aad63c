// Loading circuits of the gate-level and comparator dialects into the window's workbench.
#include "app/workbench.h"

#include "app/workbench_bench.h"
#include "model/error.h"
#include "render/auto_place.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

using settings::DisplayOption;
using test::Bench;

// A half adder: sum = XOR(in0, in1), carry = AND(in0, in1), and a TRUE gate as a third output.
constexpr const char* kHalfAdder = "{2,3,1,3,2,1,3}([4]2,3,4)([5]2,3,2)([6]4,5,8)(4,5,6)";

TEST(WorkbenchImport, AGateLevelFileBringsItsFunctionsLabelsAndDepthPlacement) {
    Bench bench;
    Workbench& w = bench.workbench;
    // The user's own label of AND wins; gene 12 is not the circuit's and keeps its row.
    test::writeBytes(bench.dir.file("set.ini"), "[Funkce]\nf2=17\nf12=5\n[DOT]\nf1_label=mine\n");
    w.functionAssignmentClicked();  // the silent first load of the table
    test::writeBytes(bench.dir.file("half.cgp"), kHalfAdder);
    ASSERT_TRUE(w.loadAndDraw(bench.dir.file("half.cgp")));

    EXPECT_EQ("{2,3,5,1,2,1,-1}([2]0,0,9)([3]2,2,8)([4]0,1,4)([5]0,1,2)([6]2,2,8)(4,5,6)",
              w.chromosomeLine());
    const std::vector<std::int32_t> identifiers{4, 6, 1, 2, 3, 8, 9, 16, 6, 0};
    for (std::size_t gene = 0; gene < identifiers.size(); ++gene)
        EXPECT_EQ(identifiers[gene], w.assignment().rows()[gene].identifier) << gene;
    EXPECT_EQ(5, w.assignment().rows()[12].identifier);
    EXPECT_EQ("mine", w.assignment().rows()[2].label);
    EXPECT_EQ("XOR", w.assignment().rows()[4].label);

    // Placed by depth right after the draw, which still reports success with the final canvas.
    Chromosome placed = w.circuit();
    autoPlace(placed, w.spacings());
    for (std::int32_t i = 0; i < placed.blockTotal(); ++i) {
        EXPECT_EQ(placed.blocks[std::size_t(i)].x, bench.block(i).x) << i;
        EXPECT_EQ(placed.blocks[std::size_t(i)].y, bench.block(i).y) << i;
    }
    EXPECT_EQ(bench.block(4).x, bench.block(5).x);  // both gates read the inputs only: one column
    EXPECT_EQ("OK", w.statusText());
    EXPECT_EQ(canvasSizeText(w.canvasSize()), w.memo().back());

    // Drawings and graphs show the labels; the values are those of the gates.
    w.setOption(DisplayOption::FunctionLabels, true);
    EXPECT_EQ("XOR", *w.scene().functions.shownLabel("3"));
    w.writeDot(bench.dir.file("half.dot"));
    const std::string dot = test::readBytes(bench.dir.file("half.dot"));
    for (const char* label : {"label=\"mine\"", "label=\"XOR\"", "label=\"NOT\"", "label=\"0\""})
        EXPECT_NE(std::string::npos, dot.find(label)) << label;
    w.circuit().blocks[0].value = 1;
    w.circuit().blocks[1].value = 1;
    w.setOption(DisplayOption::Values, true);
    w.recalculate();
    EXPECT_EQ(0, bench.block(7).value);
    EXPECT_EQ(1, bench.block(8).value);
    EXPECT_EQ(1, bench.block(9).value);

    // A refused file leaves the circuit drawn; a .chr brings no labels, and the rows stay.
    test::writeBytes(bench.dir.file("bad.cha"), "{2,1,1,1,2,2,1}([2,3]0,1,2)");
    EXPECT_THROW(w.loadAndDraw(bench.dir.file("bad.cha")), Error);
    EXPECT_TRUE(w.circuit().hasCircuit());
    EXPECT_EQ("XOR", w.assignment().rows()[4].label);
    w.loadAndDraw(bench.writeChromosome("plain.chr"));
    EXPECT_TRUE(w.assignment().circuitLabels().empty());
    EXPECT_EQ("", w.assignment().rows()[4].label);
    EXPECT_EQ(3, w.assignment().rows()[4].identifier);
    EXPECT_EQ(nullptr, w.scene().functions.shownLabel("3"));
}

TEST(WorkbenchImport, AGateLevelLineDrawnAsOurOwnIsPointedOut) {
    Bench bench;
    Workbench& w = bench.workbench;
    bench.drawTyped(kHalfAdder);  // read as our own dialect: every index two off
    ASSERT_EQ(1u, bench.ui.informations.size());
    EXPECT_NE(std::string::npos, bench.ui.informations[0].find("první blok má popisek [4], ne [2]"));
    EXPECT_TRUE(w.circuit().hasCircuit());  // drawn as before: it is only told

    // Lines of our own, and the line a converted file gets, draw without a word.
    Bench own;
    own.drawTyped();
    test::writeBytes(own.dir.file("half.cgp"), kHalfAdder);
    ASSERT_TRUE(own.workbench.loadAndDraw(own.dir.file("half.cgp")));
    EXPECT_TRUE(own.ui.informations.empty());
}

}  // namespace
}  // namespace pellisor
