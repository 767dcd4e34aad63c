#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <optional>
#include <string>

namespace pellisor {

// Marks the entry and everything it depends on through the inputs its functions read (mark 1; every
// other mark becomes 0). For a function block or an output returns the status text: the number of
// marked entries beyond the primary inputs, the entry's input delay and its source indices; nothing
// for a primary input.
std::optional<std::string> markCone(Chromosome& circuit, const FunctionAssignment& assignment,
                                    std::int32_t index);

// Hides every primary input and function block that no visible output depends on; returns the status
// text "Funkcnich bloku: " + the number of contributing function blocks.
std::optional<std::string> hideNonFunctional(Chromosome& circuit, const FunctionAssignment& assignment);

}  // namespace pellisor
