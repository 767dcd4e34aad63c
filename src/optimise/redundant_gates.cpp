#include "optimise/redundant_gates.h"

#include "model/function_table.h"

#include <algorithm>
#include <vector>

namespace pellisor {

namespace {

// The function of a gate; None for a gene without a row.
FunctionId functionOf(const FunctionAssignment& assignment, const Block& block) {
    if (block.function < 0 || block.function >= kGeneCount) return FunctionId::None;
    return functionIdOf(assignment.rows()[static_cast<std::size_t>(block.function)].identifier);
}

// The entry whose signal the gate passes on.
std::int32_t passedSource(const FunctionAssignment& assignment, const Block& gate) {
    return functionOf(assignment, gate) == FunctionId::In1 ? gate.inputs[0] : gate.inputs[1];
}

}  // namespace

bool isRedundantGate(const Chromosome& circuit, const FunctionAssignment& assignment, std::int32_t index) {
    if (!circuit.isFunctionBlock(index)) return false;
    const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
    const FunctionId id = functionOf(assignment, block);
    // A gate passes on an input it has; an arity-1 "in2" or AND has nothing to pass.
    if (id == FunctionId::In1) return !block.inputs.empty();
    if (block.inputs.size() < 2) return false;
    if (id == FunctionId::In2) return true;
    return (id == FunctionId::And || id == FunctionId::Or) && block.inputs[0] == block.inputs[1];
}

std::int32_t detectRedundant(Chromosome& circuit, const FunctionAssignment& assignment) {
    std::int32_t count = 0;
    for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i) {
        if (!circuit.hasCircuit()) break;
        if (isRedundantGate(circuit, assignment, i)) {
            circuit.blocks[static_cast<std::size_t>(i)].mark = kMarkRedundant;
            ++count;
        }
    }
    return count;
}

std::string redundantCountText(std::int32_t count) {
    return "Pocet bloku navic: " + std::to_string(count);
}

std::int32_t eliminateRedundant(Chromosome& circuit, const FunctionAssignment& assignment) {
    if (!circuit.hasCircuit()) return 0;
    // Every connection sits in the list of the entry it reads (intrusive lists over flat arrays), so a
    // gate finds its readers without scanning the circuit, and a rewired connection simply moves to
    // the list of its new source.
    std::vector<std::int32_t> head(circuit.blocks.size(), -1);
    std::vector<std::int32_t> next;
    std::vector<std::int32_t> reader;
    std::vector<std::int32_t> position;
    for (std::int32_t k = circuit.inputCount; k < circuit.blockTotal(); ++k) {
        const Block& entry = circuit.blocks[static_cast<std::size_t>(k)];
        const std::size_t count =
            std::min<std::size_t>(std::size_t(std::max(entry.inputCount, 0)), entry.inputs.size());
        for (std::size_t c = 0; c < count; ++c) {
            const auto id = static_cast<std::int32_t>(reader.size());
            reader.push_back(k);
            position.push_back(static_cast<std::int32_t>(c));
            auto& first = head[static_cast<std::size_t>(entry.inputs[c])];
            next.push_back(first);
            first = id;
        }
    }

    std::int32_t eliminated = 0;
    for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i) {
        if (!isRedundantGate(circuit, assignment, i)) continue;
        Block& gate = circuit.blocks[static_cast<std::size_t>(i)];
        gate.mark = kMarkRedundant;
        // Read now: earlier gates may have rewired this one.
        const std::int32_t source = passedSource(assignment, gate);
        if (source == i) {  // a gate passing on itself keeps its readers
            if (head[static_cast<std::size_t>(i)] != -1) ++eliminated;
            continue;
        }
        std::int32_t id = head[static_cast<std::size_t>(i)];
        head[static_cast<std::size_t>(i)] = -1;
        if (id != -1) ++eliminated;
        while (id != -1) {
            const std::int32_t following = next[static_cast<std::size_t>(id)];
            circuit.blocks[static_cast<std::size_t>(reader[static_cast<std::size_t>(id)])]
                .inputs[static_cast<std::size_t>(position[static_cast<std::size_t>(id)])] = source;
            // A later gate that now gets this reader passes it on in its turn.
            auto& first = head[static_cast<std::size_t>(source)];
            next[static_cast<std::size_t>(id)] = first;
            first = id;
            id = following;
        }
    }
    return eliminated;
}

std::string eliminatedCountText(std::int32_t count) {
    return "Pocet eliminovanych bloku: " + std::to_string(count);
}

void nextCombination(Chromosome& circuit) {
    if (!circuit.hasCircuit()) return;
    for (std::int32_t i = 0; i < circuit.inputCount; ++i) {
        std::int32_t& value = circuit.blocks[static_cast<std::size_t>(i)].value;
        value = (value ^ 1) & 1;
        if (value == 1) return;
    }
}

}  // namespace pellisor
