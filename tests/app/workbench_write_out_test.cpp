#include "app/layout_commands.h"
#include "app/workbench.h"
#include "app/workbench_bench.h"
#include "model/chromosome_file.h"
#include "model/chromosome_line.h"
#include "model/error.h"
#include "model/file_io.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <random>

namespace pellisor {
namespace {

using test::Bench;

// What a circuit holds beyond its values: genes, positions, marks and visibility.
void expectSameCircuit(const Chromosome& expected, const Chromosome& actual, bool visibility = true) {
    ASSERT_EQ(expected.blockTotal(), actual.blockTotal());
    EXPECT_EQ(chromosomeLineOf(expected), chromosomeLineOf(actual));
    for (std::size_t i = 0; i < expected.blocks.size(); ++i) {
        EXPECT_EQ(expected.blocks[i].x, actual.blocks[i].x) << i;
        EXPECT_EQ(expected.blocks[i].y, actual.blocks[i].y) << i;
        EXPECT_EQ(expected.blocks[i].mark, actual.blocks[i].mark) << i;
        if (visibility) {
            EXPECT_EQ(expected.blocks[i].visible, actual.blocks[i].visible) << i;
        }
    }
}

// Pass-through gates (in1, in2, AND and OR of one source) among other functions, moved blocks and
// swapped inputs: what a circuit looks like after some work in the window.
void workOn(Workbench& w, std::mt19937& rng) {
    std::uniform_int_distribution<std::int32_t> identifier(1, 8);
    for (std::int32_t gene = 0; gene < 32; ++gene)
        w.assignment().setIdentifier(gene, identifier(rng));
    Chromosome& circuit = w.circuit();
    std::uniform_int_distribution<std::int32_t> entry(0, circuit.blockTotal() - 1);
    for (int move = 0; move < 5; ++move) {
        Block& block = circuit.blocks[std::size_t(entry(rng))];
        block.x += 7 * move + 1;
        block.y += 3;
        if (block.inputs.size() >= 2) std::swap(block.inputs[0], block.inputs[1]);
    }
    w.eliminateRedundantClicked();
}

TEST(WorkbenchWriteOut, TheLineFromTheCircuitRedrawsTheSameCircuit) {
    std::mt19937 rng(1414);
    int rerouted = 0;  // rounds whose line differs from the typed one
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        Bench bench;
        Workbench& w = bench.workbench;
        EXPECT_FALSE(w.enabled(Button::SBzobv));
        w.chromosomeFromCircuitClicked();  // nothing to write yet
        EXPECT_EQ("", w.chromosomeLine());

        const Chromosome random = test::randomCircuit(rng, test::randomShape(rng, 6, 3, 6, 5, 3));
        bench.drawTyped(test::chromosomeLine(random));
        ASSERT_TRUE(w.circuit().hasCircuit());
        EXPECT_TRUE(w.enabled(Button::SBzobv));
        workOn(w, rng);
        // Saved, so the save button waits for the next change of the line.
        bench.ui.fileAnswers = {bench.dir.file("before.chr")};
        w.saveChromosomeClicked();
        ASSERT_FALSE(w.enabled(Button::SBuloz));

        const Chromosome worked = w.circuit();
        rerouted += chromosomeLineOf(worked) != test::chromosomeLine(random);
        w.chromosomeFromCircuitClicked();
        EXPECT_TRUE(w.enabled(Button::SBuloz));
        expectSameCircuit(worked, w.circuit());  // rewriting the line leaves the circuit alone
        EXPECT_EQ("Překreslit", w.drawCaption());

        // The redraw reads back the same genes and keeps every position and mark.
        w.drawClicked();
        expectSameCircuit(worked, w.circuit(), false);

        // "Uložit" now saves what is drawn.
        bench.ui.fileAnswers = {bench.dir.file("after.chr")};
        w.saveChromosomeClicked();
        Chromosome loaded;
        std::string fileName;
        const auto content = loadChromosomeFile(bench.dir.file("after.chr"), loaded, fileName, nullptr);
        ASSERT_TRUE(content);
        EXPECT_EQ(chromosomeLineOf(worked), content->text);
    }
    EXPECT_GT(rerouted, 10);
}

TEST(WorkbenchWriteOut, WrittenFilesLoadBackAsTheCircuitWithItsLayout) {
    std::mt19937 rng(7);
    Bench first;
    Workbench& w = first.workbench;
    ASSERT_TRUE(w.loadAndDraw(first.writeChromosome("c.chr", test::kLine)));
    workOn(w, rng);
    w.circuit().blocks[4].visible = false;
    w.circuit().blocks[1].value = 77;
    w.setOption(settings::DisplayOption::Values, false);
    // An older layout is replaced without a question; its keys this save does not write stay.
    test::writeBytes(first.dir.file("out.ini"), "[Global]\r\nm=9\r\nold=1\r\n");
    const std::string out = first.dir.file("out.chr");
    w.writeCircuitFiles(out);
    EXPECT_TRUE(first.ui.questions.empty());
    EXPECT_NE(std::string::npos, test::readBytes(first.dir.file("out.ini")).find("old=1"));
    EXPECT_TRUE(test::readBytes(out).ends_with(chromosomeLineOf(w.circuit()) + "\r\n"));

    Bench second;
    Workbench& v = second.workbench;
    v.functionAssignmentClicked();  // the start-up prepares the table the layout fills
    ASSERT_TRUE(v.loadAndDraw(out));
    ASSERT_EQ(LayoutLoadStatus::Applied, v.applyLayoutFile().status);
    expectSameCircuit(w.circuit(), v.circuit(), true);
    EXPECT_EQ(77, v.circuit().blocks[1].value);
    EXPECT_EQ(w.description(), v.description());
    EXPECT_EQ(w.circuit().inputNames, v.circuit().inputNames);
    EXPECT_EQ(w.circuit().outputNames, v.circuit().outputNames);
    EXPECT_EQ(w.options().values, v.options().values);
    for (std::int32_t gene = 0; gene < 32; ++gene)
        EXPECT_EQ(w.assignment().identifierOf(gene), v.assignment().identifierOf(gene)) << gene;

    // Without a circuit nothing is written.
    Bench empty;
    const std::string none = empty.dir.file("none.chr");
    EXPECT_THROW(empty.workbench.writeCircuitFiles(none), Error);
    EXPECT_FALSE(fileExists(none));
    EXPECT_FALSE(fileExists(empty.dir.file("none.ini")));
}

}  // namespace
}  // namespace pellisor
