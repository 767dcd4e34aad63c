#pragma once

#include "model/chromosome.h"
#include "model/file_io.h"

#include <string>

namespace pellisor {

// The structural Verilog-2001 of the circuit, built as the VHDL of writeVhdlText: module `filter`
// with the parameter DATA_WIDTH (default 8), the same ports, signal names, instance names and register
// chains, and the same four-bit select from the low bits of each block's gene. The register module is
// the escaped identifier `\reg `, since `reg` is a keyword of the language. Signals nothing reads
// (inputs and blocks no block or output uses) are gathered in the wire `unused_signals`, the
// lint tools' idiom for signals left unread on purpose. The text goes to the sink as it is produced.
void writeVerilogText(const ByteSink& sink, const Chromosome& circuit, const std::string& chromosomeFileName);

// The same text as one string.
std::string buildVerilog(const Chromosome& circuit, const std::string& chromosomeFileName);

}  // namespace pellisor
