#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pellisor {

// One entry of the circuit: a primary input, a function block or an output.
struct Block {
    std::int32_t inputCount = 0;       // 0 for a primary input, arity for a block, 1 for an output
    std::vector<std::int32_t> inputs;  // source index of each connection gene, in gene order
    std::int32_t function = -1;        // function gene (a row of the assignment table); -1 for outputs
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t mark = 0;  // 0 none, 1 member of the highlighted cone, 2 redundant gate
    bool visible = true;
    std::int32_t value = 0;
    std::int32_t depth = 0;
};

inline constexpr std::int32_t kMarkNone = 0;
inline constexpr std::int32_t kMarkCone = 1;
inline constexpr std::int32_t kMarkRedundant = 2;

// The one in-memory circuit. All entries share one index space: primary inputs, then function blocks
// column by column and top to bottom, then outputs. `blocks` is empty while no circuit is loaded; the
// header values describe a circuit only while it is not.
struct Chromosome {
    std::int32_t inputCount = 0;
    std::int32_t outputCount = 0;
    std::int32_t columns = 0;
    std::int32_t rows = 0;
    std::int32_t arity = 0;
    // The header's sixth and seventh values mean nothing here; they are kept as read so that a line
    // written from the circuit carries them on (a .vrc conversion gives 1 and -1).
    std::int32_t headerSixth = 1;
    std::int32_t headerSeventh = -1;
    std::vector<Block> blocks;
    std::vector<std::string> inputNames;
    std::vector<std::string> outputNames;

    bool hasCircuit() const { return !blocks.empty(); }
    // A circuit whose entries are as many as the header says; the parser gives no other kind, but code
    // that follows indices checks it rather than trust every caller.
    bool hasConsistentCircuit() const {
        if (!hasCircuit() || inputCount < 0 || outputCount < 0 || columns < 0 || rows < 0) return false;
        return std::int64_t{inputCount} + std::int64_t{columns} * rows + outputCount ==
               std::int64_t(blocks.size());
    }
    std::int32_t blockTotal() const { return static_cast<std::int32_t>(blocks.size()); }
    std::int32_t functionBlockCount() const { return columns * rows; }
    // Index of the first output (one past the last function block).
    std::int32_t firstOutput() const { return inputCount + functionBlockCount(); }
    std::int32_t blockIndex(std::int32_t column, std::int32_t row) const {
        return inputCount + column * rows + row;
    }
    bool isPrimaryInput(std::int32_t index) const { return index >= 0 && index < inputCount; }
    bool isFunctionBlock(std::int32_t index) const {
        return hasCircuit() && index >= inputCount && index < firstOutput();
    }
    bool isOutput(std::int32_t index) const {
        return hasCircuit() && index >= firstOutput() && index < blockTotal();
    }

    // Drops the circuit (the state with no circuit); names and header values stay.
    void clearCircuit() {
        blocks.clear();
        blocks.shrink_to_fit();
    }
};

}  // namespace pellisor
