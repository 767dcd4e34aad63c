// Gate-level circuit files: refused with their own message, or converted into one feed-forward row
// behind the two constants whose blocks, evaluated through the assignment the file brings, compute
// exactly what their gate codes say; the loader agrees with the conversion.
//
// Input: the file's bytes.
#include "fuzz_support.h"

#include "eval/evaluator.h"
#include "model/cgp_file.h"

namespace {

using namespace pellisor;

// What each gate code computes, indexed by a * 2 + b.
constexpr std::int32_t kGates[kGateCodeCount][4] = {
    {0, 0, 1, 1}, {1, 1, 0, 0}, {0, 0, 0, 1}, {0, 1, 1, 1}, {0, 1, 1, 0},
    {1, 1, 1, 0}, {1, 0, 0, 0}, {1, 0, 0, 1}, {1, 1, 1, 1}, {0, 0, 0, 0},
};

void checkGates(Chromosome& circuit, const FunctionAssignment& assignment, std::mt19937& rng) {
    const std::int32_t zero = circuit.inputCount;  // the constant-0 block; the constant 1 follows
    FUZZ_CHECK(circuit.rows == 1 && circuit.arity == 2 && circuit.blocks[std::size_t(zero)].function == 9 &&
                   circuit.blocks[std::size_t(zero) + 1].function == 8,
               "the constants are not the first blocks");
    for (int vector = 0; vector < 4; ++vector) {
        for (std::int32_t i = 0; i < zero; ++i)
            circuit.blocks[std::size_t(i)].value = std::int32_t(rng() % 2);
        evaluate(circuit, assignment);
        for (std::int32_t i = zero; i < circuit.firstOutput(); ++i) {
            const Block& block = circuit.blocks[std::size_t(i)];
            FUZZ_CHECK(block.inputs[0] < i && block.inputs[1] < i,
                       "block " + std::to_string(i) + " reads ahead");
            FUZZ_CHECK(block.function >= 0 && block.function < kGateCodeCount,
                       std::to_string(block.function));
            // Every earlier value was checked to be a bit, or is an input's.
            const std::int32_t a = circuit.blocks[std::size_t(block.inputs[0])].value;
            const std::int32_t b = circuit.blocks[std::size_t(block.inputs[1])].value;
            FUZZ_CHECK(block.value == kGates[block.function][a * 2 + b],
                       "block " + std::to_string(i) + " gene " + std::to_string(block.function));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::checkConvertedFile({reinterpret_cast<const char*>(data), size}, "cgp", convertCgpText, checkGates);
    return 0;
}
