// Compare-and-swap network files: refused with their own message, or converted into columns of two
// blocks that read the same earlier entries and, evaluated through the assignment the file brings, hold
// their minimum and maximum in the order the node's function says; so every output holds one of the
// input values. The loader agrees with the conversion.
//
// Input: the file's bytes.
#include "fuzz_support.h"

#include "eval/evaluator.h"
#include "model/cha_file.h"

#include <algorithm>

namespace {

using namespace pellisor;

void checkNodes(Chromosome& circuit, const FunctionAssignment& assignment, std::mt19937& rng) {
    FUZZ_CHECK(circuit.rows == 2 && circuit.arity == 2, "not two rows of two inputs");
    for (int vector = 0; vector < 4; ++vector) {
        std::vector<std::int32_t> inputs;
        for (std::int32_t i = 0; i < circuit.inputCount; ++i)
            inputs.push_back(circuit.blocks[std::size_t(i)].value = std::int32_t(rng() % 256));
        evaluate(circuit, assignment);
        for (std::int32_t p = circuit.inputCount; p < circuit.firstOutput(); p += 2) {
            const Block& first = circuit.blocks[std::size_t(p)];
            const Block& second = circuit.blocks[std::size_t(p) + 1];
            FUZZ_CHECK(first.inputs == second.inputs && first.inputs[0] < p && first.inputs[1] < p,
                       "node " + std::to_string(p) + " reads ahead or apart");
            FUZZ_CHECK((first.function == 1 || first.function == 2) && first.function + second.function == 3,
                       "node " + std::to_string(p) + " genes");
            const std::int32_t x = circuit.blocks[std::size_t(first.inputs[0])].value;
            const std::int32_t y = circuit.blocks[std::size_t(first.inputs[1])].value;
            const bool minFirst = first.function == 1;  // gene 1 is the minimum, gene 2 the maximum
            FUZZ_CHECK(first.value == (minFirst ? std::min(x, y) : std::max(x, y)) &&
                           second.value == (minFirst ? std::max(x, y) : std::min(x, y)),
                       "node " + std::to_string(p) + " values");
        }
        std::sort(inputs.begin(), inputs.end());
        for (std::int32_t o = circuit.firstOutput(); o < circuit.blockTotal(); ++o) {
            FUZZ_CHECK(std::binary_search(inputs.begin(), inputs.end(), circuit.blocks[std::size_t(o)].value),
                       "an output not an input");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::checkConvertedFile({reinterpret_cast<const char*>(data), size}, "cha", convertChaText, checkNodes);
    return 0;
}
