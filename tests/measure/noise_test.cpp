#include "measure/noise.h"
#include "measure/picture_quality.h"

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace pellisor {
namespace {

RgbImage grey(std::int32_t width, std::int32_t height, std::uint8_t value) {
    return RgbImage{width, height,
                    std::vector<std::uint8_t>(std::size_t(width) * 3 * std::size_t(height), value)};
}

RgbImage randomImage(std::uint32_t seed, std::int32_t width, std::int32_t height) {
    std::mt19937 rng(seed);
    RgbImage image = grey(width, height, 0);
    for (auto& byte : image.pixels)
        byte = static_cast<std::uint8_t>(rng());
    return image;
}

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const std::uint8_t byte : bytes)
        hash = (hash ^ byte) * 0x100000001b3ULL;
    return hash;
}

// SplitMix64 as published: the state advances by the golden gamma, each output is the mix of the state.
std::vector<std::uint64_t> splitMix64(std::uint64_t seed, std::size_t count) {
    std::vector<std::uint64_t> outputs;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t z = (seed += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        outputs.push_back(z ^ (z >> 31));
    }
    return outputs;
}

// The README's draw order, followed literally: sample s takes outputs 2s and 2s+1.
TEST(Noise, ImpulsesFollowTheDocumentedDrawOrder) {
    const RgbImage clean = randomImage(1, 23, 11);
    for (const NoiseKind kind : {NoiseKind::SaltAndPepper, NoiseKind::RandomValued}) {
        const NoiseSettings settings{kind, 0.3, 0xDEADBEEF12345ULL};
        const RgbImage noisy = addNoise(clean, settings);
        const std::vector<std::uint64_t> draws = splitMix64(settings.seed, clean.pixels.size() * 2);
        for (std::size_t s = 0; s < clean.pixels.size(); ++s) {
            const double u = double(draws[2 * s] >> 11) / 9007199254740992.0;
            const std::uint64_t second = draws[2 * s + 1];
            const int hit = kind == NoiseKind::SaltAndPepper ? (second >> 63 ? 255 : 0) : int(second >> 56);
            ASSERT_EQ(u < 0.3 ? hit : clean.pixels[s], noisy.pixels[s]) << "sample " << s;
        }
    }
}

// Pinned bytes: a change of the generator, the draw order or the arithmetic shows here.
TEST(Noise, SameSeedGivesTheSameBytes) {
    const RgbImage clean = randomImage(2, 320, 240);
    const std::vector<std::pair<NoiseSettings, std::uint64_t>> golden{
        {{NoiseKind::SaltAndPepper, 0.1, 7}, 0xcb71cae0a3de60a8ULL},
        {{NoiseKind::RandomValued, 0.25, 7}, 0xea55d68493e976e2ULL},
        {{NoiseKind::Gaussian, 20.0, 7}, 0xb5faca229f141965ULL},
        {{NoiseKind::Gaussian, 3.5, 123456789012345ULL}, 0x888b9a7f1eb983d0ULL},
        {{NoiseKind::None, 0.0, 7}, fnv1a(clean.pixels)},
    };
    for (const auto& [settings, checksum] : golden) {
        const RgbImage noisy = addNoise(clean, settings);
        EXPECT_EQ(noisy.pixels, addNoise(clean, settings).pixels);
        EXPECT_EQ(checksum, fnv1a(noisy.pixels)) << noiseKindName(settings.kind) << " " << settings.level
                                                 << std::hex << " 0x" << fnv1a(noisy.pixels);
    }
    EXPECT_NE(addNoise(clean, {NoiseKind::SaltAndPepper, 0.1, 8}).pixels,
              addNoise(clean, {NoiseKind::SaltAndPepper, 0.1, 7}).pixels);
}

TEST(Noise, DensitiesAndSpreadMatchTheLevel) {
    const RgbImage clean = grey(400, 300, 100);
    const double samples = double(clean.pixels.size());
    for (const double level : {0.05, 0.3, 0.7}) {
        const RgbImage noisy = addNoise(clean, {NoiseKind::SaltAndPepper, level, 99});
        double salt = 0, pepper = 0;
        for (const std::uint8_t byte : noisy.pixels) {
            ASSERT_TRUE(byte == 0 || byte == 100 || byte == 255);
            salt += byte == 255;
            pepper += byte == 0;
        }
        const double sigma = std::sqrt(level * (1 - level) / samples);
        EXPECT_NEAR(level, (salt + pepper) / samples, 3 * sigma);
        EXPECT_NEAR(0.5, salt / (salt + pepper), 3 * std::sqrt(0.25 / (salt + pepper)));

        // Random values: every one of 0 ... 255 alike, so the changed share is level * 255/256.
        const RgbImage valued = addNoise(clean, {NoiseKind::RandomValued, level, 5});
        double changed = 0, sum = 0;
        for (const std::uint8_t byte : valued.pixels) {
            changed += byte != 100;
            sum += byte != 100 ? byte : 0;
        }
        const double p = level * 255 / 256;
        EXPECT_NEAR(p, changed / samples, 3 * std::sqrt(p * (1 - p) / samples));
        EXPECT_NEAR((128.0 * 255 - 100) / 255, sum / changed, 3 * 74 / std::sqrt(changed));
    }
    // Gaussian: mean 0 and standard deviation `level` (rounding adds 1/12 to the variance).
    const RgbImage noisy = addNoise(clean, {NoiseKind::Gaussian, 12.0, 3});
    double sum = 0, square = 0;
    for (const std::uint8_t byte : noisy.pixels) {
        sum += byte - 100.0;
        square += (byte - 100.0) * (byte - 100.0);
    }
    EXPECT_NEAR(0.0, sum / samples, 3 * 12 / std::sqrt(samples));
    EXPECT_NEAR(144.0 + 1.0 / 12, square / samples, 3 * 144 * std::sqrt(2 / samples));
    // Clipping at the ends, and nothing for level 0.
    EXPECT_EQ(clean.pixels, addNoise(clean, {NoiseKind::Gaussian, 0.0, 3}).pixels);
    const RgbImage white = addNoise(grey(50, 50, 255), {NoiseKind::Gaussian, 1000.0, 3});
    EXPECT_GT(std::count(white.pixels.begin(), white.pixels.end(), 255), 3000);
    EXPECT_GT(std::count(white.pixels.begin(), white.pixels.end(), 0), 2000);
}

TEST(Noise, KindsByNameAndLevelsOutOfRange) {
    for (const NoiseKind kind :
         {NoiseKind::SaltAndPepper, NoiseKind::RandomValued, NoiseKind::Gaussian, NoiseKind::None})
        EXPECT_EQ(kind, noiseKindNamed(noiseKindName(kind)));
    EXPECT_FALSE(noiseKindNamed("salt").has_value());
    const RgbImage clean = grey(4, 4, 1);
    EXPECT_THROW(addNoise(clean, {NoiseKind::SaltAndPepper, 1.5, 1}), std::runtime_error);
    EXPECT_THROW(addNoise(clean, {NoiseKind::RandomValued, -0.1, 1}), std::runtime_error);
    EXPECT_THROW(addNoise(clean, {NoiseKind::Gaussian, -1.0, 1}), std::runtime_error);
    EXPECT_THROW(addNoise(clean, {NoiseKind::Gaussian, NAN, 1}), std::runtime_error);
    for (const std::uint8_t byte : addNoise(grey(4, 4, 7), {NoiseKind::SaltAndPepper, 1.0, 2}).pixels)
        EXPECT_TRUE(byte == 0 || byte == 255);
}

// The vector code is chosen per processor; every instruction set this one runs must give the same bytes.
TEST(Noise, EveryInstructionSetGivesTheSameBytes) {
    const RgbImage clean = randomImage(5, 331, 7);
    auto run = [&] {
        std::vector<std::uint8_t> bytes;
        for (const NoiseKind kind : {NoiseKind::SaltAndPepper, NoiseKind::RandomValued}) {
            const RgbImage noisy = addNoise(clean, {kind, 0.37, 11});
            bytes.insert(bytes.end(), noisy.pixels.begin(), noisy.pixels.end());
            const RgbImage median = median3x3(noisy);
            bytes.insert(bytes.end(), median.pixels.begin(), median.pixels.end());
        }
        return bytes;
    };
    const std::vector<std::uint8_t> expected = run();
    const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    for (const std::int64_t target : targets) {
        hwy::SetSupportedTargetsForTest(target);
        EXPECT_EQ(expected, run()) << hwy::TargetName(target);
    }
    hwy::SetSupportedTargetsForTest(0);
    EXPECT_GE(targets.size(), 2u);
}

}  // namespace
}  // namespace pellisor
