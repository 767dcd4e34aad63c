#include "eval/image_filter.h"

#include "eval/compiled_circuit.h"
#include "eval/evaluator.h"
#include "model/error.h"

#include <algorithm>
#include <new>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace pellisor {

namespace {

constexpr std::int32_t kNeighbourhood = 9;

void requireFilterCircuit(const Chromosome& circuit, const RgbImage& source) {
    if (!circuit.hasCircuit() || circuit.inputCount != kNeighbourhood || circuit.outputCount < 1) {
        throw Error("Filtr 3x3 potřebuje obvod s 9 vstupy a alespoň jedním výstupem");
    }
    if (source.width < 0 || source.height < 0 ||
        source.pixels.size() < source.stride() * std::size_t(source.height)) {
        throw Error("Obrázek nelze filtrovat: poškozená data");
    }
}

// A picture of the source's size whose outermost rows and columns are pure red; the interior is left
// for the filter to write (black until then).
RgbImage redCanvas(const RgbImage& source) {
    auto made = RgbImage::blank(source.width, source.height);
    if (!made) {
        throw Error("Výsledný obrázek " + std::to_string(source.width) + "x" + std::to_string(source.height) +
                    " se nevejde do paměti");
    }
    RgbImage result = std::move(*made);
    auto paintRed = [&](std::int32_t x, std::int32_t y) { result.row(y)[std::size_t(x) * 3] = 255; };
    for (std::int32_t y = 0; y < result.height; ++y) {
        const bool edgeRow = y == 0 || y + 1 == result.height;
        if (edgeRow) {
            for (std::int32_t x = 0; x < result.width; ++x)
                paintRed(x, y);
        } else if (result.width > 0) {
            paintRed(0, y);
            paintRed(result.width - 1, y);
        }
    }
    return result;
}

// Sets the inputs to the neighbourhood of one channel of pixel (x, y).
void loadNeighbourhood(Chromosome& circuit, const RgbImage& source, std::int32_t x, std::int32_t y,
                       int channel) {
    for (std::int32_t k = 0; k < kNeighbourhood; ++k) {
        const std::uint8_t* row = source.row(y + k / 3 - 1);
        circuit.blocks[static_cast<std::size_t>(k)].value =
            row[std::size_t(x + k % 3 - 1) * 3 + std::size_t(channel)];
    }
}

std::uint8_t outputByte(const Chromosome& circuit) {
    return static_cast<std::uint8_t>(circuit.blocks[static_cast<std::size_t>(circuit.firstOutput())].value &
                                     0xFF);
}

// Rows handed out a few at a time to whichever thread is free, so that a core slowed by other work
// does not hold up the run.
class RowDispenser {
public:
    RowDispenser(std::int32_t first, std::int32_t last) : next_(first), last_(last) {}
    // The next rows [first, last) to filter; empty when none are left.
    std::pair<std::int32_t, std::int32_t> take() {
        const std::int32_t first = next_.fetch_add(kRowsPerTake, std::memory_order_relaxed);
        return {std::min(first, last_), std::min(first + kRowsPerTake, last_)};
    }

private:
    static constexpr std::int32_t kRowsPerTake = 8;
    std::atomic<std::int32_t> next_;
    const std::int32_t last_;
};

// Filters the rows the dispenser hands out. The bytes of a row are the lanes: red, green and blue of
// consecutive pixels side by side, so the neighbourhood of lane j in row y is byte j shifted by three
// bytes per column and by one row per row offset. The picture is read and written where it is.
void filterRows(const CompiledCircuit& compiled, const RgbImage& source, RgbImage& result, RowDispenser& rows,
                FilterProgress* progress) {
    CompiledCircuit::Workspace workspace(compiled);
    const std::size_t laneCount = std::size_t(source.width - 2) * 3;
    const std::size_t chunk = std::min(compiled.longestByteRun(), laneCount);
    const std::uint8_t* inputs[kNeighbourhood];
    for (auto [first, last] = rows.take(); first < last; std::tie(first, last) = rows.take()) {
        for (std::int32_t y = first; y < last; ++y) {
            if (progress && progress->cancel.load(std::memory_order_relaxed)) return;
            std::uint8_t* target = result.row(y) + 3;
            for (std::size_t start = 0; start < laneCount; start += chunk) {
                const std::size_t lanes = std::min(chunk, laneCount - start);
                for (std::int32_t k = 0; k < kNeighbourhood; ++k) {
                    inputs[k] = source.row(y + k / 3 - 1) + start + std::size_t(k % 3) * 3;
                }
                compiled.runBytes(workspace, inputs, lanes, target + start);
            }
            if (progress) progress->rowsDone.fetch_add(1, std::memory_order_relaxed);
        }
    }
}

// Every pixel in order with the plain evaluator.
std::optional<RgbImage> filterPixelByPixel(Chromosome& circuit, const FunctionAssignment& assignment,
                                           const RgbImage& source, FilterProgress* progress) {
    RgbImage result = redCanvas(source);
    for (std::int32_t y = 1; y + 1 < source.height; ++y) {
        if (progress && progress->cancel.load()) return std::nullopt;
        for (std::int32_t x = 1; x + 1 < source.width; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                loadNeighbourhood(circuit, source, x, y, channel);
                evaluate(circuit, assignment);
                result.row(y)[std::size_t(x) * 3 + std::size_t(channel)] = outputByte(circuit);
            }
        }
        if (progress) progress->rowsDone.fetch_add(1);
    }
    return result;
}

}  // namespace

RgbImage filterImage3x3Plain(Chromosome& circuit, const FunctionAssignment& assignment,
                             const RgbImage& source) {
    requireFilterCircuit(circuit, source);
    return *filterPixelByPixel(circuit, assignment, source, nullptr);
}

std::optional<RgbImage> filterImage3x3(Chromosome& circuit, const FunctionAssignment& assignment,
                                       const RgbImage& source, FilterProgress* progress) {
    requireFilterCircuit(circuit, source);
    const std::int32_t interiorRows = std::max(source.height - 2, 0);
    if (progress) progress->rowsTotal = interiorRows;
    if (source.width < 3 || source.height < 3) return redCanvas(source);  // no pixel is evaluated
    CompiledCircuit::checkEvaluable(circuit, assignment);

    // A circuit whose values depend on earlier evaluations gives its pictures and its final state
    // only when evaluated in the plain order, pixel by pixel.
    const std::optional<CompiledCircuit> compiled =
        CompiledCircuit::dependsOnHistory(circuit, assignment)
            ? std::nullopt
            : CompiledCircuit::compileForBytes(circuit, assignment, 0);
    if (!compiled) {
        return filterPixelByPixel(circuit, assignment, source, progress);
    }

    RgbImage result = redCanvas(source);
    const std::int32_t threads = std::clamp<std::int32_t>(
        static_cast<std::int32_t>(std::thread::hardware_concurrency()), 1, interiorRows);
    RowDispenser rows(1, 1 + interiorRows);
    std::vector<std::thread> workers;
    for (std::int32_t t = 1; t < threads; ++t) {
        workers.emplace_back([&] { filterRows(*compiled, source, result, rows, progress); });
    }
    filterRows(*compiled, source, result, rows, progress);
    for (std::thread& worker : workers)
        worker.join();
    if (progress && progress->cancel.load()) return std::nullopt;

    // Leave the circuit as a pixel-by-pixel run would: evaluated on the blue channel of the last pixel.
    loadNeighbourhood(circuit, source, source.width - 2, source.height - 2, 2);
    evaluate(circuit, assignment);
    return result;
}

}  // namespace pellisor
