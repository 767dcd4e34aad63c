#pragma once

#include "model/chromosome.h"
#include "model/settings_keys.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace pellisor {

class FunctionAssignment;

// The texts of the ten spacing fields, indexed by settings::Spacing. They are converted at the moment
// each value is needed, so a field that is not an integer stops an operation exactly there.
using SpacingTexts = std::array<std::string, settings::kSpacingCount>;
std::int32_t spacingValue(const SpacingTexts& texts, settings::Spacing spacing);
SpacingTexts defaultSpacingTexts();

// The fixed geometry around an entry's anchor. Everything that draws, writes or picks entries takes
// its sizes from here.
inline constexpr std::int32_t kBlockWidth = 30;
inline constexpr std::int32_t kBlockHeight = 40;
inline constexpr std::int32_t kPinLength = 10;
// Input pin k of a block lies kFirstPinY + k * pinPitch below its anchor.
inline constexpr std::int32_t kFirstPinY = 10;
// The output pin leaves the middle of the right side.
inline constexpr std::int32_t kOutputPinY = kBlockHeight / 2;
// A primary input or an output is a short dash to the right of its anchor; an input's label ends
// kInputLabelGap left of the anchor, an output's starts kOutputLabelGap right of it.
inline constexpr std::int32_t kTerminalDash = 2;
inline constexpr std::int32_t kInputLabelGap = 4;
inline constexpr std::int32_t kOutputLabelGap = 10;
// The drag frame of a primary input or an output: a square this wide from its anchor.
inline constexpr std::int32_t kTerminalFrame = 5;
// The mouse picks an entry when it is nearer than this to the anchor on both axes.
inline constexpr std::int32_t kHitReach = 5;
// A cell of the gate-symbol sheet, drawn with its top-left corner at kSymbolOffset from the anchor
// so that it covers the body and both kinds of pins.
inline constexpr std::int32_t kSymbolWidth = 50;
inline constexpr std::int32_t kSymbolHeight = 41;

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};
inline constexpr Point kSymbolOffset{-kPinLength, -1};
// Where the wires leave a function block, from its anchor.
inline constexpr Point kOutputPinEndOffset{kBlockWidth + kPinLength, kOutputPinY};

// Distance between the input pins of a block with n inputs (n > 0).
inline std::int32_t pinPitch(std::int32_t n) {
    return n > 0 ? kBlockHeight / n : 0;
}
// Where a wire into input k (0 <= k < n) of a block with n inputs ends, from its anchor.
inline Point inputPinEndOffset(std::int32_t n, std::int32_t k) {
    return {-kPinLength, kFirstPinY + k * pinPitch(n)};
}

// A position plus an offset; positions may be any int32, so the sum is taken in 64 bits and held
// within the int32 range.
inline std::int32_t offsetPosition(std::int32_t position, std::int32_t offset) {
    const std::int64_t sum = std::int64_t{position} + offset;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}
// Where a wire into input k of the block ends (the outer end of the pin).
inline Point inputPinEnd(const Block& block, std::int32_t k) {
    const Point offset = inputPinEndOffset(block.inputCount, k);
    return {offsetPosition(block.x, offset.x), offsetPosition(block.y, offset.y)};
}
// Where the wires leave a function block (the outer end of its output pin).
inline Point outputPinEnd(const Block& block) {
    return {offsetPosition(block.x, kOutputPinEndOffset.x), offsetPosition(block.y, kOutputPinEndOffset.y)};
}
// Whether the mouse at (x, y) lies in the open square of the entry's hit area around its anchor.
inline bool hitsAnchor(const Block& entry, std::int32_t x, std::int32_t y) {
    return std::abs(std::int64_t{x} - entry.x) < kHitReach && std::abs(std::int64_t{y} - entry.y) < kHitReach;
}

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
