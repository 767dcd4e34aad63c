// Fuzzed circuits translated to machine code, in whatever lane width their values need, give the
// bytes the lane kernels give for every lane and the plain evaluator's output for the first lanes.
// The instruction set alternates between those the processor has.
//
// Input: two bytes that spread the function identifiers over the genes (gene g gets identifier
// (first + g * step) mod 52), one byte for the length of the run, a chromosome line up to a NUL
// (inputs whose line does not parse are skipped), then bytes that seed the input lanes.
#include "fuzz_support.h"

#include "eval/compiled_circuit.h"
#include "eval/evaluator.h"
#include "eval/jit_circuit.h"
#include "model/error.h"
#include "model/function_table.h"

#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace pellisor;

constexpr std::int32_t kMaxEntries = 4096;
// Lanes checked against the plain evaluator, which walks the whole circuit for each.
constexpr std::size_t kPlainLanes = 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::int32_t first = input.byte();
    const std::int32_t step = input.byte() | 1;
    const std::uint8_t length = input.byte();
    const auto circuit = fuzz::placedCircuit(input.part(), kMaxEntries);
    const std::vector<JitCircuit::InstructionSet> sets = JitCircuit::availableInstructionSets();
    if (!circuit || !circuit->hasCircuit() || sets.empty() || !JitCircuit::enabledByEnvironment()) return 0;
    FunctionAssignment assignment;
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        assignment.setIdentifier(gene, (first + gene * step) % (kFunctionCount + 1));
    try {
        CompiledCircuit::checkEvaluable(*circuit, assignment);
    } catch (const Error&) {
        return 0;  // the plain evaluator refuses it as well
    }
    if (CompiledCircuit::dependsOnHistory(*circuit, assignment)) return 0;
    setenv("PELLISOR_JIT_ISA",
           sets[length % sets.size()] == JitCircuit::InstructionSet::Avx512 ? "avx512" : "avx2", 1);
    std::mt19937 rng(static_cast<std::uint32_t>(std::hash<std::string_view>{}(input.rest())));

    for (std::int32_t output = 0; output < circuit->outputCount; ++output) {
        auto compiled = CompiledCircuit::compileForBytes(*circuit, assignment, output);
        if (!compiled) continue;
        FUZZ_CHECK(compiled->usesMachineCode(),
                   "a circuit was not translated, output " + std::to_string(output));
        CompiledCircuit interpreted = *compiled;
        interpreted.dropMachineCode();
        CompiledCircuit::Workspace workspace(*compiled);
        CompiledCircuit::Workspace interpretedWorkspace(interpreted);
        // Runs of every length up to the longest, whole steps and the lanes left over.
        const std::size_t lanes = 1 + length * (compiled->byteLanes() - 1) / 255;
        std::vector<std::vector<std::uint8_t>> pictures(static_cast<std::size_t>(circuit->inputCount));
        std::vector<const std::uint8_t*> inputs;
        for (auto& picture : pictures) {
            picture.resize(lanes);
            for (auto& byte : picture) {
                const auto r = static_cast<std::uint32_t>(rng());
                byte = static_cast<std::uint8_t>(r % 4 == 0 ? 255 : r % 4 == 1 ? r % 3 : r >> 8);
            }
            inputs.push_back(picture.data());
        }
        std::vector<std::uint8_t> actual(lanes), expected(lanes);
        compiled->runBytes(workspace, inputs.data(), lanes, actual.data());
        interpreted.runBytes(interpretedWorkspace, inputs.data(), lanes, expected.data());
        const std::string where = "output " + std::to_string(output) + ", " +
                                  std::to_string(static_cast<int>(compiled->laneWidth())) + "-bit lanes, " +
                                  JitCircuit::nameOf(compiled->machineCode()->instructionSet()) + ", lane ";
        for (std::size_t i = 0; i < lanes; ++i) {
            FUZZ_CHECK(actual[i] == expected[i], where + std::to_string(i) + ": " +
                                                     std::to_string(actual[i]) + " against the kernels' " +
                                                     std::to_string(expected[i]));
        }
        Chromosome plain = *circuit;
        for (std::size_t i = 0; i < std::min(lanes, kPlainLanes); ++i) {
            for (std::int32_t k = 0; k < plain.inputCount; ++k)
                plain.blocks[static_cast<std::size_t>(k)].value = inputs[static_cast<std::size_t>(k)][i];
            evaluate(plain, assignment);
            const auto value = static_cast<std::uint8_t>(
                plain.blocks[static_cast<std::size_t>(plain.firstOutput() + output)].value & 0xFF);
            FUZZ_CHECK(actual[i] == value, where + std::to_string(i) + ": " + std::to_string(actual[i]) +
                                               " against the plain evaluator's " + std::to_string(value));
        }
    }
    unsetenv("PELLISOR_JIT_ISA");
    return 0;
}
