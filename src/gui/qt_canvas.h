#pragma once

#include "render/canvas.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

namespace pellisor {

// The schematic's canvas on a QPainter. Fonts are "Verdana" (fontconfig substitutes where it is
// missing); texts are the model's bytes read as UTF-8.
//
// Lines, outlines and fills are set as whole pixels by the canvas itself rather than left to the
// painter's rasteriser, whose lines depend on where the paint device ends: so a window's visible
// part, a band of a large picture and the whole picture have the same pixels wherever they overlap.
class QtCanvas : public Canvas {
public:
    // The painter must stay active, with its transform and clip unchanged, while the canvas is used;
    // the sheet may be null. `area` is the part of the canvas the painter shows, in canvas coordinates:
    // nothing outside it is drawn.
    QtCanvas(QPainter& painter, const QImage* symbolSheet, const QRect& area);

    void setPen(Color color, std::int32_t width) override;
    void setBrush(Color color, bool solid) override;
    void setFont(std::int32_t pointSize, Color color) override;
    void fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    // A line of width 1 is the pixel nearest to it in every row (steep) or column (flat), both ends
    // included; a horizontal or vertical one of width w covers w / 2 more pixels before it and
    // (w - 1) / 2 after it across and along, as the painter's square caps do.
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void text(std::int32_t x, std::int32_t y, const std::string& value) override;
    std::int32_t textWidth(const std::string& value) override;
    void copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                    std::int32_t x, std::int32_t y) override;

private:
    // Fills the pixels from (left, top) to (right, bottom), both included, within the area.
    void fillPixels(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                    const QColor& color);
    void thinLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2);

    // What thin lines of one colour have set since anything else was drawn: per column the rows of the
    // last vertical run set there, per row the columns of the last horizontal one. Many long wires from
    // one source overlap almost everywhere; the part of a run set already is not set again.
    struct SetSpan {
        std::int64_t first = 0;
        std::int64_t last = -1;
        std::uint32_t epoch = 0;
    };
    struct SetRuns {
        std::int64_t origin = 0;
        std::vector<SetSpan> spans;  // by column (or row) from origin; empty while unused
    };
    void setRun(SetRuns& runs, bool vertical, std::int64_t minor, std::int64_t first, std::int64_t last);
    void forgetRuns() {
        if (++runsEpoch_ != 0) return;
        columns_.spans.assign(columns_.spans.size(), SetSpan{});
        rows_.spans.assign(rows_.spans.size(), SetSpan{});
        runsEpoch_ = 1;
    }

    QPainter& painter_;
    const QImage* symbolSheet_;
    QRect area_;
    // When the painter paints straight into a 32-bit picture, moved by whole pixels, fills are written
    // to its memory, a hundred times faster than a painter call for a run of a few pixels.
    QRgb* pixels_ = nullptr;
    qsizetype pixelsPerLine_ = 0;
    QPoint offset_;   // from canvas to picture coordinates
    QRect writable_;  // the area within the picture and the painter's clip, in canvas coordinates
    QFont font_;
    std::optional<QFontMetrics> metrics_;  // of font_ on the painter's device
    QColor fontColor_;
    QColor penColor_;
    std::int32_t penWidth_ = 1;
    QColor brushColor_;
    bool brushSolid_ = false;
    SetRuns columns_;
    SetRuns rows_;
    std::uint32_t runsEpoch_ = 1;
    QColor runsColor_;
};

}  // namespace pellisor
