#pragma once

#include "eval/jit_circuit.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pellisor::test {

// Why translations for AArch64 cannot run here (no cross compiler or emulator when the build was
// configured); empty when they can.
std::string aarch64EmulatorMissing();

// Runs `steps` steps of the translation in the emulator: each input holds steps * code.stepReach bytes
// (the runner adds the padding a step may read past them), and each of the `outputCount` outputs comes
// back with as many. Throws std::runtime_error with the runner's message when it fails, a byte written
// past the end of an output among the reasons.
std::vector<std::vector<std::uint8_t>> runInAArch64Emulator(
    const JitCircuit::ForeignCode& code, const std::vector<std::vector<std::uint8_t>>& inputs,
    std::size_t outputCount, std::size_t steps);

}  // namespace pellisor::test
