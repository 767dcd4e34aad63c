#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/file_io.h"
#include "model/function_styles.h"

#include <string>

namespace pellisor {

// The Graphviz DOT text of the circuit: a node per primary input, visible function block and output,
// an edge per used connection, node styles per function as resolved from the settings. The
// first line names the chromosome file (its name part) as a comment. An input or output name stays
// bare when DOT reads it as one identifier or numeral and is quoted otherwise; quoted texts get only
// the backslashes they need to end at their closing quote, so escapes typed into labels keep their
// meaning and the graph always parses. Colours are quoted too; a colour list that is not well formed
// (an empty colour, or a weight after ';' that is no number) gives way to the default colour, since
// Graphviz crashes on one. With no circuit the graph has no nodes. The text goes to the sink as it is
// produced, in pieces of at most 64 KiB.
void writeDotText(const ByteSink& sink, const Chromosome& circuit, const FunctionAssignment& assignment,
                  bool showValues, const std::string& chromosomeFileName, const FunctionStyles& styles);

// The same text as one string.
std::string buildDot(const Chromosome& circuit, const FunctionAssignment& assignment, bool showValues,
                     const std::string& chromosomeFileName, const FunctionStyles& styles);

}  // namespace pellisor
