#include "eval/jit_circuit.h"

#include "eval/compiled_circuit.h"
#include "eval/image_filter.h"
#include "eval/lane_kernels.h"
#include "model/function_table.h"
#include "support/edgy_values.h"
#include "support/random_circuit.h"
#include "support/random_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using LaneWidth = CompiledCircuit::LaneWidth;
using InstructionSet = JitCircuit::InstructionSet;

// Sets an environment variable for as long as it lives (nothing: unsets it).
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* before = std::getenv(name)) saved_ = before;
        set(value);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;
    ~ScopedVariable() { set(saved_); }

private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_, value->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> saved_;
};

// Each instruction set this processor has, unless the environment turns the translation off.
std::vector<InstructionSet> instructionSets() {
    if (!JitCircuit::enabledByEnvironment()) return {};
    return JitCircuit::availableInstructionSets();
}

using test::edgyValue;

void runKernels(const LaneOperation& op, std::uint8_t* const* slots, std::size_t lanes) {
    runOperations8(&op, 1, slots, lanes);
}
void runKernels(const LaneOperation& op, std::int16_t* const* slots, std::size_t lanes) {
    runOperations16(&op, 1, slots, lanes);
}
void runKernels(const LaneOperation& op, std::int32_t* const* slots, std::size_t lanes) {
    runOperations32(&op, 1, slots, lanes);
}

// Every function and the fused MIN/MAX pair, alone, in machine code of one instruction set and lane
// width give the lanes the lane kernels give, for any operands (bytes: every pair of bytes).
template <typename T>
void checkEveryFunction(InstructionSet set) {
    const ScopedVariable isa("PELLISOR_JIT_ISA", std::string(JitCircuit::variableNameOf(set)));
    constexpr std::size_t kLanes = 3 << 16;  // whole steps of one to four vectors
    std::mt19937 rng(7);
    std::vector<T> a(kLanes + kLanePaddingBytes), b(a.size()), c(a.size()), zero(a.size(), 0),
        expected(a.size()), second(a.size()), actual(kLanes), actualSecond(kLanes);
    for (std::size_t i = 0; i < kLanes; ++i) {
        a[i] = sizeof(T) == 1 ? static_cast<T>(i & 0xFF) : edgyValue<T>(rng);
        b[i] = sizeof(T) == 1 ? static_cast<T>((i >> 8) & 0xFF) : edgyValue<T>(rng);
        c[i] = rng() % 3 == 0 ? T{0} : edgyValue<T>(rng);
    }
    for (std::int32_t id = 0; id <= kFunctionCount + 1; ++id) {
        const bool pair = id > kFunctionCount;
        const ScopedVariable vectors("PELLISOR_JIT_VECTORS", std::to_string(1 + id % 4));
        // Slots: a, b, c, zero, result, second.
        const LaneOperation op{pair ? kMinMaxPair : static_cast<FunctionId>(id), 0, 1, 2, 4, 5};
        T* slots[] = {a.data(), b.data(), c.data(), zero.data(), expected.data(), second.data()};
        runKernels(op, slots, kLanes);
        const std::vector<std::uint32_t> results =
            pair ? std::vector<std::uint32_t>{4, 5} : std::vector<std::uint32_t>{4};
        const auto code = JitCircuit::compile({&op, 1}, 3, 3, results, int{sizeof(T)} * 8);
        ASSERT_NE(code, nullptr) << id;
        ASSERT_EQ(code->instructionSet(), set);
        const void* inputs[] = {a.data(), b.data(), c.data()};
        void* outputs[] = {actual.data(), actualSecond.data()};
        code->run(inputs, outputs, kLanes / code->stepLanes());
        const std::string where = "function " + std::to_string(id) + ", " + std::to_string(sizeof(T) * 8) +
                                  "-bit lanes, " + JitCircuit::nameOf(set);
        ASSERT_TRUE(std::equal(actual.begin(), actual.end(), expected.begin())) << where;
        if (pair) {
            ASSERT_TRUE(std::equal(actualSecond.begin(), actualSecond.end(), second.begin())) << where;
        }
    }
}

// The same with bytes in and out, as the filter runs the wider lanes: every pair of bytes widened to
// the lanes, and the low byte of each result stored.
template <typename T>
void checkEveryFunctionOnBytes(InstructionSet set) {
    const ScopedVariable isa("PELLISOR_JIT_ISA", std::string(JitCircuit::variableNameOf(set)));
    constexpr std::size_t kLanes = 3 << 16;
    std::mt19937 rng(8);
    std::vector<std::uint8_t> a(kLanes), b(kLanes), c(kLanes), actual(kLanes), actualSecond(kLanes);
    std::vector<T> wideA(kLanes + kLanePaddingBytes), wideB(wideA.size()), wideC(wideA.size()),
        zero(wideA.size(), 0), expected(wideA.size()), second(wideA.size());
    for (std::size_t i = 0; i < kLanes; ++i) {
        wideA[i] = a[i] = static_cast<std::uint8_t>(i & 0xFF);
        wideB[i] = b[i] = static_cast<std::uint8_t>((i >> 8) & 0xFF);
        wideC[i] = c[i] = rng() % 3 == 0 ? 0 : static_cast<std::uint8_t>(rng());
    }
    for (std::int32_t id = 0; id <= kFunctionCount + 1; ++id) {
        const bool pair = id > kFunctionCount;
        const ScopedVariable vectors("PELLISOR_JIT_VECTORS", std::to_string(1 + id % 4));
        const LaneOperation op{pair ? kMinMaxPair : static_cast<FunctionId>(id), 0, 1, 2, 4, 5};
        T* slots[] = {wideA.data(), wideB.data(), wideC.data(), zero.data(), expected.data(), second.data()};
        runKernels(op, slots, kLanes);
        const std::vector<std::uint32_t> results =
            pair ? std::vector<std::uint32_t>{4, 5} : std::vector<std::uint32_t>{4};
        const auto code = JitCircuit::compile({&op, 1}, 3, 3, results, int{sizeof(T)} * 8, true);
        ASSERT_NE(code, nullptr) << id;
        const void* inputs[] = {a.data(), b.data(), c.data()};
        void* outputs[] = {actual.data(), actualSecond.data()};
        code->run(inputs, outputs, kLanes / code->stepLanes());
        auto lowBytesMatch = [&](const std::vector<std::uint8_t>& bytes, const std::vector<T>& lanes) {
            for (std::size_t i = 0; i < kLanes; ++i) {
                if (bytes[i] != static_cast<std::uint8_t>(lanes[i] & 0xFF)) return false;
            }
            return true;
        };
        const std::string where = "function " + std::to_string(id) + ", bytes in " +
                                  std::to_string(sizeof(T) * 8) + "-bit lanes, " + JitCircuit::nameOf(set);
        ASSERT_TRUE(lowBytesMatch(actual, expected)) << where;
        if (pair) {
            ASSERT_TRUE(lowBytesMatch(actualSecond, second)) << where;
        }
    }
}

TEST(JitCircuit, EveryFunctionGivesTheLanesOfTheKernelsInEveryWidthAndInstructionSet) {
    if (instructionSets().empty()) GTEST_SKIP() << "no AVX2 or PELLISOR_JIT=0";
    for (const InstructionSet set : instructionSets()) {
        checkEveryFunction<std::uint8_t>(set);
        checkEveryFunction<std::int16_t>(set);
        checkEveryFunction<std::int32_t>(set);
        checkEveryFunctionOnBytes<std::int16_t>(set);
        checkEveryFunctionOnBytes<std::int32_t>(set);
    }
}

// A function identifier for a gene: from functions that keep bytes, from those that need 16 bits,
// or from anywhere, by the pool the round draws from.
std::int32_t drawFunction(std::mt19937& rng, int pool, std::int32_t arity) {
    static const std::vector<std::int32_t> bytePool = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                                       12, 16, 17, 18, 20, 21, 22, 23, 24, 25, 26,
                                                       27, 28, 29, 30, 31, 32, 33, 42, 0};
    static const std::vector<std::int32_t> halfPool = {13, 14, 19, 34, 35, 36, 43, 44, 10,
                                                       11, 25, 26, 27, 21, 1,  2,  3};
    std::int32_t id = static_cast<std::int32_t>(rng() % 52);
    if (pool == 0) id = bytePool[rng() % bytePool.size()];
    if (pool == 1)
        id = rng() % 2 == 0 ? halfPool[rng() % halfPool.size()] : bytePool[rng() % bytePool.size()];
    if (arity == 3 && rng() % 8 == 0) id = kMuxFunction;
    return id == kMuxFunction && arity != 3 ? 10 : id;
}

// The 3x3 filter in machine code of each instruction set gives the plain per-pixel picture, its red
// frame and the circuit's final state, in every lane width, for pictures whose rows are no whole
// number of vectors and for steps of one to four vectors.
TEST(JitCircuit, FilterMatchesThePlainEvaluatorInEveryInstructionSet) {
    if (instructionSets().empty()) GTEST_SKIP() << "no AVX2 or PELLISOR_JIT=0";
    for (const InstructionSet set : instructionSets()) {
        const ScopedVariable isa("PELLISOR_JIT_ISA", std::string(JitCircuit::variableNameOf(set)));
        std::mt19937 rng(set == InstructionSet::Avx2 ? 1812 : 1813);
        std::set<LaneWidth> widths;
        for (int round = 0; round < 150; ++round) {
            const ScopedVariable vectors(
                "PELLISOR_JIT_VECTORS",
                round % 5 == 0 ? std::nullopt : std::optional(std::to_string(round % 4 + 1)));
            test::CircuitShape shape = test::randomShape(rng, 9, 3, 8, 6, 3);
            shape.inputCount = 9;
            shape.outputCount = std::max(shape.outputCount, 1);
            Chromosome circuit = test::randomCircuit(rng, shape, true, 31);
            FunctionAssignment assignment;
            for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
                assignment.setIdentifier(gene, drawFunction(rng, round % 3, shape.arity));
            const auto compiled = CompiledCircuit::compileForBytes(circuit, assignment, 0);
            ASSERT_TRUE(compiled && compiled->usesMachineCode()) << test::chromosomeLine(circuit);
            ASSERT_EQ(compiled->machineCode()->instructionSet(), set);
            widths.insert(compiled->laneWidth());
            const std::int32_t pictureWidths[] = {3, 5, 37, 93, 345, 700};
            const RgbImage source =
                test::randomPicture(rng, pictureWidths[rng() % 6], 3 + static_cast<std::int32_t>(rng() % 4));
            Chromosome plainCircuit = circuit;
            const RgbImage expected = filterImage3x3Plain(plainCircuit, assignment, source);
            const RgbImage actual = *filterImage3x3(circuit, assignment, source);
            ASSERT_EQ(expected.pixels, actual.pixels)
                << test::chromosomeLine(circuit) << " in " << static_cast<int>(compiled->laneWidth())
                << "-bit lanes, " << JitCircuit::nameOf(set) << ", width " << source.width;
            for (std::size_t i = 0; i < circuit.blocks.size(); ++i)
                ASSERT_EQ(plainCircuit.blocks[i].value, circuit.blocks[i].value) << "entry " << i;
        }
        EXPECT_EQ(widths.size(), 3u) << JitCircuit::nameOf(set);
    }
}

// Several entries at once in 32-bit lanes, as scripts and the error metrics read them: machine code
// gives every entry's lanes as the lane kernels do, for any number of lanes.
TEST(JitCircuit, EntriesGiveTheLanesOfTheKernelsInEveryInstructionSet) {
    if (instructionSets().empty()) GTEST_SKIP() << "no AVX2 or PELLISOR_JIT=0";
    for (const InstructionSet set : instructionSets()) {
        const ScopedVariable isa("PELLISOR_JIT_ISA", std::string(JitCircuit::variableNameOf(set)));
        std::mt19937 rng(77);
        for (int round = 0; round < 100; ++round) {
            test::CircuitShape shape = test::randomShape(rng, 12, 4, 8, 5, 3);
            Chromosome circuit = test::randomCircuit(rng, shape, true, 31);
            FunctionAssignment assignment;
            for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
                assignment.setIdentifier(gene, drawFunction(rng, 2, shape.arity));
            std::vector<std::int32_t> entries;
            for (int k = 0; k < 4; ++k)
                entries.push_back(
                    static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(circuit.blockTotal())));
            auto compiled = CompiledCircuit::compileEntries(circuit, assignment, entries);
            if (!compiled) continue;
            ASSERT_TRUE(compiled->usesMachineCode());
            CompiledCircuit interpreted = *compiled;
            interpreted.dropMachineCode();
            CompiledCircuit::Workspace workspace(*compiled);
            CompiledCircuit::Workspace interpretedWorkspace(interpreted);
            const std::size_t lanes = 1 + rng() % CompiledCircuit::kLanes;
            for (std::int32_t k = 0; k < circuit.inputCount; ++k) {
                std::int32_t* lanesOf = compiled->inputLanes(workspace, k);
                for (std::size_t i = 0; i < lanes; ++i)
                    lanesOf[i] = edgyValue<std::int32_t>(rng);
                std::copy(lanesOf, lanesOf + lanes, interpreted.inputLanes(interpretedWorkspace, k));
            }
            compiled->run(workspace, lanes);
            interpreted.run(interpretedWorkspace, lanes);
            for (std::size_t e = 0; e < entries.size(); ++e) {
                const std::int32_t* actual = compiled->entryLanes(workspace, e);
                const std::int32_t* expected = interpreted.entryLanes(interpretedWorkspace, e);
                ASSERT_TRUE(std::equal(actual, actual + lanes, expected))
                    << test::chromosomeLine(circuit) << " entry " << entries[e] << ", "
                    << JitCircuit::nameOf(set);
            }
        }
    }
}

// More live values than vector registers: 32 values from the nine inputs, then combined pairwise with
// partners far apart, so that all are live at once and the register allocator spills and reloads.
TEST(JitCircuit, SpilledValuesKeepTheirBytes) {
    if (instructionSets().empty()) GTEST_SKIP() << "no AVX2 or PELLISOR_JIT=0";
    const std::vector<std::int32_t> bytePool = {1, 2, 3, 10, 11, 16, 18, 19, 20, 21, 23, 24, 25, 26, 27, 42};
    std::mt19937 rng(64);
    for (int round = 0; round < 20; ++round) {
        const InstructionSet set =
            instructionSets()[static_cast<std::size_t>(round) % instructionSets().size()];
        const ScopedVariable isa("PELLISOR_JIT_ISA", std::string(JitCircuit::variableNameOf(set)));
        const ScopedVariable vectors("PELLISOR_JIT_VECTORS", std::to_string(round % 4 + 1));
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
        for (int k = 0; k < 9; ++k) {
            std::vector<std::uint8_t>& picture = pictures.emplace_back(lanes);
            for (auto& byte : picture)
                byte = edgyValue<std::uint8_t>(rng);
            inputs.push_back(picture.data());
        }
        // Exactly as long as the run, so that the sanitizer sees every byte read or written past it.
        std::vector<std::uint8_t> actual(lanes), expected(lanes);
        compiled->runBytes(workspace, inputs.data(), lanes, actual.data());
        interpreted.runBytes(interpretedWorkspace, inputs.data(), lanes, expected.data());
        ASSERT_EQ(expected, actual) << test::chromosomeLine(circuit) << ", " << JitCircuit::nameOf(set);
    }
}

// PELLISOR_JIT=0 leaves every circuit to the lane kernels, PELLISOR_JIT_ISA picks the instruction set
// among those the processor has, and the same circuit and assignment compile to machine code once.
TEST(JitCircuit, TheEnvironmentChoosesAndTranslationsAreKept) {
    const Chromosome circuit = test::parsed("{2,1,1,1,2,1,-1}([2]0,1,0)(2)");
    FunctionAssignment assignment;
    assignment.setIdentifier(0, toIdentifier(FunctionId::Max));
    {
        const ScopedVariable off("PELLISOR_JIT", std::string("0"));
        EXPECT_FALSE(CompiledCircuit::compileForBytes(circuit, assignment, 0)->usesMachineCode());
        EXPECT_FALSE(JitCircuit::chosenInstructionSet().has_value());
    }
    const ScopedVariable on("PELLISOR_JIT", std::string("1"));
    EXPECT_EQ(JitCircuit::processorSupported(),
              CompiledCircuit::compileForBytes(circuit, assignment, 0)->usesMachineCode());
    for (const InstructionSet set : instructionSets()) {
        const ScopedVariable isa("PELLISOR_JIT_ISA", std::string(JitCircuit::variableNameOf(set)));
        const auto first = CompiledCircuit::compileForBytes(circuit, assignment, 0);
        const auto second = CompiledCircuit::compileForBytes(circuit, assignment, 0);
        EXPECT_EQ(first->machineCode()->instructionSet(), set);
        EXPECT_EQ(first->machineCode(), second->machineCode());
        FunctionAssignment other = assignment;
        other.setIdentifier(0, toIdentifier(FunctionId::Min));
        EXPECT_NE(first->machineCode(), CompiledCircuit::compileForBytes(circuit, other, 0)->machineCode());
    }
    // A name the processor has no instructions for leaves the choice to the processor.
    const auto preferred = JitCircuit::chosenInstructionSet();
    const ScopedVariable unknown("PELLISOR_JIT_ISA", std::string("sse2"));
    EXPECT_EQ(JitCircuit::chosenInstructionSet(), preferred);
}

}  // namespace
}  // namespace pellisor
