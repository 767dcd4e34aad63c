#pragma once

#include "model/chromosome.h"
#include "model/file_io.h"

#include <string>

namespace pellisor {

// The structural VHDL of the circuit as a pipelined filter: entity `filter` with one port per input
// and output, a `vrc_alu` instance per function block selected by the low four bits of its gene, and
// `reg` chains on connections that skip columns. The first line names the chromosome file (its name
// part) as a comment. With no circuit the entity has only the reset and clock ports. A data port
// without a connection (Y in a circuit of arity 1) reads the all-zero signal `sig_zero`, as the
// evaluator reads a missing connection as 0, so every port is associated and the user's `vrc_alu`
// needs no defaults. An output named as a source gets a signal of its own that carries the output's
// source. The text goes to the sink as it is produced, in pieces of at most 64 KiB.
void writeVhdlText(const ByteSink& sink, const Chromosome& circuit, const std::string& chromosomeFileName);

// The same text as one string.
std::string buildVhdl(const Chromosome& circuit, const std::string& chromosomeFileName);

}  // namespace pellisor
