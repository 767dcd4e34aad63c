#pragma once

#include "model/chromosome.h"
#include "model/converted_circuit.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellisor {

// What a .chr file holds.
struct ChrContent {
    std::string chromosome;
    std::string description;
    std::vector<std::string> inputNames;
    std::vector<std::string> outputNames;
};

// Reads the text of a .chr file (line ends already LF) with the comment state machine.
ChrContent readChrText(std::string_view text);

// A question of the .vrc conversion: the box's title, its prompt and the pre-filled text. Returns the
// answer typed, or nothing when the user cancelled.
using AskText = std::function<std::optional<std::string>(const std::string& title, const std::string& prompt,
                                                         const std::string& initial)>;

inline constexpr const char* kVrcWithoutBlocks =
    "Soubor vrc nelze převést: první datový řádek nepopisuje žádný blok (chybí znak '|')";

// Converts the text of a .vrc file (line ends already LF) into a chromosome line after asking the
// number of inputs, of outputs and the first output's row. Nothing when a question was cancelled; an
// answer that is not an integer (blanks around it aside) raises the conversion error. A file whose
// first data line holds no block is refused with kVrcWithoutBlocks before any question.
std::optional<std::string> convertVrcText(std::string_view text, const AskText& ask);

// The texts a load gives the chromosome line and the description. A circuit converted from the
// gate-level or the comparator dialect also brings the meaning of its genes and asks to be placed by
// depth, its grid being one long row or a ribbon of comparators.
struct LoadedChromosome {
    std::string text;
    std::string description;
    CircuitFunctions functions;
    bool placeByDepth = false;
};

// How the extension of a chromosome file is compared: with case as the open command's filter does, or
// in any case for a file the user dropped on the window.
enum class ExtensionCase { Exact, Any };

// Loads a chromosome file: empties the circuit's name lists, reads the file (raising "Soubor nelze
// otevrit" when it cannot be opened), sets fileName to path, then reads it by its extension (".chr",
// ".vrc", ".cgp" and ".cha", compared with case unless asked otherwise; any other gives two empty
// texts). Nothing when a .vrc question was cancelled. A .cgp or .cha file that breaks its dialect
// raises the converter's error.
std::optional<LoadedChromosome> loadChromosomeFile(const std::string& path, Chromosome& circuit,
                                                   std::string& fileName, const AskText& ask,
                                                   ExtensionCase extensionCase = ExtensionCase::Exact);

}  // namespace pellisor
