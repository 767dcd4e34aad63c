#include "measure/picture_quality.h"

#include "measure/picture_kernels.h"
#include "measure/red_frame.h"
#include "measure/split_across_threads.h"
#include "measure/structural_similarity.h"
#include "model/error.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

namespace pellisor {

namespace {

void requireSameSize(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height) {
        throw Error("Obrázky k porovnání mají různou velikost (" + std::to_string(a.width) + "x" +
                    std::to_string(a.height) + " a " + std::to_string(b.width) + "x" +
                    std::to_string(b.height) + ")");
    }
}

// The sums behind MDPP, PSNR, max_error and changed, exact in integers, rows split over threads.
QualityFigures differenceFigures(const RgbImage& picture, const RgbImage& reference) {
    QualityFigures figures;
    const std::size_t lanes = std::size_t(reference.width - 2) * 3;
    const std::size_t rows = std::size_t(reference.height - 2);
    std::vector<DifferenceSums> shares(std::max<unsigned>(std::thread::hardware_concurrency(), 1));
    std::atomic<std::size_t> nextShare{0};
    splitAcrossThreads(rows, 64, [&](std::size_t first, std::size_t end) {
        DifferenceSums& sums = shares[nextShare.fetch_add(1)];
        for (std::size_t y = first + 1; y < end + 1; ++y)
            addDifferenceSums(picture.row(std::int32_t(y)) + 3, reference.row(std::int32_t(y)) + 3, lanes,
                              sums);
    });
    DifferenceSums total;
    for (const DifferenceSums& sums : shares) {
        total.absolute += sums.absolute;
        total.square += sums.square;
        total.changed += sums.changed;
        total.largest = std::max(total.largest, sums.largest);
    }
    const double samples = double(lanes) * double(rows);
    figures.mdpp = double(total.absolute) / samples;
    if (total.square != 0) figures.psnr = 10.0 * std::log10(255.0 * 255.0 / (double(total.square) / samples));
    figures.changed = std::int64_t(total.changed);
    figures.maxError = std::int32_t(total.largest);
    return figures;
}

}  // namespace

std::vector<QualityFigures> compareInterior(const std::vector<const RgbImage*>& pictures,
                                            const RgbImage& reference) {
    for (const RgbImage* picture : pictures)
        requireSameSize(*picture, reference);
    std::vector<QualityFigures> result(pictures.size());
    if (reference.width < 3 || reference.height < 3) return result;
    const std::vector<double> similarity = structuralSimilarity(pictures, reference);
    for (std::size_t p = 0; p < pictures.size(); ++p) {
        result[p] = differenceFigures(*pictures[p], reference);
        result[p].ssim = similarity[p];
    }
    return result;
}

QualityFigures compareInterior(const RgbImage& picture, const RgbImage& reference) {
    return compareInterior(std::vector<const RgbImage*>{&picture}, reference).front();
}

RgbImage differencePicture(const RgbImage& a, const RgbImage& b) {
    requireSameSize(a, b);
    RgbImage difference{a.width, a.height, std::vector<std::uint8_t>(a.pixels.size())};
    splitAcrossThreads(a.pixels.size(), 1 << 18, [&](std::size_t first, std::size_t end) {
        absoluteDifference(a.pixels.data() + first, b.pixels.data() + first, difference.pixels.data() + first,
                           end - first);
    });
    return difference;
}

RgbImage median3x3(const RgbImage& picture) {
    RgbImage result{picture.width, picture.height, std::vector<std::uint8_t>(picture.pixels.size())};
    if (picture.width < 1 || picture.height < 1) return result;
    if (picture.width >= 3 && picture.height >= 3) {
        splitAcrossThreads(std::size_t(picture.height - 2), 64, [&](std::size_t first, std::size_t end) {
            for (std::int32_t y = std::int32_t(first) + 1; y < std::int32_t(end) + 1; ++y) {
                medianOfRows(picture.row(y - 1), picture.row(y), picture.row(y + 1), result.row(y) + 3,
                             std::size_t(picture.width - 2) * 3);
            }
        });
    }
    paintFrameRed(result);
    return result;
}

}  // namespace pellisor
