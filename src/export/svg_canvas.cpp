#include "export/svg_canvas.h"

#include "export/utf8_text.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace pellisor {

namespace {

std::string hexColor(Color color) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02x%02x%02x", color.red, color.green, color.blue);
    return text.data();
}

// A coordinate in half pixels, written as a whole or a half number.
std::string halves(std::int64_t twice) {
    std::string text = std::to_string(twice / 2);
    if (twice % 2 == 0) return text;
    if (twice < 0 && twice / 2 == 0) text = "-0";
    return text + ".5";
}

std::string decimal(double value) {
    std::array<char, 32> text{};
    const auto end =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 3);
    std::string result(text.data(), end.ptr);
    while (result.find('.') != std::string::npos && (result.back() == '0' || result.back() == '.'))
        result.pop_back();
    return result;
}

bool allowedInXml(char32_t code) {
    if (code < 0x20) return code == 0x9 || code == 0xA || code == 0xD;
    return code != 0xFFFE && code != 0xFFFF;
}

}  // namespace

std::string xmlText(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const std::size_t length = utf8Sequence(text, at, code);
        if (length == 0 || !allowedInXml(code)) {
            result += "\xEF\xBF\xBD";
            at += length == 0 ? 1 : length;
            continue;
        }
        switch (code) {
            case '<':
                result += "&lt;";
                break;
            case '>':
                result += "&gt;";
                break;
            case '&':
                result += "&amp;";
                break;
            case '"':
                result += "&quot;";
                break;
            case '\t':
            case '\n':
            case '\r':
                // Kept as references: a reader would otherwise fold them into blanks.
                result += "&#" + std::to_string(static_cast<int>(code)) + ";";
                break;
            default:
                result.append(text, at, length);
        }
        at += length;
    }
    return result;
}

SvgCanvas::SvgCanvas(BufferedSink& out, CanvasSize size, TextMetrics& metrics, SymbolImage symbols)
    : out_(out), metrics_(metrics), symbols_(std::move(symbols)) {
    const std::int32_t width = std::max(size.width, 1);
    const std::int32_t height = std::max(size.height, 1);
    out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
            "version=\"1.1\" width=\""
         << width << "\" height=\"" << height << "\" viewBox=\"0 0 " << width << " " << height
         << "\" xml:space=\"preserve\" font-family=\"Verdana, sans-serif\">\n";
}

void SvgCanvas::setPen(Color color, std::int32_t width) {
    pen_ = color;
    penWidth_ = width;
}

void SvgCanvas::setBrush(Color color, bool solid) {
    brush_ = color;
    brushSolid_ = solid;
}

void SvgCanvas::setFont(std::int32_t pointSize, Color color) {
    fontSize_ = pointSize;
    fontColor_ = color;
}

void SvgCanvas::fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    if (x2 <= x1 || y2 <= y1) return;
    out_ << "<rect x=\"" << x1 << "\" y=\"" << y1 << "\" width=\"" << std::int64_t{x2} - x1 << "\" height=\""
         << std::int64_t{y2} - y1 << "\" fill=\"" << hexColor(brush_) << "\"/>\n";
}

void SvgCanvas::stroke() {
    out_ << " stroke=\"" << hexColor(pen_) << "\" stroke-width=\"" << std::max(penWidth_, 1) << "\"";
}

void SvgCanvas::line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    // Square caps: a line covers its end pixels, as the raster canvas draws it.
    const std::int64_t shift = std::max(penWidth_, 1) % 2;
    out_ << "<line x1=\"" << halves(2 * std::int64_t{x1} + shift) << "\" y1=\""
         << halves(2 * std::int64_t{y1} + shift) << "\" x2=\"" << halves(2 * std::int64_t{x2} + shift)
         << "\" y2=\"" << halves(2 * std::int64_t{y2} + shift) << "\"";
    stroke();
    out_ << " stroke-linecap=\"square\"/>\n";
}

void SvgCanvas::rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    const std::int64_t shift = std::max(penWidth_, 1) % 2;
    out_ << "<rect x=\"" << halves(2 * std::int64_t{x1} + shift) << "\" y=\""
         << halves(2 * std::int64_t{y1} + shift) << "\" width=\"" << std::int64_t{x2} - x1 << "\" height=\""
         << std::int64_t{y2} - y1 << "\" fill=\"" << (brushSolid_ ? hexColor(brush_) : "none") << "\"";
    stroke();
    out_ << "/>\n";
}

void SvgCanvas::text(std::int32_t x, std::int32_t y, const std::string& value) {
    out_ << "<text x=\"" << x << "\" y=\"" << std::int64_t{y} + metrics_.ascent(fontSize_)
         << "\" font-size=\"" << decimal(metrics_.pixelSize(fontSize_)) << "\" fill=\""
         << hexColor(fontColor_) << "\">" << xmlText(value) << "</text>\n";
}

std::int32_t SvgCanvas::textWidth(const std::string& value) {
    return metrics_.width(fontSize_, value);
}

void SvgCanvas::copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                           std::int32_t x, std::int32_t y) {
    if (!symbols_) return;
    // Each cell's picture is written once and used wherever a block shows it.
    auto found = symbolCache_.find(cellX);
    if (found == symbolCache_.end()) {
        const std::string image = symbols_(cellX, cellY, width, height);
        found = symbolCache_.emplace(cellX, image.empty() ? "" : "symbol" + std::to_string(cellX)).first;
        if (!image.empty()) {
            out_ << "<defs><image id=\"" << found->second << "\" width=\"" << width << "\" height=\""
                 << height << "\" xlink:href=\"" << image << "\"/></defs>\n";
        }
    }
    if (found->second.empty()) return;
    out_ << "<use xlink:href=\"#" << found->second << "\" x=\"" << x << "\" y=\"" << y << "\"/>\n";
}

void SvgCanvas::finish() {
    out_ << "</svg>\n";
}

void writeSvgSchematic(const ByteSink& sink, const Scene& scene, TextMetrics& metrics,
                       const SymbolImage& symbols) {
    BufferedSink out(sink);
    SvgCanvas canvas(out, scene.imageSize, metrics, symbols);
    drawCircuit(canvas, scene);
    canvas.finish();
    out.finish();
}

}  // namespace pellisor
