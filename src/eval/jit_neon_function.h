#pragma once

// The translation of a compiled circuit's operations into one function for AArch64 with NEON, with
// the signature and meaning the x86 translation has (jit_function_emitter.h). It can be made on any
// processor.

#include "eval/jit_step_emitter.h"
#include "eval/lane_kernels.h"

#include <asmjit/core.h>

#include <span>

namespace pellisor::jit {

// Emits into `code` (initialised for AArch64); false when an operation cannot be translated.
bool emitNeonFunction(asmjit::CodeHolder& code, const StepShape& shape,
                      std::span<const LaneOperation> operations, const CircuitSlots& slots);

}  // namespace pellisor::jit
