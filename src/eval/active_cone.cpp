#include "eval/active_cone.h"

#include "eval/functions.h"

#include <algorithm>

namespace pellisor {

FollowedConnections followedConnections(const Chromosome& circuit, const FunctionAssignment& assignment,
                                        std::int32_t index, ConeConnections connections) {
    const Block& entry = circuit.blocks[static_cast<std::size_t>(index)];
    if (connections == ConeConnections::Drawn) {
        const auto drawn = static_cast<std::size_t>(std::max(entry.inputCount, 0));
        return {assignment.usageMask(circuit, index), std::min(drawn, entry.inputs.size())};
    }
    // The evaluator gives an output the value of its connection 0, and a block the value its function
    // computes from connections 0 and 1, and 2 for the multiplexer.
    if (circuit.isOutput(index)) return {1, std::min<std::size_t>(entry.inputs.size(), 1)};
    const std::int32_t id = assignment.identifierOf(entry.function);
    const std::size_t operands = id == kMuxFunction ? 3 : 2;
    return {functionReads(id), std::min(operands, entry.inputs.size())};
}

ActiveCone activeCone(const Chromosome& circuit, const FunctionAssignment& assignment,
                      const std::vector<std::int32_t>& roots, ConeConnections connections) {
    ActiveCone cone;
    cone.members.assign(circuit.blocks.size(), 0);
    std::int32_t highest = -1;
    for (const std::int32_t root : roots) {
        if (root < 0 || root >= circuit.blockTotal()) continue;
        cone.members[static_cast<std::size_t>(root)] = 1;
        highest = std::max(highest, root);
    }
    for (std::int32_t index = highest; index >= circuit.inputCount; --index) {
        if (!cone.members[static_cast<std::size_t>(index)]) continue;
        ++cone.reached;
        const Block& entry = circuit.blocks[static_cast<std::size_t>(index)];
        const FollowedConnections followed = followedConnections(circuit, assignment, index, connections);
        for (std::size_t k = 0; k < followed.count; ++k) {
            if (!followed.follows(k)) continue;
            const std::int32_t source = entry.inputs[k];
            if (source >= index) {
                cone.readsForward = true;
                if (connections == ConeConnections::Evaluated) return cone;
            }
            if (source >= 0 && source < circuit.blockTotal())
                cone.members[static_cast<std::size_t>(source)] = 1;
        }
    }
    return cone;
}

}  // namespace pellisor
