#pragma once

#include "render/clipped_canvas.h"
#include "render/geometry.h"
#include "render/renderer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace pellisor {

// Branching wires enter a block through corners staggered this far apart.
inline constexpr Coordinate kCornerStagger = 4;

// The scene as the phases of a drawing read it: its entries, where wires attach, and the colour of
// the dragged cone.
class SchematicView {
public:
    explicit SchematicView(const Scene& drawn)
        : scene(drawn), circuit(drawn.circuit), options(drawn.options) {}

    const Scene& scene;
    const Chromosome& circuit;
    const DisplayOptions& options;

    const Block& entry(std::int32_t index) const { return circuit.blocks[static_cast<std::size_t>(index)]; }
    bool isPrimaryInput(std::int32_t index) const { return index < circuit.inputCount; }
    bool isFunctionBlock(std::int32_t index) const {
        return index >= circuit.inputCount && index < circuit.firstOutput();
    }
    // The inputs of an entry that name a source.
    static std::size_t usedInputs(const Block& block) {
        return std::min(static_cast<std::size_t>(std::max(block.inputCount, 0)), block.inputs.size());
    }
    // Red for the marked cone while a block is dragged.
    Color coneOr(const Block& block, Color otherwise) const {
        return scene.dragging && block.mark == kMarkCone ? colors::kRed : otherwise;
    }

    // Wires leave a primary input at its anchor and anything else at its output pin.
    Spot sourcePoint(std::int32_t index) const {
        const Block& source = entry(index);
        if (isPrimaryInput(index)) return {source.x, source.y};
        return {Coordinate{source.x} + kOutputPinEndOffset.x, Coordinate{source.y} + kOutputPinEndOffset.y};
    }
    // A wire into input k ends at the pin of a function block and at the anchor of an output.
    Spot pinPoint(std::int32_t index, std::int32_t k) const {
        const Block& block = entry(index);
        if (isFunctionBlock(index)) {
            const Point offset = inputPinEndOffset(block.inputCount, k);
            return {Coordinate{block.x} + offset.x, Coordinate{block.y} + offset.y};
        }
        return {block.x, block.y};
    }
    Spot cornerPoint(std::int32_t index, std::int32_t k) const {
        Spot pin = pinPoint(index, k);
        if (isFunctionBlock(index)) pin.x -= kCornerStagger * Coordinate{k};
        return pin;
    }
};

// The phases of a drawing, each drawing what can reach the canvas's region, in the order drawCircuit
// runs them.
void drawBackground(ClippedCanvas& canvas, const SchematicView& view);
void drawFooter(ClippedCanvas& canvas, const SchematicView& view);
void drawPrimaryInputs(ClippedCanvas& canvas, const SchematicView& view);
void drawHiddenWires(ClippedCanvas& canvas, const SchematicView& view);
void drawHiddenBlocks(ClippedCanvas& canvas, const SchematicView& view);
void drawVisibleBlocks(ClippedCanvas& canvas, const SchematicView& view);
void drawOutputs(ClippedCanvas& canvas, const SchematicView& view);
void drawDirectWires(ClippedCanvas& canvas, const SchematicView& view);
void drawBranchingWires(ClippedCanvas& canvas, const SchematicView& view);
void drawValueBoxes(ClippedCanvas& canvas, const SchematicView& view);

}  // namespace pellisor
