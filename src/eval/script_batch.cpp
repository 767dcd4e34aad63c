#include "eval/script_batch.h"

#include "model/error.h"

#include <algorithm>

namespace pellisor {

std::optional<ScriptBatch> ScriptBatch::create(const Chromosome& circuit,
                                               const FunctionAssignment& assignment) {
    if (!circuit.hasConsistentCircuit()) return std::nullopt;
    try {
        CompiledCircuit::checkEvaluable(circuit, assignment);
    } catch (const Error&) {
        return std::nullopt;
    }
    if (CompiledCircuit::dependsOnHistory(circuit, assignment)) return std::nullopt;
    return ScriptBatch(circuit, assignment);
}

ScriptBatch::ScriptBatch(const Chromosome& circuit, const FunctionAssignment& assignment)
    : circuit_(&circuit),
      assignment_(&assignment),
      inputCount_(circuit.inputCount),
      inputs_(static_cast<std::size_t>(circuit.inputCount) * kCapacity, 0),
      positionOf_(circuit.blocks.size(), -1),
      lastInputs_(static_cast<std::size_t>(circuit.inputCount), 0) {}

bool ScriptBatch::watch(const std::vector<std::int32_t>& entries) {
    // Entries once compiled stay: a script that switches between lists then compiles once per entry
    // at most, not once per list line.
    const std::size_t before = compiledEntries_.size();
    for (const std::int32_t entry : entries) {
        if (entry < inputCount_) continue;  // inputs come from the vectors themselves
        if (entry >= circuit_->blockTotal()) return false;
        std::int32_t& position = positionOf_[static_cast<std::size_t>(entry)];
        if (position >= 0) continue;
        position = static_cast<std::int32_t>(compiledEntries_.size());
        compiledEntries_.push_back(entry);
    }
    if (compiledEntries_.size() == before) return true;
    workspace_.reset();
    compiled_ = CompiledCircuit::compileEntries(*circuit_, *assignment_, compiledEntries_);
    if (!compiled_) return false;
    workspace_.emplace(*compiled_);
    return true;
}

void ScriptBatch::add(const Chromosome& circuit) {
    for (std::int32_t k = 0; k < inputCount_; ++k) {
        inputs_[static_cast<std::size_t>(k) * kCapacity + size_] =
            circuit.blocks[static_cast<std::size_t>(k)].value;
    }
    ++size_;
}

void ScriptBatch::evaluate() {
    if (size_ == 0) return;
    if (compiled_) {
        for (std::int32_t k = 0; k < inputCount_; ++k) {
            const std::int32_t* from = inputs_.data() + static_cast<std::size_t>(k) * kCapacity;
            std::copy(from, from + size_, compiled_->inputLanes(*workspace_, k));
        }
        compiled_->run(*workspace_, size_);
    }
    for (std::int32_t k = 0; k < inputCount_; ++k) {
        lastInputs_[static_cast<std::size_t>(k)] =
            inputs_[static_cast<std::size_t>(k) * kCapacity + size_ - 1];
    }
    evaluatedAny_ = true;
}

const std::int32_t* ScriptBatch::lanes(std::int32_t entry) {
    if (entry < inputCount_) return inputs_.data() + static_cast<std::size_t>(entry) * kCapacity;
    const std::int32_t position = positionOf_[static_cast<std::size_t>(entry)];
    return compiled_->entryLanes(*workspace_, static_cast<std::size_t>(position));
}

}  // namespace pellisor
