// Undo and redo of the canvas edits, the changed state since a load or save, and the recent files.
#include "app/edit_history.h"
#include "app/recent_files.h"
#include "app/workbench_bench.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/file_names.h"
#include "model/layout_file.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <random>

namespace pellisor {
namespace {

using test::between;

// What the edits may change and an undo must give back.
struct Shown {
    std::vector<Block> blocks;
    std::vector<std::string> memo;
    bool hiddenBlocks = false;
    bool values = false;
    std::vector<std::int32_t> identifiers;
    CanvasSize canvas;
};

Shown shownBy(const Workbench& w) {
    Shown shown{w.circuit().blocks, w.memo(), w.options().hiddenBlocks,
                w.options().values, {},       w.canvasSize()};
    for (const AssignmentRow& row : w.assignment().rows())
        shown.identifiers.push_back(row.identifier);
    return shown;
}

void expectSame(const Shown& expected, const Shown& actual, const std::string& when) {
    ASSERT_EQ(expected.blocks.size(), actual.blocks.size()) << when;
    for (std::size_t i = 0; i < expected.blocks.size(); ++i)
        EXPECT_TRUE(sameBlock(expected.blocks[i], actual.blocks[i])) << when << ", entry " << i;
    EXPECT_EQ(expected.memo, actual.memo) << when;
    EXPECT_EQ(expected.hiddenBlocks, actual.hiddenBlocks) << when;
    EXPECT_EQ(expected.values, actual.values) << when;
    EXPECT_EQ(expected.identifiers, actual.identifiers) << when;
    // The canvas is the one of the state, or a refit since ("Přizpůsobit" is no edit): never below the
    // viewport.
    EXPECT_GE(actual.canvas.width, 999) << when;
    EXPECT_GE(actual.canvas.height, 338) << when;
}

// Points at a random entry, as the mouse resting on its anchor does.
std::int32_t pointAtRandomEntry(std::mt19937& rng, Workbench& w) {
    const Block& block = w.circuit().blocks[std::size_t(between(rng, 0, w.circuit().blockTotal() - 1))];
    w.mouseMoved(block.x, block.y, false);
    return w.currentBlock();
}

// One of the edits that are steps of the history, at random; returns whether it loaded the layout.
bool randomEdit(std::mt19937& rng, Workbench& w) {
    switch (between(rng, 0, 8)) {
        case 0:  // a drag
            if (pointAtRandomEntry(rng, w) < 0) return false;
            w.mousePressed(MouseButton::Left, w.circuit().blocks[std::size_t(w.currentBlock())].x, 0, false,
                           false, false);
            w.mouseMoved(between(rng, 0, 900), between(rng, 0, 900), false);
            w.mouseReleased();
            return false;
        case 1:  // a Ctrl+click on an input flips its lowest bit
            w.mouseMoved(w.circuit().blocks[0].x, w.circuit().blocks[0].y, false);
            w.mousePressed(MouseButton::Left, 0, 0, false, true, false);
            w.mouseReleased();
            return false;
        case 2:
            if (pointAtRandomEntry(rng, w) >= 0) w.toggleVisibilityClicked();
            return false;
        case 3:
            if (pointAtRandomEntry(rng, w) >= 0) w.swapInputsClicked();
            return false;
        case 4:
            if (pointAtRandomEntry(rng, w) < 0) return false;
            w.openValueEditor();
            w.commitValueEditor(std::to_string(between(rng, 0, 255)));
            return false;
        case 5:
            w.hideNonFunctionalClicked();
            return false;
        case 6:
            w.eliminateRedundantClicked();
            return false;
        case 7:
            w.autoPlaceClicked();
            return false;
        default:
            w.loadLayoutClicked();
            return true;
    }
}

TEST(EditHistory, UndoingEveryEditGivesBackTheLoadedCircuitAndRedoingGivesTheLastState) {
    std::mt19937 rng(1717);
    for (int round = 0; round < 40; ++round) {
        test::Bench bench;
        Workbench& w = bench.workbench;
        const Chromosome random = test::randomCircuit(rng, test::randomShape(rng, 6, 3, 6, 5, 3));
        const std::string path = bench.dir.file("c.chr");
        test::writeBytes(path, test::chromosomeLine(random) + "\r\n");
        w.functionAssignmentClicked();  // the window's start: the table from set.ini
        // Genes passing an input on give elimination work.
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
            w.assignment().setIdentifier(gene, between(rng, 0, 7));
        ASSERT_TRUE(w.loadAndDraw(path));
        // A layout of the same circuit elsewhere, with the two options at random.
        Chromosome moved = w.circuit();
        for (Block& block : moved.blocks) {
            block.x = between(rng, 0, 700);
            block.visible = between(rng, 0, 3) > 0;
        }
        LayoutSettings layout{between(rng, 0, 1) == 1, between(rng, 0, 1) == 1, {}};
        for (std::size_t row = 0; row < layout.identifiers.size(); ++row)
            layout.identifiers[row] = w.assignment().rows()[row].identifier;
        saveLayoutFile(changeFileExtension(path, ".ini"), moved, layout, {});
        EXPECT_FALSE(w.modified());

        const Shown drawn = shownBy(w);
        bool layoutLoaded = false;
        const int edits = between(rng, 1, 30);
        for (int i = 0; i < edits; ++i) {
            try {
                layoutLoaded = randomEdit(rng, w) || layoutLoaded;
            } catch (const Error&) {  // a function the evaluator refuses: what was done is a step
            }
        }
        const Shown last = shownBy(w);

        while (w.canUndo())
            w.undoClicked();
        expectSame(drawn, shownBy(w), "round " + std::to_string(round) + " undone");
        // A loaded layout is what was last loaded; without one, all is as the load left it.
        EXPECT_TRUE(layoutLoaded || !w.modified());
        while (w.canRedo())
            w.redoClicked();
        expectSame(last, shownBy(w), "round " + std::to_string(round) + " redone");
        if (HasFailure()) return;
    }
}

TEST(EditHistory, KeepsTheLastStepsAndIgnoresSelections) {
    EditHistory history(100);
    EditState state;
    state.blocks.resize(3);
    for (int i = 0; i < 150; ++i) {
        EditState next = state;
        next.blocks[1].x = i + 1;
        ASSERT_TRUE(history.record(state, next));
        state = next;
    }
    EXPECT_EQ(history.undoCount(), 100u);
    while (history.undo(state)) {
    }
    EXPECT_EQ(state.blocks[1].x, 50);  // the oldest fifty steps are gone
    // A click that only marks a cone is no step, and a new step forgets what could be redone.
    EditState marked = state;
    marked.blocks[2].mark = kMarkCone;
    EXPECT_FALSE(history.record(state, marked, false));
    EXPECT_FALSE(history.record(state, state));
    EXPECT_TRUE(history.canRedo());
    EXPECT_TRUE(history.record(state, marked));  // a command's marks, as elimination's
    EXPECT_FALSE(history.canRedo());
}

TEST(EditHistory, LoadsAndSavesSetWhatCountsAsUnchanged) {
    test::Bench bench;
    Workbench& w = bench.workbench;
    EXPECT_FALSE(w.modified());
    w.functionAssignmentClicked();
    ASSERT_TRUE(w.loadAndDraw(bench.writeChromosome("a.chr")));
    EXPECT_FALSE(w.modified());
    w.mouseMoved(w.circuit().blocks[5].x, w.circuit().blocks[5].y, false);
    w.swapInputsClicked();
    EXPECT_TRUE(w.modified());
    // "Uložit" writes the line, which has not got the swap: the file has the other structure.
    bench.ui.fileAnswers.push_back(bench.dir.file("a2.chr"));
    w.saveChromosomeClicked();
    EXPECT_TRUE(w.modified());
    w.undoClicked();
    EXPECT_FALSE(w.modified());
    // "Uložit jako" writes the circuit and its layout; a name the layout would take is refused.
    w.mouseMoved(w.circuit().blocks[5].x, w.circuit().blocks[5].y, false);
    w.swapInputsClicked();
    w.toggleVisibilityClicked();
    w.mouseMoved(w.circuit().blocks[1].x, w.circuit().blocks[1].y, false);
    w.openValueEditor();
    w.commitValueEditor("7");
    EXPECT_THROW(w.saveCircuitAs(bench.dir.file("b.ini")), Error);
    w.saveCircuitAs(bench.dir.file("b.chr"));
    EXPECT_FALSE(w.modified());
    EXPECT_EQ(w.fileName(), bench.dir.file("b.chr"));
    const Shown saved = shownBy(w);
    w.undoClicked();
    EXPECT_TRUE(w.modified());

    // Loaded back with its layout, the file is the circuit as it was saved.
    test::Bench other;
    other.workbench.functionAssignmentClicked();
    ASSERT_TRUE(other.workbench.loadAndDraw(bench.dir.file("b.chr")));
    other.workbench.loadLayoutClicked();
    EXPECT_FALSE(other.workbench.modified());
    for (std::size_t i = 0; i < saved.blocks.size(); ++i) {
        const Block& back = other.workbench.circuit().blocks[i];
        const Block& kept = saved.blocks[i];
        EXPECT_EQ(std::tie(back.inputs, back.function, back.x, back.y, back.visible),
                  std::tie(kept.inputs, kept.function, kept.x, kept.y, kept.visible));
        if (i < 3) {
            EXPECT_EQ(back.value, kept.value);
        }
    }
    EXPECT_EQ(other.workbench.circuit().blocks[1].value, 7);

    // "Uložit rozmístění" makes the layout in memory the saved one.
    bench.ui.yesNoAnswers.push_back(true);
    w.saveLayoutClicked();
    EXPECT_FALSE(w.modified());
    w.undoClicked();
    EXPECT_TRUE(w.modified());
    w.redoClicked();
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
    for (int i = 0; i < 10; ++i)
        files = withRecentFile(files, dir.file(std::to_string(i % 9) + ".chr"));
    files = withRecentFile(files, dir.path() + "/./3.chr");
    ASSERT_EQ(files.size(), kRecentFileCount);
    EXPECT_EQ(files[0], dir.file("3.chr"));
    EXPECT_EQ(files[1], dir.file("0.chr"));
    EXPECT_EQ(files[7], dir.file("2.chr"));
    writeRecentFiles(settings, files);
    EXPECT_EQ(readRecentFiles(settings), files);
    const std::string after = test::readBytes(dir.file("set.ini"));
    EXPECT_EQ(after.substr(0, after.find("[Posledni")), before.substr(0, before.find("[posledni")));
    EXPECT_EQ(after.substr(after.find("[Z]")), "[Z]\r\nb=2\r\n");
}

}  // namespace
}  // namespace pellisor
