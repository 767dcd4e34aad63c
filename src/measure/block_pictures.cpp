#include "measure/block_pictures.h"

#include "eval/active_cone.h"
#include "eval/compiled_circuit.h"
#include "eval/evaluator.h"
#include "measure/red_frame.h"
#include "model/error.h"

#include <algorithm>
#include <optional>
#include <string>

namespace pellisor {

namespace {

constexpr std::int32_t kNeighbourhood = 9;

void requireFilterCircuit(const Chromosome& circuit, const RgbImage& input) {
    if (!circuit.hasConsistentCircuit() || circuit.inputCount != kNeighbourhood || circuit.outputCount < 1) {
        throw Error("Filtr 3x3 potřebuje obvod s 9 vstupy a alespoň jedním výstupem");
    }
    if (input.width < 0 || input.height < 0 ||
        input.pixels.size() < input.stride() * std::size_t(input.height)) {
        throw Error("Obrázek nelze filtrovat: poškozená data");
    }
}

RgbImage blankOfSize(const RgbImage& input) {
    auto made = RgbImage::blank(input.width, input.height);
    if (!made) {
        throw Error("Obrázek bloku " + std::to_string(input.width) + "x" + std::to_string(input.height) +
                    " se nevejde do paměti");
    }
    return std::move(*made);
}

// The lanes of a row are red, green and blue of consecutive pixels side by side, as in the filter: input
// k of lane j reads byte j of row y + k/3 - 1, shifted by three bytes per column offset k mod 3.
void fillCompiled(const CompiledCircuit& compiled, const RgbImage& input, RgbImage& picture) {
    CompiledCircuit::Workspace workspace(compiled);
    const std::size_t laneCount = std::size_t(input.width - 2) * 3;
    const std::size_t chunk = CompiledCircuit::kLanes;
    for (std::int32_t y = 1; y + 1 < input.height; ++y) {
        for (std::size_t start = 0; start < laneCount; start += chunk) {
            const std::size_t lanes = std::min(chunk, laneCount - start);
            for (std::int32_t k = 0; k < kNeighbourhood; ++k) {
                const std::uint8_t* source = input.row(y + k / 3 - 1) + start + std::size_t(k % 3) * 3;
                std::int32_t* target = compiled.inputLanes(workspace, k);
                for (std::size_t i = 0; i < lanes; ++i)
                    target[i] = source[i];
            }
            compiled.run(workspace, lanes);
            const std::int32_t* values = compiled.entryLanes(workspace, 0);
            std::uint8_t* out = picture.row(y) + 3 + start;
            for (std::size_t i = 0; i < lanes; ++i)
                out[i] = static_cast<std::uint8_t>(values[i] & 0xFF);
        }
    }
}

// Every pixel in order with the plain evaluator, from the circuit's present state, as the filter runs a
// circuit whose values depend on what was evaluated before.
void fillPlain(const Chromosome& circuit, const FunctionAssignment& assignment, const RgbImage& input,
               std::int32_t block, RgbImage& picture) {
    Chromosome running = circuit;
    for (std::int32_t y = 1; y + 1 < input.height; ++y) {
        for (std::int32_t x = 1; x + 1 < input.width; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                for (std::int32_t k = 0; k < kNeighbourhood; ++k) {
                    running.blocks[std::size_t(k)].value =
                        input.row(y + k / 3 - 1)[std::size_t(x + k % 3 - 1) * 3 + std::size_t(channel)];
                }
                evaluate(running, assignment);
                picture.row(y)[std::size_t(x) * 3 + std::size_t(channel)] =
                    static_cast<std::uint8_t>(running.blocks[std::size_t(block)].value & 0xFF);
            }
        }
    }
}

}  // namespace

RgbImage blockPicture(const Chromosome& circuit, const FunctionAssignment& assignment, const RgbImage& input,
                      std::int32_t block) {
    requireFilterCircuit(circuit, input);
    if (!circuit.isFunctionBlock(block)) {
        throw Error("Blok " + std::to_string(block) + " není funkční blok obvodu");
    }
    RgbImage picture = blankOfSize(input);
    if (input.width >= 3 && input.height >= 3) {
        CompiledCircuit::checkEvaluable(circuit, assignment);
        const std::optional<CompiledCircuit> compiled =
            CompiledCircuit::dependsOnHistory(circuit, assignment)
                ? std::nullopt
                : CompiledCircuit::compileEntries(circuit, assignment, {block});
        if (compiled) {
            fillCompiled(*compiled, input, picture);
        } else {
            fillPlain(circuit, assignment, input, block, picture);
        }
    }
    paintFrameRed(picture);
    return picture;
}

void forEachBlockPicture(const Chromosome& circuit, const FunctionAssignment& assignment,
                         const RgbImage& input,
                         const std::function<void(std::int32_t block, const RgbImage& picture)>& visit) {
    requireFilterCircuit(circuit, input);
    std::vector<std::int32_t> outputs;
    for (std::int32_t index = circuit.firstOutput(); index < circuit.blockTotal(); ++index)
        outputs.push_back(index);
    const ActiveCone cone = activeCone(circuit, assignment, outputs, ConeConnections::Evaluated);
    for (std::int32_t index = circuit.inputCount; index < circuit.firstOutput(); ++index) {
        if (cone.members[std::size_t(index)] != 0)
            visit(index, blockPicture(circuit, assignment, input, index));
    }
}

}  // namespace pellisor
