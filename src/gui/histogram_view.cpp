#include "gui/histogram_view.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pellisor {

namespace {

constexpr int kBarPixels = 3;  // the narrowest bar the plot draws

QString number(std::int64_t value) {
    return QString::number(value);
}

}  // namespace

HistogramView::HistogramView(QWidget* parent) : QWidget(parent) {
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void HistogramView::setHistogram(std::map<std::int64_t, std::int64_t> histogram) {
    histogram_ = std::move(histogram);
    update();
}

void HistogramView::setLogarithmic(bool logarithmic) {
    logarithmic_ = logarithmic;
    update();
}

QRect HistogramView::plotArea() const {
    const QFontMetrics metrics = fontMetrics();
    const int left = metrics.horizontalAdvance(QStringLiteral("00000000")) + 10;
    const int top = metrics.height() + 8;
    const int bottom = 2 * metrics.height() + 12;
    return QRect(left, top, std::max(width() - left - 14, 1), std::max(height() - top - bottom, 1));
}

std::vector<HistogramBar> HistogramView::bars() const {
    return histogramBars(histogram_, std::max(1, plotArea().width() / kBarPixels));
}

void HistogramView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QRect plot = plotArea();
    const QColor ink = palette().color(QPalette::Text);
    painter.setPen(ink);
    painter.drawText(QRect(0, 2, width(), metrics.height()), Qt::AlignHCenter,
                     QString::fromUtf8("Histogram chyby e = obvod − přesný výsledek"));
    painter.drawText(QRect(0, height() - metrics.height() - 2, width(), metrics.height()), Qt::AlignHCenter,
                     QStringLiteral("e"));
    painter.drawText(QRect(4, 2, plot.left(), metrics.height()), Qt::AlignLeft, QString::fromUtf8("počet"));

    const std::vector<HistogramBar> shown = bars();
    if (shown.empty()) {
        painter.drawRect(plot.adjusted(0, 0, -1, -1));
        painter.drawText(plot, Qt::AlignCenter, QString::fromUtf8("Zatím nezměřeno"));
        return;
    }
    const std::int64_t first = shown.front().low;
    const std::int64_t last = shown.back().high;
    const double units = double(last) - double(first) + 1.0;
    const auto xOf = [&](double value) {
        return plot.left() + (value - double(first)) / units * plot.width();
    };

    std::int64_t most = 1;
    for (const HistogramBar& bar : shown)
        most = std::max(most, bar.count);
    std::vector<std::int64_t> countTicks;
    double top = 0.0;
    if (logarithmic_) {
        for (std::int64_t tick = 1;; tick *= 10) {
            countTicks.push_back(tick);
            if (tick >= most) break;
        }
        countTicks.insert(countTicks.begin(), 0);
        top = std::log10(1.0 + double(countTicks.back()));
    } else {
        countTicks = axisTicks(most, std::max(2, plot.height() / (2 * metrics.height())));
        top = double(countTicks.back());
    }
    const auto scaled = [&](std::int64_t count) {
        return logarithmic_ ? std::log10(1.0 + double(count)) / top : double(count) / top;
    };
    const auto yOf = [&](std::int64_t count) { return plot.bottom() + 1 - scaled(count) * plot.height(); };

    // Grid lines and the count labels.
    for (const std::int64_t tick : countTicks) {
        const int y = int(std::lround(yOf(tick)));
        painter.setPen(palette().color(QPalette::Midlight));
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(ink);
        painter.drawText(QRect(0, y - metrics.height() / 2, plot.left() - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, number(tick));
    }

    // The bars; the exact results (e = 0) in their own colour.
    const double unitWidth = plot.width() / units;
    for (const HistogramBar& bar : shown) {
        if (bar.count == 0) continue;
        const double left = xOf(double(bar.low));
        double right = xOf(double(bar.high) + 1.0);
        if (right - left >= 4.0) right -= 1.0;  // a gap between wide bars
        const QRectF rect(QPointF(left, yOf(bar.count)), QPointF(right, plot.bottom() + 1));
        const bool exact = bar.low <= 0 && 0 <= bar.high;
        painter.fillRect(rect, exact ? QColor(46, 139, 87) : QColor(70, 110, 190));
    }

    // The value labels, under the middle of their value's column.
    painter.setPen(ink);
    const int labelWidth =
        std::max(metrics.horizontalAdvance(number(first)), metrics.horizontalAdvance(number(last))) + 12;
    for (const std::int64_t tick : rangeTicks(first, last, std::max(1, plot.width() / labelWidth))) {
        const int x = int(std::lround(xOf(double(tick)) + unitWidth / 2));
        painter.drawLine(x, plot.bottom() + 1, x, plot.bottom() + 4);
        painter.drawText(QRect(x - labelWidth / 2, plot.bottom() + 5, labelWidth, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, number(tick));
    }
    painter.drawLine(plot.left(), plot.top(), plot.left(), plot.bottom() + 1);
    painter.drawLine(plot.left(), plot.bottom() + 1, plot.right(), plot.bottom() + 1);
}

}  // namespace pellisor
