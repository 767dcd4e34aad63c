#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/file_io.h"
#include "model/function_styles.h"
#include "render/display_options.h"

#include <string>

namespace pellisor {

// The Encapsulated PostScript text of the circuit: a fixed prolog of drawing procedures, then one line
// per block, wire, input and output, and the description as a centred caption. The display options
// decide which blocks, wires, numbers and labels appear; function labels are those resolved from the
// settings. Texts are escaped for PostScript strings. Blocks with other than two inputs get
// procedures of their own, added to the prolog only when a line uses them. With no circuit the text
// holds the header, the prolog, the colour lines and the caption. The text goes to the sink as it is
// produced, in pieces of at most 64 KiB.
void writeEpsText(const ByteSink& sink, const Chromosome& circuit, const FunctionAssignment& assignment,
                  const DisplayOptions& options, const std::string& description,
                  const FunctionStyles& functions);

// The same text as one string.
std::string buildEps(const Chromosome& circuit, const FunctionAssignment& assignment,
                     const DisplayOptions& options, const std::string& description,
                     const FunctionStyles& functions);

}  // namespace pellisor
