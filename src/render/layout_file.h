#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "render/display_options.h"

#include <functional>
#include <string>

namespace pellisor {

// The layout file a load reads: the one named on the command line, else the chromosome file's with
// the extension ".ini". A name without a directory is taken in the current directory.
std::string layoutPathForLoad(const std::string& fileName, const std::string& layoutFileName);
// The layout file a save writes: always the chromosome file's with the extension ".ini".
std::string layoutPathForSave(const std::string& fileName);

// Asks Yes/No before an existing layout file is overwritten: (text, caption) -> true for Yes.
using AskYesNo = std::function<bool(const std::string& text, const std::string& caption)>;

// Saves positions, visibility, input values, the two display options it keeps and the function
// assignment. Asks "Opravdu si přejete uložit rozmístění?" ("Uložení") when the file exists; returns
// false when the user declined. Keys already in the file that this save does not write stay; the file
// is replaced atomically. Without a circuit raises an Error; without a callback an existing file is kept.
bool saveLayout(const std::string& path, const Chromosome& circuit, const FunctionAssignment& assignment,
                const DisplayOptions& options, const AskYesNo& confirmOverwrite);

enum class LayoutLoadStatus {
    Missing,   // the file does not exist; `message` says so
    Mismatch,  // another grid, a larger circuit or no circuit: nothing was changed; `message` says why
    Applied,
};

struct LayoutLoadResult {
    LayoutLoadStatus status = LayoutLoadStatus::Mismatch;
    std::string message;  // "Soubor <name> neexistuje!" for a missing file; why it did not fit otherwise
};

// Applies a layout file to the circuit, the two display options and the assignment table. The caller
// then recalculates when values are shown and fits the canvas. An identifier in "Eval" that is not an
// integer or names no function stops the load at that row with an Error; what was applied stays (an
// identifier without a chooser entry is stored in its row first). Without a circuit nothing is applied.
// A file that exists but cannot be read (or is no regular file) raises "Soubor nelze otevrit: <path>".
LayoutLoadResult loadLayout(const std::string& path, Chromosome& circuit, FunctionAssignment& assignment,
                            DisplayOptions& options);

}  // namespace pellisor
