#pragma once

#include "model/chromosome.h"
#include "model/settings_keys.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pellisor {

class FunctionAssignment;

// The texts of the ten spacing fields, indexed by settings::Spacing. They are converted at the moment
// each value is needed, so a field that is not an integer stops an operation exactly there.
using SpacingTexts = std::array<std::string, settings::kSpacingCount>;
std::int32_t spacingValue(const SpacingTexts& texts, settings::Spacing spacing);
SpacingTexts defaultSpacingTexts();

// The fixed geometry around an entry's anchor.
inline constexpr std::int32_t kBlockWidth = 30;
inline constexpr std::int32_t kBlockHeight = 40;
inline constexpr std::int32_t kPinLength = 10;
struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};
// Distance between the input pins of a block with n inputs (n > 0).
inline std::int32_t pinPitch(std::int32_t n) { return n > 0 ? kBlockHeight / n : 0; }
// Where a wire into input k of the block ends (the outer end of the pin).
inline Point inputPinEnd(const Block& block, std::int32_t k) {
    return {block.x - kPinLength, block.y + 10 + k * pinPitch(block.inputCount)};
}
// Where the wires leave a function block (the outer end of its output pin).
inline Point outputPinEnd(const Block& block) { return {block.x + kBlockWidth + kPinLength, block.y + 20}; }

// Puts every entry at its cell of the grid from the spacing fields.
void placeOnGrid(Chromosome& circuit, const SpacingTexts& spacings);

// Sets the depth of every entry and returns the maximum output delay.
std::int32_t computeDepths(Chromosome& circuit, const FunctionAssignment& assignment);

// Recomputes the depths and returns the summary lines of the information memo.
std::vector<std::string> showSummary(Chromosome& circuit, const FunctionAssignment& assignment);

struct CanvasSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const CanvasSize&, const CanvasSize&) = default;
};
// The canvas that holds every shown anchor with its margins, and never less than the viewport.
CanvasSize fitCanvasSize(const Chromosome& circuit, bool showHidden, bool showFooter, CanvasSize viewport);
// "Rozměr plátna: " + width + "x" + height.
std::string canvasSizeText(CanvasSize size);

}  // namespace pellisor
