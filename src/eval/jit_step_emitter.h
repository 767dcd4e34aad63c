#pragma once

// The meaning of every function of the set as vector instructions, for any instruction set: one
// step of a compiled circuit's operations with every slot's lanes in registers. Each backend gives
// the instructions (Ops), this gives the order, the sharing of equal values and the functions.

#include "eval/lane_kernels.h"
#include "model/function_table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace pellisor::jit {

constexpr int kMostVectors = 4;

// What one step covers: `vectors` vectors of vectorBytes bytes, lanes of laneBytes bytes.
struct StepShape {
    int vectorBytes = 32;
    int laneBytes = 1;
    int vectors = 2;
    // Inputs and outputs are bytes, widened to the lanes and cut back, rather than lanes.
    bool bytesInAndOut = false;

    int lanesPerVector() const { return vectorBytes / laneBytes; }
    int stepLanes() const { return vectors * lanesPerVector(); }
    // How far one vector, and one step, reaches into each input and output.
    int vectorReach() const { return bytesInAndOut ? lanesPerVector() : vectorBytes; }
    int stepReach() const { return vectors * vectorReach(); }
};

struct CircuitSlots {
    std::uint32_t inputSlots = 0;
    std::uint32_t zeroSlot = 0;
    std::span<const std::uint32_t> resultSlots;
};

// How many slots the operations and results name.
std::size_t slotsUsed(std::span<const LaneOperation> operations, const CircuitSlots& slots);

// The most values one vector of lanes holds at once while the operations run: how many registers a
// step of one vector needs before it has to spill.
std::size_t mostLiveValues(std::span<const LaneOperation> operations, const CircuitSlots& slots);

// Emits one step of the operations, every slot's lanes in registers, with the instructions of Ops
// (one instruction set and lane width): Ops::Vec is a vector register, Ops::Const what splat gives
// for a constant operand, and Ops loads the inputs' lanes of the step and stores the results'.
template <class Ops>
class StepEmitter {
public:
    using Vec = typename Ops::Vec;
    using Const = typename Ops::Const;

    // One slot's value: a register per vector of the step.
    struct Values {
        std::array<Vec, kMostVectors> at;
    };

    StepEmitter(Ops& ops, int vectors, std::uint32_t inputSlots, std::uint32_t zeroSlot,
                std::size_t slotCount)
        : ops_(ops),
          vectors_(static_cast<std::size_t>(vectors)),
          inputSlots_(inputSlots),
          zeroSlot_(zeroSlot),
          values_(slotCount) {}

    // False for an operation it cannot translate: a slot out of range or never written.
    bool emit(const LaneOperation& op) {
        const std::uint32_t highest = std::max({op.a, op.b, op.c, op.result, op.second});
        if (highest >= values_.size()) return false;
        const std::optional<Values> x = operand(op.a);
        const std::optional<Values> y = operand(op.b);
        const std::optional<Values> z = operand(op.c);
        if (!x || !y || !z) return false;
        if (op.function == kMinMaxPair) {
            const Key low = keyOf(FunctionId::Min, *x, *y, *z);
            const Key high = keyOf(FunctionId::Max, *x, *y, *z);
            if (known_.count(low) == 0 || known_.count(high) == 0) {
                known_[low] = each([&](const Vec& d, std::size_t v) { ops_.minimum(d, x->at[v], y->at[v]); });
                known_[high] =
                    each([&](const Vec& d, std::size_t v) { ops_.maximum(d, x->at[v], y->at[v]); });
            }
            values_[op.result] = known_[low];
            values_[op.second] = known_[high];
            return true;
        }
        // Evolved circuits often compute the same function of the same values twice: once is enough.
        const Key key = keyOf(op.function, *x, *y, *z);
        if (const auto found = known_.find(key); found != known_.end()) {
            values_[op.result] = found->second;
            return true;
        }
        const std::optional<Values> result = function(op);
        if (!result) return false;
        values_[op.result] = known_[key] = *result;
        return true;
    }

    std::optional<Values> operand(std::uint32_t slot) {
        if (slot >= values_.size()) return std::nullopt;
        if (!values_[slot] && slot < inputSlots_) {
            values_[slot] = each([&](const Vec& d, std::size_t v) { ops_.loadInput(d, slot, v); });
        }
        if (!values_[slot] && slot == zeroSlot_) values_[slot] = zeros();
        return values_[slot];
    }

private:
    // A function and the values it reads, by their first register.
    using Key = std::array<std::uint32_t, 4>;

    static Key keyOf(FunctionId function, const Values& x, const Values& y, const Values& z) {
        std::uint32_t a = x.at[0].id();
        std::uint32_t b = y.at[0].id();
        switch (function) {
            case FunctionId::And:
            case FunctionId::Or:
            case FunctionId::Xor:
            case FunctionId::Nand:
            case FunctionId::Nor:
            case FunctionId::Nxor:
            case FunctionId::Max:
            case FunctionId::Min:
            case FunctionId::Add8:
            case FunctionId::Add16:
            case FunctionId::AddSaturating8:
            case FunctionId::Mean:
                if (b < a) std::swap(a, b);  // the order of the operands does not matter
                break;
            default:
                break;
        }
        const std::uint32_t c = function == FunctionId::Mux ? z.at[0].id() : 0;  // only MUX reads the third
        return {static_cast<std::uint32_t>(function), a, b, c};
    }

    template <class Emit>
    Values each(Emit emitOne) {
        Values values;
        for (std::size_t v = 0; v < vectors_; ++v) {
            values.at[v] = ops_.newVec();
            emitOne(values.at[v], v);
        }
        return values;
    }

    Values zeros() {
        return each([&](const Vec& d, std::size_t) { ops_.zero(d); });
    }

    // An instruction sequence over the three operands, vector by vector.
    template <class Emit>
    std::optional<Values> apply(const LaneOperation& op, Emit emitOne) {
        const std::optional<Values> x = operand(op.a);
        const std::optional<Values> y = operand(op.b);
        const std::optional<Values> z = operand(op.c);
        if (!x || !y || !z) return std::nullopt;
        return each([&](const Vec& d, std::size_t v) { emitOne(d, x->at[v], y->at[v], z->at[v]); });
    }

    std::optional<Values> shifted(const LaneOperation& op, int by, bool left) {
        return apply(op, [&](const Vec& d, const Vec& x, const Vec&, const Vec&) {
            if (left) {
                ops_.shiftLeft(d, x, by);
            } else {
                ops_.shiftRight(d, x, by);
            }
        });
    }

    // 255 - x: the complement for bytes, a subtraction for the wider lanes.
    void inverted(const Vec& d, const Vec& x) {
        if (ops_.laneBits() == 8) {
            ops_.bitXor(d, x, ops_.splat(0xFF));
            return;
        }
        ops_.constant(d, 255);
        ops_.subtract(d, d, x);
    }

    // The sum or difference cut to `bits`, which keeps a narrower lane whole.
    std::optional<Values> wrapped(const LaneOperation& op, bool sum, int bits) {
        return apply(op, [&](const Vec& d, const Vec& x, const Vec& y, const Vec&) {
            if (sum) {
                ops_.add(d, x, y);
            } else {
                ops_.subtract(d, x, y);
            }
            if (bits < ops_.laneBits()) ops_.bitAnd(d, d, ops_.splat((1 << bits) - 1));
        });
    }

    // The meaning of each function in the lanes, as the lane kernels give it.
    std::optional<Values> function(const LaneOperation& op) {
        const auto id = static_cast<std::int32_t>(op.function);
        if (op.function >= FunctionId::ShiftRight3 && op.function <= FunctionId::ShiftRight8)
            return shifted(op, id - static_cast<std::int32_t>(FunctionId::ShiftRight3) + 3, false);
        if (op.function >= FunctionId::ShiftLeft1 && op.function <= FunctionId::ShiftLeft8)
            return shifted(op, id - static_cast<std::int32_t>(FunctionId::ShiftLeft1) + 1, true);
        if (op.function >= FunctionId::ShiftLeft9 && op.function <= FunctionId::ShiftLeft15)
            return shifted(op, id - static_cast<std::int32_t>(FunctionId::ShiftLeft9) + 9, true);
        auto binary = [&](auto emitOne) {
            return apply(op, [&](const Vec& d, const Vec& x, const Vec& y, const Vec&) { emitOne(d, x, y); });
        };
        auto bitZeroOf = [&](auto emitOne) {
            const Const one = ops_.splat(1);
            return binary([&](const Vec& d, const Vec& x, const Vec& y) {
                emitOne(d, x, y);
                ops_.andNot(d, d, one);
            });
        };
        switch (op.function) {
            case FunctionId::And:
                return binary([&](const Vec& d, const Vec& x, const Vec& y) { ops_.bitAnd(d, x, y); });
            case FunctionId::Or:
                return binary([&](const Vec& d, const Vec& x, const Vec& y) { ops_.bitOr(d, x, y); });
            case FunctionId::Xor:
                return binary([&](const Vec& d, const Vec& x, const Vec& y) { ops_.bitXor(d, x, y); });
            case FunctionId::In1:
                return operand(op.a);  // values are never changed once computed, so they can be shared
            case FunctionId::In2:
                return operand(op.b);
            case FunctionId::NotIn1: {
                const Const one = ops_.splat(1);
                return binary([&](const Vec& d, const Vec& x, const Vec&) { ops_.andNot(d, x, one); });
            }
            case FunctionId::NotIn2: {
                const Const one = ops_.splat(1);
                return binary([&](const Vec& d, const Vec&, const Vec& y) { ops_.andNot(d, y, one); });
            }
            case FunctionId::Nand:
                return bitZeroOf([&](const Vec& d, const Vec& x, const Vec& y) { ops_.bitAnd(d, x, y); });
            case FunctionId::Nor:
                return bitZeroOf([&](const Vec& d, const Vec& x, const Vec& y) { ops_.bitOr(d, x, y); });
            case FunctionId::Nxor:
                return bitZeroOf([&](const Vec& d, const Vec& x, const Vec& y) { ops_.bitXor(d, x, y); });
            case FunctionId::Max:
                return binary([&](const Vec& d, const Vec& x, const Vec& y) { ops_.maximum(d, x, y); });
            case FunctionId::Min:
                return binary([&](const Vec& d, const Vec& x, const Vec& y) { ops_.minimum(d, x, y); });
            case FunctionId::In1AndNotIn2: {
                const Const one = ops_.splat(1);
                return binary([&](const Vec& d, const Vec& x, const Vec& y) {
                    ops_.andNot(d, y, x);
                    ops_.bitAnd(d, d, one);
                });
            }
            case FunctionId::NegateIn1:
            case FunctionId::NegateIn2:
                return binary([&](const Vec& d, const Vec& x, const Vec& y) {
                    ops_.zero(d);
                    ops_.subtract(d, d, op.function == FunctionId::NegateIn1 ? x : y);
                });
            case FunctionId::Mux:
                return apply(op, [&](const Vec& d, const Vec& x, const Vec& y, const Vec& z) {
                    ops_.select(d, z, x, y);
                });
            case FunctionId::Constant255:
                return each([&](const Vec& d, std::size_t) { ops_.constant(d, 255); });
            case FunctionId::Invert:
                return binary([&](const Vec& d, const Vec& x, const Vec&) { inverted(d, x); });
            case FunctionId::InvertOrIn2:
                return binary([&](const Vec& d, const Vec& x, const Vec& y) {
                    inverted(d, x);
                    ops_.bitOr(d, d, y);
                });
            case FunctionId::InvertAnd:
                return binary([&](const Vec& d, const Vec& x, const Vec& y) {
                    const Vec both = ops_.newVec();
                    ops_.bitAnd(both, x, y);
                    inverted(d, both);
                });
            case FunctionId::ShiftRight1:
                return shifted(op, 1, false);
            case FunctionId::ShiftRight2:
                return shifted(op, 2, false);
            case FunctionId::Nibbles: {
                const Const high = ops_.splat(0xF0);
                return binary([&](const Vec& d, const Vec& x, const Vec& y) {
                    const Vec right = ops_.newVec();
                    ops_.shiftLeft(d, x, 4);
                    ops_.bitAnd(d, d, high);
                    ops_.shiftRight(right, y, 4);
                    ops_.bitOr(d, d, right);
                });
            }
            case FunctionId::Add8:
                return wrapped(op, true, 8);
            case FunctionId::Subtract8:
                return wrapped(op, false, 8);
            case FunctionId::Add16:
                return wrapped(op, true, 16);
            case FunctionId::Subtract16:
                return wrapped(op, false, 16);
            case FunctionId::AddSaturating8:
                return binary(
                    [&](const Vec& d, const Vec& x, const Vec& y) { ops_.addCappedAt255(d, x, y); });
            case FunctionId::Mean:
                return binary([&](const Vec& d, const Vec& x, const Vec& y) { ops_.mean(d, x, y); });
            case FunctionId::ZeroIf255:
                return binary([&](const Vec& d, const Vec& x, const Vec&) { ops_.zeroWhere255(d, x); });
            case FunctionId::None:
                return zeros();
            default:
                return zeros();  // as the lane kernels compute anything else
        }
    }

    Ops& ops_;
    std::size_t vectors_;
    std::uint32_t inputSlots_;
    std::uint32_t zeroSlot_;
    std::vector<std::optional<Values>> values_;
    std::map<Key, Values> known_;
};

}  // namespace pellisor::jit
