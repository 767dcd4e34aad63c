// The noise generator is counter-based, so that every sample's draws are known without drawing the
// ones before it: the picture is split over threads and still gets the same bytes. Only IEEE
// operations that are exactly rounded (+, -, *, /, sqrt) are used, with our own logarithm and cosine,
// and this file is built without contraction into fused multiply-adds: the library's log and cos may
// differ in the last bit between machines, which could move a rounded sample.
#include "measure/noise.h"

#include "measure/noise_kernels.h"

#include "model/error.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace pellisor {

namespace {

constexpr std::uint64_t kGoldenGamma = 0x9E3779B97F4A7C15ULL;

std::uint64_t splitMix64Finish(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Output number n (counted from 0) of SplitMix64 seeded with `seed`.
std::uint64_t splitMix64Output(std::uint64_t seed, std::uint64_t n) {
    return splitMix64Finish(seed + (n + 1) * kGoldenGamma);
}

// The upper 53 bits as a double in [0, 1).
double unitInterval(std::uint64_t bits) {
    return static_cast<double>(static_cast<std::int64_t>(bits >> 11)) * 0x1.0p-53;  // signed: one instruction
}

// ln x for x in (0, 1]: x = m 2^e with m in [sqrt(1/2), sqrt(2)), ln m = 2 atanh((m-1)/(m+1)) by its
// series, which converges to double precision within the terms below.
double naturalLog(double x) {
    int exponent = 0;
    double mantissa = std::frexp(x, &exponent);  // exact
    if (mantissa < 0.70710678118654752440) {
        mantissa *= 2.0;  // exact
        --exponent;
    }
    const double t = (mantissa - 1.0) / (mantissa + 1.0);
    const double t2 = t * t;
    static constexpr auto kInverseOdd = [] {
        std::array<double, 13> inverse{};
        for (int k = 0; k < 13; ++k)
            inverse[std::size_t(k)] = 1.0 / double(2 * k + 1);
        return inverse;
    }();
    double series = kInverseOdd[12];
    for (int k = 11; k >= 0; --k)
        series = kInverseOdd[std::size_t(k)] + t2 * series;
    return 2.0 * t * series + double(exponent) * 0.69314718055994530942;
}

// 1 / (m (m+1)) for m = 0 ... 19, the ratios of successive Taylor terms of cos and sin.
constexpr std::array<double, 20> kInverseTermRatios = [] {
    std::array<double, 20> inverse{};
    for (int m = 1; m < 20; ++m)
        inverse[std::size_t(m)] = 1.0 / double(m * (m + 1));
    return inverse;
}();

// cos and sin of x in [0, pi/4] by their Taylor series (the first omitted term is below 1e-18).
double cosSeries(double x) {
    const double x2 = x * x;
    double sum = 1.0;
    for (int k = 9; k >= 1; --k)
        sum = 1.0 - x2 * kInverseTermRatios[std::size_t(2 * k - 1)] * sum;
    return sum;
}
double sinSeries(double x) {
    const double x2 = x * x;
    double sum = 1.0;
    for (int k = 9; k >= 1; --k)
        sum = 1.0 - x2 * kInverseTermRatios[std::size_t(2 * k)] * sum;
    return x * sum;
}

// cos(2 pi u) for u in [0, 1), a multiple of 2^-53: the reductions by symmetry below are exact.
double cosOfTurn(double u) {
    constexpr double kTwoPi = 6.28318530717958647692;
    double turn = u > 0.5 ? 1.0 - u : u;  // [0, 0.5]
    double sign = 1.0;
    if (turn > 0.25) {
        turn = 0.5 - turn;  // [0, 0.25]
        sign = -1.0;
    }
    return turn > 0.125 ? sign * sinSeries(kTwoPi * (0.25 - turn)) : sign * cosSeries(kTwoPi * turn);
}

// A standard normal value from two draws by the Box-Muller transform (its cosine half).
double standardNormal(std::uint64_t first, std::uint64_t second) {
    const double radiusSource = static_cast<double>(static_cast<std::int64_t>((first >> 11) + 1)) * 0x1.0p-53;
    return std::sqrt(-2.0 * naturalLog(radiusSource)) * cosOfTurn(unitInterval(second));
}

template <NoiseKind kind>
std::uint8_t noisySample(std::uint8_t clean, const NoiseSettings& settings, std::uint64_t sample) {
    const std::uint64_t first = splitMix64Output(settings.seed, 2 * sample);
    if constexpr (kind == NoiseKind::SaltAndPepper) {
        if (unitInterval(first) >= settings.level) return clean;
        return (splitMix64Output(settings.seed, 2 * sample + 1) >> 63) != 0 ? 255 : 0;
    } else if constexpr (kind == NoiseKind::RandomValued) {
        if (unitInterval(first) >= settings.level) return clean;
        return static_cast<std::uint8_t>(splitMix64Output(settings.seed, 2 * sample + 1) >> 56);
    } else {
        const double z = standardNormal(first, splitMix64Output(settings.seed, 2 * sample + 1));
        const double value = std::round(double(clean) + settings.level * z);  // halves away from zero
        return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
    }
}

template <NoiseKind kind>
void addNoiseTo(const RgbImage& clean, const NoiseSettings& settings, std::size_t first, std::size_t end,
                RgbImage& noisy) {
    if constexpr (kind != NoiseKind::Gaussian) {
        // unitInterval(draw) < level exactly when (draw >> 11) < level 2^53, which is exact, rounded up.
        const auto threshold = static_cast<std::uint64_t>(std::ceil(std::ldexp(settings.level, 53)));
        first += addImpulseNoise(kind == NoiseKind::SaltAndPepper, clean.pixels.data() + first,
                                 noisy.pixels.data() + first, settings.seed, threshold, first, end - first);
    }
    for (std::size_t s = first; s < end; ++s)
        noisy.pixels[s] = noisySample<kind>(clean.pixels[s], settings, s);
}

void requireValidLevel(const NoiseSettings& settings) {
    const bool probability =
        settings.kind == NoiseKind::SaltAndPepper || settings.kind == NoiseKind::RandomValued;
    const bool valid = probability ? settings.level >= 0.0 && settings.level <= 1.0
                                   : settings.level >= 0.0 && std::isfinite(settings.level);
    if (!valid) {
        throw Error(std::string("Úroveň šumu ") + std::string(noiseKindName(settings.kind)) +
                    (probability ? " musí být pravděpodobnost 0 až 1" : " musí být nezáporné číslo"));
    }
}

}  // namespace

std::optional<NoiseKind> noiseKindNamed(std::string_view name) {
    if (name == "sp") return NoiseKind::SaltAndPepper;
    if (name == "rv") return NoiseKind::RandomValued;
    if (name == "gauss") return NoiseKind::Gaussian;
    if (name == "none") return NoiseKind::None;
    return std::nullopt;
}

std::string_view noiseKindName(NoiseKind kind) {
    switch (kind) {
        case NoiseKind::SaltAndPepper:
            return "sp";
        case NoiseKind::RandomValued:
            return "rv";
        case NoiseKind::Gaussian:
            return "gauss";
        case NoiseKind::None:
            break;
    }
    return "none";
}

RgbImage addNoise(const RgbImage& clean, const NoiseSettings& settings) {
    requireValidLevel(settings);
    RgbImage noisy = clean;
    if (settings.kind == NoiseKind::None) return noisy;
    // Sample s is byte s of the picture: rows from the top, pixels from the left, red, green, blue.
    const std::size_t samples = noisy.pixels.size();
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1,
                                                        std::max<std::size_t>(samples / 65536, 1));
    auto work = [&](std::size_t part) {
        const std::size_t first = samples * part / threads, end = samples * (part + 1) / threads;
        if (settings.kind == NoiseKind::SaltAndPepper) {
            addNoiseTo<NoiseKind::SaltAndPepper>(clean, settings, first, end, noisy);
        } else if (settings.kind == NoiseKind::RandomValued) {
            addNoiseTo<NoiseKind::RandomValued>(clean, settings, first, end, noisy);
        } else {
            addNoiseTo<NoiseKind::Gaussian>(clean, settings, first, end, noisy);
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t part = 1; part < threads; ++part)
        workers.emplace_back(work, part);
    work(0);
    for (std::thread& worker : workers)
        worker.join();
    return noisy;
}

}  // namespace pellisor
