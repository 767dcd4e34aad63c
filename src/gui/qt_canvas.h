#pragma once

#include "render/canvas.h"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace pellisor {

// The schematic's canvas on a QPainter. Fonts are "Verdana" (fontconfig substitutes where it is
// missing); texts are the model's bytes read as UTF-8.
class QtCanvas : public Canvas {
public:
    // The painter must stay active while the canvas is used; the sheet may be null.
    QtCanvas(QPainter& painter, const QImage* symbolSheet);

    void setPen(Color color, std::int32_t width) override;
    void setBrush(Color color, bool solid) override;
    void setFont(std::int32_t pointSize, Color color) override;
    void fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void text(std::int32_t x, std::int32_t y, const std::string& value) override;
    std::int32_t textWidth(const std::string& value) override;
    void copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height, std::int32_t x,
                    std::int32_t y) override;

private:
    QPainter& painter_;
    const QImage* symbolSheet_;
    QFont font_;
    QColor fontColor_;
    QColor brushColor_;
    bool brushSolid_ = false;
};

}  // namespace pellisor
