// The byte loops of the median and the difference figures, compiled once per instruction set by
// Highway's foreach_target. A row's tail that is no whole vector is done by a last vector that ends at
// the row's end (overlapping the one before) or, in rows shorter than a vector, one lane at a time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "measure/picture_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
// Must come after foreach_target.
#include "hwy/highway.h"

#include "measure/picture_kernels.h"

#include <algorithm>
#include <cstdlib>

HWY_BEFORE_NAMESPACE();
namespace pellisor {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

// The median of nine by 19 compare-exchange steps; works on bytes and on vectors of bytes alike.
template <class T, class Low, class High>
HWY_INLINE T medianOfNine(T p[9], Low low, High high) {
    auto order = [&](int a, int b) {
        const T smaller = low(p[a], p[b]);
        p[b] = high(p[a], p[b]);
        p[a] = smaller;
    };
    order(1, 2), order(4, 5), order(7, 8), order(0, 1), order(3, 4), order(6, 7), order(1, 2);
    order(4, 5), order(7, 8), order(0, 3), order(5, 8), order(4, 7), order(3, 6), order(1, 4);
    order(2, 5), order(4, 7), order(4, 2), order(6, 4), order(4, 2);
    return p[4];
}

}  // namespace

void MedianOfRows(const std::uint8_t* above, const std::uint8_t* middle, const std::uint8_t* below,
                  std::uint8_t* out, std::size_t lanes) {
    const hn::ScalableTag<std::uint8_t> d;
    using V = hn::Vec<decltype(d)>;
    const std::size_t step = hn::Lanes(d);
    auto vectorAt = [&](std::size_t i) {
        V p[9] = {hn::LoadU(d, above + i),  hn::LoadU(d, above + i + 3),  hn::LoadU(d, above + i + 6),
                  hn::LoadU(d, middle + i), hn::LoadU(d, middle + i + 3), hn::LoadU(d, middle + i + 6),
                  hn::LoadU(d, below + i),  hn::LoadU(d, below + i + 3),  hn::LoadU(d, below + i + 6)};
        hn::StoreU(medianOfNine(
                       p, [](V a, V b) { return hn::Min(a, b); }, [](V a, V b) { return hn::Max(a, b); }),
                   d, out + i);
    };
    if (lanes < step) {
        for (std::size_t i = 0; i < lanes; ++i) {
            std::uint8_t p[9] = {above[i],      above[i + 3], above[i + 6], middle[i],   middle[i + 3],
                                 middle[i + 6], below[i],     below[i + 3], below[i + 6]};
            out[i] = medianOfNine(
                p, [](std::uint8_t a, std::uint8_t b) { return std::min(a, b); },
                [](std::uint8_t a, std::uint8_t b) { return std::max(a, b); });
        }
        return;
    }
    std::size_t i = 0;
    for (; i + step <= lanes; i += step)
        vectorAt(i);
    if (i < lanes) vectorAt(lanes - step);
}

void AbsoluteDifference(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, std::size_t n) {
    const hn::ScalableTag<std::uint8_t> d;
    const std::size_t step = hn::Lanes(d);
    std::size_t i = 0;
    for (; i + step <= n; i += step) {
        const auto x = hn::LoadU(d, a + i), y = hn::LoadU(d, b + i);
        hn::StoreU(hn::Sub(hn::Max(x, y), hn::Min(x, y)), d, out + i);
    }
    for (; i < n; ++i)
        out[i] = std::uint8_t(std::abs(int(a[i]) - int(b[i])));
}

void AddDifferenceSums(const std::uint8_t* a, const std::uint8_t* b, std::size_t n, DifferenceSums& sums) {
    // In 32-bit lanes, summed up in blocks whose squares stay below 2^31 (32768 * 255^2).
    constexpr std::size_t kBlock = 32768;
    const hn::ScalableTag<std::int32_t> d;
    const hn::Rebind<std::uint8_t, decltype(d)> d8;
    const std::size_t step = hn::Lanes(d);
    const auto one = hn::Set(d, 1);
    auto largest = hn::Zero(d);
    std::size_t i = 0;
    while (i + step <= n) {
        const std::size_t end = std::min(n, i + kBlock);
        auto absolute = hn::Zero(d), square = hn::Zero(d), changed = hn::Zero(d);
        for (; i + step <= end; i += step) {
            const auto difference = hn::Abs(
                hn::Sub(hn::PromoteTo(d, hn::LoadU(d8, a + i)), hn::PromoteTo(d, hn::LoadU(d8, b + i))));
            absolute = hn::Add(absolute, difference);
            square = hn::Add(square, hn::Mul(difference, difference));
            changed = hn::Add(changed, hn::Min(difference, one));
            largest = hn::Max(largest, difference);
        }
        sums.absolute += std::uint64_t(hn::GetLane(hn::SumOfLanes(d, absolute)));
        sums.square += std::uint64_t(hn::GetLane(hn::SumOfLanes(d, square)));
        sums.changed += std::uint64_t(hn::GetLane(hn::SumOfLanes(d, changed)));
    }
    sums.largest = std::max(sums.largest, std::uint32_t(hn::GetLane(hn::MaxOfLanes(d, largest))));
    for (; i < n; ++i) {
        const std::uint32_t difference = std::uint32_t(std::abs(int(a[i]) - int(b[i])));
        sums.absolute += difference;
        sums.square += difference * difference;
        sums.changed += difference != 0 ? 1 : 0;
        sums.largest = std::max(sums.largest, difference);
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace pellisor
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pellisor {

HWY_EXPORT(MedianOfRows);
HWY_EXPORT(AbsoluteDifference);
HWY_EXPORT(AddDifferenceSums);

void medianOfRows(const std::uint8_t* above, const std::uint8_t* middle, const std::uint8_t* below,
                  std::uint8_t* out, std::size_t lanes) {
    HWY_DYNAMIC_DISPATCH(MedianOfRows)(above, middle, below, out, lanes);
}

void absoluteDifference(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, std::size_t n) {
    HWY_DYNAMIC_DISPATCH(AbsoluteDifference)(a, b, out, n);
}

void addDifferenceSums(const std::uint8_t* a, const std::uint8_t* b, std::size_t n, DifferenceSums& sums) {
    HWY_DYNAMIC_DISPATCH(AddDifferenceSums)(a, b, n, sums);
}

}  // namespace pellisor
#endif
