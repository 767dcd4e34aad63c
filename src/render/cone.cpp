#include "render/cone.h"

#include "eval/active_cone.h"

#include <algorithm>
#include <vector>

namespace pellisor {

namespace {

std::size_t connectionCount(const Block& block) {
    return std::min<std::size_t>(std::size_t(std::max(block.inputCount, 0)), block.inputs.size());
}

}  // namespace

std::optional<std::string> markCone(Chromosome& circuit, const FunctionAssignment& assignment,
                                    std::int32_t index) {
    if (index < 0 || index >= circuit.blockTotal()) return std::nullopt;
    const ActiveCone cone = activeCone(circuit, assignment, {index}, ConeConnections::Drawn);
    for (std::size_t i = 0; i < circuit.blocks.size(); ++i)
        circuit.blocks[i].mark = cone.members[i] ? kMarkCone : kMarkNone;
    if (circuit.isPrimaryInput(index)) return std::nullopt;
    const Block& grabbed = circuit.blocks[static_cast<std::size_t>(index)];
    std::string sources;
    for (std::size_t k = 0; k < connectionCount(grabbed); ++k) {
        if (k > 0) sources += ",";
        sources += std::to_string(grabbed.inputs[k]);
    }
    return "Označených bloků: " + std::to_string(cone.reached) +
           "      Max. zpoždění vstupu: " + std::to_string(grabbed.depth - 1) + "T" +
           "      Vstupní bloky: " + sources;
}

std::optional<std::string> hideNonFunctional(Chromosome& circuit, const FunctionAssignment& assignment) {
    if (!circuit.hasCircuit()) return std::nullopt;
    // Outputs keep their visibility; the visible ones are what the rest must serve.
    std::vector<std::int32_t> visibleOutputs;
    for (std::int32_t j = circuit.firstOutput(); j < circuit.blockTotal(); ++j) {
        if (circuit.blocks[static_cast<std::size_t>(j)].visible) visibleOutputs.push_back(j);
    }
    const ActiveCone cone = activeCone(circuit, assignment, visibleOutputs, ConeConnections::Drawn);
    for (std::size_t i = 0; i < circuit.blocks.size(); ++i)
        circuit.blocks[i].visible = cone.members[i] != 0;
    return "Funkcnich bloku: " + std::to_string(cone.reached - circuit.outputCount);
}

}  // namespace pellisor
