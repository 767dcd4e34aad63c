#include "render/cone.h"

#include <algorithm>

namespace pellisor {

namespace {

bool readsInput(std::int32_t mask, std::size_t k) { return mask == -1 || (k < 31 && ((mask >> k) & 1) != 0); }

std::size_t connectionCount(const Block& block) {
    return std::min<std::size_t>(std::size_t(std::max(block.inputCount, 0)), block.inputs.size());
}

}  // namespace

std::optional<std::string> markCone(Chromosome& circuit, const FunctionAssignment& assignment, std::int32_t index) {
    if (index < 0 || index >= circuit.blockTotal()) return std::nullopt;
    for (Block& block : circuit.blocks) block.mark = kMarkNone;
    circuit.blocks[static_cast<std::size_t>(index)].mark = kMarkCone;
    // Sources normally have smaller indices, so one descending sweep marks the whole cone.
    std::int32_t count = 0;
    for (std::int32_t a = circuit.blockTotal() - 1; a >= circuit.inputCount; --a) {
        const Block& block = circuit.blocks[static_cast<std::size_t>(a)];
        if (block.mark != kMarkCone) continue;
        ++count;
        const std::int32_t mask = assignment.usageMask(circuit, a);
        for (std::size_t k = 0; k < connectionCount(block); ++k) {
            if (readsInput(mask, k)) circuit.blocks[static_cast<std::size_t>(block.inputs[k])].mark = kMarkCone;
        }
    }
    if (circuit.isPrimaryInput(index)) return std::nullopt;
    const Block& grabbed = circuit.blocks[static_cast<std::size_t>(index)];
    std::string sources;
    for (std::size_t k = 0; k < connectionCount(grabbed); ++k) {
        if (k > 0) sources += ",";
        sources += std::to_string(grabbed.inputs[k]);
    }
    return "Označených bloků: " + std::to_string(count) + "      Max. zpoždění vstupu: " +
           std::to_string(grabbed.depth - 1) + "T" + "      Vstupní bloky: " + sources;
}

std::optional<std::string> hideNonFunctional(Chromosome& circuit, const FunctionAssignment& assignment) {
    if (!circuit.hasCircuit()) return std::nullopt;
    for (std::int32_t i = 0; i < circuit.firstOutput(); ++i) circuit.blocks[static_cast<std::size_t>(i)].visible = false;
    std::int32_t count = 0;
    for (std::int32_t a = circuit.blockTotal() - 1; a >= circuit.inputCount; --a) {
        const Block& block = circuit.blocks[static_cast<std::size_t>(a)];
        if (!block.visible) continue;
        ++count;
        const std::int32_t mask = assignment.usageMask(circuit, a);
        for (std::size_t k = 0; k < connectionCount(block); ++k) {
            if (readsInput(mask, k)) circuit.blocks[static_cast<std::size_t>(block.inputs[k])].visible = true;
        }
    }
    return "Funkcnich bloku: " + std::to_string(count - circuit.outputCount);
}

}  // namespace pellisor
