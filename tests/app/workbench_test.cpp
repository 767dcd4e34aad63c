#include "app/workbench.h"

#include "app/workbench_bench.h"
#include "model/error.h"
#include "model/file_io.h"
#include "support/fake_ui.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

using settings::DisplayOption;
using test::Bench;
using test::FakeUi;
using test::kLine;

TEST(Workbench, StartsWithNoCircuitAndTheStartButtons) {
    Bench bench;
    const Workbench& w = bench.workbench;
    EXPECT_FALSE(w.circuit().hasCircuit());
    EXPECT_EQ("Vykreslit", w.drawCaption());
    EXPECT_EQ(std::vector<std::string>{""}, w.memo());
    for (const Button on : {Button::SBdt, Button::SpeedButton3, Button::SpeedButton1, Button::SpeedButton2,
                            Button::SBautv, Button::SpeedButton4, Button::SBoptimize, Button::SBulset}) {
        EXPECT_TRUE(w.enabled(on)) << buttonName(on);
    }
    for (const Button off :
         {Button::SBok, Button::SBuloz, Button::SBsnb, Button::SBur, Button::SBnr, Button::SBnextcomb,
          Button::SBev, Button::SBevf, Button::SBVHDL, Button::SBDot, Button::SBbatch, Button::SBfiltr}) {
        EXPECT_FALSE(w.enabled(off)) << buttonName(off);
    }
    // Without set.ini: the default spacings, and three display options on.
    EXPECT_EQ(defaultSpacingTexts(), w.spacings());
    EXPECT_TRUE(w.options().blockNumbers);
    EXPECT_TRUE(w.options().hiddenBlocks);
    EXPECT_TRUE(w.options().hiddenWires);
    EXPECT_FALSE(w.options().values);
    EXPECT_FALSE(w.options().footer);
}

TEST(Workbench, TheDrawButtonFollowsTheLineBeforeEachKey) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.chromosomeKeyPressed();
    w.setChromosomeLine("{");
    EXPECT_FALSE(w.enabled(Button::SBok));  // the line was empty before the first key
    EXPECT_TRUE(w.enabled(Button::SBuloz));
    w.chromosomeKeyPressed();
    w.setChromosomeLine("");  // deleting the last character
    EXPECT_TRUE(w.enabled(Button::SBok));
    w.chromosomeKeyPressed();
    EXPECT_FALSE(w.enabled(Button::SBok));

    Bench pasted;
    pasted.workbench.setChromosomeLine(kLine);
    EXPECT_TRUE(pasted.workbench.enabled(Button::SBuloz));
    EXPECT_FALSE(pasted.workbench.enabled(Button::SBok));
}

TEST(Workbench, DrawingATypedLineSummarisesAndEnablesOnlyTheFileFreeButtons) {
    Bench bench;
    bench.drawTyped();
    const Workbench& w = bench.workbench;
    ASSERT_TRUE(w.circuit().hasCircuit());
    EXPECT_EQ("OK", w.statusText());
    EXPECT_EQ("Překreslit", w.drawCaption());
    EXPECT_TRUE(bench.workbench.takeShowFunctionPage());
    EXPECT_EQ((std::vector<std::string>{"Rozměr matice: 2x2", "Vstupů: 3", "Výstupů: 1",
                                        "Max. zpoždění výstupu: 2T", "Rozměr plátna: 999x338"}),
              w.memo());
    EXPECT_EQ((CanvasSize{999, 338}), w.canvasSize());
    EXPECT_TRUE(w.enabled(Button::SBsnb));
    EXPECT_TRUE(w.enabled(Button::SBnextcomb));
    for (const Button off : {Button::SBur, Button::SBev, Button::SBevf, Button::SBVHDL, Button::SBDot,
                             Button::SBfiltr, Button::SBbatch, Button::SBnr}) {
        EXPECT_FALSE(w.enabled(off)) << buttonName(off);
    }
    EXPECT_EQ(80, bench.block(3).x);  // laid out on the grid
}

TEST(Workbench, RedrawKeepsPositionsAndAFailedDrawDropsTheCircuit) {
    Bench bench;
    bench.drawTyped();
    Workbench& w = bench.workbench;
    w.circuit().blocks[4].x = 333;
    w.drawClicked();  // redraw mode
    EXPECT_EQ(333, bench.block(4).x);

    w.setChromosomeLine("{3,1,2,2,2,1,-1}([3]0,1,1)");
    EXPECT_THROW(w.drawClicked(), Error);
    EXPECT_FALSE(w.circuit().hasCircuit());
    EXPECT_EQ("Vykreslit", w.drawCaption());
    EXPECT_EQ("{3,1,2,2,2,1,-1}([3]0,1,1)", w.chromosomeLine());

    // The next draw lays out afresh.
    w.setChromosomeLine(kLine);
    w.drawClicked();
    EXPECT_EQ(80, bench.block(4).x);
}

TEST(Workbench, LoadingAFileEnablesItsButtonsAndReturnsToDrawMode) {
    Bench bench;
    Workbench& w = bench.workbench;
    const std::string path = bench.writeChromosome("adder.chr");
    w.loadAndDraw(path);
    EXPECT_EQ(kLine, w.chromosomeLine());
    EXPECT_EQ(" popis", w.description());
    EXPECT_EQ(path, w.fileName());
    EXPECT_EQ("Vykreslit", w.drawCaption());
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), w.circuit().inputNames);
    for (const Button on : {Button::SBok, Button::SBur, Button::SBev, Button::SBevf, Button::SBVHDL,
                            Button::SBDot, Button::SBfiltr, Button::SBbatch}) {
        EXPECT_TRUE(w.enabled(on)) << buttonName(on);
    }
    EXPECT_FALSE(w.enabled(Button::SBnr));  // no layout file beside it yet
    test::writeBytes(bench.dir.file("adder.ini"), "[Global]\n");
    w.drawClicked();
    EXPECT_TRUE(w.enabled(Button::SBnr));

    EXPECT_THROW(w.loadAndDraw(bench.dir.file("missing.chr")), Error);
}

TEST(Workbench, OpenAndSaveDialogsProposeTheChromosomesPlace) {
    Bench bench;
    Workbench& w = bench.workbench;
    bench.ui.fileAnswers = {std::nullopt};
    w.openClicked();
    ASSERT_EQ(1u, bench.ui.dialogs.size());
    EXPECT_EQ("Chromozom|*.chr|Chromozom vrc|*.vrc|Hradlový obvod cgp|*.cgp|Síť komparátorů cha|*.cha",
              bench.ui.dialogs[0].filter);
    EXPECT_EQ("*.chr", bench.ui.dialogs[0].defaultExtension);
    EXPECT_FALSE(w.circuit().hasCircuit());

    // Nothing loaded yet: the save dialog proposes ".chr".
    w.setChromosomeLine(kLine);
    bench.ui.fileAnswers = {std::nullopt};
    w.saveChromosomeClicked();
    EXPECT_EQ(".chr", bench.ui.dialogs.back().fileName);
    EXPECT_TRUE(w.enabled(Button::SBuloz));

    const std::string path = bench.writeChromosome("adder.vrc.chr");
    bench.ui.fileAnswers = {path, bench.dir.file("copy.chr")};
    w.openClicked();
    w.saveChromosomeClicked();
    EXPECT_EQ("adder.vrc.chr", bench.ui.dialogs.back().fileName);
    EXPECT_EQ(bench.dir.path() + "/", bench.ui.dialogs.back().initialDirectory);
    EXPECT_EQ("# " + w.description() + "\r\n#%i a,b,c\r\n#%o y\r\n" + kLine + "\r\n",
              test::readBytes(bench.dir.file("copy.chr")));
    EXPECT_FALSE(w.enabled(Button::SBuloz));

    // A failed write tells the user through the error and leaves the button enabled.
    w.setChromosomeLine(kLine);
    bench.ui.fileAnswers = {bench.dir.file("no/such/dir/x.chr")};
    EXPECT_THROW(w.saveChromosomeClicked(), Error);
    EXPECT_TRUE(w.enabled(Button::SBuloz));
}

TEST(Workbench, HitAreaIsTheOpenSquareAroundTheAnchor) {
    Bench bench;
    bench.drawTyped();
    Workbench& w = bench.workbench;
    w.mouseMoved(80 - 5, 30, false);
    EXPECT_EQ(-1, w.currentBlock());
    w.mouseMoved(80 - 4, 30, false);
    EXPECT_EQ(3, w.currentBlock());
    EXPECT_EQ(CursorShape::Move, w.cursor());
    w.mouseMoved(80, 30 + 4, true);
    EXPECT_EQ(CursorShape::VerticalResize, w.cursor());
    w.mouseMoved(500, 500, false);
    EXPECT_EQ(-1, w.currentBlock());
    EXPECT_EQ(CursorShape::Default, w.cursor());

    // Hidden blocks are picked only while hidden blocks are shown; hidden inputs always.
    w.circuit().blocks[3].visible = false;
    w.circuit().blocks[0].visible = false;
    w.setOption(DisplayOption::HiddenBlocks, false);
    w.mouseMoved(80, 30, false);
    EXPECT_EQ(-1, w.currentBlock());
    w.mouseMoved(20, 40, false);
    EXPECT_EQ(0, w.currentBlock());
    w.setOption(DisplayOption::HiddenBlocks, true);
    w.mouseMoved(80, 30, false);
    EXPECT_EQ(3, w.currentBlock());
}

TEST(Workbench, DraggingMovesTheEntryWithAxisLockAndClamping) {
    Bench bench;
    bench.drawTyped();
    Workbench& w = bench.workbench;
    w.mouseMoved(80, 30, false);
    w.mousePressed(MouseButton::Left, 80, 30, false, false, false);
    EXPECT_TRUE(w.dragging());
    EXPECT_EQ("Označených bloků: 1      Max. zpoždění vstupu: 0T      Vstupní bloky: 0,1", w.statusText());
    EXPECT_EQ(kMarkCone, bench.block(0).mark);
    w.mouseMoved(120, 60, false);
    EXPECT_EQ((Point{120, 60}), (Point{bench.block(3).x, bench.block(3).y}));
    w.mouseMoved(-30, -2, false);
    EXPECT_EQ((Point{0, 0}), (Point{bench.block(3).x, bench.block(3).y}));
    // The last free move went further sideways: Shift now lets only x follow.
    w.mouseMoved(100, 10, false);
    w.mouseMoved(150, 90, true);
    EXPECT_EQ((Point{150, 10}), (Point{bench.block(3).x, bench.block(3).y}));
    w.mouseReleased();
    EXPECT_FALSE(w.dragging());
    EXPECT_EQ(-1, w.currentBlock());
    EXPECT_EQ("", w.statusText());

    // A drag begun with Shift held moves vertically only.
    w.mouseMoved(160, 30, false);
    w.mousePressed(MouseButton::Left, 160, 30, true, false, false);
    w.mouseMoved(200, 77, true);
    EXPECT_EQ((Point{160, 77}), (Point{bench.block(5).x, bench.block(5).y}));
    w.mouseReleased();
    // Grabbing a primary input marks only it and writes no status.
    w.mouseMoved(20, 40, false);
    w.mousePressed(MouseButton::Left, 20, 40, false, false, false);
    EXPECT_EQ("", w.statusText());
    EXPECT_EQ(kMarkCone, bench.block(0).mark);
    EXPECT_EQ(kMarkNone, bench.block(3).mark);
    w.mouseReleased();
}

TEST(Workbench, CtrlClickFlipsTheLowestBitAndReevaluates) {
    Bench bench;
    bench.drawTyped();
    Workbench& w = bench.workbench;
    w.functionAssignmentClicked();       // the silent first load
    w.assignment().setIdentifier(1, 4);  // block 3 passes input 0 on
    w.setOption(DisplayOption::Values, true);
    w.circuit().blocks[0].value = 6;
    w.mouseMoved(20, 40, false);
    w.mousePressed(MouseButton::Left, 20, 40, false, true, false);
    EXPECT_EQ(7, bench.block(0).value);
    EXPECT_EQ(7, bench.block(3).value);
    w.mouseReleased();
}

TEST(Workbench, PopupActionsActOnTheEntryUnderTheMouse) {
    Bench bench;
    bench.drawTyped();
    Workbench& w = bench.workbench;
    w.mouseMoved(20, 40, false);
    MousePressResult popup = w.mousePressed(MouseButton::Right, 20, 40, false, false, false);
    EXPECT_TRUE(popup.openPopup);
    EXPECT_TRUE(popup.changeValueEnabled);
    w.mouseMoved(80, 30, false);
    popup = w.mousePressed(MouseButton::Right, 80, 30, false, false, false);
    EXPECT_TRUE(popup.openPopup);
    EXPECT_FALSE(popup.changeValueEnabled);
    EXPECT_FALSE(w.dragging());

    w.toggleVisibilityClicked();
    EXPECT_FALSE(bench.block(3).visible);
    w.toggleVisibilityClicked();
    EXPECT_TRUE(bench.block(3).visible);
    w.swapInputsClicked();
    EXPECT_EQ((std::vector<std::int32_t>{1, 0}), bench.block(3).inputs);
    w.openValueEditor();  // "Změnit hodnotu" on a block does nothing
    EXPECT_FALSE(w.valueEditor().open);

    w.mouseMoved(242, 42, false);  // the output: one input, nothing to swap
    w.swapInputsClicked();
    EXPECT_EQ((std::vector<std::int32_t>{6}), bench.block(7).inputs);
}

TEST(Workbench, ValueEditorTakesDigitsAndCommitsOnEnterOrAPress) {
    EXPECT_TRUE(valueEditorAccepts('0'));
    EXPECT_TRUE(valueEditorAccepts('9'));
    EXPECT_TRUE(valueEditorAccepts('\r'));
    EXPECT_TRUE(valueEditorAccepts('\b'));
    EXPECT_FALSE(valueEditorAccepts('-'));
    EXPECT_FALSE(valueEditorAccepts('a'));

    Bench bench;
    bench.drawTyped();
    Workbench& w = bench.workbench;
    w.functionAssignmentClicked();
    w.setOption(DisplayOption::Values, true);
    w.mouseMoved(20, 70, false);
    w.mousePressed(MouseButton::Left, 20, 70, false, false, true);  // double click
    ASSERT_TRUE(w.valueEditor().open);
    EXPECT_EQ(1, w.editedBlock());
    EXPECT_EQ(23, w.valueEditor().x);
    EXPECT_EQ(72, w.valueEditor().y);
    EXPECT_EQ("0", w.valueEditor().text);
    EXPECT_THROW(w.commitValueEditor(""), Error);  // stays open, value unchanged
    EXPECT_TRUE(w.valueEditor().open);
    EXPECT_EQ(0, bench.block(1).value);
    const int repaints = bench.ui.repaints;
    w.commitValueEditor("255");
    EXPECT_FALSE(w.valueEditor().open);
    EXPECT_EQ(-1, w.editedBlock());
    EXPECT_EQ(255, bench.block(1).value);
    EXPECT_GT(bench.ui.repaints, repaints);

    // A press on the canvas commits an open editor first.
    w.mouseMoved(20, 100, false);
    w.mousePressed(MouseButton::Left, 20, 100, false, false, true);
    ASSERT_TRUE(w.valueEditor().open);
    w.setValueEditorText("42");
    w.mouseMoved(500, 300, false);
    w.mousePressed(MouseButton::Left, 500, 300, false, false, false);
    EXPECT_FALSE(w.valueEditor().open);
    EXPECT_EQ(42, bench.block(2).value);
}

TEST(Workbench, RecalculateEvaluatesOnlyWhileValuesAreShown) {
    Bench bench;
    bench.drawTyped();
    Workbench& w = bench.workbench;
    w.functionAssignmentClicked();
    w.assignment().setIdentifier(1, 17);  // block 3 is the constant 255
    w.recalculate();
    EXPECT_EQ(0, bench.block(3).value);
    w.setOption(DisplayOption::Values, true);
    w.recalculate();
    EXPECT_EQ(255, bench.block(3).value);
}

TEST(Workbench, FunctionDialogCountsVisibleBlocksPerGene) {
    Bench bench;
    test::writeBytes(bench.dir.file("set.ini"), "[Funkce]\nf2=3\n");
    Workbench& w = bench.workbench;
    w.setChromosomeLine("{1,1,5,1,2,1,-1}(0,0,2)(0,0,2)(0,0,2)(0,0,2)(0,0,2)(5)");
    w.drawClicked();
    w.functionAssignmentClicked();
    EXPECT_EQ(0, bench.ui.functionDialogsShown);  // the first activation only loads
    EXPECT_EQ(3, w.assignment().rows()[2].identifier);
    w.circuit().blocks[3].visible = false;
    w.functionAssignmentClicked();
    EXPECT_EQ(1, bench.ui.functionDialogsShown);
    EXPECT_EQ("4x", w.assignment().rows()[2].usage);
    for (std::size_t gene = 0; gene < 32; ++gene) {
        if (gene != 2) {
            EXPECT_EQ("", w.assignment().rows()[gene].usage) << gene;
        }
    }
    const std::string table = w.assignmentTableText();
    EXPECT_EQ(32, std::count(table.begin(), table.end(), '\n'));
    EXPECT_EQ(0u, table.find("0\t\t\r\n"));
    EXPECT_NE(std::string::npos, table.find("3\tin1 XOR in2      int x int -> int\t4x\r\n"));
    w.copyAssignmentClicked();
    EXPECT_EQ(table, bench.ui.clipboard.back());
}

TEST(Workbench, PictureExportFollowsTheChosenExtension) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.loadAndDraw(bench.writeChromosome("adder.chr"));
    bench.ui.fileAnswers = {bench.dir.file("a.BMP"), bench.dir.file("a.jpeg"), bench.dir.file("a"),
                            bench.dir.file("a.jpg"), bench.dir.file("a.eps"),  std::nullopt};
    // A name of no format is refused with the formats there are.
    for (const char* name : {"a.BMP", "a.jpeg", "a"}) {
        try {
            w.savePictureClicked();
            ADD_FAILURE() << "no message for " << name;
        } catch (const Error& error) {
            EXPECT_EQ(unknownPictureFormatMessage(bench.dir.file(name)), error.what());
            EXPECT_NE(std::string::npos,
                      std::string(error.what()).find(".bmp, .jpg, .ps, .eps, .svg, .pdf nebo .png"));
        }
    }
    for (int i = 0; i < 3; ++i)
        w.savePictureClicked();
    EXPECT_EQ(bench.dir.file("adder "), bench.ui.dialogs[0].fileName);
    EXPECT_EQ(".bmp", bench.ui.dialogs[0].defaultExtension);
    // The three kinds of old first, then the vector formats and PNG.
    EXPECT_EQ(
        "Bitmaps (*.bmp)|*.bmp|Jpegs (*.jpg)|*.jpg|PostScript (*.ps)|*.ps|SVG (*.svg)|*.svg|"
        "PDF (*.pdf)|*.pdf|PNG (*.png)|*.png",
        bench.ui.dialogs[0].filter);
    ASSERT_EQ(1u, bench.pictures.rasterPictures.size());
    EXPECT_EQ(PictureFormat::Jpeg, bench.pictures.rasterPictures[0].first);
    EXPECT_EQ(0u, test::readBytes(bench.dir.file("a.eps")).find("%!PS-Adobe-3.0 EPSF-3.0\n"));
    for (const char* absent : {"a.BMP", "a.jpeg", "a"})
        EXPECT_FALSE(fileExists(bench.dir.file(absent))) << absent;

    Bench none;
    none.ui.fileAnswers = {std::nullopt};
    none.workbench.savePictureClicked();
    EXPECT_EQ(" ", none.ui.dialogs[0].fileName);
}

TEST(Workbench, AfterAFilterRunThePictureDialogOffersOnlyBitmaps) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.loadAndDraw(bench.writeChromosome("f.chr", "{9,1,1,1,2,1,-1}(0,1,0)(4)"));
    bench.pictures.bitmap = RgbImage{4, 4, std::vector<std::uint8_t>(48, 7)};
    bench.ui.fileAnswers = {bench.dir.file("in.bmp"), bench.dir.file("out.bmp"), std::nullopt};
    w.filterImageClicked();
    ASSERT_EQ(1u, bench.pictures.savedBitmaps.size());
    EXPECT_EQ(7, bench.pictures.savedBitmaps[0].second.row(1)[3]);
    EXPECT_EQ(255, bench.pictures.savedBitmaps[0].second.row(0)[0]);
    w.savePictureClicked();
    EXPECT_EQ("Bitmaps|*.bmp", bench.ui.dialogs.back().filter);

    // Not nine inputs: nothing happens, no dialog opens.
    Bench other;
    other.drawTyped();
    other.workbench.filterImageClicked();
    EXPECT_TRUE(other.ui.dialogs.empty());
}

TEST(Workbench, SettingsSavedAreReadAgainAtTheNextStart) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.setSpacingText(settings::Spacing::BlockX, "120");
    w.setOption(DisplayOption::Footer, true);
    w.setOption(DisplayOption::BlockNumbers, false);
    w.saveSettingsClicked();
    FakeUi ui;
    test::FakePictureStore pictures;
    Workbench restarted(ui, pictures, bench.dir.file("set.ini"));
    EXPECT_EQ("120", restarted.spacings()[static_cast<std::size_t>(settings::Spacing::BlockX)]);
    EXPECT_TRUE(restarted.options().footer);
    EXPECT_FALSE(restarted.options().blockNumbers);
}

TEST(Workbench, SpacingEnterPlacesAgainButNeverWithoutACircuit) {
    Bench bench;
    Workbench& w = bench.workbench;
    EXPECT_NO_THROW(w.spacingEntered());
    bench.drawTyped();
    w.setSpacingText(settings::Spacing::BlockOffsetX, "10");
    w.spacingEntered();
    EXPECT_EQ(10, bench.block(3).x);
    EXPECT_EQ((CanvasSize{999, 338}), w.canvasSize());  // no resize
    w.setSpacingText(settings::Spacing::BlockOffsetX, "1o");
    EXPECT_THROW(w.spacingEntered(), Error);
}

TEST(Workbench, RedundantGateCommandsReportTheirCounts) {
    Bench bench;
    bench.drawTyped();
    Workbench& w = bench.workbench;
    w.functionAssignmentClicked();
    w.assignment().setIdentifier(1, 4);
    w.detectRedundantClicked();
    EXPECT_EQ("Pocet bloku navic: 1", w.statusText());
    w.eliminateRedundantClicked();
    EXPECT_EQ("Rozměr plátna: 999x338", w.statusText());  // the summary runs last
    EXPECT_EQ(0, bench.block(5).inputs[0]);
    w.hideNonFunctionalClicked();
    EXPECT_EQ("Funkcnich bloku: 2", w.statusText());
}

TEST(Workbench, LayoutSaveEnablesLoadingItBack) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.functionAssignmentClicked();
    w.loadAndDraw(bench.writeChromosome("c.chr"));
    w.circuit().blocks[3].x = 444;
    w.saveLayoutClicked();
    EXPECT_TRUE(w.enabled(Button::SBnr));
    EXPECT_TRUE(bench.ui.questions.empty());  // no file to overwrite yet
    w.circuit().blocks[3].x = 1;
    w.loadLayoutClicked();
    EXPECT_EQ(444, bench.block(3).x);
    w.setLayoutFileName(bench.dir.file("absent.ini"));
    w.loadLayoutClicked();
    ASSERT_EQ(1u, bench.ui.informations.size());
    EXPECT_EQ("Soubor " + bench.dir.file("absent.ini") + " neexistuje!", bench.ui.informations[0]);
}

TEST(Workbench, ScriptsFillTheLogAndTheClipboard) {
    Bench bench;
    Workbench& w = bench.workbench;
    w.functionAssignmentClicked();
    w.loadAndDraw(bench.writeChromosome("c.chr"));
    test::writeBytes(bench.dir.file("t.csd"), "0:1 1:0 2:1\n");
    bench.ui.fileAnswers = {bench.dir.file("t.csd")};
    w.runScriptClicked();
    ASSERT_EQ(1u, bench.ui.logsShown.size());
    EXPECT_EQ(2u, w.logLines().size());
    EXPECT_EQ("#  popis/t.csd Vstupů: 3  Výstupů: 1", w.logLines()[0]);
    EXPECT_EQ("1\t0\t1\t\t0\n", bench.ui.clipboard.back());
    EXPECT_EQ(1, bench.block(0).value);
}

}  // namespace
}  // namespace pellisor
