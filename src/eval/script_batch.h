#pragma once

#include "eval/compiled_circuit.h"
#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pellisor {

// The input vectors of a script run gathered into the lanes of a compiled circuit, so that one pass
// evaluates up to kMostVectors of them. Only for circuits whose values follow from the inputs alone:
// then a value read from the lanes is the value the plain evaluator gives for the same vector.
// A batch holds as many vectors as keep its values (every input of every vector, the compiled
// circuit's lanes and one row of the printed values per watched column) within about kBatchBytes,
// down to one vector for a circuit of a million inputs.
class ScriptBatch {
public:
    static constexpr std::size_t kMostVectors = CompiledCircuit::kLanes;
    static constexpr std::size_t kBatchBytes = std::size_t{4} << 20;

    // Nothing when the circuit needs the plain evaluator: its values depend on earlier evaluations, or
    // evaluating it fails (the plain evaluator then raises the error where the run would meet it).
    static std::optional<ScriptBatch> create(const Chromosome& circuit, const FunctionAssignment& assignment);

    // Makes the values of these entries (indices into blocks) available through lanes() after the next
    // evaluate(), and sizes the batch for that many columns. Only while the batch is empty. False when
    // they cannot be compiled.
    bool watch(const std::vector<std::int32_t>& entries);

    // Takes the circuit's current input values as the next vector.
    void add(const Chromosome& circuit);
    std::size_t size() const { return size_; }
    // How many vectors the batch takes; the lanes of an entry lie this far apart.
    std::size_t capacity() const { return capacity_; }
    bool full() const { return size_ == capacity_; }

    // Evaluates the gathered vectors; lanes() then gives their values until clear().
    void evaluate();
    // One value per gathered vector: the inputs as taken, anything else as evaluated. The entry must be
    // a primary input or one given to watch().
    const std::int32_t* lanes(std::int32_t entry);
    void clear() { size_ = 0; }

    // The input values of the last vector evaluated, once any was.
    bool evaluatedAny() const { return evaluatedAny_; }
    const std::vector<std::int32_t>& lastEvaluatedInputs() const { return lastInputs_; }

private:
    ScriptBatch(const Chromosome& circuit, const FunctionAssignment& assignment);
    // Vectors per batch for this many watched columns.
    std::size_t capacityFor(std::size_t columns) const;

    const Chromosome* circuit_;
    const FunctionAssignment* assignment_;
    std::int32_t inputCount_;
    std::size_t capacity_ = 0;
    // Input k of vector j at k * capacity_ + j; kept apart from the workspace, which run() owns.
    std::vector<std::int32_t> inputs_;
    std::size_t size_ = 0;

    std::vector<std::int32_t> compiledEntries_;
    std::vector<std::int32_t> positionOf_;  // per entry: its place in compiledEntries_, or -1
    std::optional<CompiledCircuit> compiled_;
    std::optional<CompiledCircuit::Workspace> workspace_;

    bool evaluatedAny_ = false;
    std::vector<std::int32_t> lastInputs_;
};

}  // namespace pellisor
