#include "gui/vector_canvas.h"

#include <QPen>

#include <algorithm>

namespace pellisor {

namespace {

QColor toQColor(Color color) {
    return QColor(color.red, color.green, color.blue);
}

QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

// Bands of the raster pictures are pictures of this kind; their resolution sets the fonts' pixel sizes.
QtTextMetrics::QtTextMetrics() : device_(1, 1, QImage::Format_RGB32) {}

QFont QtTextMetrics::font(std::int32_t pointSize) const {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(std::max(pointSize, 1));
    return font;
}

const QFontMetrics& QtTextMetrics::metrics(std::int32_t pointSize) {
    auto found = metrics_.find(pointSize);
    if (found == metrics_.end())
        found = metrics_.emplace(pointSize, QFontMetrics(font(pointSize), &device_)).first;
    return found->second;
}

std::int32_t QtTextMetrics::width(std::int32_t pointSize, const std::string& text) {
    return metrics(pointSize).horizontalAdvance(toQString(text));
}

std::int32_t QtTextMetrics::ascent(std::int32_t pointSize) {
    return metrics(pointSize).ascent();
}

double QtTextMetrics::pixelSize(std::int32_t pointSize) {
    return std::max(pointSize, 1) * device_.logicalDpiY() / 72.0;
}

VectorCanvas::VectorCanvas(QPainter& painter, QtTextMetrics& metrics, const QImage* symbolSheet)
    : painter_(painter), metrics_(metrics), symbolSheet_(symbolSheet) {
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

void VectorCanvas::setPen(Color color, std::int32_t width) {
    penColor_ = toQColor(color);
    penWidth_ = std::max(width, 1);
    QPen pen(penColor_);
    pen.setWidth(penWidth_);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
}

void VectorCanvas::setBrush(Color color, bool solid) {
    brush_ = solid ? QBrush(toQColor(color)) : QBrush(Qt::NoBrush);
    painter_.setBrush(brush_);
}

void VectorCanvas::setFont(std::int32_t pointSize, Color color) {
    fontSize_ = pointSize;
    fontColor_ = toQColor(color);
    QFont font = metrics_.font(pointSize);
    // One painter unit is one canvas pixel, so the size in pixels is the size in units.
    font.setPointSizeF(metrics_.pixelSize(pointSize) * 72.0 / painter_.device()->logicalDpiY());
    painter_.setFont(font);
}

void VectorCanvas::fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    if (x2 <= x1 || y2 <= y1) return;
    painter_.fillRect(QRectF(x1, y1, double(x2) - x1, double(y2) - y1), brush_.color());
}

void VectorCanvas::line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    const double s = shift();
    painter_.drawLine(QPointF(x1 + s, y1 + s), QPointF(x2 + s, y2 + s));
}

void VectorCanvas::rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    const double s = shift();
    painter_.drawRect(QRectF(x1 + s, y1 + s, double(x2) - x1, double(y2) - y1));
}

void VectorCanvas::text(std::int32_t x, std::int32_t y, const std::string& value) {
    const QPen pen = painter_.pen();
    painter_.setPen(fontColor_);
    painter_.drawText(QPointF(x, double(y) + metrics_.ascent(fontSize_)), toQString(value));
    painter_.setPen(pen);
}

std::int32_t VectorCanvas::textWidth(const std::string& value) {
    return metrics_.width(fontSize_, value);
}

void VectorCanvas::copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                              std::int32_t x, std::int32_t y) {
    if (!symbolSheet_) return;
    painter_.drawImage(QPointF(x, y), *symbolSheet_, QRect(cellX, cellY, width, height));
}

}  // namespace pellisor
