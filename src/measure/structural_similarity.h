#pragma once

#include "model/rgb_image.h"

#include <vector>

namespace pellisor {

// The mean SSIM of each picture against the reference over the interior (the picture without its
// one-pixel frame), every channel its own array: a Gaussian window of 11 x 11 with sigma 1.5,
// K1 0.01, K2 0.03, L 255 and population covariances, averaged over the positions whose window lies
// wholly inside the array (as the field's reference implementation crops it). An interior narrower
// than the window is averaged over every position, the window reflected at the edges (d c b a | a b c
// d | d c b a). All pictures have the reference's size; without an interior each gives 0.
std::vector<double> structuralSimilarity(const std::vector<const RgbImage*>& pictures,
                                         const RgbImage& reference);

}  // namespace pellisor
