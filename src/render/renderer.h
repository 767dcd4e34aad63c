#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/function_styles.h"
#include "render/canvas.h"
#include "render/display_options.h"
#include "render/geometry.h"

#include <string>

namespace pellisor {

// The gate-symbol sheet: one row of 50 x 41 pixel cells, the cell of function n at (50 (n - 1), 0).
struct SymbolSheet {
    std::int32_t width = 0;  // 0: no sheet, symbols are never drawn
    std::int32_t height = 0;
};

// Everything a drawing depends on besides the canvas.
struct Scene {
    const Chromosome& circuit;
    const FunctionAssignment& assignment;
    const DisplayOptions& options;
    // The function labels shown in blocks when labels are on; those not set leave the gene number.
    FunctionStyles functions;
    // The extent cleared and the footer's place: the size of the image control.
    CanvasSize imageSize;
    std::string description;     // the description field, shown in the footer
    std::string footerDateTime;  // the current date and time in the user's formats
    bool dragging = false;       // marked entries (the cone) are drawn in red while set
    SymbolSheet symbols;
};

// Repaints the whole schematic: clear, footer, inputs, hidden wires, hidden and visible blocks,
// outputs, wires in the chosen mode and value boxes, in that order.
void drawCircuit(Canvas& canvas, const Scene& scene);

// A part of the canvas, from (left, top) up to but excluding (right, bottom).
struct CanvasArea {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// The same drawing, but only what can reach the area is drawn: on a canvas clipped to the area the
// pixels are those of the whole drawing. Painting the visible part of a large canvas, or a band of a
// large picture, then costs what is near the area. Texts are taken to stay within twice their point
// size around the box of their width, and four times below their top.
void drawCircuit(Canvas& canvas, const Scene& scene, const CanvasArea& area);

// The red frame at the landing place of a dragged entry.
void drawDragFrame(Canvas& canvas, const Chromosome& circuit, std::int32_t index);

// Where a symbol cell lies on the sheet for a function identifier; false when the sheet has none.
bool symbolCell(const SymbolSheet& sheet, std::int32_t identifier, std::int32_t& cellX);

}  // namespace pellisor
