#pragma once

#include "eval/function_assignment.h"
#include "eval/jit_circuit.h"
#include "eval/lane_kernels.h"
#include "eval/value_ranges.h"
#include "model/chromosome.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace pellisor {

// The blocks one output depends on, resolved once into a flat list of operations that evaluate many
// independent input vectors ("lanes") at a time. Each operation runs as one tight loop of vector code
// over the lanes. Results are those of the plain evaluator.
class CompiledCircuit {
public:
    // How many lanes one run evaluates at most.
    static constexpr std::size_t kLanes = 256;

    // Nothing when the output's cone reads an entry the pass computes at or after the reader (a forward
    // reference): such a result depends on what was evaluated before, and only the plain evaluator in
    // its order gives it. The caller must have checked the circuit with checkEvaluable.
    static std::optional<CompiledCircuit> compile(const Chromosome& circuit,
                                                  const FunctionAssignment& assignment,
                                                  std::int32_t outputNumber);

    // For inputs that are bytes, as in the 3x3 filter, when only the low byte of the output is wanted:
    // the lanes are as narrow as a range analysis of every value proves exact (8 bits when every value
    // stays in 0 ... 255, else 16 bits when every value and every intermediate sum fits int16, else 32).
    static std::optional<CompiledCircuit> compileForBytes(const Chromosome& circuit,
                                                          const FunctionAssignment& assignment,
                                                          std::int32_t outputNumber);

    // The same for the values of several entries at once (primary inputs, blocks or outputs, by index
    // in 0 ... blockTotal-1), read after run() through entryLanes in the order given. Nothing also
    // when an index is out of range.
    static std::optional<CompiledCircuit> compileEntries(const Chromosome& circuit,
                                                         const FunctionAssignment& assignment,
                                                         const std::vector<std::int32_t>& entries);

    // Raises the error the plain evaluator would raise on this circuit, if any ("MUX pro 2 vstup.
    // hradla", or the conversion error of a gene without a row), before any work is done.
    static void checkEvaluable(const Chromosome& circuit, const FunctionAssignment& assignment);

    // True when some value the evaluator computes reads an entry computed at or after it in the pass:
    // the circuit's state then depends on every evaluation before, not only on the inputs.
    static bool dependsOnHistory(const Chromosome& circuit, const FunctionAssignment& assignment);

    enum class LaneWidth { Bits8 = 8, Bits16 = 16, Bits32 = 32 };

    // Scratch space for runs of up to `lanes` lanes (by default, and at most, byteLanes()): fewer keep
    // a circuit of many inputs small. One per thread.
    class Workspace {
    public:
        explicit Workspace(const CompiledCircuit& circuit, std::size_t lanes = SIZE_MAX);

    private:
        friend class CompiledCircuit;
        std::size_t lanes = 0;
        std::size_t stride = 0;            // lanes from one slot to the next
        std::vector<std::int32_t> words;   // the slots of 32-bit runs
        std::vector<std::uint8_t> bytes;   // the slots of 8-bit runs
        std::vector<std::int16_t> halves;  // the slots of 16-bit runs
        std::vector<std::int32_t*> wordSlots;
        std::vector<std::uint8_t*> byteSlots;
        std::vector<std::int16_t*> halfSlots;
        std::vector<const void*> jitInputs;  // the machine code's input and output lanes
        std::vector<void*> jitOutputs;
    };

    std::int32_t inputCount() const { return inputCount_; }
    // The primary inputs the wanted values depend on, in order. The lanes of every other input are
    // scratch that nothing reads, all inputs alike: a circuit of a million inputs that reads two has
    // slots for two.
    const std::vector<std::int32_t>& inputsRead() const { return inputsRead_; }
    // The slots of lanes a workspace holds, for sizing runs.
    std::size_t slotCount() const { return slotCount_; }
    LaneWidth laneWidth() const { return width_; }
    // How many lanes one runBytes evaluates at most: a slot always takes 1 KB.
    std::size_t byteLanes() const { return kLanes * 4 / (static_cast<std::size_t>(width_) / 8); }

    // How many lanes one runBytes evaluates at most: any number in machine code for 8-bit lanes, else
    // byteLanes() (and the workspace's).
    std::size_t longestByteRun() const;

    // Evaluates `lanes` (at most longestByteRun()) lanes whose primary input k has its bytes at
    // inputs[k] and writes the low byte of the result of each lane to `out`, which overlaps no input.
    void runBytes(Workspace& workspace, const std::uint8_t* const* inputs, std::size_t lanes,
                  std::uint8_t* out) const;
    std::size_t operationCount() const { return operations_.size(); }

    // Whether runs use machine code made for this circuit (on a processor with AVX2, unless
    // PELLISOR_JIT=0) rather than the lane kernels; both give the same values.
    bool usesMachineCode() const { return machineCode_ != nullptr; }
    const JitCircuit* machineCode() const { return machineCode_.get(); }
    // From now on runs use the lane kernels, as for comparing the two.
    void dropMachineCode() { machineCode_.reset(); }

    // The lanes of primary input k, to be filled before run().
    std::int32_t* inputLanes(Workspace& workspace, std::int32_t k) const;
    // Evaluates the first `lanes` lanes (at most the workspace's); returns the output's lanes.
    const std::int32_t* run(Workspace& workspace, std::size_t lanes) const;
    // After run(): the lanes of the entry at `position` in the list given to compileEntries.
    const std::int32_t* entryLanes(Workspace& workspace, std::size_t position) const;
    std::size_t entryCount() const { return entrySlots_.size(); }

private:
    using Operation = LaneOperation;

    // The cone of the entries placed in slots, without machine code.
    static std::optional<CompiledCircuit> compileCone(const Chromosome& circuit,
                                                      const FunctionAssignment& assignment,
                                                      const std::vector<std::int32_t>& entries);
    LaneWidth narrowestWidth() const;
    // Machine code for the lane width, writing the given slots.
    void translate(const std::vector<std::uint32_t>& resultSlots, bool bytesInAndOut);
    void runBytesInMachineCode(Workspace& workspace, const std::uint8_t* const* inputs, std::size_t lanes,
                               std::uint8_t* out) const;
    // The wide lanes' run over the workspace's slots.
    void runSlotsInMachineCode(Workspace& workspace, std::size_t lanes) const;

    std::int32_t inputCount_ = 0;
    std::vector<std::int32_t> inputsRead_;   // slot s < inputsRead_.size() holds input inputsRead_[s]
    std::vector<std::uint32_t> inputSlots_;  // per input its slot; the scratch slot for inputs not read
    std::uint32_t zeroSlot_ = 0;             // always 0: a connection a block does not have
    LaneWidth width_ = LaneWidth::Bits32;
    std::uint32_t slotCount_ = 0;
    std::uint32_t resultSlot_ = 0;
    std::vector<std::uint32_t> entrySlots_;
    std::vector<Operation> operations_;              // one per block, in evaluation order
    std::vector<Operation> fusedOperations_;         // the same with adjacent MIN/MAX pairs fused: what runs
    std::shared_ptr<const JitCircuit> machineCode_;  // of fusedOperations_
    std::vector<std::uint32_t> machineResultSlots_;  // the slots it writes, in order
    bool machineCodeReadsBytes_ = false;             // it reads bytes and writes the low bytes (runBytes)
};

}  // namespace pellisor
