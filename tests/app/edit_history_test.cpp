// Undo and redo of the canvas edits, the changed state since a load or save, and the recent files.
#include "app/recent_files.h"
#include "app/workbench_bench.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/file_names.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

using test::between;

// Everything an edit may change and an undo must give back, as text; the canvas only has to stay at
// least the viewport, as a refit ("Přizpůsobit" is no edit) may have changed it since.
std::string stateOf(const Workbench& w) {
    std::string text;
    for (const Block& b : w.circuit().blocks) {
        text += std::to_string(b.function) + ":";
        for (const std::int32_t source : b.inputs)
            text += std::to_string(source) + ",";
        for (const std::int32_t field : {b.x, b.y, b.mark, std::int32_t(b.visible), b.value, b.depth})
            text += " " + std::to_string(field);
        text += "\n";
    }
    for (const std::string& line : w.memo())
        text += line + "\n";
    text += std::to_string(w.options().hiddenBlocks) + std::to_string(w.options().values) + "\n";
    for (const AssignmentRow& row : w.assignment().rows())
        text += std::to_string(row.identifier) + row.description + "\n";
    EXPECT_TRUE(w.canvasSize().width >= 999 && w.canvasSize().height >= 338);
    return text;
}

// Points at a random entry, as the mouse resting on its anchor does.
bool pointAtRandomEntry(std::mt19937& rng, Workbench& w) {
    const Block& block = w.circuit().blocks[std::size_t(between(rng, 0, w.circuit().blockTotal() - 1))];
    w.mouseMoved(block.x, block.y, false);
    return w.currentBlock() >= 0;
}

// One of the edits that are steps of the history, at random.
void randomEdit(std::mt19937& rng, Workbench& w) {
    const int kind = between(rng, 0, 8);
    if (kind == 1) w.mouseMoved(w.circuit().blocks[0].x, w.circuit().blocks[0].y, false);  // an input
    if (kind != 1 && kind < 5 && !pointAtRandomEntry(rng, w)) return;
    switch (kind) {
        case 0:  // a drag; with Ctrl, the press flips the input's lowest bit
        case 1:
            w.mousePressed(MouseButton::Left, 0, 0, false, kind == 1, false);
            if (kind == 0) w.mouseMoved(between(rng, 0, 900), between(rng, 0, 900), false);
            return w.mouseReleased();
        case 2:
            return w.toggleVisibilityClicked();
        case 3:
            return w.swapInputsClicked();
        case 4:
            w.openValueEditor();
            return w.commitValueEditor(std::to_string(between(rng, 0, 255)));
        case 5:
            return w.hideNonFunctionalClicked();
        case 6:
            return w.eliminateRedundantClicked();
        case 7:
            return w.autoPlaceClicked();
        default:
            return w.loadLayoutClicked();
    }
}

TEST(EditHistory, UndoingEveryEditGivesBackTheLoadedCircuitAndRedoingGivesTheLastState) {
    std::mt19937 rng(1717);
    for (int round = 0; round < 40 && !HasFailure(); ++round) {
        test::Bench bench;
        Workbench& w = bench.workbench;
        const std::string path = bench.dir.file("c.chr");
        test::writeBytes(
            path, test::chromosomeLine(test::randomCircuit(rng, test::randomShape(rng, 6, 3, 6, 5, 3))));
        w.functionAssignmentClicked();  // the table from set.ini, as the window starts
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
            w.assignment().setIdentifier(gene, between(rng, 0, 7));  // with in1 and in2 to eliminate
        ASSERT_TRUE(w.loadAndDraw(path));
        // A layout of the same circuit elsewhere, the two options and the table at random.
        Chromosome moved = w.circuit();
        for (Block& block : moved.blocks)
            block = {block.inputCount,      block.inputs, -1, between(rng, 0, 700), block.y, 0,
                     between(rng, 0, 3) > 0};
        LayoutSettings layout{between(rng, 0, 1) == 1, between(rng, 0, 1) == 1, {}};
        for (std::int32_t& identifier : layout.identifiers)
            identifier = between(rng, 1, 7);
        saveLayoutFile(changeFileExtension(path, ".ini"), moved, layout, {});

        const std::string drawn = stateOf(w);
        for (int i = between(rng, 1, 30); i > 0; --i) {
            try {
                randomEdit(rng, w);
            } catch (const Error&) {  // a function the evaluator refuses: what was done is a step
            }
        }
        const std::string last = stateOf(w);
        while (w.canUndo())
            w.undoClicked();
        EXPECT_EQ(drawn, stateOf(w)) << "round " << round;
        while (w.canRedo())
            w.redoClicked();
        EXPECT_EQ(last, stateOf(w)) << "round " << round;
    }
}

TEST(EditHistory, KeepsAHundredStepsAndASelectionIsNone) {
    EditHistory history(100);
    EditState state;
    state.blocks.resize(3);
    for (int i = 1; i <= 150; ++i) {
        EditState next = state;
        next.blocks[1].x = i;
        ASSERT_TRUE(history.record(std::exchange(state, next), next));
    }
    while (history.undo(state)) {
    }
    EXPECT_EQ(state.blocks[1].x, 50);
    EditState marked = state;
    marked.blocks[2].mark = kMarkCone;
    EXPECT_FALSE(history.record(state, marked, false));  // a press that selected without moving
    EXPECT_TRUE(history.record(state, marked));          // a command's marks, as elimination's
    EXPECT_FALSE(history.canRedo());
}

TEST(EditHistory, LoadsAndSavesSetWhatCountsAsUnchanged) {
    test::Bench bench;
    Workbench& w = bench.workbench;
    w.functionAssignmentClicked();
    ASSERT_TRUE(w.loadAndDraw(bench.writeChromosome("a.chr")));
    EXPECT_FALSE(w.modified());
    const auto point = [&w](std::int32_t entry) {
        w.mouseMoved(w.circuit().blocks[entry].x, w.circuit().blocks[entry].y, false);
    };
    point(5);
    w.swapInputsClicked();
    // "Uložit" writes the line, which has not got the swap.
    bench.ui.fileAnswers.push_back(bench.dir.file("a2.chr"));
    w.saveChromosomeClicked();
    EXPECT_TRUE(w.modified());
    w.undoClicked();
    EXPECT_FALSE(w.modified());
    // "Uložit jako" writes the circuit and its layout; a name the layout would take is refused.
    point(5);
    w.swapInputsClicked();
    w.toggleVisibilityClicked();
    point(1);
    w.openValueEditor();
    w.commitValueEditor("7");
    EXPECT_THROW(w.saveCircuitAs(bench.dir.file("b.ini")), Error);
    w.saveCircuitAs(bench.dir.file("b.chr"));
    EXPECT_FALSE(w.modified());
    // Loaded back with its layout, b.chr is the circuit as it was saved.
    test::Bench other;
    other.workbench.functionAssignmentClicked();
    ASSERT_TRUE(other.workbench.loadAndDraw(bench.dir.file("b.chr")));
    other.workbench.loadLayoutClicked();
    EXPECT_EQ(stateOf(w), stateOf(other.workbench));
    EXPECT_FALSE(other.workbench.modified());

    w.undoClicked();
    EXPECT_TRUE(w.modified());
    bench.ui.yesNoAnswers.push_back(true);  // "Uložit rozmístění" over the one beside b.chr
    w.saveLayoutClicked();
    EXPECT_FALSE(w.modified());
}

TEST(RecentFiles, NewestFirstWithoutCopiesAtMostEightAndOtherSectionsKept) {
    test::TempDir dir;
    const std::string before =
        "; moje\r\n[Nastaveni]\r\nA = 1\r\n\r\n[posledni soubory]\r\nSoubor1=x\r\n[Z]\r\nb=2\r\n";
    test::writeBytes(dir.file("set.ini"), before);
    SettingsFile settings(dir.file("set.ini"));
    std::vector<std::string> files = readRecentFiles(settings);
    EXPECT_EQ(files, std::vector<std::string>{"x"});
    for (const int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 0})
        files = withRecentFile(files, dir.file(std::to_string(i) + ".chr"));
    files = withRecentFile(files, dir.path() + "/./3.chr");
    EXPECT_EQ(files, (std::vector<std::string>{dir.file("3.chr"), dir.file("0.chr"), dir.file("8.chr"),
                                               dir.file("7.chr"), dir.file("6.chr"), dir.file("5.chr"),
                                               dir.file("4.chr"), dir.file("2.chr")}));
    writeRecentFiles(settings, files);
    EXPECT_EQ(readRecentFiles(settings), files);
    const std::string after = test::readBytes(dir.file("set.ini"));
    EXPECT_EQ(after.substr(0, after.find("[Posledni")), before.substr(0, before.find("[posledni")));
    EXPECT_EQ(after.substr(after.find("[Z]")), "[Z]\r\nb=2\r\n");
}

}  // namespace
}  // namespace pellisor
