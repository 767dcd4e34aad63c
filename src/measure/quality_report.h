#pragma once

#include "measure/noise.h"
#include "measure/picture_quality.h"

#include <optional>
#include <string>

namespace pellisor {

// What one quality measurement compared: the filtered picture, the noisy (or given) input and its 3x3
// median, each against the reference.
struct QualityReport {
    std::string referencePicture;
    std::string inputPicture;
    std::optional<NoiseSettings> noise;  // none when the input was a given picture
    std::int32_t width = 0;
    std::int32_t height = 0;
    QualityFigures filtered;
    QualityFigures input;
    QualityFigures median;
};

// The report as JSON: every number with as many digits as it takes to read back the same double, a
// PSNR without MSE and a report without noise as null.
std::string qualityReportJson(const QualityReport& report);

}  // namespace pellisor
