#pragma once

#include "eval/function_assignment.h"
#include "eval/image_filter.h"
#include "measure/noise.h"
#include "measure/picture_quality.h"
#include "measure/quality_report.h"
#include "model/chromosome.h"
#include "model/rgb_image.h"

#include <array>
#include <optional>
#include <string>

namespace pellisor {

// One quality measurement of the circuit as a 3x3 filter: the reference made noisy, the noisy copy
// filtered, the field's median baseline beside it, and each compared with the reference.
struct QualityRun {
    std::string referencePath;
    NoiseSettings noise;
    RgbImage reference;
    RgbImage noisy;
    RgbImage filtered;
    RgbImage median;
    RgbImage difference;  // |filtered - reference|
    QualityFigures filteredFigures;
    QualityFigures inputFigures;
    QualityFigures medianFigures;
};

// The noise kinds in the order the window offers them, with what it calls them ("Sůl a pepř", ...).
inline constexpr std::array<NoiseKind, 4> kNoiseKinds{NoiseKind::SaltAndPepper, NoiseKind::RandomValued,
                                                      NoiseKind::Gaussian, NoiseKind::None};
std::string noiseKindLabel(NoiseKind kind);

// What the level of a noise kind may be: a probability for the impulse noises, a standard deviation
// in sample units for the Gaussian one, nothing for none.
struct NoiseLevelRange {
    double minimum = 0.0;
    double maximum = 0.0;
    double step = 0.0;
    double proposed = 0.0;
};
NoiseLevelRange noiseLevelRange(NoiseKind kind);

// Raises an Error unless the circuit can filter pictures: nine inputs and at least one output.
void requireFilterCircuit(const Chromosome& circuit);

// Noise, filter, baseline and figures in that order; nothing when the filter was cancelled through
// `progress`. The circuit is left as the filter leaves it.
std::optional<QualityRun> measureQuality(Chromosome& circuit, const FunctionAssignment& assignment,
                                         std::string referencePath, RgbImage reference,
                                         const NoiseSettings& noise, FilterProgress* progress = nullptr);

// The files a saved measurement consists of, named as the command line names them: the report, the
// filtered picture, the difference and the noisy picture after the chosen base.
struct QualityFiles {
    std::string report;      // BASE.quality.json
    std::string filtered;    // BASE.flt.bmp
    std::string difference;  // BASE.diff.bmp
    std::string noisy;       // BASE.noisy.bmp
};

// The files for a chosen name: "BASE.quality.json", "BASE.json" and "BASE" all give BASE.
QualityFiles qualityFilesFor(const std::string& chosenPath);

// What the report of a run tells; `inputPicture` is the path of the noisy picture as saved.
QualityReport qualityReportOf(const QualityRun& run, const std::string& inputPicture);

// The texts of one row of the figures table: MDPP, PSNR (dB), SSIM, max error, changed samples.
std::array<std::string, 5> qualityTableRow(const QualityFigures& figures);

}  // namespace pellisor
