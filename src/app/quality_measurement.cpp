#include "app/quality_measurement.h"

#include "app/report_texts.h"
#include "model/error.h"
#include "model/file_names.h"

#include <utility>

namespace pellisor {

std::string noiseKindLabel(NoiseKind kind) {
    switch (kind) {
        case NoiseKind::SaltAndPepper:
            return "Sůl a pepř";
        case NoiseKind::RandomValued:
            return "Náhodné hodnoty";
        case NoiseKind::Gaussian:
            return "Gaussův šum";
        case NoiseKind::None:
            break;
    }
    return "Bez šumu";
}

NoiseLevelRange noiseLevelRange(NoiseKind kind) {
    switch (kind) {
        case NoiseKind::SaltAndPepper:
        case NoiseKind::RandomValued:
            return {0.0, 1.0, 0.01, 0.1};
        case NoiseKind::Gaussian:
            return {0.0, 255.0, 1.0, 10.0};
        case NoiseKind::None:
            break;
    }
    return {};
}

void requireFilterCircuit(const Chromosome& circuit) {
    if (!circuit.hasCircuit()) throw Error("Kvalitu filtru nelze změřit: není načten žádný obvod");
    if (circuit.inputCount != 9 || circuit.outputCount < 1) {
        throw Error("Kvalitu filtru nelze změřit: obvod s " + std::to_string(circuit.inputCount) +
                    " vstupy a " + std::to_string(circuit.outputCount) +
                    " výstupy není filtr 3x3 (potřebuje 9 vstupů a aspoň 1 výstup)");
    }
}

std::optional<QualityRun> measureQuality(Chromosome& circuit, const FunctionAssignment& assignment,
                                         std::string referencePath, RgbImage reference,
                                         const NoiseSettings& noise, FilterProgress* progress) {
    requireFilterCircuit(circuit);
    QualityRun run;
    run.referencePath = std::move(referencePath);
    run.noise = noise;
    run.reference = std::move(reference);
    run.noisy = addNoise(run.reference, noise);
    auto filtered = filterImage3x3(circuit, assignment, run.noisy, progress);
    if (!filtered) return std::nullopt;
    run.filtered = std::move(*filtered);
    run.median = median3x3(run.noisy);
    run.difference = differencePicture(run.filtered, run.reference);
    // One pass over the reference for all three comparisons.
    const std::vector<QualityFigures> figures =
        compareInterior({&run.filtered, &run.noisy, &run.median}, run.reference);
    run.filteredFigures = figures[0];
    run.inputFigures = figures[1];
    run.medianFigures = figures[2];
    return run;
}

QualityFiles qualityFilesFor(const std::string& chosenPath) {
    const std::string base = reportBase(chosenPath, ".quality.json");
    return {base + ".quality.json", base + ".flt.bmp", base + ".diff.bmp", base + ".noisy.bmp"};
}

QualityReport qualityReportOf(const QualityRun& run, const std::string& inputPicture) {
    return {run.referencePath,    inputPicture,        run.noise,        run.reference.width,
            run.reference.height, run.filteredFigures, run.inputFigures, run.medianFigures};
}

std::array<std::string, 5> qualityTableRow(const QualityFigures& figures) {
    return {fixedDecimals(figures.mdpp, 4), figures.psnr ? fixedDecimals(*figures.psnr, 2) + " dB" : "∞",
            fixedDecimals(figures.ssim, 4), std::to_string(figures.maxError),
            std::to_string(figures.changed)};
}

}  // namespace pellisor
