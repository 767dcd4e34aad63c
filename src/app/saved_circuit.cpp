#include "app/saved_circuit.h"

#include "model/chromosome_parser.h"
#include "model/error.h"

#include <string>

namespace pellisor {

namespace {

bool sameStructure(const Chromosome& a, const Chromosome& b) {
    if (a.inputCount != b.inputCount || a.outputCount != b.outputCount || a.columns != b.columns ||
        a.rows != b.rows || a.arity != b.arity || a.headerSixth != b.headerSixth ||
        a.headerSeventh != b.headerSeventh || a.blocks.size() != b.blocks.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.blocks.size(); ++i) {
        if (a.blocks[i].inputs != b.blocks[i].inputs || a.blocks[i].function != b.blocks[i].function)
            return false;
    }
    return true;
}

}  // namespace

void SavedCircuit::setStructure(const Chromosome& circuit) {
    structure_ = circuit;
    // Positions and values are the layout's; the structure keeps only what it compares.
    for (Block& block : structure_->blocks)
        block = Block{block.inputCount, block.inputs, block.function};
    structure_->inputNames.clear();
    structure_->outputNames.clear();
}

void SavedCircuit::setStructureOfLine(std::string_view line) {
    Chromosome parsed;
    try {
        parseChromosome(line, ParseMode::Draw, parsed);
        setStructure(parsed);
    } catch (const Error&) {
        structure_.reset();
    }
}

void SavedCircuit::setLayout(const Chromosome& circuit) {
    layout_ = layoutOf(circuit);
}

void SavedCircuit::forget() {
    structure_.reset();
    layout_.reset();
}

std::vector<SavedCircuit::Placement> SavedCircuit::layoutOf(const Chromosome& circuit) {
    std::vector<Placement> layout;
    layout.reserve(circuit.blocks.size());
    for (std::size_t i = 0; i < circuit.blocks.size(); ++i) {
        const Block& block = circuit.blocks[i];
        const bool input = circuit.isPrimaryInput(static_cast<std::int32_t>(i));
        layout.push_back({block.x, block.y, block.visible, input ? block.value : 0});
    }
    return layout;
}

bool SavedCircuit::differs(const Chromosome& circuit) const {
    if (!structure_ || !layout_ || !sameStructure(*structure_, circuit)) return true;
    const std::vector<Placement>& saved = *layout_;
    if (saved.size() != circuit.blocks.size()) return true;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        const Block& block = circuit.blocks[i];
        const bool input = circuit.isPrimaryInput(static_cast<std::int32_t>(i));
        if (!(saved[i] == Placement{block.x, block.y, block.visible, input ? block.value : 0})) return true;
    }
    return false;
}

}  // namespace pellisor
