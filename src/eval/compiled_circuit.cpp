#include "eval/compiled_circuit.h"

#include "eval/evaluator.h"
#include "eval/function_kernels.h"
#include "eval/functions.h"
#include "model/error.h"

#include <algorithm>

namespace pellisor {

namespace {

// Slots: the primary inputs, then a slot that is always 0 (a connection a block does not have), then
// one per operation.
constexpr std::size_t kLanes = CompiledCircuit::kLanes;

template <std::int32_t Id>
void applyOver(const std::int32_t* __restrict a, const std::int32_t* __restrict b, const std::int32_t* __restrict c,
               std::int32_t* __restrict result, std::size_t lanes) {
    for (std::size_t i = 0; i < lanes; ++i) result[i] = kernels::computeFunction(Id, a[i], b[i], c[i]);
}

using LaneKernel = void (*)(const std::int32_t*, const std::int32_t*, const std::int32_t*, std::int32_t*,
                            std::size_t);

template <std::int32_t... Ids>
constexpr std::array<LaneKernel, sizeof...(Ids)> kernelTable(std::integer_sequence<std::int32_t, Ids...>) {
    return {&applyOver<Ids>...};
}

// One kernel per identifier 0 ... 51; anything else computes 0 like identifier 0.
constexpr auto kKernels = kernelTable(std::make_integer_sequence<std::int32_t, kFunctionCount + 1>{});

LaneKernel kernelFor(std::int32_t id) {
    return id >= 0 && id <= kFunctionCount ? kKernels[static_cast<std::size_t>(id)] : kKernels[0];
}

// Which connections the evaluator's result for this identifier depends on.
bool readsConnection(std::int32_t id, std::size_t k) {
    if (k == 2) return id == kMuxFunction;
    const std::int32_t mask = functionReads(id);
    if (id == kMuxFunction) return true;
    return mask == -1 || ((mask >> k) & 1) != 0;
}

}  // namespace

void CompiledCircuit::checkEvaluable(const Chromosome& circuit, const FunctionAssignment& assignment) {
    for (std::int32_t index = circuit.inputCount; index < circuit.firstOutput(); ++index) {
        const std::int32_t id = assignment.identifierOf(circuit.blocks[static_cast<std::size_t>(index)].function);
        if (id == kMuxFunction && circuit.arity != 3) throw Error(kMuxNeedsThreeInputs);
    }
}

bool CompiledCircuit::dependsOnHistory(const Chromosome& circuit, const FunctionAssignment& assignment) {
    for (std::int32_t index = circuit.inputCount; index < circuit.blockTotal(); ++index) {
        const Block& entry = circuit.blocks[static_cast<std::size_t>(index)];
        const bool isOutput = index >= circuit.firstOutput();
        const std::int32_t id = isOutput ? 4 : assignment.identifierOf(entry.function);  // an output passes in1
        for (std::size_t k = 0; k < std::min<std::size_t>(entry.inputs.size(), 3); ++k) {
            if (readsConnection(id, k) && entry.inputs[k] >= index) return true;
        }
    }
    return false;
}

std::optional<CompiledCircuit> CompiledCircuit::compile(const Chromosome& circuit,
                                                        const FunctionAssignment& assignment,
                                                        std::int32_t outputNumber) {
    if (!circuit.hasCircuit() || outputNumber < 0 || outputNumber >= circuit.outputCount) return std::nullopt;
    const std::int32_t outputIndex = circuit.firstOutput() + outputNumber;
    const std::int32_t source = circuit.blocks[static_cast<std::size_t>(outputIndex)].inputs[0];
    if (source >= circuit.firstOutput()) return std::nullopt;  // another output: set later in the pass

    // Mark the cone with one descending sweep; a used connection to an entry at or after its reader
    // makes the result depend on history.
    std::vector<char> needed(circuit.blocks.size(), 0);
    needed[static_cast<std::size_t>(source)] = 1;
    for (std::int32_t index = source; index >= circuit.inputCount; --index) {
        if (!needed[static_cast<std::size_t>(index)]) continue;
        const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
        const std::int32_t id = assignment.identifierOf(block.function);
        for (std::size_t k = 0; k < std::min<std::size_t>(block.inputs.size(), 3); ++k) {
            if (!readsConnection(id, k)) continue;
            if (block.inputs[k] >= index) return std::nullopt;
            needed[static_cast<std::size_t>(block.inputs[k])] = 1;
        }
    }

    CompiledCircuit compiled;
    compiled.inputCount_ = circuit.inputCount;
    const std::uint32_t zeroSlot = static_cast<std::uint32_t>(circuit.inputCount);
    std::vector<std::uint32_t> slotOf(circuit.blocks.size(), zeroSlot);
    for (std::int32_t i = 0; i < circuit.inputCount; ++i) slotOf[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i);
    std::uint32_t nextSlot = zeroSlot + 1;
    for (std::int32_t index = circuit.inputCount; index <= source; ++index) {
        if (!needed[static_cast<std::size_t>(index)]) continue;
        const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
        const std::int32_t id = assignment.identifierOf(block.function);
        auto operand = [&](std::size_t k) {
            return k < block.inputs.size() && readsConnection(id, k) ? slotOf[static_cast<std::size_t>(block.inputs[k])]
                                                                     : zeroSlot;
        };
        compiled.operations_.push_back({id, operand(0), operand(1), operand(2), nextSlot});
        slotOf[static_cast<std::size_t>(index)] = nextSlot++;
    }
    compiled.slotCount_ = nextSlot;
    compiled.resultSlot_ = slotOf[static_cast<std::size_t>(source)];
    return compiled;
}

CompiledCircuit::Workspace::Workspace(const CompiledCircuit& circuit)
    : values(std::size_t(circuit.slotCount_) * kLanes, 0) {}

std::int32_t* CompiledCircuit::inputLanes(Workspace& workspace, std::int32_t k) const {
    return workspace.values.data() + std::size_t(k) * kLanes;
}

const std::int32_t* CompiledCircuit::run(Workspace& workspace, std::size_t lanes) const {
    std::int32_t* base = workspace.values.data();
    lanes = std::min(lanes, kLanes);
    for (const Operation& op : operations_) {
        kernelFor(op.function)(base + std::size_t(op.a) * kLanes, base + std::size_t(op.b) * kLanes,
                               base + std::size_t(op.c) * kLanes, base + std::size_t(op.result) * kLanes, lanes);
    }
    return base + std::size_t(resultSlot_) * kLanes;
}

}  // namespace pellisor
