#pragma once

#include <cstddef>
#include <cstdint>

namespace pellisor {

// The vector loops of the SSIM, with code for the processor the program runs on (chosen once at run
// time). Rows are floats centred on 0; every row and map must have room for kSimilarityPadding floats
// beyond its lanes, which the loops may read and write.
inline constexpr std::size_t kSimilarityPadding = 64;
inline constexpr int kSimilarityWindow = 11;

// out[i] = bytes[i] - 128 for n lanes.
void centredRow(const std::uint8_t* bytes, float* out, std::size_t n);

// The window along a row, three lanes apart, for `lanes` output lanes: maps[0] and maps[1] get the
// reference's mean and mean square, maps[2 + 3p], maps[3 + 3p] and maps[4 + 3p] picture p's mean,
// mean square and mean product with the reference. `scratch` has room for two input rows.
void windowAlongRows(const float* reference, const float* const* pictures, std::size_t pictureCount,
                     const float* weights, float* const* maps, float* scratch, std::size_t lanes);

// The window down the columns of the maps of 10 + outputRows rows (rows[k * mapCount + map]) for one
// or two output rows, and the SSIM of every lane from it; adds each picture's sum over the lanes to
// sums[p]. `scratch` has room for outputRows * (2 + 3 * pictureCount) maps of lanes + kSimilarityPadding
// floats.
void addSimilarityDownColumns(const float* const* rows, std::size_t pictureCount, const float* weights,
                              float* scratch, std::size_t lanes, std::size_t outputRows, double* sums);

}  // namespace pellisor
