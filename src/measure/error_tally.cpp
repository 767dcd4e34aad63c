#include "measure/error_tally.h"

#include <algorithm>
#include <cmath>

namespace pellisor {

ErrorTallies::ErrorTallies(std::size_t workers, std::size_t chunks)
    : workers_(workers), relativeSums_(chunks, 0.0) {}

void ErrorTallies::add(std::size_t worker, std::size_t chunk, std::int64_t result, std::int64_t exact) {
    Tally& tally = workers_[worker];
    // Results and exact values stay below 2^62 in magnitude, so the difference fits.
    const std::int64_t error = result - exact;
    const auto magnitude = static_cast<std::uint64_t>(error < 0 ? -error : error);
    if (error >= -kDenseReach && error <= kDenseReach) {
        if (tally.nearZero.empty()) tally.nearZero.assign(2 * kDenseReach + 1, 0);
        ++tally.nearZero[static_cast<std::size_t>(error + kDenseReach)];
    } else {
        ++tally.farOut[error];
    }
    if (magnitude == 0) return;
    ++tally.wrong;
    tally.absoluteSum += magnitude;
    const WideSum square = static_cast<WideSum>(magnitude) * magnitude;
    tally.squareSum += square;
    if (tally.squareSum < square) ++tally.squareCarries;
    tally.worst = std::max(tally.worst, static_cast<std::int64_t>(magnitude));
    const double relative = static_cast<double>(magnitude) /
                            static_cast<double>(std::max<std::uint64_t>(1, exact < 0 ? -exact : exact));
    relativeSums_[chunk] += relative;
    tally.worstRelative = std::max(tally.worstRelative, relative);
}

ErrorFigures ErrorTallies::figures(std::int64_t vectors, bool exhaustive) const {
    ErrorFigures figures;
    figures.vectors = vectors;
    figures.exhaustive = exhaustive;
    WideSum absoluteSum = 0;
    WideSum squareSum = 0;
    std::uint64_t squareCarries = 0;
    std::int64_t wrong = 0;
    for (const Tally& tally : workers_) {
        absoluteSum += tally.absoluteSum;
        squareSum += tally.squareSum;
        squareCarries += tally.squareCarries + (squareSum < tally.squareSum ? 1 : 0);
        wrong += tally.wrong;
        figures.wce = std::max(figures.wce, tally.worst);
        figures.wcre = std::max(figures.wcre, 100.0 * tally.worstRelative);
        for (std::size_t k = 0; k < tally.nearZero.size(); ++k) {
            if (tally.nearZero[k] != 0)
                figures.histogram[static_cast<std::int64_t>(k) - kDenseReach] += tally.nearZero[k];
        }
        for (const auto& [error, count] : tally.farOut)
            figures.histogram[error] += count;
    }
    double relativeSum = 0.0;
    for (const double sum : relativeSums_)
        relativeSum += sum;
    const auto n = static_cast<double>(std::max<std::int64_t>(vectors, 1));
    figures.mae = static_cast<double>(absoluteSum) / n;
    figures.mse = (std::ldexp(static_cast<double>(squareCarries), 128) + static_cast<double>(squareSum)) / n;
    figures.ep = 100.0 * static_cast<double>(wrong) / n;
    figures.mre = 100.0 * relativeSum / n;
    return figures;
}

}  // namespace pellisor
