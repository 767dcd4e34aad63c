#pragma once

#include "export/svg_canvas.h"
#include "render/canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <map>

namespace pellisor {

// The screen's font measured as the raster pictures measure it: "Verdana" (or fontconfig's
// substitute) on a picture of the screen's resolution.
class QtTextMetrics : public TextMetrics {
public:
    QtTextMetrics();
    std::int32_t width(std::int32_t pointSize, const std::string& text) override;
    std::int32_t ascent(std::int32_t pointSize) override;
    double pixelSize(std::int32_t pointSize) override;
    QFont font(std::int32_t pointSize) const;

private:
    const QFontMetrics& metrics(std::int32_t pointSize);

    QImage device_;
    std::map<std::int32_t, QFontMetrics> metrics_;  // by point size
};

// The schematic's canvas on a QPainter of a vector device (a PDF page): lines, outlines and fills as
// shapes on the pixels the raster canvas fills, texts as text in the screen font's size and places.
// One canvas pixel is one unit of the painter.
class VectorCanvas : public Canvas {
public:
    // The painter must stay active while the canvas is used; the sheet may be null.
    VectorCanvas(QPainter& painter, QtTextMetrics& metrics, const QImage* symbolSheet);

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
    // Odd widths are centred on the middle of a pixel, even ones on its edge.
    double shift() const { return penWidth_ % 2 == 0 ? 0.0 : 0.5; }

    QPainter& painter_;
    QtTextMetrics& metrics_;
    const QImage* symbolSheet_;
    std::int32_t penWidth_ = 1;
    QColor penColor_;
    QBrush brush_;
    std::int32_t fontSize_ = 8;
    QColor fontColor_;
};

}  // namespace pellisor
