#pragma once

#include "eval/function_assignment.h"
#include "measure/error_metrics.h"
#include "model/chromosome.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace pellisor {

// What "-err:OP:WIDTHS" or "-err:OP" asks for, or the message saying what is wrong with it.
struct ErrorRequest {
    std::optional<ErrorSettings> settings;
    std::string problem;
};
ErrorRequest errorRequestOf(std::string_view option);

// The measuring outputs of the command line. "-o:lut" takes its operands from the last arithmetic
// "-err:" since the circuit was loaded; without one the inputs split evenly (a gets the odd one).
class MeasureCommands {
public:
    // A newly loaded circuit: operands given for the one before no longer apply.
    void circuitLoaded() { operands_.reset(); }

    // NAME.error.json: the error figures of the circuit against the operation.
    void writeError(const ErrorSettings& settings, const Chromosome& circuit,
                    const FunctionAssignment& assignment, const std::string& path);
    // NAME.lut.bin: the circuit's results for every pair of operands.
    void writeLookupTable(const Chromosome& circuit, const FunctionAssignment& assignment,
                          const std::string& path) const;
    // NAME.stats.json: the figures of the circuit a paper's table reports.
    static void writeStatistics(const Chromosome& circuit, const FunctionAssignment& assignment,
                                const std::string& path);

private:
    std::optional<std::pair<std::int32_t, std::int32_t>> operands_;
};

}  // namespace pellisor
