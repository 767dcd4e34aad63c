#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/file_io.h"

#include <string>

namespace pellisor {

// The C name of a model: "pellisor_" + the name part of `path` without its extension, with every
// character other than a letter, digit or underscore replaced by an underscore.
std::string cModelFunctionName(const std::string& path);

// A C model of the circuit: `void NAME(const int32_t *in, int32_t *out)` computes from in[0 ...
// inputCount-1] the values the plain evaluator gives the outputs, into out[0 ... outputCount-1], for
// any int32 inputs, with unsigned arithmetic only. One statement per block the outputs depend on, in
// index order, commented with the block's index and function. A block that reads an entry at or
// after its own index gets, as in the evaluator, that entry's value from the call before: such values
// are kept in static variables that start with the values the circuit holds now. The evaluator's
// errors (a multiplexer in a circuit whose arity is not 3, a gene without a row) are raised here.
void writeCModelSource(const ByteSink& sink, const Chromosome& circuit, const FunctionAssignment& assignment,
                       const std::string& functionName, const std::string& chromosomeFileName);
// The header declaring it, with NAME_INPUTS and NAME_OUTPUTS (NAME in capitals).
void writeCModelHeader(const ByteSink& sink, const Chromosome& circuit, const std::string& functionName,
                       const std::string& chromosomeFileName);

std::string buildCModelSource(const Chromosome& circuit, const FunctionAssignment& assignment,
                              const std::string& functionName, const std::string& chromosomeFileName);
std::string buildCModelHeader(const Chromosome& circuit, const std::string& functionName,
                              const std::string& chromosomeFileName);

}  // namespace pellisor
