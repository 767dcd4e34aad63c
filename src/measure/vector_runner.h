#pragma once

#include "eval/compiled_circuit.h"
#include "eval/function_assignment.h"
#include "model/chromosome.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pellisor {

// Runs batches of input vectors through a circuit with the compiled evaluator, or with the plain one
// when the compiler does not take the circuit (its values then depend on earlier evaluations, so the
// batches must come one after another, in order, from one Scratch).
class VectorRunner {
public:
    // Vectors of one batch at most.
    static constexpr std::size_t kBatch = CompiledCircuit::kLanes;

    enum class Kind {
        // Inputs are bits: input k of a vector is bit k of its word (inputs from 64 on are 0). The
        // result has output j's bit 0 as bit j, for the first `outputs` outputs.
        Bits,
        // Inputs are bytes; the result is the low byte of output 0, as the filter takes it.
        Bytes,
    };

    // Raises the evaluator's error when the circuit cannot be evaluated at all.
    VectorRunner(const Chromosome& circuit, const FunctionAssignment& assignment, Kind kind,
                 std::int32_t outputs);

    // Whether batches may run in parallel, each thread with its own Scratch.
    bool parallel() const { return compiled_.has_value(); }

    class Scratch {
    public:
        explicit Scratch(const VectorRunner& runner);

    private:
        friend class VectorRunner;
        std::optional<CompiledCircuit::Workspace> workspace;
        std::optional<Chromosome> circuit;  // the plain evaluator's copy, carried from batch to batch
        std::vector<std::uint8_t> bytes;    // the results of runBytes
    };

    // Bits: `count` (at most kBatch) words in, as many results out.
    void runBits(Scratch& scratch, const std::uint64_t* words, std::size_t count,
                 std::uint64_t* results) const;
    // Bytes: input k's bytes at inputs[k], `count` (at most kBatch) of them; results are bytes.
    void runBytes(Scratch& scratch, const std::uint8_t* const* inputs, std::size_t count,
                  std::uint8_t* results) const;

private:
    const Chromosome& circuit_;
    const FunctionAssignment& assignment_;
    std::int32_t outputs_ = 0;
    std::optional<CompiledCircuit> compiled_;
};

// How many workers forEachChunk uses for this many chunks: one unless the runner is parallel.
std::size_t chunkWorkers(const VectorRunner& runner, std::size_t chunks);

// Calls `work(chunk, worker, scratch)` for every chunk in 0 ... chunks-1, each worker (0 ...
// chunkWorkers-1) on a thread of its own with its own Scratch taking the next chunk left; with one
// worker the chunks come in order on this thread. The first exception raised passes on.
void forEachChunk(
    const VectorRunner& runner, std::size_t chunks,
    const std::function<void(std::size_t chunk, std::size_t worker, VectorRunner::Scratch& scratch)>& work);

}  // namespace pellisor
