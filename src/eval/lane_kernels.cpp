// The function set over vectors of 8-bit, 16-bit and 32-bit lanes. This file is compiled once per instruction
// set by Highway's foreach_target; the exported entry points pick the best one at run time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "eval/lane_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
// Must come after foreach_target.
#include "hwy/highway.h"

#include "eval/lane_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace pellisor {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

// Shifts by a constant; a shift by the lane's width or more leaves 0, as the 32-bit value would have
// nothing left in these bits.
template <int N, class D>
HWY_INLINE hn::Vec<D> shiftLeftBy(D d, hn::Vec<D> v) {
    if constexpr (N >= int(sizeof(hn::TFromD<D>) * 8)) {
        return hn::Zero(d);
    } else {
        return hn::ShiftLeft<N>(v);
    }
}

template <int N, class D>
HWY_INLINE hn::Vec<D> shiftRightBy(D d, hn::Vec<D> v) {
    if constexpr (N >= int(sizeof(hn::TFromD<D>) * 8)) {
        return hn::Zero(d);
    } else {
        return hn::ShiftRight<N>(v);
    }
}

// result[i] = f(a[i], b[i], c[i]) over the lanes, whole vectors at a time.
template <class D, class Function>
HWY_INLINE void overLanes(D d, const hn::TFromD<D>* HWY_RESTRICT a, const hn::TFromD<D>* HWY_RESTRICT b,
                          const hn::TFromD<D>* HWY_RESTRICT c, hn::TFromD<D>* result, std::size_t lanes,
                          Function function) {
    const std::size_t step = hn::Lanes(d);
    for (std::size_t i = 0; i < lanes; i += step) {
        hn::StoreU(function(hn::LoadU(d, a + i), hn::LoadU(d, b + i), hn::LoadU(d, c + i)), d, result + i);
    }
}

template <class D>
HWY_NOINLINE void applyOperation(D d, FunctionId id, const hn::TFromD<D>* a, const hn::TFromD<D>* b,
                                 const hn::TFromD<D>* c, hn::TFromD<D>* result, std::size_t lanes) {
    using T = hn::TFromD<D>;
    using V = hn::Vec<D>;
    constexpr bool kBytes = sizeof(T) == 1;
    const V one = hn::Set(d, T{1});
    const V v255 = hn::Set(d, static_cast<T>(255));
    const V zero = hn::Zero(d);
    auto run = [&](auto function) { overLanes(d, a, b, c, result, lanes, function); };
    switch (id) {
        case FunctionId::And:
            return run([](V x, V y, V) { return hn::And(x, y); });
        case FunctionId::Or:
            return run([](V x, V y, V) { return hn::Or(x, y); });
        case FunctionId::Xor:
            return run([](V x, V y, V) { return hn::Xor(x, y); });
        case FunctionId::In1:
            return run([](V x, V, V) { return x; });
        case FunctionId::In2:
            return run([](V, V y, V) { return y; });
        case FunctionId::NotIn1:
            return run([&](V x, V, V) { return hn::AndNot(x, one); });
        case FunctionId::NotIn2:
            return run([&](V, V y, V) { return hn::AndNot(y, one); });
        case FunctionId::Nand:
            return run([&](V x, V y, V) { return hn::AndNot(hn::And(x, y), one); });
        case FunctionId::Nor:
            return run([&](V x, V y, V) { return hn::AndNot(hn::Or(x, y), one); });
        case FunctionId::Max:
            return run([](V x, V y, V) { return hn::Max(x, y); });
        case FunctionId::Min:
            return run([](V x, V y, V) { return hn::Min(x, y); });
        case FunctionId::In1AndNotIn2:
            return run([&](V x, V y, V) { return hn::And(hn::AndNot(y, x), one); });
        case FunctionId::NegateIn1:
            return run([&](V x, V, V) { return hn::Sub(zero, x); });
        case FunctionId::NegateIn2:
            return run([&](V, V y, V) { return hn::Sub(zero, y); });
        case FunctionId::Mux:
            return run([&](V x, V y, V z) { return hn::IfThenElse(hn::Eq(z, zero), x, y); });
        case FunctionId::Nxor:
            return run([&](V x, V y, V) { return hn::AndNot(hn::Xor(x, y), one); });
        case FunctionId::Constant255:
            return run([&](V, V, V) { return v255; });
        case FunctionId::Invert:
            return run([&](V x, V, V) { return hn::Sub(v255, x); });
        case FunctionId::InvertOrIn2:
            return run([&](V x, V y, V) { return hn::Or(hn::Sub(v255, x), y); });
        case FunctionId::InvertAnd:
            return run([&](V x, V y, V) { return hn::Sub(v255, hn::And(x, y)); });
        case FunctionId::ShiftRight1:
            return run([&](V x, V, V) { return shiftRightBy<1>(d, x); });
        case FunctionId::ShiftRight2:
            return run([&](V x, V, V) { return shiftRightBy<2>(d, x); });
        case FunctionId::Nibbles: {
            const V high = hn::Set(d, static_cast<T>(0xF0));
            return run([&](V x, V y, V) {
                return hn::Or(hn::And(shiftLeftBy<4>(d, x), high), shiftRightBy<4>(d, y));
            });
        }
        case FunctionId::Add8:
        case FunctionId::Subtract8: {
            const V low = hn::Set(d, static_cast<T>(0xFF));
            if (id == FunctionId::Add8) return run([&](V x, V y, V) { return hn::And(hn::Add(x, y), low); });
            return run([&](V x, V y, V) { return hn::And(hn::Sub(x, y), low); });
        }
        case FunctionId::AddSaturating8:
            // In bytes the sum cannot be formed, but saturating at 255 is what the function does.
            if constexpr (kBytes) {
                return run([](V x, V y, V) { return hn::SaturatedAdd(x, y); });
            } else {
                return run([&](V x, V y, V) {
                    const V sum = hn::Add(x, y);
                    return hn::IfThenElse(hn::Gt(sum, v255), v255, sum);
                });
            }
        case FunctionId::Mean:
            if constexpr (kBytes) {
                // The rounded-up average, minus the half that rounding added.
                return run([&](V x, V y, V) {
                    return hn::Sub(hn::AverageRound(x, y), hn::And(hn::Xor(x, y), one));
                });
            } else {
                return run([&](V x, V y, V) { return hn::ShiftRight<1>(hn::Add(x, y)); });
            }
        case FunctionId::ZeroIf255:
            return run([&](V x, V, V) { return hn::IfThenZeroElse(hn::Eq(x, v255), x); });
        case FunctionId::ShiftRight3:
            return run([&](V x, V, V) { return shiftRightBy<3>(d, x); });
        case FunctionId::ShiftRight4:
            return run([&](V x, V, V) { return shiftRightBy<4>(d, x); });
        case FunctionId::ShiftRight5:
            return run([&](V x, V, V) { return shiftRightBy<5>(d, x); });
        case FunctionId::ShiftRight6:
            return run([&](V x, V, V) { return shiftRightBy<6>(d, x); });
        case FunctionId::ShiftRight7:
            return run([&](V x, V, V) { return shiftRightBy<7>(d, x); });
        case FunctionId::ShiftRight8:
            return run([&](V x, V, V) { return shiftRightBy<8>(d, x); });
        case FunctionId::ShiftLeft1:
            return run([&](V x, V, V) { return shiftLeftBy<1>(d, x); });
        case FunctionId::ShiftLeft2:
            return run([&](V x, V, V) { return shiftLeftBy<2>(d, x); });
        case FunctionId::ShiftLeft3:
            return run([&](V x, V, V) { return shiftLeftBy<3>(d, x); });
        case FunctionId::ShiftLeft4:
            return run([&](V x, V, V) { return shiftLeftBy<4>(d, x); });
        case FunctionId::ShiftLeft5:
            return run([&](V x, V, V) { return shiftLeftBy<5>(d, x); });
        case FunctionId::ShiftLeft6:
            return run([&](V x, V, V) { return shiftLeftBy<6>(d, x); });
        case FunctionId::ShiftLeft7:
            return run([&](V x, V, V) { return shiftLeftBy<7>(d, x); });
        case FunctionId::ShiftLeft8:
            return run([&](V x, V, V) { return shiftLeftBy<8>(d, x); });
        case FunctionId::Add16:
        case FunctionId::Subtract16:
            // The 16-bit mask keeps every bit of a lane that is 16 bits or narrower.
            if constexpr (sizeof(T) == 4) {
                const V low16 = hn::Set(d, T{0xFFFF});
                if (id == FunctionId::Add16)
                    return run([&](V x, V y, V) { return hn::And(hn::Add(x, y), low16); });
                return run([&](V x, V y, V) { return hn::And(hn::Sub(x, y), low16); });
            } else {
                if (id == FunctionId::Add16) return run([](V x, V y, V) { return hn::Add(x, y); });
                return run([](V x, V y, V) { return hn::Sub(x, y); });
            }
        case FunctionId::ShiftLeft9:
            return run([&](V x, V, V) { return shiftLeftBy<9>(d, x); });
        case FunctionId::ShiftLeft10:
            return run([&](V x, V, V) { return shiftLeftBy<10>(d, x); });
        case FunctionId::ShiftLeft11:
            return run([&](V x, V, V) { return shiftLeftBy<11>(d, x); });
        case FunctionId::ShiftLeft12:
            return run([&](V x, V, V) { return shiftLeftBy<12>(d, x); });
        case FunctionId::ShiftLeft13:
            return run([&](V x, V, V) { return shiftLeftBy<13>(d, x); });
        case FunctionId::ShiftLeft14:
            return run([&](V x, V, V) { return shiftLeftBy<14>(d, x); });
        case FunctionId::ShiftLeft15:
            return run([&](V x, V, V) { return shiftLeftBy<15>(d, x); });
        default:
            return run([&](V, V, V) { return zero; });
    }
}

template <class D>
HWY_NOINLINE void applyMinMaxPair(D d, const hn::TFromD<D>* HWY_RESTRICT a,
                                  const hn::TFromD<D>* HWY_RESTRICT b, hn::TFromD<D>* HWY_RESTRICT low,
                                  hn::TFromD<D>* HWY_RESTRICT high, std::size_t lanes) {
    const std::size_t step = hn::Lanes(d);
    for (std::size_t i = 0; i < lanes; i += step) {
        const auto x = hn::LoadU(d, a + i);
        const auto y = hn::LoadU(d, b + i);
        hn::StoreU(hn::Min(x, y), d, low + i);
        hn::StoreU(hn::Max(x, y), d, high + i);
    }
}

template <class D>
HWY_INLINE void runAll(D d, const LaneOperation* operations, std::size_t count, hn::TFromD<D>* const* slots,
                       std::size_t lanes) {
    for (std::size_t i = 0; i < count; ++i) {
        const LaneOperation& op = operations[i];
        if (op.function == kMinMaxPair) {
            applyMinMaxPair(d, slots[op.a], slots[op.b], slots[op.result], slots[op.second], lanes);
        } else {
            applyOperation(d, op.function, slots[op.a], slots[op.b], slots[op.c], slots[op.result], lanes);
        }
    }
}

}  // namespace

void RunOperations8(const LaneOperation* operations, std::size_t count, std::uint8_t* const* slots,
                    std::size_t lanes) {
    runAll(hn::ScalableTag<std::uint8_t>(), operations, count, slots, lanes);
}

void RunOperations16(const LaneOperation* operations, std::size_t count, std::int16_t* const* slots,
                     std::size_t lanes) {
    runAll(hn::ScalableTag<std::int16_t>(), operations, count, slots, lanes);
}

void RunOperations32(const LaneOperation* operations, std::size_t count, std::int32_t* const* slots,
                     std::size_t lanes) {
    runAll(hn::ScalableTag<std::int32_t>(), operations, count, slots, lanes);
}

const char* TargetName() {
    return hwy::TargetName(HWY_TARGET);
}

}  // namespace HWY_NAMESPACE
}  // namespace pellisor
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pellisor {

HWY_EXPORT(RunOperations8);
HWY_EXPORT(RunOperations16);
HWY_EXPORT(RunOperations32);
HWY_EXPORT(TargetName);

void runOperations8(const LaneOperation* operations, std::size_t count, std::uint8_t* const* slots,
                    std::size_t lanes) {
    HWY_DYNAMIC_DISPATCH(RunOperations8)(operations, count, slots, lanes);
}

void runOperations16(const LaneOperation* operations, std::size_t count, std::int16_t* const* slots,
                     std::size_t lanes) {
    HWY_DYNAMIC_DISPATCH(RunOperations16)(operations, count, slots, lanes);
}

void runOperations32(const LaneOperation* operations, std::size_t count, std::int32_t* const* slots,
                     std::size_t lanes) {
    HWY_DYNAMIC_DISPATCH(RunOperations32)(operations, count, slots, lanes);
}

const char* laneKernelTarget() {
    return HWY_DYNAMIC_DISPATCH(TargetName)();
}

}  // namespace pellisor
#endif
