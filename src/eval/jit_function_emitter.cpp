// Machine code for x86-64 only; other builds use the lane kernels.
#if defined(__x86_64__)

#include "eval/jit_function_emitter.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace pellisor::jit {

using namespace asmjit;

namespace {

// One slot's value: a register per vector of the step.
struct Values {
    std::array<x86::Vec, kMostVectors> at;
};

// Emits one step of the operations, every slot's lanes in registers.
class StepEmitter {
public:
    StepEmitter(x86::Compiler& cc, const StepShape& shape, std::span<const x86::Gp> inputs, x86::Gp offset,
                std::uint32_t zeroSlot, std::size_t slotCount)
        : ops_(cc, shape.isa, shape.laneBytes),
          shape_(shape),
          vectors_(static_cast<std::size_t>(shape.vectors)),
          inputs_(inputs),
          offset_(offset),
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
                known_[low] =
                    each([&](const x86::Vec& d, std::size_t v) { ops_.minimum(d, x->at[v], y->at[v]); });
                known_[high] =
                    each([&](const x86::Vec& d, std::size_t v) { ops_.maximum(d, x->at[v], y->at[v]); });
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
        if (!values_[slot] && slot < inputs_.size()) {
            values_[slot] = each([&](const x86::Vec& d, std::size_t v) {
                const x86::Mem from = x86::ptr(inputs_[slot], offset_, 0, displacement(v));
                if (shape_.bytesInAndOut) {
                    ops_.loadBytes(d, from);
                } else {
                    ops_.load(d, from);
                }
            });
        }
        if (!values_[slot] && slot == zeroSlot_) values_[slot] = zeros();
        return values_[slot];
    }

    std::int32_t displacement(std::size_t vector) const {
        return static_cast<std::int32_t>(vector) * shape_.vectorReach();
    }

    void store(const x86::Gp& output, const x86::Vec& value, std::size_t vector) {
        const x86::Mem to = x86::ptr(output, offset_, 0, displacement(vector));
        if (shape_.bytesInAndOut) {
            ops_.storeLowBytes(to, value);
        } else {
            ops_.store(to, value);
        }
    }

private:
    using Vec = x86::Vec;
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
        ops_.load(d, ops_.splat(255));
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
            const x86::Mem one = ops_.splat(1);
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
                const x86::Mem one = ops_.splat(1);
                return binary([&](const Vec& d, const Vec& x, const Vec&) { ops_.andNot(d, x, one); });
            }
            case FunctionId::NotIn2: {
                const x86::Mem one = ops_.splat(1);
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
                const x86::Mem one = ops_.splat(1);
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
            case FunctionId::Constant255: {
                const x86::Mem all = ops_.splat(255);
                return each([&](const Vec& d, std::size_t) { ops_.load(d, all); });
            }
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
                const x86::Mem high = ops_.splat(0xF0);
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

    VectorOps ops_;
    StepShape shape_;
    std::size_t vectors_;
    std::span<const x86::Gp> inputs_;
    x86::Gp offset_;
    std::uint32_t zeroSlot_;
    std::vector<std::optional<Values>> values_;
    std::map<Key, Values> known_;
};

std::size_t slotsUsed(std::span<const LaneOperation> operations, const CircuitSlots& slots) {
    std::size_t count = std::max<std::size_t>(slots.inputSlots, slots.zeroSlot + std::size_t{1});
    for (const std::uint32_t result : slots.resultSlots)
        count = std::max<std::size_t>(count, result + std::size_t{1});
    for (const LaneOperation& op : operations)
        count =
            std::max<std::size_t>({count, op.a + std::size_t{1}, op.b + std::size_t{1}, op.c + std::size_t{1},
                                   op.result + std::size_t{1}, op.second + std::size_t{1}});
    return count;
}

}  // namespace

std::size_t mostLiveValues(std::span<const LaneOperation> operations, const CircuitSlots& slots) {
    // Each value lives from the operation that makes it (inputs and zeros: their first reader) to its
    // last reader; the results live to the end.
    const std::size_t end = operations.size() + 1;
    std::vector<std::int64_t> change(end + 2, 0);
    std::vector<std::int64_t> current(slotsUsed(operations, slots), -1);  // per slot: start of its value
    std::vector<std::size_t> lastRead(current.size(), 0);
    auto close = [&](std::uint32_t slot) {
        if (current[slot] < 0) return;
        change[static_cast<std::size_t>(current[slot])] += 1;
        change[lastRead[slot] + 1] -= 1;
        current[slot] = -1;
    };
    auto read = [&](std::uint32_t slot, std::size_t at) {
        if (current[slot] < 0) current[slot] = static_cast<std::int64_t>(at);
        lastRead[slot] = at;
    };
    for (std::size_t at = 0; at < operations.size(); ++at) {
        const LaneOperation& op = operations[at];
        for (const std::uint32_t slot : {op.a, op.b, op.c})
            read(slot, at);
        auto define = [&](std::uint32_t slot) {
            close(slot);
            current[slot] = static_cast<std::int64_t>(at);
            lastRead[slot] = at;
        };
        define(op.result);
        if (op.function == kMinMaxPair) define(op.second);
    }
    for (const std::uint32_t slot : slots.resultSlots)
        read(slot, end - 1);
    for (std::uint32_t slot = 0; slot < current.size(); ++slot)
        close(slot);
    std::int64_t live = 0;
    std::int64_t most = 0;
    for (const std::int64_t delta : change) {
        live += delta;
        most = std::max(most, live);
    }
    return static_cast<std::size_t>(most);
}

bool emitCircuitFunction(x86::Compiler& cc, const StepShape& shape, std::span<const LaneOperation> operations,
                         const CircuitSlots& slots) {
    FuncNode* node = cc.addFunc(FuncSignatureT<void, const void* const*, void* const*, std::size_t>());
    const x86::Gp inputTable = cc.newIntPtr();
    const x86::Gp outputTable = cc.newIntPtr();
    const x86::Gp end = cc.newIntPtr();
    node->setArg(0, inputTable);
    node->setArg(1, outputTable);
    node->setArg(2, end);
    // The register allocator's own moves and spills must be VEX- or EVEX-encoded too (SSE moves would
    // keep half a register), and the upper halves are cleared on return for the SSE code of the caller.
    node->frame().setAvxEnabled();
    if (shape.isa == Isa::Avx512) node->frame().setAvx512Enabled();
    node->frame().addAttributes(FuncAttributes::kX86_AVXCleanup);
    auto pointersFrom = [&](const x86::Gp& table, std::size_t count) {
        std::vector<x86::Gp> pointers(count);
        for (std::size_t s = 0; s < count; ++s) {
            pointers[s] = cc.newIntPtr();
            cc.mov(pointers[s], x86::ptr(table, static_cast<std::int32_t>(s * sizeof(void*))));
        }
        return pointers;
    };
    const std::vector<x86::Gp> inputs = pointersFrom(inputTable, slots.inputSlots);
    const std::vector<x86::Gp> outputs = pointersFrom(outputTable, slots.resultSlots.size());
    const int stepBytes = shape.stepReach();
    const x86::Gp offset = cc.newIntPtr();
    cc.xor_(offset, offset);
    cc.imul(end, end, stepBytes);
    const Label step = cc.newLabel();
    const Label done = cc.newLabel();
    cc.test(end, end);
    cc.jz(done);
    cc.bind(step);
    StepEmitter emitter(cc, shape, inputs, offset, slots.zeroSlot, slotsUsed(operations, slots));
    for (const LaneOperation& op : operations) {
        if (!emitter.emit(op)) return false;
    }
    for (std::size_t r = 0; r < slots.resultSlots.size(); ++r) {
        const std::optional<Values> result = emitter.operand(slots.resultSlots[r]);
        if (!result) return false;
        for (std::size_t v = 0; v < static_cast<std::size_t>(shape.vectors); ++v)
            emitter.store(outputs[r], result->at[v], v);
    }
    cc.add(offset, stepBytes);
    cc.cmp(offset, end);
    cc.jb(step);
    cc.bind(done);
    cc.endFunc();
    return true;
}

}  // namespace pellisor::jit

#endif
