#include "gui/qt_canvas.h"

#include <QPen>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pellisor {

namespace {

QColor toQColor(Color color) {
    return QColor(color.red, color.green, color.blue);
}

// One pixel run of a thin line: along the major axis from `first` to `last`, at `minor` across it.
struct Run {
    std::int64_t minor;
    std::int64_t first;
    std::int64_t last;
};

// The runs of a thin line from (ua, va) to (ub, vb) along its major axis u (ua < ub, |vb - va| <= ub - ua)
// that lie within u in [uMin, uMax] and v in [vMin, vMax]. At every u the pixel is
// va + s * round((u - ua) * |dv| / du), halves rounded up: it depends on the ends alone, never on the
// window the line is cut to. `Wide` holds the products of two coordinate differences.
template <typename Wide, typename Put>
void lineRuns(std::int64_t ua, std::int64_t va, std::int64_t ub, std::int64_t vb, std::int64_t uMin,
              std::int64_t uMax, std::int64_t vMin, std::int64_t vMax, Put put) {
    const Wide du = ub - ua;
    const Wide a = vb >= va ? vb - va : va - vb;
    const std::int64_t sign = vb >= va ? 1 : -1;
    const std::int64_t u0 = std::max(ua, uMin);
    const std::int64_t u1 = std::min(ub, uMax);
    if (u0 > u1) return;
    auto step = [&](std::int64_t u) {  // how far the line has moved across at u
        return static_cast<std::int64_t>((2 * Wide(u - ua) * a + du) / (2 * du));
    };
    auto firstAt = [&](std::int64_t m) {  // the first u where it has moved m across
        if (m == 0) return ua;
        const Wide numerator = (2 * Wide(m) - 1) * du;
        return ua + static_cast<std::int64_t>((numerator + 2 * a - 1) / (2 * a));
    };
    std::int64_t mLow = step(u0);
    std::int64_t mHigh = step(u1);
    // Only the steps whose pixels lie across within [vMin, vMax].
    if (sign > 0) {
        mLow = std::max(mLow, vMin - va);
        mHigh = std::min(mHigh, vMax - va);
    } else {
        mLow = std::max(mLow, va - vMax);
        mHigh = std::min(mHigh, va - vMin);
    }
    for (std::int64_t m = mLow; m <= mHigh; ++m) {
        const std::int64_t first = std::max(firstAt(m), u0);
        const std::int64_t last = std::min(m < static_cast<std::int64_t>(a) ? firstAt(m + 1) - 1 : ub, u1);
        if (first <= last) put(Run{va + sign * m, first, last});
    }
}

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, const QImage* symbolSheet, const QRect& area)
    : painter_(painter), symbolSheet_(symbolSheet), area_(area), font_(QStringLiteral("Verdana")) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    font_.setPointSize(8);
    painter_.setFont(font_);
    metrics_.emplace(font_, painter_.device());

    auto* image = dynamic_cast<QImage*>(painter_.device());
    const QTransform transform = painter_.deviceTransform();
    const bool wholePixels = transform.type() <= QTransform::TxTranslate &&
                             transform.dx() == std::floor(transform.dx()) &&
                             transform.dy() == std::floor(transform.dy());
    const bool simpleClip = !painter_.hasClipping() || painter_.clipRegion().rectCount() <= 1;
    // A picture shared with a copy would be detached by the write access, away from the painter's.
    if (image && image->isDetached() && image->devicePixelRatio() == 1 && wholePixels && simpleClip &&
        (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32 ||
         image->format() == QImage::Format_ARGB32_Premultiplied)) {
        offset_ = QPoint(int(transform.dx()), int(transform.dy()));
        writable_ = area_ & image->rect().translated(-offset_);
        if (painter_.hasClipping()) writable_ &= painter_.clipBoundingRect().toAlignedRect();
        pixelsPerLine_ = image->bytesPerLine() / qsizetype(sizeof(QRgb));
        pixels_ = reinterpret_cast<QRgb*>(image->bits());
    }
}

void QtCanvas::setPen(Color color, std::int32_t width) {
    penColor_ = toQColor(color);
    penWidth_ = width;
    QPen pen(penColor_);
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
    fontColor_ = toQColor(color);
    if (font_.pointSize() == pointSize) return;
    font_.setPointSize(pointSize);
    painter_.setFont(font_);
    metrics_.emplace(font_, painter_.device());
}

void QtCanvas::fillPixels(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                          const QColor& color) {
    const QRect& bounds = pixels_ ? writable_ : area_;
    left = std::max<std::int64_t>(left, bounds.left());
    top = std::max<std::int64_t>(top, bounds.top());
    right = std::min<std::int64_t>(right, bounds.right());
    bottom = std::min<std::int64_t>(bottom, bounds.bottom());
    if (left > right || top > bottom) return;
    if (!pixels_) {
        painter_.fillRect(QRect(int(left), int(top), int(right - left + 1), int(bottom - top + 1)), color);
        return;
    }
    const QRgb value = color.rgb();
    const std::int64_t count = right - left + 1;
    QRgb* row = pixels_ + (top + offset_.y()) * pixelsPerLine_ + (left + offset_.x());
    for (std::int64_t y = top; y <= bottom; ++y, row += pixelsPerLine_)
        std::fill_n(row, count, value);
}

void QtCanvas::fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    forgetRuns();
    fillPixels(x1, y1, std::int64_t{x2} - 1, std::int64_t{y2} - 1, brushColor_);
}

void QtCanvas::thinLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    const bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
    // Along the major axis from its lower end, so that a line and its reverse are the same pixels.
    std::int64_t ua = steep ? y1 : x1, va = steep ? x1 : y1, ub = steep ? y2 : x2, vb = steep ? x2 : y2;
    if (ub < ua) {
        std::swap(ua, ub);
        std::swap(va, vb);
    }
    if (ua == ub) {
        fillPixels(x1, y1, x1, y1, penColor_);
        return;
    }
    const QRect& a = area_;
    const std::int64_t uMin = steep ? a.top() : a.left(), uMax = steep ? a.bottom() : a.right();
    const std::int64_t vMin = steep ? a.left() : a.top(), vMax = steep ? a.right() : a.bottom();
    if (penColor_ != runsColor_) {
        forgetRuns();
        runsColor_ = penColor_;
    }
    SetRuns& runs = steep ? columns_ : rows_;
    if (runs.spans.empty()) {
        // Remembered per column or row of the area, as long as that is of a sane size.
        const std::int64_t count = vMax - vMin + 1;
        if (count > 0 && count <= (std::int64_t{1} << 24)) {
            runs.origin = vMin;
            runs.spans.resize(std::size_t(count));
        }
    }
    auto put = [&](const Run& run) { setRun(runs, steep, run.minor, run.first, run.last); };
    // Differences below 2^30 keep every product within 64 bits.
    if (ub - ua < (std::int64_t{1} << 30)) {
        lineRuns<std::int64_t>(ua, va, ub, vb, uMin, uMax, vMin, vMax, put);
    } else {
        __extension__ using Wide = __int128;
        lineRuns<Wide>(ua, va, ub, vb, uMin, uMax, vMin, vMax, put);
    }
}

void QtCanvas::setRun(SetRuns& runs, bool vertical, std::int64_t minor, std::int64_t first,
                      std::int64_t last) {
    auto fill = [&](std::int64_t from, std::int64_t to) {
        if (vertical) {
            fillPixels(minor, from, minor, to, penColor_);
        } else {
            fillPixels(from, minor, to, minor, penColor_);
        }
    };
    const std::int64_t index = minor - runs.origin;
    if (index < 0 || index >= std::int64_t(runs.spans.size())) {
        fill(first, last);
        return;
    }
    SetSpan& set = runs.spans[std::size_t(index)];
    if (set.epoch != runsEpoch_ || last + 1 < set.first || first > set.last + 1) {
        fill(first, last);
        set = {first, last, runsEpoch_};
        return;
    }
    // Overlapping or touching the span set already: only the parts beyond it, and remember the union.
    if (first < set.first) fill(first, set.first - 1);
    if (last > set.last) fill(set.last + 1, last);
    set.first = std::min(set.first, first);
    set.last = std::max(set.last, last);
}

void QtCanvas::line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    const std::int32_t width = std::max(penWidth_, 1);
    if (x1 == x2 || y1 == y2) {
        forgetRuns();
        const std::int64_t before = width / 2;
        const std::int64_t after = (width - 1) / 2;
        fillPixels(std::int64_t{std::min(x1, x2)} - before, std::int64_t{std::min(y1, y2)} - before,
                   std::int64_t{std::max(x1, x2)} + after, std::int64_t{std::max(y1, y2)} + after, penColor_);
    } else if (width == 1) {
        thinLine(x1, y1, x2, y2);
    } else {
        // Slanted wide lines are not part of the schematic; the painter draws them.
        forgetRuns();
        painter_.drawLine(x1, y1, x2, y2);
    }
}

void QtCanvas::rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    forgetRuns();
    if (x2 <= x1 || y2 <= y1 || penWidth_ > 2) {
        // The outline lies inside the rectangle, which ends one pixel before (x2, y2).
        painter_.drawRect(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
        return;
    }
    // The painter's outline of that rectangle: the four sides as lines through the corners, over the fill.
    if (brushSolid_) fillPixels(x1, y1, x2, y2, brushColor_);
    line(x1, y1, x2, y1);
    line(x1, y2, x2, y2);
    line(x1, y1, x1, y2);
    line(x2, y1, x2, y2);
}

void QtCanvas::text(std::int32_t x, std::int32_t y, const std::string& value) {
    forgetRuns();
    const QPen pen = painter_.pen();
    painter_.setPen(fontColor_);
    painter_.drawText(QPoint(x, y + metrics_->ascent()),
                      QString::fromUtf8(value.data(), qsizetype(value.size())));
    painter_.setPen(pen);
}

std::int32_t QtCanvas::textWidth(const std::string& value) {
    return metrics_->horizontalAdvance(QString::fromUtf8(value.data(), qsizetype(value.size())));
}

void QtCanvas::copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                          std::int32_t x, std::int32_t y) {
    if (!symbolSheet_) return;
    forgetRuns();
    painter_.drawImage(QPoint(x, y), *symbolSheet_, QRect(cellX, cellY, width, height));
}

}  // namespace pellisor
