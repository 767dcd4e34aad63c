// What the window tells the user instead of silently doing nothing or the wrong thing.

#include "app/workbench_bench.h"
#include "model/file_io.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

using test::Bench;

TEST(WorkbenchFeedback, OpeningAnotherFileForgetsTheLayoutNamedBefore) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.functionAssignmentClicked();
    w.loadAndDraw(bench.writeChromosome("median.chr"));
    w.setLayoutFileName(bench.dir.file("median.ini"));
    bench.ui.fileAnswers = {bench.writeChromosome("adder.chr")};
    w.openClicked();
    EXPECT_EQ("", w.layoutFileName());
    // Saving and loading now both mean the layout beside adder.chr.
    w.circuit().blocks[3].x = 321;
    w.saveLayoutClicked();
    w.circuit().blocks[3].x = 1;
    w.loadLayoutClicked();
    EXPECT_EQ(321, bench.block(3).x);
    EXPECT_TRUE(bench.ui.informations.empty());
}

TEST(WorkbenchFeedback, ALayoutOfAnotherGridOrNoCircuitIsNamedNotIgnored) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.functionAssignmentClicked();
    const std::string layout = bench.dir.file("other.ini");
    w.setLayoutFileName(layout);
    test::writeBytes(layout, "[Global]\nm=5\nn=1\nmaxidx=9\n[b3]\nx=777\n");
    w.loadLayoutClicked();
    ASSERT_EQ(1u, bench.ui.informations.size());
    EXPECT_EQ("Rozmístění nelze načíst: není načten žádný obvod", bench.ui.informations[0]);

    w.loadAndDraw(bench.writeChromosome("c.chr"));
    w.setLayoutFileName(layout);
    w.loadLayoutClicked();
    ASSERT_EQ(2u, bench.ui.informations.size());
    EXPECT_EQ("Rozmístění " + layout +
                  " nepatří k tomuto obvodu (soubor: matice 5x1, 9 prvků; obvod: matice 2x2, 8 prvků)",
              bench.ui.informations[1]);
    EXPECT_NE(777, bench.block(3).x);
}

TEST(WorkbenchFeedback, ACancelledVrcQuestionIsTold) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.loadAndDraw(bench.writeChromosome("c.chr"));
    const std::string vrc = bench.dir.file("cells.vrc");
    test::writeBytes(vrc, "0 1 5 | 1 2 3 |\n");
    bench.ui.fileAnswers = {vrc};
    bench.ui.textAnswers = {"2", std::nullopt};
    w.openClicked();
    ASSERT_EQ(1u, bench.ui.informations.size());
    EXPECT_EQ(loadCancelledMessage(vrc), bench.ui.informations[0]);
    EXPECT_EQ(test::kLine, w.chromosomeLine());  // the previous line is drawn again
    EXPECT_TRUE(w.circuit().hasCircuit());
}

TEST(WorkbenchFeedback, DotAndVhdlDialogsAskBeforeReplacingAFile) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.loadAndDraw(bench.writeChromosome("c.chr"));
    bench.ui.fileAnswers = {std::nullopt, std::nullopt};
    w.generateDotClicked();
    w.generateVhdlClicked();
    ASSERT_EQ(2u, bench.ui.dialogs.size());
    EXPECT_TRUE(bench.ui.dialogs[0].overwritePrompt);
    EXPECT_TRUE(bench.ui.dialogs[1].overwritePrompt);
}

}  // namespace
}  // namespace pellisor
