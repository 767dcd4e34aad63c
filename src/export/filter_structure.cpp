#include "export/filter_structure.h"

#include <algorithm>

namespace pellisor {

FilterStructure::FilterStructure(const Chromosome& circuit)
    : circuit_(circuit),
      present_(circuit.hasConsistentCircuit()),
      inputCount_(present_ ? circuit.inputCount : 0),
      firstOutput_(present_ ? circuit.firstOutput() : 0),
      outputCount_(present_ ? circuit.outputCount : 0) {
    findOutputsReadAsSources();
    for (std::int32_t i = inputCount_; i < firstOutput_ && !needsZero_; ++i) {
        needsZero_ = source(i, 0) < 0 || source(i, 1) < 0;
    }
}

std::int32_t FilterStructure::source(std::int32_t i, std::size_t k) const {
    const Block& block = entry(i);
    return k < block.inputs.size() && inRange(block.inputs[k]) ? block.inputs[k] : -1;
}

std::int32_t FilterStructure::outputSource(std::int32_t output) const {
    const Block& block = entry(output);
    return !block.inputs.empty() && inRange(block.inputs[0]) ? block.inputs[0] : -1;
}

std::int32_t FilterStructure::columnOf(std::int32_t index) const {
    return index < inputCount_ ? 0 : (index - inputCount_) / circuit_.rows + 1;
}

std::int32_t FilterStructure::registerDepth(std::int32_t source, std::int32_t block) const {
    return columnOf(block) - columnOf(source) - 1;
}

DelayedSources FilterStructure::delayedSources(std::int32_t i) const {
    DelayedSources delayed;
    for (std::size_t k = 0; k < 2; ++k) {
        const std::int32_t s = source(i, k);
        if (s < 0 || registerDepth(s, i) < 1) continue;
        const auto end = delayed.sources.begin() + static_cast<std::ptrdiff_t>(delayed.count);
        if (std::find(delayed.sources.begin(), end, s) == end) delayed.sources[delayed.count++] = s;
    }
    return delayed;
}

void FilterStructure::findOutputsReadAsSources() {
    std::vector<bool> read(static_cast<std::size_t>(outputCount_), false);
    const auto note = [&](std::int32_t s) {
        if (s >= firstOutput_ && s < firstOutput_ + outputCount_)
            read[static_cast<std::size_t>(s - firstOutput_)] = true;
    };
    for (std::int32_t i = inputCount_; i < firstOutput_; ++i) {
        note(source(i, 0));
        note(source(i, 1));
    }
    for (std::int32_t n = 0; n < outputCount_; ++n)
        note(outputSource(firstOutput_ + n));
    for (std::int32_t n = 0; n < outputCount_; ++n) {
        if (read[static_cast<std::size_t>(n)]) outputsReadAsSources_.push_back(firstOutput_ + n);
    }
}

}  // namespace pellisor
