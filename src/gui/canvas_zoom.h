// The zoom of the canvas view: its levels and the mapping between the widget's pixels and the
// canvas's. The workbench, the exports and the unattended run know canvas coordinates only.
#pragma once

#include "render/geometry.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>
#include <cstddef>
#include <cstdint>

namespace pellisor {

// A level as an exact fraction, so that a block of `numerator` widget pixels always shows the same
// `denominator` canvas pixels and a picture painted in parts has no seams.
struct ZoomLevel {
    int numerator;
    int denominator;
    int percent;  // as the control shows it
};

inline constexpr std::array<ZoomLevel, 11> kZoomLevels{{{1, 4, 25},
                                                        {1, 3, 33},
                                                        {1, 2, 50},
                                                        {2, 3, 67},
                                                        {3, 4, 75},
                                                        {1, 1, 100},
                                                        {5, 4, 125},
                                                        {3, 2, 150},
                                                        {2, 1, 200},
                                                        {3, 1, 300},
                                                        {4, 1, 400}}};
inline constexpr std::size_t kActualSizeLevel = 5;

// The largest level at which a canvas of this size fits a viewport of that size; the smallest level
// when none does.
std::size_t fittingZoomLevel(CanvasSize canvas, QSize viewport);

// The mapping of one level.
class CanvasZoom {
public:
    explicit CanvasZoom(std::size_t level = kActualSizeLevel);

    std::size_t level() const { return level_; }
    int percent() const { return kZoomLevels[level_].percent; }
    bool actualSize() const { return n_ == d_; }
    bool magnifies() const { return n_ > d_; }
    double factor() const { return double(n_) / d_; }
    // Widget pixels per tile and canvas pixels per tile: painting is aligned to whole tiles.
    int widgetTile() const { return n_; }
    int canvasTile() const { return d_; }

    // The canvas pixel under a widget pixel, and the first widget pixel showing a canvas pixel.
    int toCanvas(int widget) const;
    QPoint toCanvas(QPoint widget) const { return {toCanvas(widget.x()), toCanvas(widget.y())}; }
    int toWidget(int canvas) const;
    QPoint toWidget(QPoint canvas) const { return {toWidget(canvas.x()), toWidget(canvas.y())}; }
    // The widget pixels that show these canvas pixels, and the canvas pixels these widget pixels show.
    QRect toWidget(const QRect& canvas) const;
    QRect toCanvas(const QRect& widget) const;
    // The widget rectangle grown to whole tiles.
    QRect alignedToTiles(const QRect& widget) const;
    QSize widgetSize(CanvasSize canvas) const;

private:
    std::size_t level_;
    int n_;
    int d_;
};

}  // namespace pellisor
