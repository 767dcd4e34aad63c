#pragma once

#include "model/chromosome.h"

#include <string>

namespace pellisor {

inline constexpr const char* kNoCircuitToWrite = "Chromozom nelze sestavit: není načten žádný obvod";

// The chromosome line of the circuit as it is now: the header (with its sixth and seventh values as
// read), one group "([index]connections,function)" per function block, labelled with the block's own
// index, and the group of the outputs. Parsing it gives back the same header, blocks and connections.
// Without a circuit raises kNoCircuitToWrite; a circuit the line cannot describe (counts that disagree
// with the entries, a block with another number of connections than the arity, a source outside the
// circuit) raises "Chybny chromozom".
std::string chromosomeLineOf(const Chromosome& circuit);

}  // namespace pellisor
