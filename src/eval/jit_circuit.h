#pragma once

#include "eval/lane_kernels.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace pellisor {

// The operations of a compiled circuit translated to machine code for x86-64 with AVX2 or AVX-512, in
// 8-, 16- or 32-bit lanes: every value stays in a vector register (the register allocator spills only
// when the circuit needs more), one to four vectors per step as the register file allows. It computes
// bit for bit what the lane kernels compute. The code lives in pages that are written while only
// writable and then made only executable.
class JitCircuit {
public:
    enum class InstructionSet { Avx2, Avx512, Neon };

    // The most bytes of one input or output a step covers (four 64-byte vectors).
    static constexpr std::size_t kMostStepBytes = 256;

    // Nothing where the translation does not apply (PELLISOR_JIT=0 in the environment, a processor
    // without AVX2, a build for another processor) or fails; a failure leaves one note on stderr for
    // the whole process. Slots below inputSlots are read from the inputs, zeroSlot holds zeros, and the
    // lanes of the result slots are written to the outputs in order. With bytesInAndOut the inputs
    // and outputs are bytes, one per lane, whatever the lane width. Translations are kept for the
    // process, so the same operations compile once.
    static std::shared_ptr<const JitCircuit> compile(std::span<const LaneOperation> operations,
                                                     std::uint32_t inputSlots, std::uint32_t zeroSlot,
                                                     std::span<const std::uint32_t> resultSlots, int laneBits,
                                                     bool bytesInAndOut = false);

    // The translation for an AArch64 processor with NEON (128-bit vectors), made on any processor as
    // position-independent code: the bytes of void run(const void* const* inputs, void* const* outputs,
    // std::size_t steps) with the meaning run() has, each step `vectors` (1 ... 4) vectors. For
    // running where the program itself is not built for AArch64, as the tests do in an emulator.
    struct ForeignCode {
        std::vector<std::uint8_t> bytes;
        std::size_t stepLanes = 0;
        std::size_t stepReach = 0;
    };
    static std::optional<ForeignCode> compileForAArch64(std::span<const LaneOperation> operations,
                                                        std::uint32_t inputSlots, std::uint32_t zeroSlot,
                                                        std::span<const std::uint32_t> resultSlots,
                                                        int laneBits, bool bytesInAndOut, int vectors);

    // Whether this processor runs any of the machine code (x86-64 with AVX2).
    static bool processorSupported();
    // Whether PELLISOR_JIT lets the translation be used (anything but "0").
    static bool enabledByEnvironment();
    // The instruction set new translations use: the widest this processor has, or the one
    // PELLISOR_JIT_ISA ("avx2", "avx512" or "neon") names when the processor has it. Nothing when none
    // applies.
    static std::optional<InstructionSet> chosenInstructionSet();
    // Every instruction set this processor can run translations for.
    static std::vector<InstructionSet> availableInstructionSets();
    static const char* nameOf(InstructionSet set);
    // The name PELLISOR_JIT_ISA gives it: "avx2", "avx512" or "neon".
    static const char* variableNameOf(InstructionSet set);

    JitCircuit(const JitCircuit&) = delete;
    JitCircuit& operator=(const JitCircuit&) = delete;
    ~JitCircuit();

    // Evaluates `steps` steps of stepLanes() lanes: input slot s has its lanes at inputs[s], result r
    // goes to outputs[r]. Each step reads and writes stepReach() bytes of each.
    void run(const void* const* inputs, void* const* outputs, std::size_t steps) const {
        function_(inputs, outputs, steps);
    }

    InstructionSet instructionSet() const { return set_; }
    int vectorsPerStep() const { return vectors_; }
    int laneBits() const { return laneBits_; }
    std::size_t stepLanes() const { return stepLanes_; }
    std::size_t stepReach() const { return stepReach_; }
    // The size of the machine code, for reports.
    std::size_t codeBytes() const { return codeBytes_; }

private:
    using Function = void (*)(const void* const*, void* const*, std::size_t);
    struct Pages;
    JitCircuit(std::unique_ptr<Pages> pages, std::size_t codeBytes, InstructionSet set, int vectors,
               int laneBits, std::size_t stepLanes, std::size_t stepReach);

    std::unique_ptr<Pages> pages_;
    std::size_t codeBytes_;
    Function function_;
    InstructionSet set_;
    int vectors_;
    int laneBits_;
    std::size_t stepLanes_;
    std::size_t stepReach_;
};

}  // namespace pellisor
