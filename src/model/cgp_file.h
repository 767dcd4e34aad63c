#pragma once

#include "model/converted_circuit.h"

#include <optional>
#include <string>
#include <string_view>

namespace pellisor {

// Function codes of the gate-level dialect; the gene of every converted block is its code.
enum class GateCode : std::int32_t { Buffer, Not, And, Or, Xor, Nand, Nor, Xnor, True, False };
inline constexpr std::int32_t kGateCodeCount = 10;

// Converts a gate-level circuit ("{in,out,rows,cols,2,1,lback}([id]a,b,f)...(o0,o1,...)", index 0
// the constant 0, index 1 the constant 1, the inputs from 2 on) into a chromosome of one row: the
// inputs come first, the two constants become the first two blocks, so every gate keeps its index
// number. Gates 8 (true) and 9 (false) read the constant 0. Raises "Soubor cgp nelze převést: ..."
// for anything the dialect does not allow.
ConvertedCircuit convertCgpText(std::string_view text);

// When a line read as a chromosome of our own is in fact a gate-level circuit (its first block bears
// the label it has in the gate-level numbering, two past ours, and the line converts as one), the text
// that tells the user so; nothing otherwise. Read as our own, such a line shifts every index by two.
std::optional<std::string> gateLevelHint(std::string_view line);

}  // namespace pellisor
