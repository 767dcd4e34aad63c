#include "measure/vector_runner.h"

#include "eval/evaluator.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

namespace pellisor {

VectorRunner::VectorRunner(const Chromosome& circuit, const FunctionAssignment& assignment, Kind kind,
                           std::int32_t outputs)
    : circuit_(circuit), assignment_(assignment), outputs_(outputs) {
    CompiledCircuit::checkEvaluable(circuit, assignment);
    if (CompiledCircuit::dependsOnHistory(circuit, assignment)) return;
    if (kind == Kind::Bytes) {
        compiled_ = CompiledCircuit::compileForBytes(circuit, assignment, 0);
        return;
    }
    std::vector<std::int32_t> entries;
    for (std::int32_t j = 0; j < outputs; ++j)
        entries.push_back(circuit.firstOutput() + j);
    compiled_ = CompiledCircuit::compileEntries(circuit, assignment, entries);
}

VectorRunner::Scratch::Scratch(const VectorRunner& runner) {
    if (runner.compiled_) {
        workspace.emplace(*runner.compiled_, kBatch);
        bytes.resize(kBatch);
    } else {
        circuit = runner.circuit_;
    }
}

void VectorRunner::runBits(Scratch& scratch, const std::uint64_t* words, std::size_t count,
                           std::uint64_t* results) const {
    std::fill(results, results + count, 0);
    if (compiled_) {
        for (const std::int32_t k : compiled_->inputsRead()) {
            std::int32_t* lanes = compiled_->inputLanes(*scratch.workspace, k);
            for (std::size_t i = 0; i < count; ++i)
                lanes[i] = k < 64 ? static_cast<std::int32_t>((words[i] >> k) & 1) : 0;
        }
        compiled_->run(*scratch.workspace, count);
        for (std::int32_t j = 0; j < outputs_; ++j) {
            const std::int32_t* lanes =
                compiled_->entryLanes(*scratch.workspace, static_cast<std::size_t>(j));
            for (std::size_t i = 0; i < count; ++i)
                results[i] |= static_cast<std::uint64_t>(lanes[i] & 1) << j;
        }
        return;
    }
    Chromosome& circuit = *scratch.circuit;
    for (std::size_t i = 0; i < count; ++i) {
        for (std::int32_t k = 0; k < circuit.inputCount; ++k) {
            circuit.blocks[static_cast<std::size_t>(k)].value =
                k < 64 ? static_cast<std::int32_t>((words[i] >> k) & 1) : 0;
        }
        evaluate(circuit, assignment_);
        for (std::int32_t j = 0; j < outputs_; ++j) {
            const std::int32_t value =
                circuit.blocks[static_cast<std::size_t>(circuit.firstOutput() + j)].value;
            results[i] |= static_cast<std::uint64_t>(value & 1) << j;
        }
    }
}

void VectorRunner::runBytes(Scratch& scratch, const std::uint8_t* const* inputs, std::size_t count,
                            std::uint8_t* results) const {
    if (compiled_) {
        compiled_->runBytes(*scratch.workspace, inputs, count, results);
        return;
    }
    Chromosome& circuit = *scratch.circuit;
    for (std::size_t i = 0; i < count; ++i) {
        for (std::int32_t k = 0; k < circuit.inputCount; ++k)
            circuit.blocks[static_cast<std::size_t>(k)].value = inputs[k][i];
        evaluate(circuit, assignment_);
        results[i] = static_cast<std::uint8_t>(
            circuit.blocks[static_cast<std::size_t>(circuit.firstOutput())].value & 0xFF);
    }
}

std::size_t chunkWorkers(const VectorRunner& runner, std::size_t chunks) {
    if (!runner.parallel()) return 1;
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, std::max<std::size_t>(chunks, 1));
}

void forEachChunk(
    const VectorRunner& runner, std::size_t chunks,
    const std::function<void(std::size_t chunk, std::size_t worker, VectorRunner::Scratch& scratch)>& work) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr firstError;
    std::mutex errorLock;
    auto drain = [&](std::size_t worker) {
        try {
            VectorRunner::Scratch scratch(runner);
            for (std::size_t chunk = next++; chunk < chunks && !failed; chunk = next++)
                work(chunk, worker, scratch);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(errorLock);
            if (!firstError) firstError = std::current_exception();
            failed = true;
        }
    };
    const std::size_t workers = chunkWorkers(runner, chunks);
    std::vector<std::thread> threads;
    for (std::size_t worker = 1; worker < workers; ++worker)
        threads.emplace_back(drain, worker);
    drain(0);
    for (std::thread& thread : threads)
        thread.join();
    if (firstError) std::rethrow_exception(firstError);
}

}  // namespace pellisor
