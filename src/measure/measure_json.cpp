#include "measure/measure_json.h"

#include <charconv>
#include <map>

namespace pellisor {

namespace {

// The shortest text that reads back as the same double; always with a fraction or an exponent, so
// that a reader sees a real number.
std::string realText(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

template <typename Key, typename Count>
std::string countsObject(const std::map<Key, Count>& counts) {
    std::string text = "{";
    for (const auto& [key, count] : counts) {
        if (text.size() > 1) text += ", ";
        text += "\"" + std::to_string(key) + "\": " + std::to_string(count);
    }
    return text + "}";
}

}  // namespace

std::string errorJson(const ErrorSettings& settings, const ErrorFigures& figures) {
    std::string widths = "[";
    for (std::size_t k = 0; k < settings.widths.size(); ++k)
        widths += (k == 0 ? "" : ", ") + std::to_string(settings.widths[k]);
    widths += "]";
    return "{\"op\": \"" + std::string(errorOperationName(settings.operation)) + "\", \"widths\": " + widths +
           ", \"vectors\": " + std::to_string(figures.vectors) +
           ", \"exhaustive\": " + (figures.exhaustive ? "true" : "false") +
           ",\n \"mae\": " + realText(figures.mae) + ", \"wce\": " + std::to_string(figures.wce) +
           ", \"ep\": " + realText(figures.ep) + ", \"mre\": " + realText(figures.mre) +
           ", \"mse\": " + realText(figures.mse) + ", \"wcre\": " + realText(figures.wcre) +
           ",\n \"histogram\": " + countsObject(figures.histogram) + "}\n";
}

std::string statisticsJson(const CircuitStatistics& statistics) {
    return "{\"active_blocks\": " + std::to_string(statistics.activeBlocks) +
           ",\n \"functions\": " + countsObject(statistics.functions) +
           ",\n \"genes\": " + countsObject(statistics.genes) +
           ",\n \"max_delay\": " + std::to_string(statistics.maxDelay) +
           ", \"inputs_used\": " + std::to_string(statistics.inputsUsed) +
           ", \"columns_used\": " + std::to_string(statistics.columnsUsed) + "}\n";
}

}  // namespace pellisor
