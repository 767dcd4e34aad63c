// The entries of the schematic: primary inputs and outputs with their names, function blocks as boxes
// or symbols with their labels and indices.
#include "render/schematic_view.h"

#include <string>

namespace pellisor {

namespace {

// Texts beside an entry, from its anchor.
constexpr Coordinate kLabelInset = 3;                   // a block's label ends this far inside its right side
constexpr Coordinate kBoxNumberY = 8;                   // a block's index, at the right side of its box
constexpr Coordinate kSymbolNumberX = kBlockWidth + 3;  // a block's index beside its symbol
constexpr Coordinate kSymbolNumberY = 6;
constexpr Coordinate kTerminalLabelRise = 8;  // terminal names and numbers stand this far above
constexpr Coordinate kInputNumberLeft = 12;   // an unnamed input's number starts this far left
// Everything of a block lies within these rows around its anchor: box, pins, label and index.
constexpr Coordinate kBlockReachAbove = 16;
constexpr Coordinate kBlockReachBelow = 50;

bool blockRowsReach(const ClippedCanvas& canvas, const Block& block) {
    return canvas.rowsReach(Coordinate{block.y} - kBlockReachAbove - kStrokeReach,
                            Coordinate{block.y} + kBlockReachBelow + kStrokeReach);
}

// The function identifier of a block, or 0 (no function, no symbol) for a gene without a row.
std::int32_t identifier(const SchematicView& view, const Block& block) {
    if (block.function < 0 || block.function >= kGeneCount) return 0;
    return view.scene.assignment.rows()[static_cast<std::size_t>(block.function)].identifier;
}

// The label of a block: its gene, or the function's label when labels are shown and one is set.
std::string blockLabel(const SchematicView& view, const Block& block) {
    if (view.options.functionLabels) {
        const std::string id = view.scene.assignment.functionOf(block.function);
        if (const std::string* shown = view.scene.functions.shownLabel(id)) return *shown;
    }
    return std::to_string(block.function);
}

void blockBox(ClippedCanvas& canvas, const SchematicView& view, std::int32_t index, Color color) {
    const Block& block = view.entry(index);
    if (!blockRowsReach(canvas, block)) return;
    const Coordinate x = block.x;
    const Coordinate y = block.y;
    canvas.setPen(color, 2);
    canvas.setBrush(colors::kWhite, true);
    canvas.rectangle(x, y, x + kBlockWidth, y + kBlockHeight);
    canvas.setFont(7, color);
    canvas.textEndingAt(x + kBlockWidth - kLabelInset, y, blockLabel(view, block));
    canvas.setPen(color, 1);
    canvas.line({x + kBlockWidth, y + kOutputPinY}, {x + kOutputPinEndOffset.x, y + kOutputPinEndOffset.y});
    if (view.options.blockNumbers) canvas.text(x + kBlockWidth, y + kBoxNumberY, std::to_string(index));
    for (std::int32_t k = 0; k < block.inputCount; ++k) {
        const Coordinate pinY = y + inputPinEndOffset(block.inputCount, k).y;
        canvas.line({x - kPinLength, pinY}, {x, pinY});
    }
}

// The symbol cell over the block's body and pins, and its index beside it.
void blockSymbol(ClippedCanvas& canvas, const SchematicView& view, std::int32_t index, Color color,
                 std::int32_t cellX) {
    const Block& block = view.entry(index);
    canvas.setPen(color, 1);
    canvas.setFont(7, color);
    canvas.copySymbol(cellX, 0, kSymbolWidth, kSymbolHeight, px(Coordinate{block.x} + kSymbolOffset.x),
                      px(Coordinate{block.y} + kSymbolOffset.y));
    if (view.options.blockNumbers) {
        canvas.text(Coordinate{block.x} + kSymbolNumberX, Coordinate{block.y} + kSymbolNumberY,
                    std::to_string(index));
    }
}

// The dash of a primary input or an output: black, pen width 2.
void terminalDash(ClippedCanvas& canvas, const Block& terminal) {
    canvas.setPen(colors::kBlack, 2);
    canvas.line({terminal.x, terminal.y}, {Coordinate{terminal.x} + kTerminalDash, terminal.y});
}

}  // namespace

void drawPrimaryInputs(ClippedCanvas& canvas, const SchematicView& view) {
    const Chromosome& circuit = view.circuit;
    canvas.setFont(8, colors::kNavy);
    for (std::int32_t i = 0; i < circuit.inputCount; ++i) {
        const Block& input = view.entry(i);
        terminalDash(canvas, input);
        const Coordinate y = Coordinate{input.y} - kTerminalLabelRise;
        if (static_cast<std::size_t>(i) < circuit.inputNames.size()) {
            canvas.textEndingAt(Coordinate{input.x} - kInputLabelGap, y,
                                circuit.inputNames[static_cast<std::size_t>(i)]);
        } else {
            canvas.text(Coordinate{input.x} - kInputNumberLeft, y, std::to_string(i));
        }
        canvas.setPen(colors::kBlack, 1);
    }
}

void drawHiddenBlocks(ClippedCanvas& canvas, const SchematicView& view) {
    for (std::int32_t i = view.circuit.inputCount; i < view.circuit.firstOutput(); ++i) {
        if (!view.entry(i).visible) blockBox(canvas, view, i, colors::kSilver);
    }
}

void drawVisibleBlocks(ClippedCanvas& canvas, const SchematicView& view) {
    const bool symbols = view.options.symbols && view.scene.symbols.width > 0;
    for (std::int32_t i = view.circuit.inputCount; i < view.circuit.firstOutput(); ++i) {
        const Block& block = view.entry(i);
        if (!block.visible || !blockRowsReach(canvas, block)) continue;
        const Color color =
            block.mark == kMarkRedundant ? colors::kOrange : view.coneOr(block, colors::kBlack);
        std::int32_t cellX = 0;
        if (symbols && symbolCell(view.scene.symbols, identifier(view, block), cellX)) {
            blockSymbol(canvas, view, i, color, cellX);
        } else {
            blockBox(canvas, view, i, color);
        }
    }
}

void drawOutputs(ClippedCanvas& canvas, const SchematicView& view) {
    const Chromosome& circuit = view.circuit;
    canvas.setFont(8, colors::kNavy);
    for (std::int32_t j = 0; j < circuit.outputCount; ++j) {
        const Block& output = view.entry(circuit.firstOutput() + j);
        terminalDash(canvas, output);
        const std::string name = static_cast<std::size_t>(j) < circuit.outputNames.size()
                                     ? circuit.outputNames[static_cast<std::size_t>(j)]
                                     : std::to_string(j);
        canvas.text(Coordinate{output.x} + kOutputLabelGap, Coordinate{output.y} - kTerminalLabelRise, name);
        canvas.setPen(colors::kBlack, 1);
    }
}

}  // namespace pellisor
