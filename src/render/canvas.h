#pragma once

#include <cstdint>
#include <string>

namespace pellisor {

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

// The colours of the schematic.
namespace colors {
inline constexpr Color kWhite{255, 255, 255};
inline constexpr Color kGrey{128, 128, 128};
inline constexpr Color kNavy{0, 0, 128};
inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kRed{255, 0, 0};
inline constexpr Color kOrange{255, 128, 64};
inline constexpr Color kSilver{192, 192, 192};
inline constexpr Color kGreen{0, 160, 0};
// The usual tooltip background of the desktop; value boxes are filled with it.
inline constexpr Color kTooltip{255, 255, 225};
}  // namespace colors

// A raster surface the schematic is drawn on. The font face is always "Verdana"; sizes are points.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void setPen(Color color, std::int32_t width) = 0;
    // The fill of rectangles: solid in the colour, or none.
    virtual void setBrush(Color color, bool solid) = 0;
    virtual void setFont(std::int32_t pointSize, Color color) = 0;

    // Fills the rectangle from (x1, y1) up to but excluding (x2, y2) with the brush colour, no outline.
    virtual void fillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    virtual void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    // Outline with the pen and fill with the brush, from (x1, y1) to (x2, y2).
    virtual void rectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    // Text with its top-left corner at (x, y), in the font's colour, without background.
    virtual void text(std::int32_t x, std::int32_t y, const std::string& text) = 0;
    virtual std::int32_t textWidth(const std::string& text) = 0;
    // Copies the cell of the gate-symbol sheet at (cellX, cellY), width x height, to (x, y).
    virtual void copySymbol(std::int32_t cellX, std::int32_t cellY, std::int32_t width, std::int32_t height,
                            std::int32_t x, std::int32_t y) = 0;
};

}  // namespace pellisor
