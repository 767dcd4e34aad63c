#pragma once

// The translation of a compiled circuit's operations into one machine-code function, for x86-64
// builds:
//   void run(const void* const* inputs, void* const* outputs, std::size_t steps)
// Each step takes `vectors` whole vectors of lanes from every input (slot s < inputSlots reads
// inputs[s]) and writes the lanes of the result slots to outputs, in order; inputs and outputs then
// advance by the step's reach.

#include "eval/jit_step_emitter.h"
#include "eval/jit_vector_ops.h"
#include "eval/lane_kernels.h"

#include <asmjit/x86.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace pellisor::jit {

// Emits into `code` (initialised for x86-64); false when an operation cannot be translated (a slot
// out of range or read before it is written).
bool emitX86Function(asmjit::CodeHolder& code, Isa isa, const StepShape& shape,
                     std::span<const LaneOperation> operations, const CircuitSlots& slots);

}  // namespace pellisor::jit
