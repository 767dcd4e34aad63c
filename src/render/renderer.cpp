#include "render/renderer.h"

#include "render/clipped_canvas.h"
#include "render/schematic_view.h"

namespace pellisor {

namespace {

void paint(ClippedCanvas& canvas, const Scene& scene) {
    const SchematicView view(scene);
    const DisplayOptions& options = scene.options;
    drawBackground(canvas, view);
    if (options.footer) drawFooter(canvas, view);
    if (!scene.circuit.hasCircuit()) return;
    drawPrimaryInputs(canvas, view);
    if (options.wiring == WiringMode::Direct && options.hiddenBlocks && options.hiddenWires)
        drawHiddenWires(canvas, view);
    if (options.hiddenBlocks) drawHiddenBlocks(canvas, view);
    drawVisibleBlocks(canvas, view);
    drawOutputs(canvas, view);
    if (options.wiring == WiringMode::Direct || options.wiring == WiringMode::Direct2)
        drawDirectWires(canvas, view);
    if (options.wiring == WiringMode::DirectOpt) drawBranchingWires(canvas, view);
    if (options.values) drawValueBoxes(canvas, view);
}

}  // namespace

bool symbolCell(const SymbolSheet& sheet, std::int32_t identifier, std::int32_t& cellX) {
    if (identifier < 1 || sheet.height < kSymbolHeight) return false;
    const std::int64_t x = std::int64_t{kSymbolWidth} * (identifier - 1);
    if (x + kSymbolWidth > sheet.width) return false;
    cellX = static_cast<std::int32_t>(x);
    return true;
}

void drawCircuit(Canvas& canvas, const Scene& scene) {
    ClippedCanvas whole(canvas, Region{});
    paint(whole, scene);
}

void drawCircuit(Canvas& canvas, const Scene& scene, const CanvasArea& area) {
    ClippedCanvas part(canvas, Region{area.left, area.top, area.right, area.bottom});
    paint(part, scene);
}

void drawDragFrame(Canvas& canvas, const Chromosome& circuit, std::int32_t index) {
    if (index < 0 || index >= circuit.blockTotal()) return;
    const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
    const bool isBlock = index >= circuit.inputCount && index < circuit.firstOutput();
    canvas.setPen(colors::kRed, 1);
    canvas.setBrush(colors::kWhite, false);
    const std::int64_t width = isBlock ? kBlockWidth : kTerminalFrame;
    const std::int64_t height = isBlock ? kBlockHeight : kTerminalFrame;
    canvas.rectangle(px(block.x), px(block.y), px(block.x + width), px(block.y + height));
}

}  // namespace pellisor
