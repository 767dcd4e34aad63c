// Straight wires: the silver wires into hidden entries, and the direct wires of "Přímé" and "Přímé 2".
#include "model/usage_mask.h"
#include "render/schematic_view.h"

#include <string>

namespace pellisor {

namespace {

// In "Přímé 2" an input's number at a pin ends this far left of the block's anchor.
constexpr Coordinate kNumberAtPinGap = 3;

}  // namespace

void drawHiddenWires(ClippedCanvas& canvas, const SchematicView& view) {
    for (std::int32_t r = view.circuit.inputCount; r < view.circuit.blockTotal(); ++r) {
        const Block& block = view.entry(r);
        if (block.visible) continue;
        for (std::size_t k = 0; k < SchematicView::usedInputs(block); ++k) {
            canvas.setPen(view.coneOr(block, colors::kSilver), 1);
            canvas.line(view.sourcePoint(block.inputs[k]), view.pinPoint(r, static_cast<std::int32_t>(k)));
        }
    }
}

void drawDirectWires(ClippedCanvas& canvas, const SchematicView& view) {
    const Chromosome& circuit = view.circuit;
    const bool numbered = view.options.wiring == WiringMode::Direct2;
    canvas.setFont(8, colors::kNavy);
    for (std::int32_t r = circuit.inputCount; r < circuit.blockTotal(); ++r) {
        const Block& block = view.entry(r);
        if (!block.visible) continue;
        const std::int32_t mask = view.scene.assignment.usageMask(circuit, r);
        const bool laterColumn = r - circuit.inputCount >= circuit.rows;
        for (std::size_t k = 0; k < SchematicView::usedInputs(block); ++k) {
            const std::int32_t s = block.inputs[k];
            if (!readsInput(mask, k) || !view.entry(s).visible) continue;
            const Spot pin = view.pinPoint(r, static_cast<std::int32_t>(k));
            if (numbered && laterColumn && view.isPrimaryInput(s)) {
                // Inputs feeding later columns show as their number at the pin instead of a long wire.
                canvas.textEndingAt(Coordinate{block.x} - kNumberAtPinGap, pin.y, std::to_string(s));
            } else {
                canvas.setPen(view.coneOr(block, colors::kGreen), 1);
                canvas.line(view.sourcePoint(s), pin);
            }
        }
    }
}

}  // namespace pellisor
