#pragma once

#include "render/canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellisor::test {

// A canvas that writes down every primitive with the state it was drawn in. Its font is fixed-width:
// every character is as wide as the font's point size, so text positions can be computed by hand.
class RecordingCanvas : public Canvas {
public:
    struct Primitive {
        std::string kind;  // "fill", "line", "rect", "text", "symbol"
        std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        std::string text;
        Color pen{};
        std::int32_t penWidth = 0;
        Color brush{};
        bool brushSolid = false;
        std::int32_t fontSize = 0;
        Color fontColor{};
    };

    void setPen(Color color, std::int32_t width) override {
        pen_ = color;
        penWidth_ = width;
    }
    void setBrush(Color color, bool solid) override {
        brush_ = color;
        brushSolid_ = solid;
    }
    void setFont(std::int32_t pointSize, Color color) override {
        fontSize_ = pointSize;
        fontColor_ = color;
    }
    void fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override {
        record("fill", x1, y1, x2, y2);
    }
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override {
        record("line", x1, y1, x2, y2);
    }
    void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override {
        record("rect", x1, y1, x2, y2);
    }
    void text(std::int32_t x, std::int32_t y, const std::string& value) override {
        record("text", x, y, x, y).text = value;
    }
    std::int32_t textWidth(const std::string& value) override {
        return static_cast<std::int32_t>(value.size()) * fontSize_;
    }
    void copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                    std::int32_t x, std::int32_t y) override {
        Primitive& p = record("symbol", x, y, x + width, y + height);
        p.text = std::to_string(cellX) + "," + std::to_string(cellY);
    }

    std::vector<Primitive> primitives;

    std::vector<Primitive> ofKind(const std::string& kind) const {
        std::vector<Primitive> found;
        for (const Primitive& p : primitives) {
            if (p.kind == kind) found.push_back(p);
        }
        return found;
    }
    // The lines from (x1, y1) to (x2, y2), in drawing order.
    std::vector<Primitive> linesBetween(std::int32_t x1, std::int32_t y1, std::int32_t x2,
                                        std::int32_t y2) const {
        std::vector<Primitive> found;
        for (const Primitive& p : primitives) {
            if (p.kind == "line" && p.x1 == x1 && p.y1 == y1 && p.x2 == x2 && p.y2 == y2) found.push_back(p);
        }
        return found;
    }
    // The texts drawn with that content, of any font size or of the one given.
    std::vector<Primitive> texts(const std::string& value, std::int32_t fontSize = 0) const {
        std::vector<Primitive> found;
        for (const Primitive& p : primitives) {
            if (p.kind == "text" && p.text == value && (fontSize == 0 || p.fontSize == fontSize))
                found.push_back(p);
        }
        return found;
    }

private:
    Primitive& record(const char* kind, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
        primitives.push_back(
            {kind, x1, y1, x2, y2, "", pen_, penWidth_, brush_, brushSolid_, fontSize_, fontColor_});
        return primitives.back();
    }

    Color pen_{};
    std::int32_t penWidth_ = 1;
    Color brush_{};
    bool brushSolid_ = false;
    std::int32_t fontSize_ = 8;
    Color fontColor_{};
};

}  // namespace pellisor::test
