#pragma once

// The translation of a compiled circuit's operations into one machine-code function, for x86-64
// builds:
//   void run(const void* const* inputs, void* const* outputs, std::size_t steps)
// Each step takes `vectors` whole vectors of lanes from every input (slot s < inputSlots reads
// inputs[s]) and writes the lanes of the result slots to outputs, in order; inputs and outputs then
// advance by the step's reach.

#include "eval/jit_vector_ops.h"
#include "eval/lane_kernels.h"

#include <asmjit/x86.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace pellisor::jit {

constexpr int kMostVectors = 4;

struct StepShape {
    Isa isa = Isa::Avx2;
    int laneBytes = 1;
    int vectors = 2;
    // Inputs and outputs are bytes, widened to the lanes and cut back, rather than lanes.
    bool bytesInAndOut = false;

    int vectorBytes() const { return isa == Isa::Avx512 ? 64 : 32; }
    int stepLanes() const { return vectors * vectorBytes() / laneBytes; }
    // How far one vector, and one step, reaches into each input and output.
    int vectorReach() const { return bytesInAndOut ? vectorBytes() / laneBytes : vectorBytes(); }
    int stepReach() const { return vectors * vectorReach(); }
};

struct CircuitSlots {
    std::uint32_t inputSlots = 0;
    std::uint32_t zeroSlot = 0;
    std::span<const std::uint32_t> resultSlots;
};

// The most values one vector of lanes holds at once while the operations run: how many registers a
// step of one vector needs before it has to spill.
std::size_t mostLiveValues(std::span<const LaneOperation> operations, const CircuitSlots& slots);

// False when an operation cannot be translated (a slot out of range or read before it is written).
bool emitCircuitFunction(asmjit::x86::Compiler& cc, const StepShape& shape,
                         std::span<const LaneOperation> operations, const CircuitSlots& slots);

}  // namespace pellisor::jit
