#pragma once

#include "app/workbench.h"
#include "measure/noise.h"

#include <optional>
#include <string>
#include <variant>

namespace pellisor {

class RunInputs;

// The quality measurement of the command line: the reference picture of "-ref:", the noisy copy of
// "-q:", the report and difference picture written beside each filter result, and the pictures of the
// blocks of the last filter run ("-o:blocks").
class QualityCommands {
public:
    explicit QualityCommands(Workbench& workbench) : workbench_(workbench) {}

    // Reads the reference picture at once, so that an unreadable one ends the run before any filter.
    void setReference(const std::string& path);
    bool hasReference() const { return reference_.has_value(); }
    const std::string& referencePath() const { return referencePath_; }

    // The noise "-q:KIND:LEVEL:SEED" asks for, or the message that says what is wrong with it.
    static std::variant<NoiseSettings, std::string> parseNoise(const std::string& option);
    // Writes the reference with the noise as a BMP at `path`.
    void writeNoisyReference(const NoiseSettings& noise, const std::string& path);

    // Remembers the run's input for "-o:blocks"; with a reference, the message when the run's picture
    // does not have the reference's size.
    std::optional<std::string> noteFilterRun(const std::string& inputName, const Workbench::FilterRun& run);
    // Writes the JSON report and the difference of the filtered picture from the reference.
    void writeQuality(const std::string& inputName, const Workbench::FilterRun& run,
                      const std::optional<NoiseSettings>& noise, const std::string& reportPath,
                      const std::string& differencePath) const;

    bool hasFilterRun() const { return lastInput_.has_value(); }
    // Writes directory/blkN.png for every active block N of the circuit over the last run's input,
    // creating the directory; none of the files may be one the run has read.
    void writeBlockPictures(const std::string& directory, const RunInputs& inputs) const;

private:
    Workbench& workbench_;
    std::string referencePath_;
    std::optional<RgbImage> reference_;
    std::optional<RgbImage> lastInput_;
};

}  // namespace pellisor
