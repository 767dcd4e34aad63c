#pragma once

#include "model/chromosome.h"

#include <string>

namespace pellisor {

// The structural VHDL of the circuit as a pipelined filter: entity `filter` with one port per input
// and output, a `vrc_alu` instance per function block selected by the low four bits of its gene, and
// `reg` chains on connections that skip columns. The first line names the chromosome file (its name
// part) as a comment. With no circuit the entity has only the reset and clock ports. In a circuit of
// arity 1 port Y stays unassociated, so the user's `vrc_alu` must give it a default. An output named
// as a source gets a signal of its own that carries the output's source.
std::string buildVhdl(const Chromosome& circuit, const std::string& chromosomeFileName);

}  // namespace pellisor
