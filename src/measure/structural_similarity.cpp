// The window is separable: every input row is filtered along the row once into a ring of the last 11
// rows, and every output row sums its 11 ring rows. The bytes of a row are the lanes, red, green and
// blue of consecutive pixels side by side, so the three channels go through the same loops with a
// column step of three lanes. Sums are in float over values centred on 0 (the variances then lose
// little to cancellation); the SSIM of the positions of a row is added up in float, the rows in double.
#include "measure/structural_similarity.h"

#include "measure/similarity_kernels.h"

#include "model/error.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <thread>

namespace pellisor {

namespace {

constexpr int kRadius = 5;
constexpr int kWindow = 2 * kRadius + 1;
static_assert(kWindow == kSimilarityWindow);
// The ring holds the rows of two output rows' windows, which are summed together.
constexpr int kRingRows = kWindow + 1;
constexpr double kSigma = 1.5;
constexpr double kC1 = (0.01 * 255) * (0.01 * 255);
constexpr double kC2 = (0.03 * 255) * (0.03 * 255);
// A chunk of work is a band of output rows in a strip of lanes narrow enough that its ring of rows stays
// in the core's cache.
constexpr std::int32_t kRowsPerChunk = 128;
constexpr std::size_t kLanesPerStrip = 1024;

// exp(-x^2 / (2 sigma^2)) for x = -5 ... 5, normalised to sum 1.
std::array<double, kWindow> windowWeights() {
    std::array<double, kWindow> weights{};
    double sum = 0.0;
    for (int k = 0; k < kWindow; ++k) {
        const double x = k - kRadius;
        weights[std::size_t(k)] = std::exp(-0.5 / (kSigma * kSigma) * x * x);
        sum += weights[std::size_t(k)];
    }
    for (double& weight : weights)
        weight /= sum;
    return weights;
}

// --- the positions whose window lies inside the interior ---

class CroppedSimilarity {
public:
    CroppedSimilarity(const std::vector<const RgbImage*>& pictures, const RgbImage& reference)
        : pictures_(pictures),
          reference_(reference),
          interiorWidth_(reference.width - 2),
          interiorHeight_(reference.height - 2),
          rowLanes_(std::size_t(interiorWidth_) * 3),
          outputLanes_(rowLanes_ - 3 * (kWindow - 1)) {
        const auto weights = windowWeights();
        for (std::size_t k = 0; k < weights.size(); ++k)
            weights_[k] = float(weights[k]);
    }

    std::vector<double> means() {
        const std::int32_t outputRows = interiorHeight_ - (kWindow - 1);
        strips_ = std::int32_t((outputLanes_ + kLanesPerStrip - 1) / kLanesPerStrip);
        const std::int32_t chunks = (outputRows + kRowsPerChunk - 1) / kRowsPerChunk * strips_;
        chunkSums_.assign(std::size_t(chunks), std::vector<double>(pictures_.size(), 0.0));
        const std::int32_t threads =
            std::clamp<std::int32_t>(std::int32_t(std::thread::hardware_concurrency()), 1, chunks);
        std::vector<std::thread> workers;
        for (std::int32_t t = 1; t < threads; ++t)
            workers.emplace_back([this] { work(); });
        work();
        for (std::thread& worker : workers)
            worker.join();
        // Added up in chunk order, so that the result does not depend on which thread took which chunk.
        const double positions = double(outputRows) * double(outputLanes_);
        std::vector<double> result(pictures_.size(), 0.0);
        for (std::size_t p = 0; p < pictures_.size(); ++p) {
            for (const auto& sums : chunkSums_)
                result[p] += sums[p];
            result[p] /= positions;
        }
        return result;
    }

private:
    // Maps of one filtered row: the reference's mean and square, then per picture mean, square and
    // product with the reference.
    std::size_t mapCount() const { return 2 + 3 * pictures_.size(); }

    struct Scratch {
        std::vector<std::vector<float>> ring;  // [row slot * mapCount + map]
        std::vector<float> referenceRow;
        std::vector<std::vector<float>> pictureRows;
        std::vector<float> rowScratch, columnScratch;
    };

    const std::uint8_t* interiorRow(const RgbImage& image, std::int32_t row) const {
        return image.row(row + 1) + 3;
    }

    // Filters the lanes from `start` of interior row `row` along the row into its ring slot.
    void filterRow(Scratch& s, std::int32_t row, std::size_t start, std::size_t lanes) const {
        const std::size_t inputLanes = lanes + 3 * (kWindow - 1);
        const std::size_t slot = std::size_t(row % kRingRows) * mapCount();
        centredRow(interiorRow(reference_, row) + start, s.referenceRow.data(), inputLanes);
        std::vector<const float*> pictureRows(pictures_.size());
        for (std::size_t p = 0; p < pictures_.size(); ++p) {
            centredRow(interiorRow(*pictures_[p], row) + start, s.pictureRows[p].data(), inputLanes);
            pictureRows[p] = s.pictureRows[p].data();
        }
        std::vector<float*> maps(mapCount());
        for (std::size_t map = 0; map < mapCount(); ++map)
            maps[map] = s.ring[slot + map].data();
        windowAlongRows(s.referenceRow.data(), pictureRows.data(), pictures_.size(), weights_.data(),
                        maps.data(), s.rowScratch.data(), lanes);
    }

    // Sums the ring down the columns for the `count` (1 or 2) output rows from the one centred on
    // interior row `row`.
    void addOutputRows(Scratch& s, std::int32_t row, std::int32_t count, std::size_t lanes,
                       double* sums) const {
        std::vector<const float*> rows(std::size_t(kWindow - 1 + count) * mapCount());
        for (int k = 0; k < kWindow - 1 + count; ++k) {
            for (std::size_t map = 0; map < mapCount(); ++map) {
                rows[std::size_t(k) * mapCount() + map] =
                    s.ring[std::size_t((row - kRadius + k) % kRingRows) * mapCount() + map].data();
            }
        }
        addSimilarityDownColumns(rows.data(), pictures_.size(), weights_.data(), s.columnScratch.data(),
                                 lanes, std::size_t(count), sums);
    }

    void work() {
        Scratch s;
        const std::size_t stripLanes = std::min(kLanesPerStrip, outputLanes_);
        const std::size_t inputLanes = stripLanes + 3 * (kWindow - 1) + kSimilarityPadding;
        s.ring.assign(std::size_t(kRingRows) * mapCount(),
                      std::vector<float>(stripLanes + kSimilarityPadding));
        s.referenceRow.resize(inputLanes);
        s.pictureRows.assign(pictures_.size(), std::vector<float>(inputLanes));
        s.rowScratch.resize(2 * inputLanes);
        s.columnScratch.resize(2 * mapCount() * (stripLanes + kSimilarityPadding));
        const std::int32_t lastOutput = interiorHeight_ - kRadius;
        for (;;) {
            const std::int32_t chunk = nextChunk_.fetch_add(1);
            if (std::size_t(chunk) >= chunkSums_.size()) return;
            const std::int32_t first = kRadius + chunk / strips_ * kRowsPerChunk;
            const std::int32_t last = std::min(first + kRowsPerChunk, lastOutput);
            const std::size_t start = std::size_t(chunk % strips_) * kLanesPerStrip;
            const std::size_t lanes = std::min(kLanesPerStrip, outputLanes_ - start);
            for (std::int32_t row = first - kRadius; row < first + kRadius; ++row)
                filterRow(s, row, start, lanes);
            for (std::int32_t row = first; row < last; row += 2) {
                const std::int32_t count = std::min(2, last - row);
                for (std::int32_t k = 0; k < count; ++k)
                    filterRow(s, row + kRadius + k, start, lanes);
                addOutputRows(s, row, count, lanes, chunkSums_[std::size_t(chunk)].data());
            }
        }
    }

    const std::vector<const RgbImage*>& pictures_;
    const RgbImage& reference_;
    const std::int32_t interiorWidth_;
    const std::int32_t interiorHeight_;
    const std::size_t rowLanes_;
    const std::size_t outputLanes_;
    std::array<float, kWindow> weights_{};
    std::int32_t strips_ = 1;
    std::atomic<std::int32_t> nextChunk_{0};
    std::vector<std::vector<double>> chunkSums_;  // [chunk][picture], written by the chunk's thread
};

// --- interiors smaller than the window: every position, reflected at the edges ---

// Index i of the array extended by reflection about the edge of the last element.
std::int32_t reflected(std::int32_t i, std::int32_t size) {
    const std::int32_t period = 2 * size;
    i %= period;
    if (i < 0) i += period;
    return i < size ? i : period - 1 - i;
}

double reflectedSimilarity(const RgbImage& picture, const RgbImage& reference) {
    const auto weights = windowWeights();
    const std::int32_t width = reference.width - 2;
    const std::int32_t height = reference.height - 2;
    auto sample = [](const RgbImage& image, std::int32_t x, std::int32_t y, int channel) {
        return double(image.row(y + 1)[std::size_t(x + 1) * 3 + std::size_t(channel)]);
    };
    double sum = 0.0;
    for (int channel = 0; channel < 3; ++channel) {
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                double mx = 0, my = 0, xx = 0, yy = 0, xy = 0;
                for (int j = 0; j < kWindow; ++j) {
                    for (int i = 0; i < kWindow; ++i) {
                        const double w = weights[std::size_t(j)] * weights[std::size_t(i)];
                        const std::int32_t sx = reflected(x + i - kRadius, width);
                        const std::int32_t sy = reflected(y + j - kRadius, height);
                        const double a = sample(picture, sx, sy, channel);
                        const double b = sample(reference, sx, sy, channel);
                        mx += w * a;
                        my += w * b;
                        xx += w * a * a;
                        yy += w * b * b;
                        xy += w * a * b;
                    }
                }
                sum += ((2 * mx * my + kC1) * (2 * (xy - mx * my) + kC2)) /
                       ((mx * mx + my * my + kC1) * (xx - mx * mx + yy - my * my + kC2));
            }
        }
    }
    return sum / (3.0 * double(width) * double(height));
}

}  // namespace

std::vector<double> structuralSimilarity(const std::vector<const RgbImage*>& pictures,
                                         const RgbImage& reference) {
    for (const RgbImage* picture : pictures) {
        if (picture->width != reference.width || picture->height != reference.height) {
            throw Error("Obrázky k porovnání mají různou velikost");
        }
    }
    if (reference.width < 3 || reference.height < 3) return std::vector<double>(pictures.size(), 0.0);
    if (reference.width - 2 >= kWindow && reference.height - 2 >= kWindow) {
        return CroppedSimilarity(pictures, reference).means();
    }
    std::vector<double> result;
    for (const RgbImage* picture : pictures)
        result.push_back(reflectedSimilarity(*picture, reference));
    return result;
}

}  // namespace pellisor
