// The schematic drawn at a zoom straight at the widget's pixels: each primitive is mapped to the zoom
// and drawn by a canvas in widget coordinates. Smaller than the canvas, so that only the pixels shown
// are written however much of the canvas the view covers; larger, for the texts alone, which stay
// sharp over a magnified picture of the rest.
#pragma once

#include "gui/canvas_zoom.h"
#include "render/canvas.h"

#include <QFont>
#include <QFontMetrics>

#include <map>

class QPaintDevice;

namespace pellisor {

class ZoomedCanvas : public Canvas {
public:
    enum class Drawn { Everything, AllButTexts, TextsOnly };

    // `target` draws in widget pixels with the symbol sheet scaled to the zoom; `device` is what it
    // paints on, whose font metrics give the widths of texts at canvas scale.
    ZoomedCanvas(Canvas& target, QPaintDevice* device, const CanvasZoom& zoom,
                 Drawn drawn = Drawn::Everything);

    // Below this level texts would be a few pixels high: they are left out.
    static constexpr int kSmallestTextPercent = 50;

    void setPen(Color color, std::int32_t width) override;
    void setBrush(Color color, bool solid) override;
    void setFont(std::int32_t pointSize, Color color) override;
    void fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void text(std::int32_t x, std::int32_t y, const std::string& value) override;
    std::int32_t textWidth(const std::string& value) override;
    void copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                    std::int32_t x, std::int32_t y) override;

private:
    std::int32_t at(std::int32_t canvas) const { return zoom_.toWidget(canvas); }
    // The end of a span that starts at `from`: a span of canvas pixels keeps at least one widget pixel.
    std::int32_t end(std::int32_t from, std::int32_t to) const {
        return to > from ? std::max(at(to), at(from) + 1) : at(to);
    }

    bool drawsShapes() const { return drawn_ != Drawn::TextsOnly; }

    Canvas& target_;
    Drawn drawn_;
    QPaintDevice* device_;
    CanvasZoom zoom_;
    QFont font_;
    std::map<std::int32_t, QFontMetrics> metrics_;  // at canvas scale, by point size
    std::int32_t pointSize_ = 8;
};

}  // namespace pellisor
