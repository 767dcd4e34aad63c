#include "eval/aarch64_emulator.h"
#include "eval/jit_circuit.h"
#include "eval/lane_kernels.h"
#include "model/function_table.h"

#include "support/edgy_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace pellisor {
namespace {

// Operations over slots as a compiled circuit hands them to the translation.
struct SlotCircuit {
    std::vector<LaneOperation> operations;
    std::uint32_t inputSlots = 0;
    std::uint32_t zeroSlot = 0;
    std::uint32_t slotCount = 0;
    std::vector<std::uint32_t> resultSlots;
};

using test::edgyValue;

void runKernels(const SlotCircuit& circuit, std::uint8_t* const* slots, std::size_t lanes) {
    runOperations8(circuit.operations.data(), circuit.operations.size(), slots, lanes);
}
void runKernels(const SlotCircuit& circuit, std::int16_t* const* slots, std::size_t lanes) {
    runOperations16(circuit.operations.data(), circuit.operations.size(), slots, lanes);
}
void runKernels(const SlotCircuit& circuit, std::int32_t* const* slots, std::size_t lanes) {
    runOperations32(circuit.operations.data(), circuit.operations.size(), slots, lanes);
}

// The value of input `input` in lane `lane`, drawn in lane order (bytes when the inputs are bytes).
template <typename T>
using LaneDraw = std::function<T(std::mt19937& rng, std::uint32_t input, std::size_t lane)>;

// The translation of the circuit in T lanes, run in the emulator over at least `lanes` lanes, writes
// what the lane kernels compute, lane for lane (with bytes in and out: the low byte of each lane).
template <typename T>
void expectKernelLanes(const JitCircuit::ForeignCode& code, const SlotCircuit& circuit, bool bytesInAndOut,
                       std::size_t lanes, const LaneDraw<T>& draw, const std::string& where) {
    ASSERT_GT(code.stepLanes, 0u) << where;
    ASSERT_EQ(code.stepReach, code.stepLanes * (bytesInAndOut ? 1 : sizeof(T))) << where;
    const std::size_t steps = (lanes + code.stepLanes - 1) / code.stepLanes;
    lanes = steps * code.stepLanes;
    std::vector<std::vector<T>> slots(circuit.slotCount, std::vector<T>(lanes + kLanePaddingBytes, T{0}));
    std::vector<std::vector<std::uint8_t>> inputs;
    for (std::uint32_t s = 0; s < circuit.inputSlots; ++s) {
        std::mt19937 rng(s * 7919 + static_cast<std::uint32_t>(lanes));
        std::vector<std::uint8_t>& block = inputs.emplace_back(steps * code.stepReach);
        for (std::size_t i = 0; i < lanes; ++i) {
            const T value = draw(rng, s, i);
            slots[s][i] = value;
            if (bytesInAndOut) {
                ASSERT_TRUE(value >= 0 && value <= 255) << "a drawn byte is " << +value;
                block[i] = static_cast<std::uint8_t>(value);
            } else {
                std::memcpy(&block[i * sizeof(T)], &value, sizeof(T));
            }
        }
    }
    std::vector<T*> slotPointers;
    for (std::vector<T>& slot : slots)
        slotPointers.push_back(slot.data());
    runKernels(circuit, slotPointers.data(), lanes);

    const std::vector<std::vector<std::uint8_t>> outputs =
        test::runInAArch64Emulator(code, inputs, circuit.resultSlots.size(), steps);
    for (std::size_t r = 0; r < circuit.resultSlots.size(); ++r) {
        const std::vector<T>& expected = slots[circuit.resultSlots[r]];
        for (std::size_t i = 0; i < lanes; ++i) {
            T actual{};
            if (bytesInAndOut) {
                actual = static_cast<T>(outputs[r][i]);
            } else {
                std::memcpy(&actual, &outputs[r][i * sizeof(T)], sizeof(T));
            }
            const T wanted = bytesInAndOut ? static_cast<T>(expected[i] & 0xFF) : expected[i];
            if (actual == wanted) continue;
            std::string operands;
            for (std::uint32_t s = 0; s < circuit.inputSlots; ++s)
                operands += " " + std::to_string(+slots[s][i]);
            FAIL() << where << ": result " << r << " (slot " << circuit.resultSlots[r] << "), lane " << i
                   << " is " << +actual << ", the kernels give " << +wanted << "; inputs" << operands;
        }
    }
}

// Translates the circuit for AArch64 and checks it against the kernels; a missing translation fails.
template <typename T>
void expectTranslationMatches(const SlotCircuit& circuit, bool bytesInAndOut, int vectors, std::size_t lanes,
                              const LaneDraw<T>& draw, const std::string& where) {
    const std::optional<JitCircuit::ForeignCode> code =
        JitCircuit::compileForAArch64(circuit.operations, circuit.inputSlots, circuit.zeroSlot,
                                      circuit.resultSlots, int{sizeof(T)} * 8, bytesInAndOut, vectors);
    ASSERT_TRUE(code.has_value()) << "no translation for AArch64: " << where;
    expectKernelLanes<T>(*code, circuit, bytesInAndOut, lanes, draw, where);
}

std::string modeName(int laneBits, bool bytesInAndOut, int vectors) {
    return std::to_string(laneBits) + "-bit lanes" + (bytesInAndOut ? ", bytes in and out" : "") + ", " +
           std::to_string(vectors) + " vectors per step";
}

// Every function and the fused MIN/MAX pair over the same operands a, b, c (slots 0 ... 2, zero in
// slot 3), each into its own result slot; the functions are split into four circuits, translated
// with one to four vectors per step. Bytes: every pair of a and b; wider lanes: their extremes.
template <typename T>
void checkEveryFunction(bool bytesInAndOut) {
    const bool bytes = bytesInAndOut || sizeof(T) == 1;
    for (int group = 0; group < 4; ++group) {
        SlotCircuit circuit{{}, 3, 3, 4, {}};
        std::vector<std::int32_t> functions;
        for (std::int32_t id = group; id <= kFunctionCount + 1; id += 4) {
            const bool pair = id > kFunctionCount;
            const std::uint32_t result = circuit.slotCount++;
            const std::uint32_t second = pair ? circuit.slotCount++ : 0;
            circuit.operations.push_back(
                {pair ? kMinMaxPair : static_cast<FunctionId>(id), 0, 1, 2, result, second});
            circuit.resultSlots.push_back(result);
            functions.push_back(id);
            if (pair) circuit.resultSlots.push_back(second);
        }
        const LaneDraw<T> draw = [bytes](std::mt19937& rng, std::uint32_t input, std::size_t lane) -> T {
            if (input == 2) {
                if (rng() % 3 == 0) return T{0};
                return bytes ? static_cast<T>(rng() & 0xFF) : edgyValue<T>(rng);
            }
            if (bytes) return static_cast<T>((input == 0 ? lane : lane >> 8) & 0xFF);
            return edgyValue<T>(rng);
        };
        std::string where = modeName(int{sizeof(T)} * 8, bytesInAndOut, group + 1) + ", functions";
        for (const std::int32_t id : functions)
            where += id > kFunctionCount ? " and the MIN/MAX pair" : " " + std::to_string(id);
        expectTranslationMatches<T>(circuit, bytesInAndOut, group + 1, 1 << 16, draw, where);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(JitAArch64, EveryFunctionGivesTheLanesOfTheKernelsInEveryWidth) {
    if (const std::string missing = test::aarch64EmulatorMissing(); !missing.empty()) GTEST_SKIP() << missing;
    for (const auto& check : {checkEveryFunction<std::uint8_t>, checkEveryFunction<std::int16_t>,
                              checkEveryFunction<std::int32_t>}) {
        for (const bool bytesInAndOut : {false, true}) {
            check(bytesInAndOut);
            if (HasFatalFailure()) return;
        }
    }
}

// Random operations placed in slots as the compiler places them: operands read the inputs, the zero
// slot or earlier results, a MIN followed by the MAX of the same operands is one fused pair, a slot
// is reused once its value's last reader has run, and the results are a few values (an input, at
// times, and the same value twice).
SlotCircuit randomSlotCircuit(std::mt19937& rng) {
    struct Pending {
        FunctionId function;
        std::int32_t operands[3];  // below inputSlots an input, inputSlots the zero slot, then operations
    };
    SlotCircuit circuit;
    circuit.inputSlots = static_cast<std::uint32_t>(1 + rng() % 9);
    circuit.zeroSlot = circuit.inputSlots;
    const auto sources = static_cast<std::int32_t>(circuit.inputSlots) + 1;
    std::vector<Pending> pending;
    std::vector<bool> pairedWithNext;
    const std::size_t count = 1 + rng() % 24;
    while (pending.size() < count) {
        const auto known = sources + static_cast<std::int32_t>(pending.size());
        auto operand = [&] {
            // Mostly recent values, so that chains grow deep.
            if (rng() % 2 == 0 && known > sources)
                return known - 1 - static_cast<std::int32_t>(rng() % 3 % (known - sources));
            return static_cast<std::int32_t>(rng() % static_cast<std::uint32_t>(known));
        };
        Pending op{static_cast<FunctionId>(rng() % (kFunctionCount + 1)), {operand(), operand(), operand()}};
        if (rng() % 6 == 0) {
            op.function = FunctionId::Min;
            pending.push_back(op);
            pairedWithNext.push_back(true);
            op.function = FunctionId::Max;
        }
        pending.push_back(op);
        pairedWithNext.push_back(false);
    }
    std::vector<std::int32_t> roots;
    for (std::uint32_t k = 1 + rng() % 4; k > 0; --k)
        roots.push_back(rng() % 8 == 0 ? static_cast<std::int32_t>(rng() % circuit.inputSlots)
                                       : sources + static_cast<std::int32_t>(rng() % pending.size()));

    const std::size_t values = static_cast<std::size_t>(sources) + pending.size();
    std::vector<std::size_t> lastUse(values, 0);
    std::vector<bool> read(values, false);
    for (std::size_t q = 0; q < pending.size(); ++q) {
        for (const std::int32_t operand : pending[q].operands) {
            lastUse[static_cast<std::size_t>(operand)] = q;
            read[static_cast<std::size_t>(operand)] = true;
        }
    }
    for (const std::int32_t root : roots)
        lastUse[static_cast<std::size_t>(root)] = SIZE_MAX;
    std::vector<std::uint32_t> slotOf(values);
    for (std::uint32_t s = 0; s <= circuit.zeroSlot; ++s)
        slotOf[s] = s;
    circuit.slotCount = circuit.zeroSlot + 1;
    std::vector<std::uint32_t> freeSlots;
    std::vector<LaneOperation> placed;
    for (std::size_t q = 0; q < pending.size(); ++q) {
        std::uint32_t result = 0;
        if (freeSlots.empty()) {
            result = circuit.slotCount++;
        } else {
            result = freeSlots.back();
            freeSlots.pop_back();
        }
        const Pending& op = pending[q];
        placed.push_back({op.function, slotOf[static_cast<std::size_t>(op.operands[0])],
                          slotOf[static_cast<std::size_t>(op.operands[1])],
                          slotOf[static_cast<std::size_t>(op.operands[2])], result});
        slotOf[static_cast<std::size_t>(sources) + q] = result;
        for (const std::int32_t operand : op.operands) {
            const auto value = static_cast<std::size_t>(operand);
            if (operand >= sources && read[value] && lastUse[value] == q) {
                read[value] = false;  // freed once, even when read twice
                freeSlots.push_back(slotOf[value]);
            }
        }
    }
    for (std::size_t q = 0; q < placed.size(); ++q) {
        if (!pairedWithNext[q]) {
            circuit.operations.push_back(placed[q]);
            continue;
        }
        LaneOperation pair = placed[q];
        pair.function = kMinMaxPair;
        pair.second = placed[++q].result;
        circuit.operations.push_back(pair);
    }
    for (const std::int32_t root : roots)
        circuit.resultSlots.push_back(slotOf[static_cast<std::size_t>(root)]);
    return circuit;
}

// Random circuits in every width, with bytes in and out or not and one to four vectors per step, over
// lane counts that leave the last step partly beyond the drawn lanes (and none at all).
TEST(JitAArch64, RandomCircuitsGiveTheLanesOfTheKernels) {
    if (const std::string missing = test::aarch64EmulatorMissing(); !missing.empty()) GTEST_SKIP() << missing;
    std::mt19937 rng(2024);
    for (int round = 0; round < 48; ++round) {
        const SlotCircuit circuit = randomSlotCircuit(rng);
        const bool bytesInAndOut = round % 2 == 1;
        const int vectors = 1 + round / 2 % 4;
        const std::size_t lanes = round == 0 ? 0 : 1 + rng() % 3000;
        std::string where = modeName(8 << (round / 8 % 3), bytesInAndOut, vectors) + ", round " +
                            std::to_string(round) + ", operations";
        for (const LaneOperation& op : circuit.operations)
            where += " " + std::to_string(static_cast<int>(op.function)) + "(" + std::to_string(op.a) + "," +
                     std::to_string(op.b) + "," + std::to_string(op.c) + ")->" + std::to_string(op.result) +
                     (op.function == kMinMaxPair ? "," + std::to_string(op.second) : "");
        auto check = [&](auto zero) {
            using T = decltype(zero);
            const LaneDraw<T> draw = [bytesInAndOut](std::mt19937& r, std::uint32_t, std::size_t) {
                return bytesInAndOut ? static_cast<T>(edgyValue<std::uint8_t>(r)) : edgyValue<T>(r);
            };
            expectTranslationMatches<T>(circuit, bytesInAndOut, vectors, lanes, draw, where);
        };
        switch (round / 8 % 3) {
            case 0:
                check(std::uint8_t{});
                break;
            case 1:
                check(std::int16_t{});
                break;
            default:
                check(std::int32_t{});
        }
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace pellisor
