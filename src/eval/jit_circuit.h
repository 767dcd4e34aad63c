#pragma once

#include "eval/lane_kernels.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace pellisor {

// The operations of a compiled circuit with 8-bit lanes, translated to machine code for x86-64 with
// AVX2: every value stays in a vector register (the register allocator spills only when the circuit
// needs more), two vectors of 32 lanes per step. It computes bit for bit what runOperations8 computes.
// The code lives in pages that are written while only writable and then made only executable.
class JitCircuit {
public:
    // Lanes one step evaluates; a run covers whole steps.
    static constexpr std::size_t kStepLanes = 64;

    // Nothing where the translation does not apply (PELLISOR_JIT=0 in the environment, a processor
    // without AVX2, a build for another processor) or fails; a failure leaves one note on stderr for
    // the whole process. Slots below inputSlots are read from the inputs, zeroSlot holds zeros, and the
    // lanes of resultSlot are written out.
    static std::unique_ptr<const JitCircuit> compile(std::span<const LaneOperation> operations,
                                                     std::uint32_t inputSlots, std::uint32_t zeroSlot,
                                                     std::uint32_t resultSlot);

    // Whether this processor runs the machine code (x86-64 with AVX2).
    static bool processorSupported();
    // Whether PELLISOR_JIT lets the translation be used (anything but "0").
    static bool enabledByEnvironment();

    JitCircuit(const JitCircuit&) = delete;
    JitCircuit& operator=(const JitCircuit&) = delete;
    ~JitCircuit();

    // Evaluates steps * kStepLanes lanes: slot s < inputSlots has its lanes at inputs[s], the result's
    // lanes go to out.
    void run(const std::uint8_t* const* inputs, std::uint8_t* out, std::size_t steps) const {
        function_(inputs, out, steps);
    }

    // The size of the machine code, for reports.
    std::size_t codeBytes() const { return codeBytes_; }

private:
    using Function = void (*)(const std::uint8_t* const*, std::uint8_t*, std::size_t);
    JitCircuit(void* pages, std::size_t pageBytes, std::size_t codeBytes);

    void* pages_;
    std::size_t pageBytes_;
    std::size_t codeBytes_;
    Function function_;
};

}  // namespace pellisor
