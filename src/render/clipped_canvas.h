#pragma once

#include "render/canvas.h"

#include <cstdint>
#include <limits>
#include <string>
#include <unordered_map>

namespace pellisor {

// Positions may be anything a layout file holds: the drawing adds offsets in 64 bits and clamps on
// the way to the canvas.
using Coordinate = std::int64_t;
std::int32_t px(Coordinate value);

struct Spot {
    Coordinate x = 0;
    Coordinate y = 0;
};
// Squared distance of two spots, their differences clamped so that the squares stay within 64 bits.
Coordinate squaredDistance(const Spot& a, const Spot& b);

// The part of the canvas a drawing must cover; the whole drawing covers everything.
struct Region {
    Coordinate left = std::numeric_limits<std::int32_t>::min() - Coordinate{1024};
    Coordinate top = std::numeric_limits<std::int32_t>::min() - Coordinate{1024};
    Coordinate right = std::numeric_limits<std::int32_t>::max() + Coordinate{1024};
    Coordinate bottom = std::numeric_limits<std::int32_t>::max() + Coordinate{1024};
};

// How far a stroke may colour beyond the points it joins: half the widest pen, and a pixel of rounding.
inline constexpr Coordinate kStrokeReach = 3;

// A canvas that draws only what can reach the region, and sets its pen, brush and font only when
// something is drawn.
//
// Every primitive is preceded, in the code of its own entry or step, by the pen, brush or font it is
// drawn with; so skipping other entries leaves each drawn primitive the state it has in the whole
// drawing, and the canvas is told only of changes.
class ClippedCanvas {
public:
    ClippedCanvas(Canvas& canvas, Region region) : canvas_(canvas), region_(region) {}

    const Region& region() const { return region_; }
    std::int32_t fontSize() const { return fontSize_; }

    // --- what reaches the region ---
    bool reaches(Coordinate x1, Coordinate y1, Coordinate x2, Coordinate y2, Coordinate reach) const;
    bool rowsReach(Coordinate top, Coordinate bottom) const;
    // The rows a text of the current font may colour when its top is at y.
    bool textRowsReach(Coordinate y) const;
    bool textReaches(Coordinate x, Coordinate y, Coordinate width) const;

    // --- the state the next primitives are drawn with ---
    void setPen(Color color, std::int32_t width);
    void setBrush(Color color, bool solid);
    void setFont(std::int32_t size, Color color);

    // --- primitives ---
    // Fills the rectangle whatever the region: the clear of the whole image.
    void fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
    void line(const Spot& from, const Spot& to);
    void rectangle(Coordinate left, Coordinate top, Coordinate right, Coordinate bottom);
    // A text that starts at x; its width is asked only when it starts left of the region.
    void text(Coordinate x, Coordinate y, const std::string& value);
    // A text that ends at x.
    void textEndingAt(Coordinate x, Coordinate y, const std::string& value);
    // A cell of the symbol sheet with its top-left corner at (x, y).
    void copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                    std::int32_t x, std::int32_t y);
    // Widths depend on the font size and the text only; a drawing asks the canvas once for each.
    std::int32_t textWidth(const std::string& value);

private:
    void applyState();
    void applyFont();
    void drawText(Coordinate x, Coordinate y, const std::string& value);

    Canvas& canvas_;
    const Region region_;
    std::unordered_map<std::string, std::int32_t> widths_;  // text width by font size and text

    // The state the drawing asks for, and the one last given to the canvas.
    Color pen_ = colors::kBlack;
    std::int32_t penWidth_ = 1;
    Color brush_ = colors::kWhite;
    bool brushSolid_ = true;
    std::int32_t fontSize_ = 8;
    Color fontColor_ = colors::kBlack;
    bool stateApplied_ = false;
    bool fontApplied_ = false;
    Color appliedPen_;
    std::int32_t appliedPenWidth_ = 0;
    Color appliedBrush_;
    bool appliedBrushSolid_ = false;
    std::int32_t appliedFontSize_ = 0;
    Color appliedFontColor_;
};

}  // namespace pellisor
