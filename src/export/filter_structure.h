#pragma once

#include "model/chromosome.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellisor {

// The sources a processing element reads through register chains, in the order X, Y, each once.
struct DelayedSources {
    std::array<std::int32_t, 2> sources{};
    std::size_t count = 0;
};

// The pipelined filter both hardware descriptions write: one processing element per function block
// with data ports X and Y (connections 0 and 1), a register per skipped column on every connection,
// and the outputs wired to their sources. Entries are only read where the circuit is consistent; any
// other circuit is a filter without entries.
class FilterStructure {
public:
    explicit FilterStructure(const Chromosome& circuit);

    std::int32_t inputCount() const { return inputCount_; }
    std::int32_t firstOutput() const { return firstOutput_; }
    std::int32_t outputCount() const { return outputCount_; }
    const Chromosome& circuit() const { return circuit_; }

    // The source of data port k (0 for X, 1 for Y) of block i, or -1 when the block has no such
    // connection inside the circuit (a circuit of arity 1 has no Y); that port then reads zero, as the
    // evaluator reads a missing connection.
    std::int32_t source(std::int32_t i, std::size_t k) const;
    // The source of an output entry, -1 when it has none inside the circuit.
    std::int32_t outputSource(std::int32_t output) const;
    std::int32_t gene(std::int32_t i) const { return entry(i).function; }

    // 0 for a primary input; the first column of blocks is 1.
    std::int32_t columnOf(std::int32_t index) const;
    // Registers on the connection from `source` into `block`; below 1 means a direct connection.
    std::int32_t registerDepth(std::int32_t source, std::int32_t block) const;
    DelayedSources delayedSources(std::int32_t i) const;

    // Outputs named as sources: each gets a signal of its own that carries its source, since its port
    // cannot be read back.
    const std::vector<std::int32_t>& outputsReadAsSources() const { return outputsReadAsSources_; }
    // Some data port has no connection and reads the all-zero signal.
    bool needsZero() const { return needsZero_; }

private:
    const Block& entry(std::int32_t index) const { return circuit_.blocks[static_cast<std::size_t>(index)]; }
    bool inRange(std::int32_t index) const { return index >= 0 && index < circuit_.blockTotal(); }
    void findOutputsReadAsSources();

    const Chromosome& circuit_;
    const bool present_;
    const std::int32_t inputCount_;
    const std::int32_t firstOutput_;
    const std::int32_t outputCount_;
    std::vector<std::int32_t> outputsReadAsSources_;
    bool needsZero_ = false;
};

}  // namespace pellisor
