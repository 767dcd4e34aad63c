#include "measure/picture_quality.h"

#include "measure/red_frame.h"
#include "measure/structural_similarity.h"
#include "model/error.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
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

// The sums behind MDPP, PSNR, max_error and changed, exact in integers.
QualityFigures differenceFigures(const RgbImage& picture, const RgbImage& reference) {
    QualityFigures figures;
    const std::size_t lanes = std::size_t(reference.width - 2) * 3;
    std::uint64_t absoluteSum = 0;
    std::uint64_t squareSum = 0;
    for (std::int32_t y = 1; y + 1 < reference.height; ++y) {
        const std::uint8_t* a = picture.row(y) + 3;
        const std::uint8_t* b = reference.row(y) + 3;
        std::uint64_t rowAbsolute = 0;
        std::uint64_t rowSquare = 0;
        std::uint64_t rowChanged = 0;
        std::int32_t rowMax = 0;
        for (std::size_t i = 0; i < lanes; ++i) {
            const std::int32_t difference = std::abs(std::int32_t(a[i]) - std::int32_t(b[i]));
            rowAbsolute += std::uint64_t(difference);
            rowSquare += std::uint32_t(difference * difference);
            rowChanged += difference != 0 ? 1u : 0u;
            rowMax = std::max(rowMax, difference);
        }
        absoluteSum += rowAbsolute;
        squareSum += rowSquare;
        figures.changed += rowChanged;
        figures.maxError = std::max(figures.maxError, rowMax);
    }
    const double samples = double(lanes) * double(reference.height - 2);
    figures.mdpp = double(absoluteSum) / samples;
    if (squareSum != 0) figures.psnr = 10.0 * std::log10(255.0 * 255.0 / (double(squareSum) / samples));
    return figures;
}

// The median of nine by 19 compare-exchange steps, for every lane of a row: lane j of row y reads byte
// j of rows y-1, y and y+1, shifted by three bytes per column. Written over plain locals, the loop
// becomes vector MIN/MAX instructions.
void medianRow(const std::uint8_t* __restrict above, const std::uint8_t* __restrict middle,
               const std::uint8_t* __restrict below, std::uint8_t* __restrict out, std::size_t lanes) {
    for (std::size_t i = 0; i < lanes; ++i) {
        std::uint8_t p[9] = {above[i],      above[i + 3], above[i + 6], middle[i],   middle[i + 3],
                             middle[i + 6], below[i],     below[i + 3], below[i + 6]};
        auto order = [&](int a, int b) {
            const std::uint8_t low = std::min(p[a], p[b]);
            p[b] = std::max(p[a], p[b]);
            p[a] = low;
        };
        order(1, 2), order(4, 5), order(7, 8), order(0, 1), order(3, 4), order(6, 7), order(1, 2);
        order(4, 5), order(7, 8), order(0, 3), order(5, 8), order(4, 7), order(3, 6), order(1, 4);
        order(2, 5), order(4, 7), order(4, 2), order(6, 4), order(4, 2);
        out[i] = p[4];
    }
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
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        difference.pixels[i] = std::uint8_t(std::abs(std::int32_t(a.pixels[i]) - std::int32_t(b.pixels[i])));
    return difference;
}

RgbImage median3x3(const RgbImage& picture) {
    RgbImage result{picture.width, picture.height, std::vector<std::uint8_t>(picture.pixels.size())};
    if (picture.width < 1 || picture.height < 1) return result;
    if (picture.width >= 3) {
        for (std::int32_t y = 1; y + 1 < picture.height; ++y) {
            medianRow(picture.row(y - 1), picture.row(y), picture.row(y + 1), result.row(y) + 3,
                      std::size_t(picture.width - 2) * 3);
        }
    }
    paintFrameRed(result);
    return result;
}

}  // namespace pellisor
