// The workbench's commands of the measurement dialogs: filter quality under noise, the pictures of
// single blocks, and the error of approximate circuits.
#include "app/workbench.h"

#include "app/error_measurement.h"
#include "app/run_inputs.h"
#include "measure/block_pictures.h"
#include "measure/measure_json.h"
#include "model/error.h"
#include "model/file_io.h"
#include "model/file_names.h"

namespace pellisor {

void Workbench::filterQualityClicked() {
    ui_.showQualityDialog();
}

void Workbench::circuitErrorClicked() {
    ui_.showCircuitErrorDialog();
}

std::optional<std::string> Workbench::chooseReferencePicture() {
    const auto path = ui_.chooseOpenFile({"", "Bitmaps|*.bmp", ".bmp", openDialogDirectory_, "", false});
    if (!path || path->empty()) return std::nullopt;
    return path;
}

std::optional<QualityRun> Workbench::measureFilterQuality(const std::string& referencePath,
                                                          const NoiseSettings& noise) {
    requireFilterCircuit(circuit_);  // before the picture is read
    RgbImage reference = pictures_.loadBitmap(referencePath);
    std::optional<QualityRun> run;
    // The whole run is the filter job; its result is kept here, the job's own stays empty.
    ui_.runFilterJob([&](FilterProgress& progress) -> std::optional<RgbImage> {
        run = measureQuality(circuit_, assignment_, referencePath, std::move(reference), noise, &progress);
        return std::nullopt;
    });
    return run;
}

void Workbench::saveQualityClicked(const QualityRun& run) {
    const std::string proposed =
        hasFile() ? fileNamePart(changeFileExtension(fileName_, ".quality.json")) : "";
    const auto path = ui_.chooseSaveFile(
        {"", "Kvalita filtru|*.quality.json", ".json", fileDirectory(fileName_), proposed, true});
    if (!path || path->empty()) return;
    saveQualityRun(run, qualityFilesFor(*path));
}

void Workbench::saveQualityRun(const QualityRun& run, const QualityFiles& files) {
    // The reference is told apart by its file, whatever the spelling of its path.
    RunInputs read;
    read.noteRead(run.referencePath);
    for (const std::string* path : {&files.report, &files.noisy, &files.filtered, &files.difference})
        read.refuseOverwrite(*path);
    pictures_.saveBitmap(files.noisy, run.noisy);
    pictures_.saveBitmap(files.filtered, run.filtered);
    pictures_.saveBitmap(files.difference, run.difference);
    writeFileAtomically(files.report, qualityReportJson(qualityReportOf(run, fileNamePart(files.noisy))));
}

std::optional<RgbImage> Workbench::blockPictureOf(const QualityRun& run, std::int32_t block) const {
    if (!circuit_.isFunctionBlock(block)) return std::nullopt;
    return blockPicture(circuit_, assignment_, run.noisy, block);
}

ErrorFigures Workbench::measureCircuitError(const ErrorSettings& settings) const {
    if (!circuit_.hasCircuit()) throw Error("Chybu obvodu nelze změřit: není načten žádný obvod");
    return measureError(circuit_, assignment_, settings);
}

void Workbench::saveErrorClicked(const ErrorSettings& settings, const ErrorFigures& figures) {
    const std::string proposed = hasFile() ? fileNamePart(changeFileExtension(fileName_, ".error.json")) : "";
    const auto path = ui_.chooseSaveFile(
        {"", "Chyba obvodu|*.error.json", ".json", fileDirectory(fileName_), proposed, true});
    if (!path || path->empty()) return;
    writeFileAtomically(errorReportPathFor(*path), errorJson(settings, figures));
}

}  // namespace pellisor
