#pragma once

#include "model/chromosome.h"

#include <cstdint>
#include <initializer_list>

namespace pellisor::test {

// Circuits built entry by entry, for cases a chromosome line cannot state (stale counts, odd arities).
inline Block functionBlock(std::initializer_list<std::int32_t> inputs, std::int32_t gene,
                           bool visible = true) {
    Block block;
    block.inputs = inputs;
    block.inputCount = static_cast<std::int32_t>(block.inputs.size());
    block.function = gene;
    block.visible = visible;
    return block;
}

inline Block outputBlock(std::int32_t source) {
    Block block;
    block.inputs = {source};
    block.inputCount = 1;
    return block;
}

// `inputCount` primary inputs, then the entries given; every entry after the grid is an output.
inline Chromosome circuitOf(std::int32_t inputCount, std::int32_t columns, std::int32_t rows,
                            std::int32_t arity, std::initializer_list<Block> entries) {
    Chromosome circuit;
    circuit.inputCount = inputCount;
    circuit.columns = columns;
    circuit.rows = rows;
    circuit.arity = arity;
    circuit.blocks.resize(static_cast<std::size_t>(inputCount));
    for (const Block& block : entries)
        circuit.blocks.push_back(block);
    circuit.outputCount = circuit.blockTotal() - circuit.firstOutput();
    return circuit;
}

}  // namespace pellisor::test
