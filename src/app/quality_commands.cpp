#include "app/quality_commands.h"

#include "app/run_inputs.h"
#include "measure/block_pictures.h"
#include "measure/picture_quality.h"
#include "measure/quality_report.h"
#include "model/error.h"
#include "model/file_io.h"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace pellisor {

namespace {

std::string sizeText(const RgbImage& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height);
}

template <typename Number>
bool parseWhole(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty();
}

}  // namespace

void QualityCommands::setReference(const std::string& path) {
    reference_ = workbench_.pictures().loadBitmap(path);
    referencePath_ = path;
}

std::variant<NoiseSettings, std::string> QualityCommands::parseNoise(const std::string& option) {
    const std::string failed = "Volbu " + option + " nelze provést: ";
    const std::string text = option.substr(3);  // after "-q:"
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos || text.find(':', second + 1) != std::string::npos) {
        return failed + "zadejte -q:DRUH:ÚROVEŇ:SEMÍNKO (např. -q:sp:0.1:7)";
    }
    NoiseSettings settings;
    const auto kind = noiseKindNamed(text.substr(0, first));
    if (!kind) return failed + "neznámý druh šumu " + text.substr(0, first) + " (sp, rv, gauss nebo none)";
    settings.kind = *kind;
    const bool probability =
        settings.kind == NoiseKind::SaltAndPepper || settings.kind == NoiseKind::RandomValued;
    if (!parseWhole(text.substr(first + 1, second - first - 1), settings.level) || !(settings.level >= 0.0) ||
        (probability && settings.level > 1.0) || settings.level > 1e300) {
        return failed + "úroveň šumu " + text.substr(0, first) +
               (probability ? " musí být pravděpodobnost 0 až 1" : " musí být nezáporné číslo");
    }
    if (!parseWhole(text.substr(second + 1), settings.seed)) {
        return failed + "semínko musí být celé číslo 0 až 18446744073709551615";
    }
    return settings;
}

void QualityCommands::writeNoisyReference(const NoiseSettings& noise, const std::string& path) {
    workbench_.pictures().saveBitmap(path, addNoise(*reference_, noise));
}

std::optional<std::string> QualityCommands::noteFilterRun(const std::string& inputName,
                                                          const Workbench::FilterRun& run) {
    lastInput_ = run.source;
    if (reference_ && (reference_->width != run.source.width || reference_->height != run.source.height)) {
        return "Kvalitu filtru nelze změřit: referenční obraz " + referencePath_ + " má rozměry " +
               sizeText(*reference_) + ", obraz " + inputName + " má rozměry " + sizeText(run.source);
    }
    return std::nullopt;
}

void QualityCommands::writeQuality(const std::string& inputName, const Workbench::FilterRun& run,
                                   const std::optional<NoiseSettings>& noise, const std::string& reportPath,
                                   const std::string& differencePath) const {
    const RgbImage median = median3x3(run.source);
    const std::vector<QualityFigures> figures =
        compareInterior({&run.result, &run.source, &median}, *reference_);
    const QualityReport report{referencePath_,     inputName,  noise,      reference_->width,
                               reference_->height, figures[0], figures[1], figures[2]};
    writeFileAtomically(reportPath, qualityReportJson(report));
    workbench_.pictures().saveBitmap(differencePath, differencePicture(run.result, *reference_));
}

void QualityCommands::writeBlockPictures(const std::string& directory, const RunInputs& inputs) const {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) throw Error("Adresář " + directory + " nelze vytvořit (" + error.message() + ")");
    forEachBlockPicture(workbench_.circuit(), workbench_.assignment(), *lastInput_,
                        [&](std::int32_t block, const RgbImage& picture) {
                            const std::string path = directory + "/blk" + std::to_string(block) + ".png";
                            inputs.refuseOverwrite(path);
                            workbench_.pictures().savePng(path, picture);
                        });
}

}  // namespace pellisor
