#include "render/geometry.h"

#include "eval/function_assignment.h"
#include "model/integer_text.h"
#include "model/usage_mask.h"

#include <algorithm>
#include <limits>

namespace pellisor {

namespace {

using settings::Spacing;

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// Positions are computed in 64 bits and clamped, so extreme spacings cannot overflow.
std::int32_t position(std::int64_t offset, std::int64_t index, std::int64_t spacing) {
    return clampToInt32(offset + index * spacing);
}

// Margins of the canvas beyond the largest anchors, and the room of the footer.
constexpr std::int64_t kCanvasMarginRight = kBlockWidth;
constexpr std::int64_t kCanvasMarginBottom = 50;
constexpr std::int64_t kFooterHeight = 50;

Block& entry(Chromosome& circuit, std::int32_t index) {
    return circuit.blocks[static_cast<std::size_t>(index)];
}

}  // namespace

std::int32_t spacingValue(const SpacingTexts& texts, Spacing spacing) {
    return toInt(texts[static_cast<std::size_t>(spacing)]);
}

SpacingTexts defaultSpacingTexts() {
    SpacingTexts texts;
    for (const auto& key : settings::kSpacingKeys) {
        texts[static_cast<std::size_t>(key.spacing)] = std::to_string(key.fallback);
    }
    return texts;
}

void placeOnGrid(Chromosome& circuit, const SpacingTexts& spacings) {
    // Each field is converted when its step needs it: a bad one stops the placement there.
    const std::int32_t blockX = spacingValue(spacings, Spacing::BlockX);
    const std::int32_t blockY = spacingValue(spacings, Spacing::BlockY);
    const std::int32_t inputY = spacingValue(spacings, Spacing::InputY);
    const std::int32_t outputY = spacingValue(spacings, Spacing::OutputY);
    const std::int32_t blockOffsetX = spacingValue(spacings, Spacing::BlockOffsetX);
    const std::int32_t blockOffsetY = spacingValue(spacings, Spacing::BlockOffsetY);
    // Without a circuit the header values are stale: every field is still read, nothing is placed.
    const bool placing = circuit.hasCircuit();

    for (std::int32_t c = 0; placing && c < circuit.columns; ++c) {
        for (std::int32_t r = 0; r < circuit.rows; ++r) {
            Block& block = entry(circuit, circuit.blockIndex(c, r));
            block.x = position(blockOffsetX, c, blockX);
            block.y = position(blockOffsetY, r, blockY);
        }
    }

    const std::int32_t inputOffsetX = spacingValue(spacings, Spacing::InputOffsetX);
    const std::int32_t inputOffsetY = spacingValue(spacings, Spacing::InputOffsetY);
    for (std::int32_t i = 0; placing && i < circuit.inputCount; ++i) {
        Block& input = entry(circuit, i);
        input.x = inputOffsetX;
        input.y = position(inputOffsetY, i, inputY);
    }

    const std::int32_t outputOffsetY = spacingValue(spacings, Spacing::OutputOffsetY);
    const std::int32_t outputOffsetX = spacingValue(spacings, Spacing::OutputOffsetX);
    const std::int32_t lastColumnX = position(blockOffsetX, circuit.columns - 1, blockX);
    const std::int32_t outputX = clampToInt32(std::int64_t{outputOffsetX} + lastColumnX);
    for (std::int32_t j = 0; placing && j < circuit.outputCount; ++j) {
        Block& output = entry(circuit, circuit.firstOutput() + j);
        output.x = outputX;
        output.y = position(outputOffsetY, j, outputY);
    }
}

std::int32_t computeDepths(Chromosome& circuit, const FunctionAssignment& assignment) {
    for (Block& block : circuit.blocks)
        block.depth = 0;
    for (std::int32_t i = circuit.inputCount; i < circuit.blockTotal(); ++i) {
        const std::int32_t mask = assignment.usageMask(circuit, i);
        Block& block = entry(circuit, i);
        std::int32_t deepest = 0;
        const std::size_t used =
            std::min<std::size_t>(static_cast<std::size_t>(block.inputCount), block.inputs.size());
        for (std::size_t k = 0; k < used; ++k) {
            if (readsInput(mask, k)) deepest = std::max(deepest, entry(circuit, block.inputs[k]).depth);
        }
        block.depth = deepest + 1;
    }
    std::int32_t maxDelay = 0;
    for (std::int32_t j = circuit.firstOutput(); j < circuit.blockTotal(); ++j) {
        maxDelay = std::max(maxDelay, entry(circuit, j).depth - 1);
    }
    return maxDelay;
}

std::vector<std::string> showSummary(Chromosome& circuit, const FunctionAssignment& assignment) {
    std::vector<std::string> lines;
    lines.push_back("Rozměr matice: " + std::to_string(circuit.columns) + "x" + std::to_string(circuit.rows));
    const std::int32_t maxDelay = computeDepths(circuit, assignment);
    lines.push_back("Vstupů: " + std::to_string(circuit.inputCount));
    lines.push_back("Výstupů: " + std::to_string(circuit.outputCount));
    lines.push_back("Max. zpoždění výstupu: " + std::to_string(maxDelay) + "T");
    return lines;
}

CanvasSize fitCanvasSize(const Chromosome& circuit, bool showHidden, bool showFooter, CanvasSize viewport) {
    std::int64_t width = 0;
    std::int64_t height = 0;
    for (const Block& block : circuit.blocks) {
        if (!block.visible && !showHidden) continue;
        width = std::max<std::int64_t>(width, block.x);
        height = std::max<std::int64_t>(height, block.y);
    }
    width += kCanvasMarginRight;
    height += kCanvasMarginBottom;
    if (showFooter) height += kFooterHeight;
    return {clampToInt32(std::max<std::int64_t>(width, viewport.width)),
            clampToInt32(std::max<std::int64_t>(height, viewport.height))};
}

std::string canvasSizeText(CanvasSize size) {
    return "Rozměr plátna: " + std::to_string(size.width) + "x" + std::to_string(size.height);
}

}  // namespace pellisor
