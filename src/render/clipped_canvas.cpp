#include "render/clipped_canvas.h"

#include <algorithm>
#include <utility>

namespace pellisor {

std::int32_t px(Coordinate value) {
    return static_cast<std::int32_t>(std::clamp<Coordinate>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

Coordinate squaredDistance(const Spot& a, const Spot& b) {
    const Coordinate dx = std::clamp<Coordinate>(a.x - b.x, -(Coordinate{1} << 31), Coordinate{1} << 31);
    const Coordinate dy = std::clamp<Coordinate>(a.y - b.y, -(Coordinate{1} << 31), Coordinate{1} << 31);
    return dx * dx + dy * dy;
}

bool ClippedCanvas::reaches(Coordinate x1, Coordinate y1, Coordinate x2, Coordinate y2,
                            Coordinate reach) const {
    return std::max(x1, x2) + reach >= region_.left && std::min(x1, x2) - reach < region_.right &&
           std::max(y1, y2) + reach >= region_.top && std::min(y1, y2) - reach < region_.bottom;
}

bool ClippedCanvas::rowsReach(Coordinate top, Coordinate bottom) const {
    return bottom >= region_.top && top < region_.bottom;
}

bool ClippedCanvas::textRowsReach(Coordinate y) const {
    return rowsReach(y - 2 * Coordinate{fontSize_}, y + 4 * Coordinate{fontSize_});
}

bool ClippedCanvas::textReaches(Coordinate x, Coordinate y, Coordinate width) const {
    const Coordinate margin = 2 * Coordinate{fontSize_};
    return textRowsReach(y) && x + width + margin >= region_.left && x - margin < region_.right;
}

void ClippedCanvas::setPen(Color color, std::int32_t width) {
    pen_ = color;
    penWidth_ = width;
}

void ClippedCanvas::setBrush(Color color, bool solid) {
    brush_ = color;
    brushSolid_ = solid;
}

void ClippedCanvas::setFont(std::int32_t size, Color color) {
    fontSize_ = size;
    fontColor_ = color;
}

void ClippedCanvas::applyState() {
    if (!stateApplied_ || pen_ != appliedPen_ || penWidth_ != appliedPenWidth_) {
        canvas_.setPen(pen_, penWidth_);
        appliedPen_ = pen_;
        appliedPenWidth_ = penWidth_;
    }
    if (!stateApplied_ || brush_ != appliedBrush_ || brushSolid_ != appliedBrushSolid_) {
        canvas_.setBrush(brush_, brushSolid_);
        appliedBrush_ = brush_;
        appliedBrushSolid_ = brushSolid_;
    }
    applyFont();
    stateApplied_ = true;
}

void ClippedCanvas::applyFont() {
    if (!fontApplied_ || fontSize_ != appliedFontSize_ || fontColor_ != appliedFontColor_) {
        canvas_.setFont(fontSize_, fontColor_);
        appliedFontSize_ = fontSize_;
        appliedFontColor_ = fontColor_;
        fontApplied_ = true;
    }
}

std::int32_t ClippedCanvas::textWidth(const std::string& value) {
    std::string key(1, static_cast<char>(fontSize_));
    key += value;
    auto known = widths_.find(key);
    if (known == widths_.end()) {
        applyFont();
        known = widths_.emplace(std::move(key), canvas_.textWidth(value)).first;
    }
    return known->second;
}

void ClippedCanvas::fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    applyState();
    canvas_.fillRect(x1, y1, x2, y2);
}

void ClippedCanvas::line(const Spot& from, const Spot& to) {
    const std::int32_t x1 = px(from.x), y1 = px(from.y), x2 = px(to.x), y2 = px(to.y);
    if (!reaches(x1, y1, x2, y2, kStrokeReach)) return;
    applyState();
    canvas_.line(x1, y1, x2, y2);
}

void ClippedCanvas::rectangle(Coordinate left, Coordinate top, Coordinate right, Coordinate bottom) {
    const std::int32_t x1 = px(left), y1 = px(top), x2 = px(right), y2 = px(bottom);
    if (!reaches(x1, y1, x2, y2, kStrokeReach)) return;
    applyState();
    canvas_.rectangle(x1, y1, x2, y2);
}

void ClippedCanvas::drawText(Coordinate x, Coordinate y, const std::string& value) {
    applyState();
    canvas_.text(px(x), px(y), value);
}

void ClippedCanvas::text(Coordinate x, Coordinate y, const std::string& value) {
    if (!textRowsReach(y) || x - 2 * Coordinate{fontSize_} >= region_.right) return;
    if (x < region_.left && !textReaches(x, y, textWidth(value))) return;
    drawText(x, y, value);
}

void ClippedCanvas::textEndingAt(Coordinate x, Coordinate y, const std::string& value) {
    if (!textRowsReach(y) || x + 2 * Coordinate{fontSize_} < region_.left) return;
    const Coordinate width = textWidth(value);
    if (textReaches(x - width, y, width)) drawText(x - width, y, value);
}

void ClippedCanvas::copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width,
                               std::int32_t height, std::int32_t x, std::int32_t y) {
    // A copied cell colours only its own pixels: a pixel of rounding is all the reach it needs.
    if (!reaches(x, y, Coordinate{x} + width, Coordinate{y} + height, 1)) return;
    applyState();
    canvas_.copySymbol(cellX, cellY, width, height, x, y);
}

}  // namespace pellisor
