// SplitMix64 over vectors of 64-bit lanes, compiled once per instruction set by Highway's
// foreach_target. Integer operations only, so every target gives the same bytes.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "measure/noise_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
// Must come after foreach_target.
#include "hwy/highway.h"

#include "measure/noise_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace pellisor {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

constexpr std::uint64_t kGoldenGamma = 0x9E3779B97F4A7C15ULL;

// a * c modulo 2^64; from 32-bit halves where the instruction set has no 64-bit multiply.
template <class D>
HWY_INLINE hn::Vec<D> multiply(D d, hn::Vec<D> a, std::uint64_t c) {
#if (HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3) || HWY_TARGET == HWY_EMU128 || HWY_TARGET == HWY_SCALAR
    return a * hn::Set(d, c);
#else
    const hn::Repartition<std::uint32_t, D> d32;
    const auto low = hn::BitCast(d32, hn::Set(d, c & 0xFFFFFFFFULL));
    const auto high = hn::BitCast(d32, hn::Set(d, c >> 32));
    const auto lowProduct = hn::MulEven(hn::BitCast(d32, a), low);
    const auto cross = hn::Add(hn::MulEven(hn::BitCast(d32, hn::ShiftRight<32>(a)), low),
                               hn::MulEven(hn::BitCast(d32, a), high));
    return hn::Add(lowProduct, hn::ShiftLeft<32>(cross));
#endif
}

template <class D>
HWY_INLINE hn::Vec<D> splitMix64Finish(D d, hn::Vec<D> z) {
    z = multiply(d, hn::Xor(z, hn::ShiftRight<30>(z)), 0xBF58476D1CE4E5B9ULL);
    z = multiply(d, hn::Xor(z, hn::ShiftRight<27>(z)), 0x94D049BB133111EBULL);
    return hn::Xor(z, hn::ShiftRight<31>(z));
}

}  // namespace

std::size_t AddImpulseNoise(bool saltAndPepper, const std::uint8_t* clean, std::uint8_t* noisy,
                            std::uint64_t seed, std::uint64_t threshold, std::uint64_t first,
                            std::size_t count) {
    const hn::ScalableTag<std::uint64_t> d;
    const hn::Rebind<std::int64_t, decltype(d)> di;
    const hn::Rebind<std::uint8_t, decltype(d)> d8;
    const std::size_t step = hn::Lanes(d);
    // The state before output 2s is seed + (2s + 1) gamma; output 2s + 1 adds one gamma more.
    auto state = hn::Add(hn::Set(d, seed + (2 * first + 1) * kGoldenGamma),
                         multiply(d, hn::Iota(d, 0), 2 * kGoldenGamma));
    const auto advance = hn::Set(d, 2 * kGoldenGamma * step);
    const auto gamma = hn::Set(d, kGoldenGamma);
    const auto limit = hn::Set(di, std::int64_t(threshold));
    std::size_t i = 0;
    for (; i + step <= count; i += step) {
        const auto draw = splitMix64Finish(d, state);
        const auto value = splitMix64Finish(d, hn::Add(state, gamma));
        const auto isNoisy = hn::Lt(hn::BitCast(di, hn::ShiftRight<11>(draw)), limit);
        auto newValue = hn::ShiftRight<56>(value);
        if (saltAndPepper) {
            const auto top = hn::ShiftRight<63>(value);
            newValue = hn::Sub(hn::ShiftLeft<8>(top), top);  // 255 or 0
        }
        const auto mask = hn::TruncateTo(d8, hn::BitCast(d, hn::VecFromMask(di, isNoisy)));
        const auto bytes = hn::LoadU(d8, clean + i);
        hn::StoreU(hn::Or(hn::And(mask, hn::TruncateTo(d8, newValue)), hn::AndNot(mask, bytes)), d8,
                   noisy + i);
        state = hn::Add(state, advance);
    }
    return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace pellisor
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pellisor {

HWY_EXPORT(AddImpulseNoise);

std::size_t addImpulseNoise(bool saltAndPepper, const std::uint8_t* clean, std::uint8_t* noisy,
                            std::uint64_t seed, std::uint64_t threshold, std::uint64_t first,
                            std::size_t count) {
    return HWY_DYNAMIC_DISPATCH(AddImpulseNoise)(saltAndPepper, clean, noisy, seed, threshold, first, count);
}

}  // namespace pellisor
#endif
