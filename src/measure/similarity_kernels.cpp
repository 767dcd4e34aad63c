// The SSIM's loops, compiled once per instruction set by Highway's foreach_target. The sums may use
// fused multiply-adds: the SSIM is compared to 1e-4, not bit for bit.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "measure/similarity_kernels.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
// Must come after foreach_target.
#include "hwy/highway.h"

#include "measure/similarity_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace pellisor {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;

constexpr float kCentre = 128.0f;
constexpr float kC1 = (0.01f * 255) * (0.01f * 255);
constexpr float kC2 = (0.03f * 255) * (0.03f * 255);

}  // namespace

void CentredRow(const std::uint8_t* bytes, float* out, std::size_t n) {
    const hn::ScalableTag<float> df;
    const hn::Rebind<std::int32_t, decltype(df)> di;
    const hn::Rebind<std::uint8_t, decltype(df)> d8;
    const std::size_t step = hn::Lanes(df);
    const auto centre = hn::Set(df, kCentre);
    std::size_t i = 0;
    for (; i + step <= n; i += step) {
        const auto values = hn::ConvertTo(df, hn::PromoteTo(di, hn::LoadU(d8, bytes + i)));
        hn::StoreU(hn::Sub(values, centre), df, out + i);
    }
    for (; i < n; ++i)
        out[i] = float(bytes[i]) - kCentre;
}

namespace {

// The window over the 11 values tap(0) ... tap(10), folded about the centre: the additions of mirrored
// taps and the multiplications go to different execution units.
template <class D, class Tap>
HWY_INLINE hn::Vec<D> foldedWindow(D d, const float* weights, Tap tap) {
    auto sum = hn::Mul(hn::Set(d, weights[5]), tap(5));
    for (int k = 0; k < 5; ++k)
        sum = hn::MulAdd(hn::Set(d, weights[k]), hn::Add(tap(k), tap(10 - k)), sum);
    return sum;
}

// out = the window along `row`, three lanes apart.
template <class D>
HWY_INLINE void windowAlongRow(D d, const float* row, const float* weights, float* out, std::size_t lanes) {
    for (std::size_t i = 0; i < lanes; i += hn::Lanes(d)) {
        const auto sum =
            foldedWindow(d, weights, [&](int k) { return hn::LoadU(d, row + i + 3 * std::size_t(k)); });
        hn::StoreU(sum, d, out + i);
    }
}

template <class D>
HWY_INLINE void multiply(D d, const float* a, const float* b, float* out, std::size_t n) {
    for (std::size_t i = 0; i < n; i += hn::Lanes(d))
        hn::StoreU(hn::Mul(hn::LoadU(d, a + i), hn::LoadU(d, b + i)), d, out + i);
}

}  // namespace

void WindowAlongRows(const float* reference, const float* const* pictures, std::size_t pictureCount,
                     const float* weights, float* const* maps, float* scratch, std::size_t lanes) {
    const hn::ScalableTag<float> d;
    const std::size_t inputLanes = lanes + 3 * (kSimilarityWindow - 1);
    float* square = scratch;
    float* cross = scratch + inputLanes + kSimilarityPadding;
    multiply(d, reference, reference, square, inputLanes);
    windowAlongRow(d, reference, weights, maps[0], lanes);
    windowAlongRow(d, square, weights, maps[1], lanes);
    for (std::size_t p = 0; p < pictureCount; ++p) {
        multiply(d, pictures[p], pictures[p], square, inputLanes);
        multiply(d, pictures[p], reference, cross, inputLanes);
        windowAlongRow(d, pictures[p], weights, maps[2 + 3 * p], lanes);
        windowAlongRow(d, square, weights, maps[3 + 3 * p], lanes);
        windowAlongRow(d, cross, weights, maps[4 + 3 * p], lanes);
    }
}

namespace {

// The SSIM of every lane from the maps of one output row, each picture's sum added to sums[p].
template <class D>
HWY_INLINE void addSimilarity(D d, const float* scratch, std::size_t mapStride, std::size_t pictureCount,
                              std::size_t lanes, double* sums) {
    const std::size_t step = hn::Lanes(d);
    const auto centre = hn::Set(d, kCentre);
    const auto two = hn::Set(d, 2.0f);
    const auto c1 = hn::Set(d, kC1);
    const auto c2 = hn::Set(d, kC2);
    const float* referenceMean = scratch;
    const float* referenceSquare = scratch + mapStride;
    for (std::size_t p = 0; p < pictureCount; ++p) {
        const float* pictureMean = scratch + (2 + 3 * p) * mapStride;
        const float* pictureSquare = pictureMean + mapStride;
        const float* pictureCross = pictureSquare + mapStride;
        auto total = hn::Zero(d);
        for (std::size_t i = 0; i < lanes; i += step) {
            const auto meanX = hn::LoadU(d, pictureMean + i);
            const auto meanY = hn::LoadU(d, referenceMean + i);
            const auto varianceSum = hn::Add(hn::NegMulAdd(meanX, meanX, hn::LoadU(d, pictureSquare + i)),
                                             hn::NegMulAdd(meanY, meanY, hn::LoadU(d, referenceSquare + i)));
            const auto covariance = hn::NegMulAdd(meanX, meanY, hn::LoadU(d, pictureCross + i));
            const auto ux = hn::Add(meanX, centre);
            const auto uy = hn::Add(meanY, centre);
            const auto numerator =
                hn::Mul(hn::MulAdd(hn::Mul(two, ux), uy, c1), hn::MulAdd(two, covariance, c2));
            const auto denominator =
                hn::Mul(hn::MulAdd(ux, ux, hn::MulAdd(uy, uy, c1)), hn::Add(varianceSum, c2));
            auto similarity = hn::Div(numerator, denominator);
            if (i + step > lanes) similarity = hn::IfThenElseZero(hn::FirstN(d, lanes - i), similarity);
            total = hn::Add(total, similarity);
        }
        sums[p] += double(hn::GetLane(hn::SumOfLanes(d, total)));
    }
}

}  // namespace

void AddSimilarityDownColumns(const float* const* rows, std::size_t pictureCount, const float* weights,
                              float* scratch, std::size_t lanes, std::size_t outputRows, double* sums) {
    const hn::ScalableTag<float> d;
    const std::size_t step = hn::Lanes(d);
    const std::size_t mapCount = 2 + 3 * pictureCount;
    const std::size_t mapStride = lanes + kSimilarityPadding;
    // One map at a time, so that its row pointers stay in registers; two output rows share 10 of their
    // 11 rows, so they are summed together and each row is loaded once for both.
    for (std::size_t map = 0; map < mapCount; ++map) {
        const float* column[kSimilarityWindow + 1];
        for (std::size_t k = 0; k < kSimilarityWindow - 1 + outputRows; ++k)
            column[k] = rows[k * mapCount + map];
        float* out = scratch + map * mapStride;
        float* secondOut = out + mapCount * mapStride;
        if (outputRows == 2) {
            for (std::size_t i = 0; i < lanes; i += step) {
                hn::StoreU(foldedWindow(d, weights, [&](int k) { return hn::LoadU(d, column[k] + i); }), d,
                           out + i);
                hn::StoreU(foldedWindow(d, weights, [&](int k) { return hn::LoadU(d, column[k + 1] + i); }),
                           d, secondOut + i);
            }
        } else {
            for (std::size_t i = 0; i < lanes; i += step) {
                hn::StoreU(foldedWindow(d, weights, [&](int k) { return hn::LoadU(d, column[k] + i); }), d,
                           out + i);
            }
        }
    }
    for (std::size_t row = 0; row < outputRows; ++row)
        addSimilarity(d, scratch + row * mapCount * mapStride, mapStride, pictureCount, lanes, sums);
}

}  // namespace HWY_NAMESPACE
}  // namespace pellisor
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pellisor {

HWY_EXPORT(CentredRow);
HWY_EXPORT(WindowAlongRows);
HWY_EXPORT(AddSimilarityDownColumns);

void centredRow(const std::uint8_t* bytes, float* out, std::size_t n) {
    HWY_DYNAMIC_DISPATCH(CentredRow)(bytes, out, n);
}

void windowAlongRows(const float* reference, const float* const* pictures, std::size_t pictureCount,
                     const float* weights, float* const* maps, float* scratch, std::size_t lanes) {
    HWY_DYNAMIC_DISPATCH(WindowAlongRows)(reference, pictures, pictureCount, weights, maps, scratch, lanes);
}

void addSimilarityDownColumns(const float* const* rows, std::size_t pictureCount, const float* weights,
                              float* scratch, std::size_t lanes, std::size_t outputRows, double* sums) {
    HWY_DYNAMIC_DISPATCH(AddSimilarityDownColumns)
    (rows, pictureCount, weights, scratch, lanes, outputRows, sums);
}

}  // namespace pellisor
#endif
