#pragma once

#include "export/buffered_sink.h"
#include "render/canvas.h"
#include "render/renderer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

namespace pellisor {

// How the screen's font measures and sets texts, so that a vector picture places them where the screen
// does. Sizes are the canvas's point sizes.
class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    virtual std::int32_t width(std::int32_t pointSize, const std::string& text) = 0;
    // From the top of a text to its baseline, in canvas pixels.
    virtual std::int32_t ascent(std::int32_t pointSize) = 0;
    // The font's size in canvas pixels.
    virtual double pixelSize(std::int32_t pointSize) = 0;
};

// The picture of a symbol-sheet cell as an image reference (a data: URI), or empty when there is none.
using SymbolImage = std::function<std::string(std::int32_t cellX, std::int32_t cellY, std::int32_t width,
                                              std::int32_t height)>;

// A canvas that writes an SVG document as it is drawn on: lines, rectangles and texts as elements, in
// drawing order, each with its colours and widths; texts as UTF-8 text. Lines and outlines lie on the
// pixels the raster canvas fills: odd widths are centred half a pixel in. finish() closes the document.
class SvgCanvas : public Canvas {
public:
    SvgCanvas(BufferedSink& out, CanvasSize size, TextMetrics& metrics, SymbolImage symbols = {});

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
    void finish();

private:
    void stroke();

    BufferedSink& out_;
    TextMetrics& metrics_;
    SymbolImage symbols_;
    std::unordered_map<std::int32_t, std::string> symbolCache_;  // element ids by cell x, empty: none
    Color pen_ = colors::kBlack;
    std::int32_t penWidth_ = 1;
    Color brush_ = colors::kWhite;
    bool brushSolid_ = true;
    std::int32_t fontSize_ = 8;
    Color fontColor_ = colors::kBlack;
};

// The whole schematic of the scene as an SVG document, written to the sink as it is drawn.
void writeSvgSchematic(const ByteSink& sink, const Scene& scene, TextMetrics& metrics,
                       const SymbolImage& symbols = {});

// The text as well-formed XML character data: markup characters escaped, bytes that are not UTF-8 and
// characters XML forbids replaced by U+FFFD.
std::string xmlText(const std::string& text);

}  // namespace pellisor
