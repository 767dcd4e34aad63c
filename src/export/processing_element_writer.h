#pragma once

#include "eval/function_assignment.h"
#include "model/file_io.h"

#include <string>

namespace pellisor {

// The processing-element library a filter of writeVhdlText or writeVerilogText instantiates:
// `vrc_alu` (generic DATA_WIDTH, ports RESET, CLK, X, Y, SEL, Q) computing for select code g the
// function that the assignment gives gene g (0 ... 15), modulo 2^DATA_WIDTH, into a register; and
// `reg`, one register stage. Both reset synchronously: Q is 0 after a clock with RESET high.
void writeProcessingElementsVhdl(const ByteSink& sink, const FunctionAssignment& assignment);
void writeProcessingElementsVerilog(const ByteSink& sink, const FunctionAssignment& assignment);

std::string buildProcessingElementsVhdl(const FunctionAssignment& assignment);
std::string buildProcessingElementsVerilog(const FunctionAssignment& assignment);

}  // namespace pellisor
