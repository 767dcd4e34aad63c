// What the schematic shows around the circuit: the cleared background, the footer with the description
// and the date, and the value boxes beside the entries.
#include "render/schematic_view.h"

#include <string>

namespace pellisor {

namespace {

// The footer's rule and texts, measured from the bottom of the image.
constexpr Coordinate kFooterRuleRise = 20;
constexpr Coordinate kFooterTextRise = 18;
constexpr Coordinate kFooterTextMargin = 5;
constexpr Coordinate kFooterDateMargin = 10;

// A value box starts right of a block's body, or right of and below a terminal's anchor. It is 18
// rows high and 2 pixels wider than its text, which stands one pixel inside it.
constexpr Coordinate kBlockValueX = kBlockWidth + 3;
constexpr Coordinate kBlockValueY = 24;
constexpr Coordinate kTerminalValueOffset = 3;
constexpr Coordinate kValueBoxHeight = 18;

Spot valueBoxOrigin(const SchematicView& view, std::int32_t index) {
    const Block& entry = view.entry(index);
    if (view.isFunctionBlock(index))
        return {Coordinate{entry.x} + kBlockValueX, Coordinate{entry.y} + kBlockValueY};
    return {Coordinate{entry.x} + kTerminalValueOffset, Coordinate{entry.y} + kTerminalValueOffset};
}

}  // namespace

void drawBackground(ClippedCanvas& canvas, const SchematicView& view) {
    canvas.setBrush(colors::kWhite, true);
    canvas.fillRect(0, 0, view.scene.imageSize.width, view.scene.imageSize.height);
}

void drawFooter(ClippedCanvas& canvas, const SchematicView& view) {
    const Coordinate width = view.scene.imageSize.width;
    const Coordinate height = view.scene.imageSize.height;
    canvas.setPen(colors::kGrey, 2);
    canvas.line({0, height - kFooterRuleRise}, {width, height - kFooterRuleRise});
    canvas.setFont(10, colors::kNavy);
    canvas.text(kFooterTextMargin, height - kFooterTextRise, view.scene.description);
    canvas.textEndingAt(width - kFooterDateMargin, height - kFooterTextRise, view.scene.footerDateTime);
}

void drawValueBoxes(ClippedCanvas& canvas, const SchematicView& view) {
    canvas.setPen(colors::kNavy, 1);
    canvas.setFont(8, colors::kNavy);
    canvas.setBrush(colors::kTooltip, true);
    for (std::int32_t a = 0; a < view.circuit.blockTotal(); ++a) {
        const Block& entry = view.entry(a);
        if (!entry.visible) continue;
        const Spot origin = valueBoxOrigin(view, a);
        const bool rows =
            canvas.rowsReach(origin.y - kStrokeReach, origin.y + kValueBoxHeight + kStrokeReach) ||
            canvas.textRowsReach(origin.y + 1);
        const Coordinate textMargin = 2 * Coordinate{canvas.fontSize()};
        if (!rows || origin.x - kStrokeReach - textMargin >= canvas.region().right) continue;
        const std::string value = std::to_string(entry.value);
        const Coordinate width = canvas.textWidth(value);
        canvas.rectangle(origin.x, origin.y, origin.x + width + 2, origin.y + kValueBoxHeight);
        canvas.text(origin.x + 1, origin.y + 1, value);
    }
}

}  // namespace pellisor
