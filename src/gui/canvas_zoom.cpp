#include "gui/canvas_zoom.h"

#include <algorithm>
#include <limits>

namespace pellisor {

namespace {

std::int64_t floorDivide(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

std::int64_t ceilDivide(std::int64_t value, std::int64_t divisor) {
    return -floorDivide(-value, divisor);
}

int clampToInt(std::int64_t value) {
    return int(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min() / 2,
                                        std::numeric_limits<int>::max() / 2));
}

}  // namespace

std::size_t fittingZoomLevel(CanvasSize canvas, QSize viewport) {
    for (std::size_t level = kZoomLevels.size(); level-- > 1;) {
        const QSize shown = CanvasZoom(level).widgetSize(canvas);
        if (shown.width() <= viewport.width() && shown.height() <= viewport.height()) return level;
    }
    return 0;
}

CanvasZoom::CanvasZoom(std::size_t level)
    : level_(std::min(level, kZoomLevels.size() - 1)),
      n_(kZoomLevels[level_].numerator),
      d_(kZoomLevels[level_].denominator) {}

int CanvasZoom::toCanvas(int widget) const {
    return clampToInt(floorDivide(std::int64_t{widget} * d_, n_));
}

int CanvasZoom::toWidget(int canvas) const {
    return clampToInt(floorDivide(std::int64_t{canvas} * n_, d_));
}

QRect CanvasZoom::toWidget(const QRect& canvas) const {
    return QRect(QPoint(toWidget(canvas.left()), toWidget(canvas.top())),
                 QPoint(toWidget(canvas.right() + 1) - 1, toWidget(canvas.bottom() + 1) - 1));
}

QRect CanvasZoom::toCanvas(const QRect& widget) const {
    const auto end = [this](int widgetEnd) {
        return clampToInt(ceilDivide(std::int64_t{widgetEnd} * d_, n_));
    };
    return QRect(QPoint(toCanvas(widget.left()), toCanvas(widget.top())),
                 QPoint(end(widget.right() + 1) - 1, end(widget.bottom() + 1) - 1));
}

QRect CanvasZoom::alignedToTiles(const QRect& widget) const {
    const auto down = [this](int value) { return clampToInt(floorDivide(value, n_) * n_); };
    const auto up = [this](int value) { return clampToInt(ceilDivide(value, n_) * n_); };
    return QRect(QPoint(down(widget.left()), down(widget.top())),
                 QPoint(up(widget.right() + 1) - 1, up(widget.bottom() + 1) - 1));
}

QSize CanvasZoom::widgetSize(CanvasSize canvas) const {
    return QSize(clampToInt(ceilDivide(std::int64_t{canvas.width} * n_, d_)),
                 clampToInt(ceilDivide(std::int64_t{canvas.height} * n_, d_)));
}

}  // namespace pellisor
