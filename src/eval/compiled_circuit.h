#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pellisor {

// The blocks one output depends on, resolved once into a flat list of operations that evaluate many
// independent input vectors ("lanes") at a time. Each operation runs as one tight loop over the lanes,
// which the compiler turns into vector code. Results are those of the plain evaluator.
class CompiledCircuit {
public:
    // How many lanes one run evaluates at most.
    static constexpr std::size_t kLanes = 256;

    // Nothing when the output's cone reads an entry the pass computes at or after the reader (a forward
    // reference): such a result depends on what was evaluated before, and only the plain evaluator in
    // its order gives it. The caller must have checked the circuit with checkEvaluable.
    static std::optional<CompiledCircuit> compile(const Chromosome& circuit, const FunctionAssignment& assignment,
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

    // Scratch space for runs; one per thread.
    class Workspace {
    public:
        explicit Workspace(const CompiledCircuit& circuit);

    private:
        friend class CompiledCircuit;
        std::vector<std::int32_t> values;
    };

    std::int32_t inputCount() const { return inputCount_; }
    std::size_t operationCount() const { return operations_.size(); }

    // The lanes of primary input k, to be filled before run().
    std::int32_t* inputLanes(Workspace& workspace, std::int32_t k) const;
    // Evaluates the first `lanes` lanes; returns the output's lanes.
    const std::int32_t* run(Workspace& workspace, std::size_t lanes) const;
    // After run(): the lanes of the entry at `position` in the list given to compileEntries.
    const std::int32_t* entryLanes(Workspace& workspace, std::size_t position) const;
    std::size_t entryCount() const { return entrySlots_.size(); }

private:
    struct Operation {
        std::int32_t function;
        std::uint32_t a, b, c, result;  // slots
    };

    std::int32_t inputCount_ = 0;
    std::uint32_t slotCount_ = 0;
    std::uint32_t resultSlot_ = 0;
    std::vector<std::uint32_t> entrySlots_;
    std::vector<Operation> operations_;
};

}  // namespace pellisor
