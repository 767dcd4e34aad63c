#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <cstdint>
#include <string>

namespace pellisor {

// A redundant gate passes one input on: a function block assigned "in1" or "in2", or an AND or OR
// whose two inputs are the same entry.
bool isRedundantGate(const Chromosome& circuit, const FunctionAssignment& assignment, std::int32_t index);

// Marks every redundant gate (mark 2) and returns how many there are.
std::int32_t detectRedundant(Chromosome& circuit, const FunctionAssignment& assignment);
std::string redundantCountText(std::int32_t count);  // "Pocet bloku navic: " + count

// Connects the readers of every redundant gate, in index order, to the signal it passes on, so that a
// chain of such gates collapses in one run. The gates stay, marked 2, without readers. Returns how
// many gates had a reader. Linear in the size of the circuit.
std::int32_t eliminateRedundant(Chromosome& circuit, const FunctionAssignment& assignment);
std::string eliminatedCountText(std::int32_t count);  // "Pocet eliminovanych bloku: " + count

// Counts the primary inputs up by one in binary, input 0 the least significant bit.
void nextCombination(Chromosome& circuit);

}  // namespace pellisor
