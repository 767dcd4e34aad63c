#pragma once

#include "model/chromosome.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace pellisor {

// The layout file a load reads: the one named on the command line, else the chromosome file's with
// the extension ".ini". A name without a directory is taken in the current directory.
std::string layoutPathForLoad(const std::string& fileName, const std::string& layoutFileName);
// The layout file a save writes: always the chromosome file's with the extension ".ini".
std::string layoutPathForSave(const std::string& fileName);

// Rows "f1" ... "f32" of section "Eval": one per function gene of the assignment table.
inline constexpr std::int32_t kLayoutFunctionRows = 32;

// What a layout file keeps besides the entries of the circuit: the display options "Zobrazovat skryté
// bloky" and "Zobrazovat hodnoty", and the function identifier of every gene's row.
struct LayoutSettings {
    bool hiddenBlocks = true;
    bool values = true;
    std::array<std::int32_t, kLayoutFunctionRows> identifiers{};
};

// Asks Yes/No before an existing layout file is overwritten: (text, caption) -> true for Yes.
using AskYesNo = std::function<bool(const std::string& text, const std::string& caption)>;

// Saves positions, visibility and input values of the circuit's entries, and the settings. Asks
// "Opravdu si přejete uložit rozmístění?" ("Uložení") when the file exists; returns false when the user
// declined. Keys already in the file that this save does not write stay; the file is replaced
// atomically. Without a circuit raises an Error; without a callback an existing file is kept.
bool saveLayoutFile(const std::string& path, const Chromosome& circuit, const LayoutSettings& settings,
                    const AskYesNo& confirmOverwrite);

enum class LayoutLoadStatus {
    Missing,   // the file does not exist; `message` says so
    Mismatch,  // another grid, a larger circuit or no circuit: nothing was changed; `message` says why
    Applied,
};

// A function identifier as a load reads it: its text ("0" when the key is missing), and its value when
// that text is an integer.
struct LayoutIdentifier {
    std::string text = "0";
    std::optional<std::int32_t> value = 0;
};

struct LayoutLoadResult {
    LayoutLoadStatus status = LayoutLoadStatus::Mismatch;
    std::string message;  // "Soubor <name> neexistuje!" for a missing file; why it did not fit otherwise
    // When applied, what the file says beyond the entries, for the caller to apply: the two display
    // options, then the rows in order.
    bool hiddenBlocks = true;
    bool values = true;
    std::array<LayoutIdentifier, kLayoutFunctionRows> identifiers{};
};

// Applies a layout file to the positions, visibility and values of the circuit's entries and reads the
// rest for the caller. Without a circuit nothing is applied. A file that exists but cannot be read (or
// is no regular file) raises "Soubor nelze otevrit: <path>".
LayoutLoadResult loadLayoutFile(const std::string& path, Chromosome& circuit);

}  // namespace pellisor
