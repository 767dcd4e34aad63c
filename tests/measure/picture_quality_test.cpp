#include "measure/picture_quality.h"

#include "support/random_picture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <sstream>

namespace pellisor {
namespace {

// A smooth picture near black and white, where the variances are small beside the squared means: the
// case that cancellation in the sums would spoil.
RgbImage smoothImage(std::mt19937& rng, std::int32_t width, std::int32_t height) {
    RgbImage image = test::randomPicture(rng, width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int base = (x / 7 + y / 5 + c) % 2 == 0 ? 2 : 250;
                image.row(y)[std::size_t(x) * 3 + std::size_t(c)] = std::uint8_t(base + int(rng() % 4));
            }
        }
    }
    return image;
}

// A copy with a share of the samples replaced, as noise or an imperfect filter leaves it.
RgbImage disturbed(std::mt19937& rng, RgbImage image, int percent) {
    for (auto& byte : image.pixels) {
        if (int(rng() % 100) < percent) byte = static_cast<std::uint8_t>(rng());
    }
    return image;
}

TEST(PictureQuality, DifferenceFiguresEqualAPlainComputationOverTheInterior) {
    std::mt19937 rng(15);
    for (int round = 0; round < 40; ++round) {
        const std::int32_t width = 3 + std::int32_t(rng() % 60);
        const std::int32_t height = 3 + std::int32_t(rng() % 40);
        const RgbImage reference = test::randomPicture(rng, width, height);
        const RgbImage picture = round % 5 == 0 ? reference : disturbed(rng, reference, int(rng() % 100));
        double absolute = 0, square = 0, samples = 0, changed = 0;
        int largest = 0;
        for (std::int32_t y = 1; y < height - 1; ++y) {
            for (std::int32_t x = 3; x < (width - 1) * 3; ++x) {
                const int d = std::abs(int(picture.row(y)[x]) - int(reference.row(y)[x]));
                absolute += d;
                square += double(d) * d;
                samples += 1;
                changed += d != 0;
                largest = std::max(largest, d);
            }
        }
        const QualityFigures figures = compareInterior(picture, reference);
        EXPECT_NEAR(absolute / samples, figures.mdpp, 1e-9);
        EXPECT_EQ(square == 0, !figures.psnr.has_value());
        if (figures.psnr) {
            EXPECT_NEAR(10 * std::log10(255.0 * 255.0 * samples / square), *figures.psnr, 1e-9);
        }
        EXPECT_EQ(largest, figures.maxError);
        EXPECT_EQ(std::int64_t(changed), figures.changed);
        if (square == 0) {
            EXPECT_NEAR(1.0, figures.ssim, 1e-6);
        }
    }
    // The frame is no part of the comparison.
    RgbImage a{3, 3, std::vector<std::uint8_t>(27, 9)};
    RgbImage b = a;
    b.pixels[0] = 200;
    EXPECT_EQ(0, compareInterior(a, b).changed);
}

// scikit-image's structural_similarity is the field's reference; every pair is handed to it at once.
TEST(PictureQuality, SsimAgreesWithScikitImage) {
    // Debian's python3-skimage belongs to the system's interpreter, which another one on the PATH may hide.
    std::string python;
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        if (python.empty() &&
            test::runCommand(std::string(candidate) + " -c 'import skimage.metrics' 2>/dev/null").status ==
                0) {
            python = candidate;
        }
    }
    if (python.empty()) GTEST_SKIP() << "python3-skimage is not installed (scripts/setup installs it)";
    test::TempDir dir;
    std::mt19937 rng(1504);
    std::ostringstream script;
    script << "import numpy as np\nfrom skimage.metrics import structural_similarity as ssim\n"
           << "def interior(name, w, h):\n"
           << "    return np.fromfile(name, np.uint8).reshape(h, w, 3)[1:-1, 1:-1]\n";
    std::vector<double> ours;
    const std::array<std::array<std::int32_t, 2>, 6> sizes{
        {{13, 13}, {14, 20}, {40, 25}, {97, 31}, {200, 120}, {13, 60}}};
    for (std::size_t i = 0; i < sizes.size() * 3; ++i) {
        const auto [width, height] = sizes[i % sizes.size()];
        const RgbImage reference =
            i % 3 == 2 ? smoothImage(rng, width, height) : test::randomPicture(rng, width, height);
        const RgbImage picture =
            i % 3 == 0 ? test::randomPicture(rng, width, height) : disturbed(rng, reference, 20);
        const std::string a = dir.file("a" + std::to_string(i)), b = dir.file("b" + std::to_string(i));
        test::writeBytes(a, std::string(picture.pixels.begin(), picture.pixels.end()));
        test::writeBytes(b, std::string(reference.pixels.begin(), reference.pixels.end()));
        script << "print(repr(ssim(interior('" << a << "', " << width << ", " << height << "), interior('"
               << b << "', " << width << ", " << height
               << "), gaussian_weights=True, sigma=1.5, use_sample_covariance=False, data_range=255, "
                  "channel_axis=2)))\n";
        ours.push_back(compareInterior(picture, reference).ssim);
    }
    test::writeBytes(dir.file("ssim.py"), script.str());
    const test::CommandResult result =
        test::runCommand(python + " " + test::shellQuoted(dir.file("ssim.py")));
    ASSERT_EQ(0, result.status) << result.output;
    std::istringstream lines(result.output);
    for (const double value : ours) {
        double expected = 0;
        ASSERT_TRUE(lines >> expected) << result.output;
        EXPECT_NEAR(expected, value, 1e-4);
    }
}

// A picture wide and tall enough to be cut into several strips and bands of rows, three pictures at
// once, against scikit-image.
TEST(PictureQuality, SsimOfAWidePictureInStripsAgreesWithScikitImage) {
    if (test::runCommand("/usr/bin/python3 -c 'import skimage.metrics' 2>/dev/null").status != 0)
        GTEST_SKIP() << "python3-skimage is not installed (scripts/setup installs it)";
    test::TempDir dir;
    std::mt19937 rng(77);
    const std::int32_t width = 1400, height = 291;  // the last band has an odd number of rows
    const RgbImage reference = smoothImage(rng, width, height);
    const RgbImage pictures[3] = {disturbed(rng, reference, 5), disturbed(rng, reference, 40),
                                  test::randomPicture(rng, width, height)};
    const std::vector<QualityFigures> ours =
        compareInterior({&pictures[0], &pictures[1], &pictures[2]}, reference);
    std::ostringstream script;
    script << "import numpy as np\nfrom skimage.metrics import structural_similarity as ssim\n"
           << "r = np.fromfile('" << dir.file("r") << "', np.uint8).reshape(" << height << ", " << width
           << ", 3)[1:-1, 1:-1]\n";
    test::writeBytes(dir.file("r"), std::string(reference.pixels.begin(), reference.pixels.end()));
    for (int p = 0; p < 3; ++p) {
        const std::string name = dir.file("p" + std::to_string(p));
        test::writeBytes(name, std::string(pictures[p].pixels.begin(), pictures[p].pixels.end()));
        script << "print(repr(ssim(np.fromfile('" << name << "', np.uint8).reshape(" << height << ", "
               << width
               << ", 3)[1:-1, 1:-1], r, gaussian_weights=True, sigma=1.5, use_sample_covariance=False, "
                  "data_range=255, channel_axis=2)))\n";
    }
    test::writeBytes(dir.file("ssim.py"), script.str());
    const test::CommandResult result =
        test::runCommand("/usr/bin/python3 " + test::shellQuoted(dir.file("ssim.py")));
    ASSERT_EQ(0, result.status) << result.output;
    std::istringstream lines(result.output);
    for (const QualityFigures& figures : ours) {
        double expected = 0;
        ASSERT_TRUE(lines >> expected) << result.output;
        EXPECT_NEAR(expected, figures.ssim, 1e-4);
    }
}

TEST(PictureQuality, SeveralPicturesAtOnceGiveWhatEachGivesAlone) {
    std::mt19937 rng(7);
    const RgbImage reference = test::randomPicture(rng, 150, 90);
    const RgbImage first = disturbed(rng, reference, 10), second = test::randomPicture(rng, 150, 90);
    const std::vector<QualityFigures> both = compareInterior({&first, &second, &reference}, reference);
    EXPECT_EQ(compareInterior(first, reference).ssim, both[0].ssim);
    EXPECT_EQ(compareInterior(second, reference).ssim, both[1].ssim);
    EXPECT_NEAR(1.0, both[2].ssim, 1e-6);
    EXPECT_LT(both[1].ssim, both[0].ssim);
    // An interior narrower than the window is averaged with reflected edges; equal pictures give 1.
    const RgbImage small = test::randomPicture(rng, 9, 30);
    EXPECT_NEAR(1.0, compareInterior(small, small).ssim, 1e-12);
    EXPECT_LT(compareInterior(test::randomPicture(rng, 9, 30), small).ssim, 0.5);
}

TEST(PictureQuality, MedianEqualsTheMiddleOfTheSortedNeighbourhood) {
    std::mt19937 rng(33);
    for (int round = 0; round < 30; ++round) {
        const std::int32_t width = 1 + std::int32_t(rng() % 300), height = 1 + std::int32_t(rng() % 9);
        const RgbImage picture = test::randomPicture(rng, width, height);
        const RgbImage median = median3x3(picture);
        ASSERT_EQ(picture.pixels.size(), median.pixels.size());
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    const int got = median.row(y)[std::size_t(x) * 3 + std::size_t(c)];
                    if (x == 0 || y == 0 || x == width - 1 || y == height - 1) {
                        ASSERT_EQ(c == 0 ? 255 : 0, got);
                        continue;
                    }
                    std::array<std::uint8_t, 9> window{};
                    for (int k = 0; k < 9; ++k)
                        window[std::size_t(k)] =
                            picture.row(y + k / 3 - 1)[std::size_t(x + k % 3 - 1) * 3 + std::size_t(c)];
                    std::nth_element(window.begin(), window.begin() + 4, window.end());
                    ASSERT_EQ(int(window[4]), got) << x << "," << y << "," << c;
                }
            }
        }
    }
}

TEST(PictureQuality, DifferencePictureIsTheAbsoluteDifferencePerSample) {
    std::mt19937 rng(4);
    const RgbImage a = test::randomPicture(rng, 17, 5), b = test::randomPicture(rng, 17, 5);
    const RgbImage difference = differencePicture(a, b);
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        ASSERT_EQ(std::abs(int(a.pixels[i]) - int(b.pixels[i])), int(difference.pixels[i]));
    EXPECT_THROW(differencePicture(a, test::randomPicture(rng, 16, 5)), std::exception);
    EXPECT_THROW(compareInterior(a, test::randomPicture(rng, 17, 6)), std::exception);
}

}  // namespace
}  // namespace pellisor
