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
      positionOf_(circuit.blocks.size(), -1),
      lastInputs_(static_cast<std::size_t>(circuit.inputCount), 0) {}

std::size_t ScriptBatch::capacityFor(std::size_t columns) const {
    const std::size_t slots = compiled_ ? compiled_->slotCount() : 0;
    const std::size_t bytesPerVector =
        sizeof(std::int32_t) * (static_cast<std::size_t>(inputCount_) + slots + columns);
    return std::clamp<std::size_t>(kBatchBytes / std::max<std::size_t>(bytesPerVector, 1), 1, kMostVectors);
}

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
    const bool recompiled = compiledEntries_.size() != before;
    if (recompiled) {
        workspace_.reset();
        compiled_ = CompiledCircuit::compileEntries(*circuit_, *assignment_, compiledEntries_);
        if (!compiled_) return false;
    }
    const std::size_t capacity = capacityFor(entries.size());
    if (capacity != capacity_) {
        capacity_ = capacity;
        inputs_.assign(static_cast<std::size_t>(inputCount_) * capacity_, 0);
    } else if (!recompiled) {
        return true;
    }
    if (compiled_) workspace_.emplace(*compiled_, capacity_);
    return true;
}

void ScriptBatch::add(const Chromosome& circuit) {
    std::int32_t* lane = inputs_.data() + size_;
    for (std::int32_t k = 0; k < inputCount_; ++k, lane += capacity_)
        *lane = circuit.blocks[static_cast<std::size_t>(k)].value;
    ++size_;
}

void ScriptBatch::evaluate() {
    if (size_ == 0) return;
    if (compiled_) {
        for (const std::int32_t k : compiled_->inputsRead()) {
            const std::int32_t* from = inputs_.data() + static_cast<std::size_t>(k) * capacity_;
            std::copy(from, from + size_, compiled_->inputLanes(*workspace_, k));
        }
        compiled_->run(*workspace_, size_);
    }
    for (std::int32_t k = 0; k < inputCount_; ++k) {
        lastInputs_[static_cast<std::size_t>(k)] =
            inputs_[static_cast<std::size_t>(k) * capacity_ + size_ - 1];
    }
    evaluatedAny_ = true;
}

const std::int32_t* ScriptBatch::lanes(std::int32_t entry) {
    if (entry < inputCount_) return inputs_.data() + static_cast<std::size_t>(entry) * capacity_;
    const std::int32_t position = positionOf_[static_cast<std::size_t>(entry)];
    return compiled_->entryLanes(*workspace_, static_cast<std::size_t>(position));
}

}  // namespace pellisor
