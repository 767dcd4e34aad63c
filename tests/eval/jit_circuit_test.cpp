#include "eval/jit_circuit.h"

#include "eval/compiled_circuit.h"
#include "eval/lane_kernels.h"
#include "model/function_table.h"
#include "support/random_circuit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using LaneWidth = CompiledCircuit::LaneWidth;

bool machineCodeAvailable() {
    return JitCircuit::processorSupported() && JitCircuit::enabledByEnvironment();
}

std::vector<std::uint8_t> randomBytes(std::mt19937& rng, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    // Mostly the extremes and small values, so that comparisons, saturation and wrapping are hit.
    for (auto& byte : bytes) {
        const auto r = static_cast<std::uint32_t>(rng());
        byte = static_cast<std::uint8_t>(r % 4 == 0 ? 255 : r % 4 == 1 ? r % 3 : r >> 8);
    }
    return bytes;
}

// Every function and the fused MIN/MAX pair, alone and over every pair of bytes, give in machine code
// the bytes the lane kernels give, whatever range the function's results have.
TEST(JitCircuit, EveryFunctionGivesTheBytesOfTheLaneKernels) {
    if (!machineCodeAvailable()) GTEST_SKIP() << "no AVX2 or PELLISOR_JIT=0";
    constexpr std::size_t kLanes = 65536;
    std::mt19937 rng(7);
    std::vector<std::uint8_t> a(kLanes + kLanePaddingBytes), b(a.size()),
        c = randomBytes(rng, a.size()), zero(a.size(), 0), expected(a.size()), second(a.size()),
        actual(kLanes);
    for (std::size_t i = 0; i < kLanes; ++i) {
        a[i] = static_cast<std::uint8_t>(i & 0xFF);
        b[i] = static_cast<std::uint8_t>(i >> 8);
    }
    for (std::int32_t id = 0; id <= kFunctionCount + 1; ++id) {
        const bool pair = id > kFunctionCount;
        // Slots: a, b, c, zero, result, second.
        const LaneOperation op{pair ? kMinMaxPair : static_cast<FunctionId>(id), 0, 1, 2, 4, 5};
        std::uint8_t* slots[] = {a.data(), b.data(), c.data(), zero.data(), expected.data(), second.data()};
        runOperations8(&op, 1, slots, kLanes);
        for (const std::uint32_t resultSlot :
             pair ? std::vector<std::uint32_t>{4, 5} : std::vector<std::uint32_t>{4}) {
            const auto code = JitCircuit::compile({&op, 1}, 3, 3, resultSlot);
            ASSERT_NE(code, nullptr) << id;
            const std::uint8_t* inputs[] = {a.data(), b.data(), c.data()};
            code->run(inputs, actual.data(), kLanes / JitCircuit::kStepLanes);
            const std::vector<std::uint8_t>& wanted = resultSlot == 4 ? expected : second;
            ASSERT_TRUE(std::equal(actual.begin(), actual.end(), wanted.begin())) << "function " << id;
        }
    }
}

// Random circuits over all functions, compiled for bytes: where the lanes are bytes, the machine code
// gives the lane kernels' bytes for runs of any length (not only whole steps) read from inputs at any
// alignment, and every function is met in such circuits.
TEST(JitCircuit, RandomCircuitsGiveTheBytesOfTheLaneKernels) {
    if (!machineCodeAvailable()) GTEST_SKIP() << "no AVX2 or PELLISOR_JIT=0";
    std::mt19937 rng(1812);
    std::set<std::int32_t> functionsMet;
    int translated = 0;
    for (int round = 0; round < 400; ++round) {
        test::CircuitShape shape = test::randomShape(rng, 9, 3, 10, 6, 3);
        shape.outputCount = std::max(shape.outputCount, 1);
        Chromosome circuit = test::randomCircuit(rng, shape, true, 31);
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
            // Half of the circuits only from functions that keep bytes, so that most lanes are bytes.
            const std::int32_t id = rng() % 2 == 0 ? static_cast<std::int32_t>(rng() % 52)
                                                   : static_cast<std::int32_t>(rng() % 34);
            assignment.setIdentifier(gene, id == kMuxFunction && shape.arity != 3 ? 10 : id);
        }
        const std::int32_t output =
            static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(shape.outputCount));
        auto compiled = CompiledCircuit::compileForBytes(circuit, assignment, output);
        if (!compiled || compiled->laneWidth() != LaneWidth::Bits8) continue;
        ASSERT_TRUE(compiled->usesMachineCode()) << test::chromosomeLine(circuit);
        ++translated;
        for (std::int32_t index = circuit.inputCount; index < circuit.firstOutput(); ++index)
            functionsMet.insert(
                assignment.identifierOf(circuit.blocks[static_cast<std::size_t>(index)].function));
        CompiledCircuit interpreted = *compiled;
        interpreted.dropMachineCode();
        ASSERT_FALSE(interpreted.usesMachineCode());
        CompiledCircuit::Workspace workspace(*compiled);
        CompiledCircuit::Workspace interpretedWorkspace(interpreted);
        const std::size_t lanes = round % 3 == 0 ? compiled->byteLanes() : 1 + rng() % compiled->byteLanes();
        const std::size_t misalignment = rng() % 64;
        std::vector<std::vector<std::uint8_t>> pictures;
        std::vector<const std::uint8_t*> inputs;
        for (std::int32_t k = 0; k < circuit.inputCount; ++k)
            pictures.push_back(randomBytes(rng, misalignment + lanes));
        for (const auto& picture : pictures)
            inputs.push_back(picture.data() + misalignment);
        // Exactly as long as the run, so that the sanitizer sees every byte read or written past it.
        std::vector<std::uint8_t> actual(lanes), expected(lanes);
        compiled->runBytes(workspace, inputs.data(), lanes, actual.data());
        interpreted.runBytes(interpretedWorkspace, inputs.data(), lanes, expected.data());
        ASSERT_EQ(expected, actual) << test::chromosomeLine(circuit) << " output " << output << ", " << lanes
                                    << " lanes";
    }
    EXPECT_GT(translated, 150);
    for (std::int32_t id = 0; id <= kFunctionCount; ++id)
        EXPECT_TRUE(functionsMet.count(id)) << "function " << id << " never met in 8-bit lanes";
}

// More live values than vector registers: 32 values from the nine inputs, then combined pairwise with
// partners far apart, so that all are live at once and the register allocator spills and reloads.
TEST(JitCircuit, SpilledValuesKeepTheirBytes) {
    if (!machineCodeAvailable()) GTEST_SKIP() << "no AVX2 or PELLISOR_JIT=0";
    const std::vector<std::int32_t> bytePool = {1, 2, 3, 10, 11, 16, 18, 19, 20, 21, 23, 24, 25, 26, 27, 42};
    std::mt19937 rng(64);
    for (int round = 0; round < 20; ++round) {
        std::string genes;
        std::vector<int> level;
        int next = 9;
        for (int k = 0; k < 32; ++k, ++next) {
            genes += "(" + std::to_string(rng() % 9) + "," + std::to_string(rng() % 9) + "," +
                     std::to_string(rng() % bytePool.size()) + ")";
            level.push_back(next);
        }
        while (level.size() > 1) {
            std::vector<int> combined;
            const std::size_t half = level.size() / 2;
            for (std::size_t k = 0; k < half; ++k, ++next) {
                genes += "(" + std::to_string(level[k]) + "," + std::to_string(level[k + half]) + "," +
                         std::to_string(rng() % bytePool.size()) + ")";
                combined.push_back(next);
            }
            level = combined;
        }
        const int blocks = next - 9;
        const Chromosome circuit =
            test::parsed("{9,1," + std::to_string(blocks) + ",1,2," + std::to_string(blocks) + ",-1}" +
                         genes + "(" + std::to_string(level[0]) + ")");
        FunctionAssignment assignment;
        for (std::size_t gene = 0; gene < bytePool.size(); ++gene)
            assignment.setIdentifier(static_cast<std::int32_t>(gene), bytePool[gene]);
        auto compiled = CompiledCircuit::compileForBytes(circuit, assignment, 0);
        ASSERT_TRUE(compiled && compiled->laneWidth() == LaneWidth::Bits8 && compiled->usesMachineCode());
        CompiledCircuit interpreted = *compiled;
        interpreted.dropMachineCode();
        CompiledCircuit::Workspace workspace(*compiled);
        CompiledCircuit::Workspace interpretedWorkspace(interpreted);
        const std::size_t lanes = compiled->byteLanes() - rng() % 100;
        std::vector<std::vector<std::uint8_t>> pictures;
        std::vector<const std::uint8_t*> inputs;
        for (int k = 0; k < 9; ++k)
            inputs.push_back(pictures.emplace_back(randomBytes(rng, lanes)).data());
        std::vector<std::uint8_t> actual(lanes), expected(lanes);
        compiled->runBytes(workspace, inputs.data(), lanes, actual.data());
        interpreted.runBytes(interpretedWorkspace, inputs.data(), lanes, expected.data());
        ASSERT_EQ(expected, actual) << test::chromosomeLine(circuit);
    }
}

// PELLISOR_JIT=0 leaves every circuit to the lane kernels; any other setting allows machine code.
TEST(JitCircuit, TheEnvironmentTurnsItOff) {
    const char* before = std::getenv("PELLISOR_JIT");
    const std::string saved = before ? before : "";
    const Chromosome circuit = test::parsed("{2,1,1,1,2,1,-1}([2]0,1,0)(2)");
    FunctionAssignment assignment;
    assignment.setIdentifier(0, toIdentifier(FunctionId::Max));
    setenv("PELLISOR_JIT", "0", 1);
    EXPECT_FALSE(CompiledCircuit::compileForBytes(circuit, assignment, 0)->usesMachineCode());
    setenv("PELLISOR_JIT", "1", 1);
    EXPECT_EQ(JitCircuit::processorSupported(),
              CompiledCircuit::compileForBytes(circuit, assignment, 0)->usesMachineCode());
    if (before) {
        setenv("PELLISOR_JIT", saved.c_str(), 1);
    } else {
        unsetenv("PELLISOR_JIT");
    }
}

}  // namespace
}  // namespace pellisor
