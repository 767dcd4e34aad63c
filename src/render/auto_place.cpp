#include "render/auto_place.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace pellisor {

namespace {

using settings::Spacing;

// An entry with its sort key and, copied in, what the block order compares: sorting then reads no
// block records, which matters for circuits of a million blocks.
struct PlacementItem {
    std::int32_t index;
    std::int32_t key;
    std::int32_t first;     // source 0, or -1
    std::int32_t second;    // source 1, or -1
    std::int32_t function;  // gene
    std::int32_t smallest;  // smallest source over all inputs
};

PlacementItem itemFor(const Chromosome& circuit, std::int32_t index, std::int32_t key) {
    const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
    // A connection a block does not have counts as -1.
    const std::int32_t first = block.inputs.size() > 0 ? block.inputs[0] : -1;
    const std::int32_t second = block.inputs.size() > 1 ? block.inputs[1] : -1;
    std::int32_t smallest = std::numeric_limits<std::int32_t>::max();
    for (const std::int32_t s : block.inputs)
        smallest = std::min(smallest, s);
    return {index, key, first, second, block.function, smallest};
}

// Negative puts a first: smaller depth; then, for blocks on the same two sources (also crosswise), the
// smaller gene; then the block whose smallest source is smaller.
int compareBlocks(const PlacementItem& a, const PlacementItem& b) {
    if (a.key != b.key) return a.key < b.key ? -1 : 1;
    if ((a.first == b.first && a.second == b.second) || (a.first == b.second && a.second == b.first)) {
        if (a.function != b.function) return a.function < b.function ? -1 : 1;
        return 0;
    }
    if (a.smallest != b.smallest) return a.smallest < b.smallest ? -1 : 1;
    return 0;
}

// A bottom-up merge sort: it stays within the array whatever the comparison answers, which matters
// because the block order is not transitive in every circuit.
template <class Compare>
void mergeSort(std::vector<PlacementItem>& items, Compare compare) {
    std::vector<PlacementItem> buffer(items.size());
    for (std::size_t width = 1; width < items.size(); width *= 2) {
        for (std::size_t left = 0; left < items.size(); left += 2 * width) {
            const std::size_t middle = std::min(left + width, items.size());
            const std::size_t right = std::min(left + 2 * width, items.size());
            std::size_t i = left, j = middle, out = left;
            while (i < middle && j < right)
                buffer[out++] = compare(items[j], items[i]) < 0 ? items[j++] : items[i++];
            while (i < middle)
                buffer[out++] = items[i++];
            while (j < right)
                buffer[out++] = items[j++];
        }
        items.swap(buffer);
    }
}

std::int32_t clamped(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void autoPlace(Chromosome& circuit, const SpacingTexts& spacings) {
    if (!circuit.hasCircuit()) return;
    const std::int32_t blockCount = circuit.functionBlockCount();
    std::vector<PlacementItem> items;
    items.reserve(std::size_t(blockCount) + std::size_t(circuit.outputCount));
    std::int32_t deepest = 0;
    for (std::int32_t i = 0; i < blockCount; ++i) {
        const std::int32_t index = circuit.inputCount + i;
        items.push_back(itemFor(circuit, index, circuit.blocks[static_cast<std::size_t>(index)].depth));
        deepest = std::max(deepest, items.back().key);
    }
    for (std::int32_t j = 0; j < circuit.outputCount; ++j) {
        items.push_back(itemFor(circuit, circuit.firstOutput() + j, deepest + 1));
    }

    mergeSort(items, compareBlocks);
    // The outputs carry the largest key and end up last; they keep their own order.
    std::sort(items.end() - circuit.outputCount, items.end(),
              [](const PlacementItem& a, const PlacementItem& b) { return a.index < b.index; });

    const std::int32_t inputX = spacingValue(spacings, Spacing::InputOffsetX);
    const std::int32_t inputY = spacingValue(spacings, Spacing::InputOffsetY);
    const std::int32_t inputStep = spacingValue(spacings, Spacing::InputY);
    for (std::int32_t i = 0; i < circuit.inputCount; ++i) {
        Block& input = circuit.blocks[static_cast<std::size_t>(i)];
        input.x = inputX;
        input.y = clamped(std::int64_t{inputY} + std::int64_t{i} * inputStep);
    }

    std::int64_t x = spacingValue(spacings, Spacing::BlockOffsetX);
    const std::int32_t top = spacingValue(spacings, Spacing::BlockOffsetY);
    std::int64_t y = top;
    std::int32_t key = items.empty() ? 0 : items.front().key;
    for (std::size_t q = 0; q < items.size(); ++q) {
        if (items[q].key != key) {
            x += spacingValue(spacings, Spacing::BlockX);
            y = top;
            key = items[q].key;
        }
        Block& entry = circuit.blocks[static_cast<std::size_t>(items[q].index)];
        entry.x = clamped(x);
        entry.y = clamped(y);
        // A hidden entry takes no room: the next visible one of its column lies on it.
        if (entry.visible) {
            y += spacingValue(spacings, q < std::size_t(blockCount) ? Spacing::BlockY : Spacing::OutputY);
        }
    }
}

}  // namespace pellisor
