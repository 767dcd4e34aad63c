#include "eval/image_filter.h"

#include "eval/compiled_circuit.h"
#include "eval/evaluator.h"
#include "model/error.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace pellisor {

namespace {

constexpr std::int32_t kNeighbourhood = 9;

// Where the result's rows lie.
struct OutRows {
    std::uint8_t* pixels;
    std::size_t stride;
    std::uint8_t* row(std::int32_t y) const { return pixels + std::size_t(y) * stride; }
};

const std::uint8_t* rowOf(const PictureBytes& picture, std::int32_t y) {
    return picture.pixels + std::size_t(y) * picture.stride;
}

PictureBytes bytesOf(const RgbImage& image) {
    return {image.pixels.data(), image.width, image.height, image.stride()};
}

void requireFilterCircuit(const Chromosome& circuit, const PictureBytes& source) {
    if (!circuit.hasCircuit() || circuit.inputCount != kNeighbourhood || circuit.outputCount < 1) {
        throw Error("Filtr 3x3 potřebuje obvod s 9 vstupy a alespoň jedním výstupem");
    }
    if (source.width < 0 || source.height < 0 || source.stride < std::size_t(source.width) * 3 ||
        (source.pixels == nullptr && source.width > 0 && source.height > 0)) {
        throw Error("Obrázek nelze filtrovat: poškozená data");
    }
}

void requireFilterCircuit(const Chromosome& circuit, const RgbImage& source) {
    requireFilterCircuit(circuit, bytesOf(source));
    if (source.pixels.size() < source.stride() * std::size_t(source.height)) {
        throw Error("Obrázek nelze filtrovat: poškozená data");
    }
}

// The outermost rows and columns pure red; every pixel of a picture below 3x3 is one of them.
void paintFrame(std::int32_t width, std::int32_t height, const OutRows& out) {
    auto paintRed = [&](std::int32_t x, std::int32_t y) {
        std::uint8_t* pixel = out.row(y) + std::size_t(x) * 3;
        pixel[0] = 255;
        pixel[1] = 0;
        pixel[2] = 0;
    };
    for (std::int32_t y = 0; y < height; ++y) {
        if (y == 0 || y + 1 == height || width < 3 || height < 3) {
            for (std::int32_t x = 0; x < width; ++x)
                paintRed(x, y);
        } else {
            paintRed(0, y);
            paintRed(width - 1, y);
        }
    }
}

RgbImage blankPicture(std::int32_t width, std::int32_t height) {
    auto made = RgbImage::blank(width, height);
    if (!made) {
        throw Error("Výsledný obrázek " + std::to_string(width) + "x" + std::to_string(height) +
                    " se nevejde do paměti");
    }
    return std::move(*made);
}

// Sets the inputs to the neighbourhood of one channel of pixel (x, y).
void loadNeighbourhood(Chromosome& circuit, const PictureBytes& source, std::int32_t x, std::int32_t y,
                       int channel) {
    for (std::int32_t k = 0; k < kNeighbourhood; ++k) {
        const std::uint8_t* row = rowOf(source, y + k / 3 - 1);
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
void filterRows(const CompiledCircuit& compiled, const PictureBytes& source, const OutRows& out,
                RowDispenser& rows, FilterProgress* progress) {
    CompiledCircuit::Workspace workspace(compiled);
    const std::size_t laneCount = std::size_t(source.width - 2) * 3;
    const std::size_t chunk = std::min(compiled.longestByteRun(), laneCount);
    const std::uint8_t* inputs[kNeighbourhood];
    for (auto [first, last] = rows.take(); first < last; std::tie(first, last) = rows.take()) {
        for (std::int32_t y = first; y < last; ++y) {
            if (progress && progress->cancel.load(std::memory_order_relaxed)) return;
            std::uint8_t* target = out.row(y) + 3;
            for (std::size_t start = 0; start < laneCount; start += chunk) {
                const std::size_t lanes = std::min(chunk, laneCount - start);
                for (std::int32_t k = 0; k < kNeighbourhood; ++k) {
                    inputs[k] = rowOf(source, y + k / 3 - 1) + start + std::size_t(k % 3) * 3;
                }
                compiled.runBytes(workspace, inputs, lanes, target + start);
            }
            if (progress) progress->rowsDone.fetch_add(1, std::memory_order_relaxed);
        }
    }
}

// Every pixel in order with the plain evaluator.
bool filterPixelByPixel(Chromosome& circuit, const FunctionAssignment& assignment, const PictureBytes& source,
                        const OutRows& out, FilterProgress* progress) {
    paintFrame(source.width, source.height, out);
    for (std::int32_t y = 1; y + 1 < source.height; ++y) {
        if (progress && progress->cancel.load()) return false;
        for (std::int32_t x = 1; x + 1 < source.width; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                loadNeighbourhood(circuit, source, x, y, channel);
                evaluate(circuit, assignment);
                out.row(y)[std::size_t(x) * 3 + std::size_t(channel)] = outputByte(circuit);
            }
        }
        if (progress) progress->rowsDone.fetch_add(1);
    }
    return true;
}

}  // namespace

RgbImage filterImage3x3Plain(Chromosome& circuit, const FunctionAssignment& assignment,
                             const RgbImage& source) {
    requireFilterCircuit(circuit, source);
    RgbImage result = blankPicture(source.width, source.height);
    filterPixelByPixel(circuit, assignment, bytesOf(source), {result.pixels.data(), result.stride()},
                       nullptr);
    return result;
}

std::optional<RgbImage> filterImage3x3(Chromosome& circuit, const FunctionAssignment& assignment,
                                       const RgbImage& source, FilterProgress* progress) {
    requireFilterCircuit(circuit, source);
    RgbImage result = blankPicture(source.width, source.height);
    if (!filterImage3x3Into(circuit, assignment, bytesOf(source), result.pixels.data(), result.stride(),
                            progress))
        return std::nullopt;
    return result;
}

bool filterImage3x3Into(Chromosome& circuit, const FunctionAssignment& assignment, PictureBytes source,
                        std::uint8_t* out, std::size_t outStride, FilterProgress* progress) {
    requireFilterCircuit(circuit, source);
    const OutRows result{out, outStride};
    const std::int32_t interiorRows = std::max(source.height - 2, 0);
    if (progress) progress->rowsTotal = interiorRows;
    if (source.width < 3 || source.height < 3) {  // no pixel is evaluated
        paintFrame(source.width, source.height, result);
        return true;
    }
    CompiledCircuit::checkEvaluable(circuit, assignment);

    // A circuit whose values depend on earlier evaluations gives its pictures and its final state
    // only when evaluated in the plain order, pixel by pixel.
    const std::optional<CompiledCircuit> compiled =
        CompiledCircuit::dependsOnHistory(circuit, assignment)
            ? std::nullopt
            : CompiledCircuit::compileForBytes(circuit, assignment, 0);
    if (!compiled) return filterPixelByPixel(circuit, assignment, source, result, progress);

    paintFrame(source.width, source.height, result);
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
    if (progress && progress->cancel.load()) return false;

    // Leave the circuit as a pixel-by-pixel run would: evaluated on the blue channel of the last pixel.
    loadNeighbourhood(circuit, source, source.width - 2, source.height - 2, 2);
    evaluate(circuit, assignment);
    return true;
}

}  // namespace pellisor
