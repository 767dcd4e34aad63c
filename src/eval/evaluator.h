#pragma once

#include "model/chromosome.h"

namespace pellisor {

class FunctionAssignment;

inline constexpr const char* kMuxNeedsThreeInputs = "MUX pro 2 vstup. hradla";

// Recomputes every function block in index order, then every output, from the primary inputs' values.
// A function 15 block in a circuit whose arity is not 3 stops with "MUX pro 2 vstup. hradla"; a gene
// without a row stops with the conversion error. Blocks computed before the stop keep their new values.
// An input a block of arity below 2 does not have reads as 0.
void evaluate(Chromosome& circuit, const FunctionAssignment& assignment);

}  // namespace pellisor
