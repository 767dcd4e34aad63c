#include "gui/qt_canvas.h"

#include <QFontMetrics>
#include <QPen>

namespace pellisor {

namespace {

QColor toQColor(Color color) { return QColor(color.red, color.green, color.blue); }

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, const QImage* symbolSheet)
    : painter_(painter), symbolSheet_(symbolSheet), font_(QStringLiteral("Verdana")) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    font_.setPointSize(8);
    painter_.setFont(font_);
}

void QtCanvas::setPen(Color color, std::int32_t width) {
    QPen pen(toQColor(color));
    pen.setWidth(width);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
}

void QtCanvas::setBrush(Color color, bool solid) {
    brushColor_ = toQColor(color);
    brushSolid_ = solid;
    painter_.setBrush(solid ? QBrush(brushColor_) : QBrush(Qt::NoBrush));
}

void QtCanvas::setFont(std::int32_t pointSize, Color color) {
    font_.setPointSize(pointSize);
    fontColor_ = toQColor(color);
    painter_.setFont(font_);
}

void QtCanvas::fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    painter_.fillRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)), brushColor_);
}

void QtCanvas::line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    painter_.drawLine(x1, y1, x2, y2);
}

void QtCanvas::rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    // The outline lies inside the rectangle, which ends one pixel before (x2, y2).
    painter_.drawRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
}

void QtCanvas::text(std::int32_t x, std::int32_t y, const std::string& value) {
    const QPen pen = painter_.pen();
    painter_.setPen(fontColor_);
    const QFontMetrics metrics(font_, painter_.device());
    painter_.drawText(QPoint(x, y + metrics.ascent()), QString::fromUtf8(value.data(), qsizetype(value.size())));
    painter_.setPen(pen);
}

std::int32_t QtCanvas::textWidth(const std::string& value) {
    const QFontMetrics metrics(font_, painter_.device());
    return metrics.horizontalAdvance(QString::fromUtf8(value.data(), qsizetype(value.size())));
}

void QtCanvas::copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                          std::int32_t x, std::int32_t y) {
    if (!symbolSheet_) return;
    painter_.drawImage(QPoint(x, y), *symbolSheet_, QRect(cellX, cellY, width, height));
}

}  // namespace pellisor
