#include "measure/circuit_statistics.h"

#include "eval/active_cone.h"
#include "render/geometry.h"

#include <set>

namespace pellisor {

CircuitStatistics circuitStatistics(const Chromosome& circuit, const FunctionAssignment& assignment) {
    CircuitStatistics statistics;
    if (!circuit.hasConsistentCircuit()) return statistics;
    // The depths are those of the summary's "Max. zpoždění výstupu", computed on a copy: they are
    // stored in the entries.
    Chromosome measured = circuit;
    statistics.maxDelay = computeDepths(measured, assignment);

    std::vector<std::int32_t> outputs;
    for (std::int32_t j = circuit.firstOutput(); j < circuit.blockTotal(); ++j)
        outputs.push_back(j);
    // The connections the drawing shows as used, as "Skrýt nefunkční bloky" follows them.
    const ActiveCone cone = activeCone(circuit, assignment, outputs, ConeConnections::Drawn);
    std::set<std::int32_t> columns;
    for (std::int32_t index = 0; index < circuit.firstOutput(); ++index) {
        if (!cone.members[static_cast<std::size_t>(index)]) continue;
        if (circuit.isPrimaryInput(index)) {
            ++statistics.inputsUsed;
            continue;
        }
        const std::int32_t gene = circuit.blocks[static_cast<std::size_t>(index)].function;
        ++statistics.activeBlocks;
        ++statistics.genes[gene];
        // A gene without a row of the table has no function to count it under.
        if (gene >= 0 && gene < kGeneCount) ++statistics.functions[assignment.identifierOf(gene)];
        columns.insert((index - circuit.inputCount) / circuit.rows);
    }
    statistics.columnsUsed = static_cast<std::int32_t>(columns.size());
    return statistics;
}

}  // namespace pellisor
