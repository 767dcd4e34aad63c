#pragma once

#include "model/chromosome.h"

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace pellisor::test {

// A uniform integer in low ... high.
std::int32_t between(std::mt19937& rng, std::int32_t low, std::int32_t high);

struct CircuitShape {
    std::int32_t inputCount = 3;
    std::int32_t outputCount = 2;
    std::int32_t columns = 4;
    std::int32_t rows = 3;
    std::int32_t arity = 2;
};

// The circuit a chromosome line describes, freshly drawn (no layout).
Chromosome parsed(std::string_view line);

// A random shape within the given bounds (at least one column, row and arity).
CircuitShape randomShape(std::mt19937& rng, std::int32_t maxInputs = 9, std::int32_t maxOutputs = 4,
                         std::int32_t maxColumns = 8, std::int32_t maxRows = 8, std::int32_t maxArity = 3);

// A random circuit of that shape: every source names a lower index (feed-forward) when feedForward is
// set, any entry otherwise; function genes lie in 0 ... maxGene.
Chromosome randomCircuit(std::mt19937& rng, const CircuitShape& shape, bool feedForward = true,
                         std::int32_t maxGene = 31);

// A random circuit whose blocks read only earlier columns (primary inputs count as column 0), as a
// pipeline of one clock per column computes it; outputs read any input or block. Genes lie in 0 ...
// maxGene; each function block has `shape.arity` connections.
Chromosome pipelinedCircuit(std::mt19937& rng, const CircuitShape& shape, std::int32_t maxGene);

// The chromosome line of a circuit, in the canonical form ({...}([label]genes)...(outputs)).
std::string chromosomeLine(const Chromosome& circuit);

// The same line spelled at random in the other ways the grammar accepts: with or without labels,
// blanks inside fields, interchangeable separators, blanks and control characters around the line.
std::string variedChromosomeLine(std::mt19937& rng, const Chromosome& circuit);

}  // namespace pellisor::test
