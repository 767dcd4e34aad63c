#include "app/measure_commands.h"

#include "measure/circuit_statistics.h"
#include "measure/lookup_table.h"
#include "measure/measure_json.h"
#include "model/file_io.h"

#include <charconv>

namespace pellisor {

namespace {

constexpr std::string_view kErrorPrefix = "-err:";

// "8,8" as widths; nothing unless every part is a decimal number.
std::optional<std::vector<std::int32_t>> widthsOf(std::string_view text) {
    std::vector<std::int32_t> widths;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        std::int32_t width = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), width);
        if (part.empty() || error != std::errc() || end != part.data() + part.size()) return std::nullopt;
        widths.push_back(width);
        if (comma == std::string_view::npos) return widths;
        text.remove_prefix(comma + 1);
    }
}

}  // namespace

ErrorRequest errorRequestOf(std::string_view option) {
    const std::string shown(option);
    option.remove_prefix(std::min(option.size(), kErrorPrefix.size()));
    const std::size_t colon = option.find(':');
    const std::string_view name = option.substr(0, colon);
    const std::optional<ErrorOperation> operation = errorOperationNamed(name);
    if (!operation) {
        return {std::nullopt, "Volbu " + shown + " nelze provést: neznámá operace '" + std::string(name) +
                                  "' (add, sub, mul, median, min, max, mean)"};
    }
    ErrorSettings settings;
    settings.operation = *operation;
    if (isWordOperation(*operation)) {
        if (colon != std::string_view::npos) {
            return {std::nullopt, "Volbu " + shown + " nelze provést: operace " + std::string(name) +
                                      " nemá šířky operandů (-err:" + std::string(name) + ")"};
        }
        return {settings, ""};
    }
    const std::optional<std::vector<std::int32_t>> widths =
        colon == std::string_view::npos ? std::nullopt : widthsOf(option.substr(colon + 1));
    if (!widths) {
        return {std::nullopt, "Volbu " + shown +
                                  " nelze provést: chybí šířky operandů oddělené čárkou (např. -err:" +
                                  std::string(name) + ":8,8)"};
    }
    settings.widths = *widths;
    return {settings, ""};
}

void MeasureCommands::writeError(const ErrorSettings& settings, const Chromosome& circuit,
                                 const FunctionAssignment& assignment, const std::string& path) {
    const ErrorFigures figures = measureError(circuit, assignment, settings);
    writeFileAtomically(path, errorJson(settings, figures));
    if (!isWordOperation(settings.operation)) operands_.emplace(settings.widths[0], settings.widths[1]);
}

void MeasureCommands::writeLookupTable(const Chromosome& circuit, const FunctionAssignment& assignment,
                                       const std::string& path) const {
    const std::int32_t inputs = circuit.inputCount;
    const auto [widthA, widthB] = operands_.value_or(std::pair{inputs - inputs / 2, inputs / 2});
    writeFileAtomically(path, lookupTableBytes(lookupTable(circuit, assignment, widthA, widthB)));
}

void MeasureCommands::writeStatistics(const Chromosome& circuit, const FunctionAssignment& assignment,
                                      const std::string& path) {
    writeFileAtomically(path, statisticsJson(circuitStatistics(circuit, assignment)));
}

}  // namespace pellisor
