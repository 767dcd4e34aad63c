#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/settings_file.h"

#include <string>

namespace pellisor {

// The Graphviz DOT text of the circuit: a node per primary input, visible function block and output,
// an edge per used connection, node styles per function from the "DOT" section of the settings. The
// first line names the chromosome file (its name part) as a comment. Names and labels that are not
// plain DOT identifiers are quoted and escaped, so the graph always parses. With no circuit the graph
// has no nodes.
std::string buildDot(const Chromosome& circuit, const FunctionAssignment& assignment, bool showValues,
                     const std::string& chromosomeFileName, const SettingsFile& settings);

}  // namespace pellisor
