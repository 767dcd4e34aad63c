#pragma once

#include "model/chromosome.h"

#include <string_view>

namespace pellisor {

// Draw mode allocates a fresh circuit; redraw mode rewrites the genes of the present one and keeps
// every position and mark.
enum class ParseMode { Draw, Redraw };

// Parses a chromosome line into the circuit and returns the mode it used: a redraw with no circuit, or
// of a line whose header describes another number of entries, is done as a draw. Every failure of the
// grammar raises "Chybny chromozom", a field that is not an integer raises the conversion error; either
// way the circuit is dropped. Negative counts, non-positive columns, rows or arity and source indices
// outside the circuit are rejected as grammar failures. The name lists are never touched.
ParseMode parseChromosome(std::string_view text, ParseMode mode, Chromosome& circuit);

}  // namespace pellisor
