#include "eval/evaluator.h"

#include "eval/function_assignment.h"
#include "model/error.h"
#include "model/function_table.h"

namespace pellisor {

namespace {

// The value of connection k of a block; a connection the block does not have reads as 0.
std::int32_t inputValue(const Chromosome& circuit, const Block& block, std::size_t k) {
    if (k >= block.inputs.size()) return 0;
    return circuit.blocks[static_cast<std::size_t>(block.inputs[k])].value;
}

}  // namespace

void evaluate(Chromosome& circuit, const FunctionAssignment& assignment) {
    if (!circuit.hasCircuit()) return;
    const std::int32_t firstOutput = circuit.firstOutput();
    for (std::int32_t index = circuit.inputCount; index < firstOutput; ++index) {
        Block& block = circuit.blocks[static_cast<std::size_t>(index)];
        const std::int32_t a = inputValue(circuit, block, 0);
        const std::int32_t b = inputValue(circuit, block, 1);
        const FunctionInfo& function = functionInfo(assignment.identifierOf(block.function));
        std::int32_t c = 0;
        if (function.id == FunctionId::Mux) {
            if (circuit.arity != 3) throw Error(kMuxNeedsThreeInputs);
            c = inputValue(circuit, block, 2);
        }
        block.value = function.compute(a, b, c);
    }
    for (std::int32_t index = firstOutput; index < circuit.blockTotal(); ++index) {
        Block& output = circuit.blocks[static_cast<std::size_t>(index)];
        output.value = inputValue(circuit, output, 0);
    }
}

}  // namespace pellisor
