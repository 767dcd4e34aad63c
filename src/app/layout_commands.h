#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/layout_file.h"
#include "render/display_options.h"

#include <string>

namespace pellisor {

// The layout file with the state of the window it keeps besides the circuit's entries: the two display
// options and the function assignment table.

// Saves the layout (see saveLayoutFile) with the options' "Zobrazovat skryté bloky" and "Zobrazovat
// hodnoty" and every row's identifier.
bool saveLayout(const std::string& path, const Chromosome& circuit, const FunctionAssignment& assignment,
                const DisplayOptions& options, const AskYesNo& confirmOverwrite);

// Applies a layout file to the circuit, the two display options and the assignment table, in this
// order. The caller then recalculates when values are shown and fits the canvas. An identifier in
// "Eval" that is not an integer or names no function stops the load at that row with an Error; what was
// applied stays (an identifier without a chooser entry is stored in its row first). Without a circuit
// nothing is applied. A file that exists but cannot be read (or is no regular file) raises "Soubor
// nelze otevrit: <path>".
LayoutLoadResult loadLayout(const std::string& path, Chromosome& circuit, FunctionAssignment& assignment,
                            DisplayOptions& options);

}  // namespace pellisor
