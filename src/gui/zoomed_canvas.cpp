#include "gui/zoomed_canvas.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace pellisor {

ZoomedCanvas::ZoomedCanvas(Canvas& target, QPaintDevice* device, const CanvasZoom& zoom, Drawn drawn)
    : target_(target), drawn_(drawn), device_(device), zoom_(zoom), font_(QStringLiteral("Verdana")) {}

void ZoomedCanvas::setPen(Color color, std::int32_t width) {
    target_.setPen(color, std::max<std::int32_t>(1, std::int32_t(std::lround(width * zoom_.factor()))));
}

void ZoomedCanvas::setBrush(Color color, bool solid) {
    target_.setBrush(color, solid);
}

void ZoomedCanvas::setFont(std::int32_t pointSize, Color color) {
    pointSize_ = pointSize;
    target_.setFont(std::max<std::int32_t>(1, std::int32_t(std::lround(pointSize * zoom_.factor()))), color);
}

void ZoomedCanvas::fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    if (drawsShapes()) target_.fillRect(at(x1), at(y1), end(x1, x2), end(y1, y2));
}

void ZoomedCanvas::line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    if (drawsShapes()) target_.line(at(x1), at(y1), at(x2), at(y2));
}

void ZoomedCanvas::rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    if (drawsShapes()) target_.rectangle(at(x1), at(y1), end(x1, x2), end(y1, y2));
}

void ZoomedCanvas::text(std::int32_t x, std::int32_t y, const std::string& value) {
    if (drawn_ != Drawn::AllButTexts && zoom_.percent() >= kSmallestTextPercent)
        target_.text(at(x), at(y), value);
}

std::int32_t ZoomedCanvas::textWidth(const std::string& value) {
    // Where texts end depends on their width: as at canvas scale, so that the picture keeps its layout.
    auto found = metrics_.find(pointSize_);
    if (found == metrics_.end()) {
        QFont font = font_;
        font.setPointSize(std::max(pointSize_, 1));
        found = metrics_.emplace(pointSize_, QFontMetrics(font, device_)).first;
    }
    return found->second.horizontalAdvance(QString::fromUtf8(value.data(), qsizetype(value.size())));
}

void ZoomedCanvas::copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                              std::int32_t x, std::int32_t y) {
    if (!drawsShapes()) return;
    const std::int32_t left = at(cellX), top = at(cellY);
    target_.copySymbol(left, top, end(cellX, cellX + width) - left, end(cellY, cellY + height) - top, at(x),
                       at(y));
}

}  // namespace pellisor
