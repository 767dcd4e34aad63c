#include "render/renderer.h"

#include "app/settings.h"
#include "model/chromosome_parser.h"
#include "support/recording_canvas.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace pellisor {
namespace {

using test::RecordingCanvas;

// A circuit laid out on the default grid.
Chromosome placed(std::string_view line) {
    Chromosome circuit;
    parseChromosome(line, ParseMode::Draw, circuit);
    placeOnGrid(circuit, defaultSpacingTexts());
    return circuit;
}

struct Drawing {
    Chromosome circuit;
    FunctionAssignment assignment;
    DisplayOptions options;
    bool dragging = false;
    SymbolSheet symbols;
    const SettingsFile* settings = nullptr;

    RecordingCanvas draw(CanvasSize size = {999, 338}) const {
        RecordingCanvas canvas;
        const FunctionStyles functions =
            settings ? readFunctionLabels(*settings, assignment) : FunctionStyles{};
        drawCircuit(canvas, Scene{circuit, assignment, options, functions, size, "desc", "12.1.2026 10:00:00",
                                  dragging, symbols});
        return canvas;
    }
};

// Two inputs, block 2 in column 0 reading both, block 3 in column 1 reading block 2 and input 0.
// Inputs at (20, 40) and (20, 70), blocks at (80, 30) and (160, 30), the output at (240, 40).
Drawing twoColumns() {
    Drawing drawing;
    drawing.circuit = placed("{2,1,2,1,2,1,-1}(0,1,0)(2,0,1)(3)");
    return drawing;
}

TEST(Renderer, DrawsInTheFixedOrder) {
    Drawing drawing = twoColumns();
    drawing.options.footer = true;
    drawing.options.values = true;
    drawing.options.hiddenBlocks = true;
    drawing.circuit.blocks[3].visible = false;
    const RecordingCanvas canvas = drawing.draw();
    auto firstIndex = [&](auto predicate) {
        for (std::size_t i = 0; i < canvas.primitives.size(); ++i) {
            if (predicate(canvas.primitives[i])) return static_cast<int>(i);
        }
        return -1;
    };
    const int clear = firstIndex([](const auto& p) { return p.kind == "fill"; });
    const int footer = firstIndex([](const auto& p) { return p.kind == "line" && p.pen == colors::kGrey; });
    const int inputDash =
        firstIndex([](const auto& p) { return p.kind == "line" && p.x1 == 20 && p.x2 == 22; });
    const int hiddenWire =
        firstIndex([](const auto& p) { return p.kind == "line" && p.pen == colors::kSilver; });
    const int hiddenBox =
        firstIndex([](const auto& p) { return p.kind == "rect" && p.pen == colors::kSilver; });
    const int visibleBox =
        firstIndex([](const auto& p) { return p.kind == "rect" && p.pen == colors::kBlack; });
    const int outputDash =
        firstIndex([](const auto& p) { return p.kind == "line" && p.x1 == 240 && p.x2 == 242; });
    const int wire = firstIndex([](const auto& p) { return p.kind == "line" && p.pen == colors::kGreen; });
    const int valueBox =
        firstIndex([](const auto& p) { return p.kind == "rect" && p.brush == colors::kTooltip; });
    const std::vector<int> order{clear,      footer,     inputDash, hiddenWire, hiddenBox,
                                 visibleBox, outputDash, wire,      valueBox};
    EXPECT_EQ(0, clear);
    for (std::size_t i = 1; i < order.size(); ++i)
        EXPECT_LT(order[i - 1], order[i]) << "step " << i;
    const auto& fill = canvas.primitives[0];
    EXPECT_EQ((std::vector<std::int32_t>{0, 0, 999, 338}),
              (std::vector<std::int32_t>{fill.x1, fill.y1, fill.x2, fill.y2}));
    EXPECT_EQ(colors::kWhite, fill.brush);
}

TEST(Renderer, FooterRuleDescriptionAndDate) {
    Drawing drawing = twoColumns();
    drawing.options.footer = true;
    const RecordingCanvas canvas = drawing.draw({999, 338});
    const auto rule = canvas.linesBetween(0, 318, 999, 318);
    ASSERT_EQ(1u, rule.size());
    EXPECT_EQ(2, rule[0].penWidth);
    const auto description = canvas.texts("desc");
    ASSERT_EQ(1u, description.size());
    EXPECT_EQ(5, description[0].x1);
    EXPECT_EQ(320, description[0].y1);
    EXPECT_EQ(10, description[0].fontSize);
    EXPECT_EQ(colors::kNavy, description[0].fontColor);
    const auto date = canvas.texts("12.1.2026 10:00:00");
    ASSERT_EQ(1u, date.size());
    EXPECT_EQ(999 - 18 * 10 - 10, date[0].x1);

    drawing.options.footer = false;
    EXPECT_TRUE(drawing.draw().texts("desc").empty());
}

TEST(Renderer, WithoutACircuitOnlyClearAndFooterAreDrawn) {
    Drawing drawing;
    drawing.circuit.inputCount = 3;  // stale header values of a failed parse
    drawing.circuit.columns = 4;
    drawing.options.footer = true;
    const RecordingCanvas canvas = drawing.draw();
    EXPECT_EQ(4u, canvas.primitives.size());  // clear, rule, description, date
}

TEST(Renderer, InputsAndOutputsShowNamesOrNumbers) {
    Drawing drawing = twoColumns();
    drawing.circuit.inputNames = {"a"};
    drawing.circuit.outputNames = {"y"};
    const RecordingCanvas canvas = drawing.draw();
    ASSERT_EQ(1u, canvas.texts("a").size());
    EXPECT_EQ(20 - 8 - 4, canvas.texts("a")[0].x1);  // ends 4 pixels left of the anchor
    EXPECT_EQ(32, canvas.texts("a")[0].y1);
    const auto number = canvas.texts("1");
    ASSERT_FALSE(number.empty());
    EXPECT_EQ(8, number[0].x1);
    EXPECT_EQ(62, number[0].y1);
    ASSERT_EQ(1u, canvas.texts("y").size());
    EXPECT_EQ(250, canvas.texts("y")[0].x1);
    EXPECT_EQ(32, canvas.texts("y")[0].y1);
    EXPECT_EQ(2, canvas.linesBetween(20, 40, 22, 40).at(0).penWidth);
    EXPECT_EQ(2, canvas.linesBetween(240, 40, 242, 40).at(0).penWidth);
}

TEST(Renderer, BlockBoxWithPinsLabelAndNumber) {
    Drawing drawing = twoColumns();
    drawing.options.blockNumbers = true;
    const RecordingCanvas canvas = drawing.draw();
    std::vector<RecordingCanvas::Primitive> boxes;
    for (const auto& rect : canvas.ofKind("rect")) {
        if (rect.x1 == 80 && rect.y1 == 30) boxes.push_back(rect);
    }
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(110, boxes[0].x2);
    EXPECT_EQ(70, boxes[0].y2);
    EXPECT_EQ(2, boxes[0].penWidth);
    EXPECT_TRUE(boxes[0].brushSolid);
    // The gene, font 7, ending at x + 27.
    const auto gene = canvas.texts("0", 7);
    ASSERT_EQ(1u, gene.size());
    EXPECT_EQ(80 + 27 - 7, gene[0].x1);
    EXPECT_EQ(30, gene[0].y1);
    EXPECT_EQ(7, gene[0].fontSize);
    // Output pin, number, and the pins of two inputs at y + 10 and y + 30.
    EXPECT_EQ(1u, canvas.linesBetween(110, 50, 120, 50).size());
    ASSERT_EQ(1u, canvas.texts("2").size());
    EXPECT_EQ(110, canvas.texts("2")[0].x1);
    EXPECT_EQ(38, canvas.texts("2")[0].y1);
    EXPECT_EQ(1u, canvas.linesBetween(70, 40, 80, 40).size());
    EXPECT_EQ(1u, canvas.linesBetween(70, 60, 80, 60).size());
}

TEST(Renderer, ThreeInputBlocksSpreadPinsAndWiresByThirteen) {
    Drawing drawing;
    drawing.circuit = placed("{3,1,1,1,3,1,-1}(0,1,2,0)(3)");
    const RecordingCanvas canvas = drawing.draw();
    for (const int y : {40, 53, 66})
        EXPECT_EQ(1u, canvas.linesBetween(70, y, 80, y).size()) << y;
    EXPECT_EQ(1u, canvas.linesBetween(20, 40, 70, 40).size());
    EXPECT_EQ(1u, canvas.linesBetween(20, 70, 70, 53).size());
    EXPECT_EQ(1u, canvas.linesBetween(20, 100, 70, 66).size());
}

TEST(Renderer, DirectWiresFollowTheUsageMask) {
    Drawing drawing = twoColumns();
    auto wire = [](const RecordingCanvas& canvas, int x1, int y1, int x2, int y2) {
        return canvas.linesBetween(x1, y1, x2, y2).size();
    };
    RecordingCanvas canvas = drawing.draw();
    EXPECT_EQ(1u, wire(canvas, 20, 40, 70, 40));    // input 0 -> block 2, pin 0
    EXPECT_EQ(1u, wire(canvas, 20, 70, 70, 60));    // input 1 -> block 2, pin 1
    EXPECT_EQ(1u, wire(canvas, 120, 50, 150, 40));  // block 2 -> block 3, pin 0
    EXPECT_EQ(1u, wire(canvas, 20, 40, 150, 60));   // input 0 -> block 3, pin 1
    EXPECT_EQ(1u, wire(canvas, 200, 50, 240, 40));  // block 3 -> output
    EXPECT_EQ(colors::kGreen, canvas.linesBetween(20, 40, 70, 40)[0].pen);

    drawing.assignment.setIdentifier(0, 4);  // block 2 reads in1 only
    canvas = drawing.draw();
    EXPECT_EQ(1u, wire(canvas, 20, 40, 70, 40));
    EXPECT_EQ(0u, wire(canvas, 20, 70, 70, 60));
    drawing.options.wiring = WiringMode::DirectOpt;  // the branching mode ignores the mask
    EXPECT_EQ(1u, wire(drawing.draw(), 20, 70, 66, 60));
}

TEST(Renderer, SecondDirectModeNumbersInputsBeyondTheFirstColumn) {
    Drawing drawing = twoColumns();
    drawing.options.wiring = WiringMode::Direct2;
    const RecordingCanvas canvas = drawing.draw();
    EXPECT_EQ(1u, canvas.linesBetween(20, 40, 70, 40).size());  // first column: wires as usual
    EXPECT_EQ(0u, canvas.linesBetween(20, 40, 150, 60).size());
    const auto numbers = canvas.texts("0");
    const auto atPin = std::find_if(numbers.begin(), numbers.end(), [](const auto& p) { return p.y1 == 60; });
    ASSERT_NE(numbers.end(), atPin);
    EXPECT_EQ(160 - 3 - 8, atPin->x1);  // ends 3 pixels left of the block
    EXPECT_EQ(8, atPin->fontSize);
    EXPECT_EQ(1u, canvas.linesBetween(120, 50, 150, 40).size());
}

TEST(Renderer, BranchingWiresStartAtTheNearestEarlierCorner) {
    Drawing drawing;
    // Blocks 3 and 4 of column 1 both read block 1; block 4 also reads input 0.
    drawing.circuit = placed("{1,2,2,2,2,1,-1}(0,0,0)(0,0,0)(1,0,0)(1,0,0)(3,4)");
    drawing.circuit.blocks[4].y = 60;
    drawing.options.wiring = WiringMode::DirectOpt;
    const RecordingCanvas canvas = drawing.draw();
    // Block 3: from block 1's pin (120, 50) to its corner (150, 40).
    EXPECT_EQ(1u, canvas.linesBetween(120, 50, 150, 40).size());
    // Block 4, input 0: corner (150, 70); block 3's corner (150, 40) is nearer than (120, 50).
    EXPECT_EQ(1u, canvas.linesBetween(150, 40, 150, 70).size());
    EXPECT_EQ(0u, canvas.linesBetween(120, 50, 150, 70).size());
    // Input 1 of block 4 is staggered 4 pixels left and continues to the pin.
    EXPECT_EQ(1u, canvas.linesBetween(146, 90, 150, 90).size());
    // The output reading block 3 takes the corner of block 3's wire only if strictly nearer: here
    // (150, 40) is farther from the output at (240, 40) than block 3's own pin (200, 50).
    EXPECT_EQ(1u, canvas.linesBetween(200, 50, 240, 40).size());
}

TEST(Renderer, HiddenEntriesGetGreyWiresOnlyInTheFirstMode) {
    Drawing drawing = twoColumns();
    drawing.circuit.blocks[2].visible = false;
    RecordingCanvas canvas = drawing.draw();
    ASSERT_EQ(1u, canvas.linesBetween(20, 40, 70, 40).size());
    EXPECT_EQ(colors::kSilver, canvas.linesBetween(20, 40, 70, 40)[0].pen);
    EXPECT_EQ(0u, canvas.linesBetween(120, 50, 150, 40).size());  // no wire out of a hidden block
    bool silverBox = false;
    for (const auto& rect : canvas.ofKind("rect"))
        silverBox |= rect.x1 == 80 && rect.pen == colors::kSilver;
    EXPECT_TRUE(silverBox);

    for (const WiringMode mode : {WiringMode::Direct2, WiringMode::DirectOpt}) {
        drawing.options.wiring = mode;
        canvas = drawing.draw();
        EXPECT_EQ(0u, canvas.linesBetween(20, 40, 70, 40).size());
        EXPECT_EQ(0u, canvas.linesBetween(20, 70, 70, 60).size());
    }
    drawing.options.wiring = WiringMode::Direct;
    drawing.options.hiddenWires = false;
    EXPECT_EQ(0u, drawing.draw().linesBetween(20, 40, 70, 40).size());
    drawing.options.hiddenWires = true;
    drawing.options.hiddenBlocks = false;
    canvas = drawing.draw();
    EXPECT_EQ(0u, canvas.linesBetween(20, 40, 70, 40).size());
    for (const auto& rect : canvas.ofKind("rect"))
        EXPECT_NE(80, rect.x1);
}

TEST(Renderer, RedundantGatesAreOrangeAndTheConeRedOnlyWhileDragging) {
    Drawing drawing = twoColumns();
    drawing.circuit.blocks[2].mark = kMarkCone;
    drawing.circuit.blocks[3].mark = kMarkRedundant;
    auto boxColor = [](const RecordingCanvas& canvas, int x) {
        for (const auto& rect : canvas.ofKind("rect")) {
            if (rect.x1 == x) return rect.pen;
        }
        return Color{1, 2, 3};
    };
    RecordingCanvas canvas = drawing.draw();
    EXPECT_EQ(colors::kBlack, boxColor(canvas, 80));
    EXPECT_EQ(colors::kOrange, boxColor(canvas, 160));
    drawing.dragging = true;
    canvas = drawing.draw();
    EXPECT_EQ(colors::kRed, boxColor(canvas, 80));
    EXPECT_EQ(colors::kOrange, boxColor(canvas, 160));
    EXPECT_EQ(colors::kRed, canvas.linesBetween(20, 40, 70, 40).at(0).pen);  // wires into the cone
    EXPECT_EQ(colors::kGreen, canvas.linesBetween(120, 50, 150, 40).at(0).pen);
}

TEST(Renderer, SymbolsComeFromTheSheetCellOfTheFunction) {
    Drawing drawing = twoColumns();
    drawing.options.symbols = true;
    drawing.options.blockNumbers = true;
    drawing.assignment.setIdentifier(0, 3);  // block 2: XOR, cell at x 100
    drawing.symbols = {50 * 51, 41};
    RecordingCanvas canvas = drawing.draw();
    const auto symbols = canvas.ofKind("symbol");
    ASSERT_EQ(1u, symbols.size());  // block 3 has identifier 0: no cell, a box
    EXPECT_EQ("100,0", symbols[0].text);
    EXPECT_EQ(70, symbols[0].x1);
    EXPECT_EQ(29, symbols[0].y1);
    EXPECT_EQ(120, symbols[0].x2);
    EXPECT_EQ(70, symbols[0].y2);
    ASSERT_EQ(1u, canvas.texts("2").size());
    EXPECT_EQ(113, canvas.texts("2")[0].x1);
    EXPECT_EQ(36, canvas.texts("2")[0].y1);

    drawing.symbols = {};  // no sheet: boxes even with symbols on
    EXPECT_TRUE(drawing.draw().ofKind("symbol").empty());
    drawing.symbols = {120, 41};  // a sheet too short for cell 3
    EXPECT_TRUE(drawing.draw().ofKind("symbol").empty());
    std::int32_t cellX = -1;
    EXPECT_TRUE(symbolCell({150, 41}, 3, cellX));
    EXPECT_EQ(100, cellX);
    EXPECT_FALSE(symbolCell({150, 40}, 3, cellX));
    EXPECT_FALSE(symbolCell({150, 41}, 0, cellX));
}

TEST(Renderer, FunctionLabelsReplaceTheGeneWhenSet) {
    test::TempDir dir;
    test::writeBytes(dir.file("set.ini"), "[DOT]\nf4_label=PASS\n");
    const SettingsFile settings(dir.file("set.ini"));
    Drawing drawing = twoColumns();
    drawing.settings = &settings;
    drawing.assignment.setIdentifier(0, 4);
    drawing.assignment.setIdentifier(1, 5);  // no label: the gene stays
    drawing.options.functionLabels = true;
    RecordingCanvas canvas = drawing.draw();
    ASSERT_EQ(1u, canvas.texts("PASS").size());
    EXPECT_EQ(80 + 27 - 4 * 7, canvas.texts("PASS")[0].x1);
    EXPECT_EQ(1u, canvas.texts("1", 7).size());
    drawing.options.functionLabels = false;
    EXPECT_TRUE(drawing.draw().texts("PASS").empty());
}

TEST(Renderer, ValueBoxesBesideEveryVisibleEntry) {
    Drawing drawing = twoColumns();
    drawing.options.values = true;
    drawing.circuit.blocks[2].value = 12;
    drawing.circuit.blocks[0].value = -5;
    drawing.circuit.blocks[1].visible = false;
    const RecordingCanvas canvas = drawing.draw();
    std::vector<RecordingCanvas::Primitive> boxes;
    for (const auto& rect : canvas.ofKind("rect")) {
        if (rect.brush == colors::kTooltip) boxes.push_back(rect);
    }
    ASSERT_EQ(4u, boxes.size());  // input 0, blocks 2 and 3, the output
    EXPECT_EQ((std::vector<std::int32_t>{23, 43, 23 + 16 + 2, 61}),
              (std::vector<std::int32_t>{boxes[0].x1, boxes[0].y1, boxes[0].x2, boxes[0].y2}));
    EXPECT_EQ((std::vector<std::int32_t>{113, 54, 113 + 16 + 2, 72}),
              (std::vector<std::int32_t>{boxes[1].x1, boxes[1].y1, boxes[1].x2, boxes[1].y2}));
    ASSERT_EQ(1u, canvas.texts("12").size());
    EXPECT_EQ(114, canvas.texts("12")[0].x1);
    EXPECT_EQ(55, canvas.texts("12")[0].y1);
    EXPECT_EQ(colors::kNavy, canvas.texts("12")[0].fontColor);
}

TEST(Renderer, DragFrameCoversTheBlockOrTheStub) {
    Drawing drawing = twoColumns();
    RecordingCanvas canvas;
    drawDragFrame(canvas, drawing.circuit, 2);
    drawDragFrame(canvas, drawing.circuit, 0);
    drawDragFrame(canvas, drawing.circuit, 99);
    const auto frames = canvas.ofKind("rect");
    ASSERT_EQ(2u, frames.size());
    EXPECT_EQ((std::vector<std::int32_t>{80, 30, 110, 70}),
              (std::vector<std::int32_t>{frames[0].x1, frames[0].y1, frames[0].x2, frames[0].y2}));
    EXPECT_EQ((std::vector<std::int32_t>{20, 40, 25, 45}),
              (std::vector<std::int32_t>{frames[1].x1, frames[1].y1, frames[1].x2, frames[1].y2}));
    EXPECT_EQ(colors::kRed, frames[0].pen);
    EXPECT_FALSE(frames[0].brushSolid);
}

}  // namespace
}  // namespace pellisor
