#pragma once

#include "eval/function_assignment.h"
#include "model/chromosome.h"
#include "model/rgb_image.h"

#include <cstdint>
#include <functional>

namespace pellisor {

// What one function block computes over a picture: its value at every pixel when the circuit runs as
// the 3x3 filter, per channel, as 8-bit value (value mod 256). The frame, where the filter has no
// neighbourhood, is painted red as the filter paints it.
RgbImage blockPicture(const Chromosome& circuit, const FunctionAssignment& assignment, const RgbImage& input,
                      std::int32_t block);

// The pictures of every active block, one after another, so that only one is held at a time.
void forEachBlockPicture(const Chromosome& circuit, const FunctionAssignment& assignment,
                         const RgbImage& input,
                         const std::function<void(std::int32_t block, const RgbImage& picture)>& visit);

}  // namespace pellisor
