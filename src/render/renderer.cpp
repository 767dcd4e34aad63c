#include "render/renderer.h"

#include "model/settings_keys.h"

#include <algorithm>
#include <limits>
#include <map>
#include <vector>

namespace pellisor {

namespace {

using Coordinate = std::int64_t;

// Positions may be anything a layout file holds; offsets are added in 64 bits and clamped on the way
// to the canvas.
std::int32_t px(Coordinate value) {
    return static_cast<std::int32_t>(std::clamp<Coordinate>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

struct Spot {
    Coordinate x = 0;
    Coordinate y = 0;
};

Coordinate squaredDistance(const Spot& a, const Spot& b) {
    // Clamped coordinates keep the squares within 64 bits.
    const Coordinate dx = std::clamp<Coordinate>(a.x - b.x, -(Coordinate{1} << 31), Coordinate{1} << 31);
    const Coordinate dy = std::clamp<Coordinate>(a.y - b.y, -(Coordinate{1} << 31), Coordinate{1} << 31);
    return dx * dx + dy * dy;
}

class SchematicPainter {
public:
    SchematicPainter(Canvas& canvas, const Scene& scene)
        : canvas_(canvas), scene_(scene), circuit_(scene.circuit), options_(scene.options) {}

    void paint() {
        clear();
        if (options_.footer) footer();
        if (!circuit_.hasCircuit()) return;
        primaryInputs();
        if (options_.wiring == WiringMode::Direct && options_.hiddenBlocks && options_.hiddenWires) hiddenWires();
        if (options_.hiddenBlocks) hiddenBlocks();
        visibleBlocks();
        outputs();
        if (options_.wiring == WiringMode::Direct || options_.wiring == WiringMode::Direct2) directWires();
        if (options_.wiring == WiringMode::DirectOpt) branchingWires();
        if (options_.values) valueBoxes();
    }

private:
    const Block& entry(std::int32_t index) const { return circuit_.blocks[static_cast<std::size_t>(index)]; }
    bool isPrimaryInput(std::int32_t index) const { return index < circuit_.inputCount; }
    bool isFunctionBlock(std::int32_t index) const {
        return index >= circuit_.inputCount && index < circuit_.firstOutput();
    }
    Color coneOr(const Block& block, Color otherwise) const {
        return scene_.dragging && block.mark == kMarkCone ? colors::kRed : otherwise;
    }

    // Wires leave a primary input at its anchor and anything else at its output pin.
    Spot sourcePoint(std::int32_t index) const {
        const Block& source = entry(index);
        if (isPrimaryInput(index)) return {source.x, source.y};
        return {Coordinate{source.x} + 40, Coordinate{source.y} + 20};
    }
    Spot pinPoint(std::int32_t index, std::int32_t k) const {
        const Block& block = entry(index);
        if (isFunctionBlock(index)) {
            return {Coordinate{block.x} - 10, Coordinate{block.y} + 10 + Coordinate{k} * pinPitch(block.inputCount)};
        }
        return {block.x, block.y};
    }
    // Branching wires enter a block through corners staggered 4 pixels apart.
    Spot cornerPoint(std::int32_t index, std::int32_t k) const {
        Spot pin = pinPoint(index, k);
        if (isFunctionBlock(index)) pin.x -= 4 * Coordinate{k};
        return pin;
    }
    std::size_t usedInputs(const Block& block) const {
        return std::min(static_cast<std::size_t>(std::max(block.inputCount, 0)), block.inputs.size());
    }

    void line(const Spot& from, const Spot& to) { canvas_.line(px(from.x), px(from.y), px(to.x), px(to.y)); }
    void text(Coordinate x, Coordinate y, const std::string& value) { canvas_.text(px(x), px(y), value); }

    void clear() {
        canvas_.setBrush(colors::kWhite, true);
        canvas_.fillRect(0, 0, scene_.imageSize.width, scene_.imageSize.height);
    }

    void footer() {
        const Coordinate width = scene_.imageSize.width;
        const Coordinate height = scene_.imageSize.height;
        canvas_.setPen(colors::kGrey, 2);
        line({0, height - 20}, {width, height - 20});
        canvas_.setFont(10, colors::kNavy);
        text(5, height - 18, scene_.description);
        text(width - canvas_.textWidth(scene_.footerDateTime) - 10, height - 18, scene_.footerDateTime);
    }

    void primaryInputs() {
        canvas_.setFont(8, colors::kNavy);
        for (std::int32_t i = 0; i < circuit_.inputCount; ++i) {
            const Block& input = entry(i);
            canvas_.setPen(colors::kBlack, 2);
            line({input.x, input.y}, {Coordinate{input.x} + 2, input.y});
            if (static_cast<std::size_t>(i) < circuit_.inputNames.size()) {
                const std::string& name = circuit_.inputNames[static_cast<std::size_t>(i)];
                text(Coordinate{input.x} - canvas_.textWidth(name) - 4, Coordinate{input.y} - 8, name);
            } else {
                text(Coordinate{input.x} - 12, Coordinate{input.y} - 8, std::to_string(i));
            }
            canvas_.setPen(colors::kBlack, 1);
        }
    }

    void hiddenWires() {
        for (std::int32_t r = circuit_.inputCount; r < circuit_.blockTotal(); ++r) {
            const Block& block = entry(r);
            if (block.visible) continue;
            for (std::size_t k = 0; k < usedInputs(block); ++k) {
                canvas_.setPen(coneOr(block, colors::kSilver), 1);
                line(sourcePoint(block.inputs[k]), pinPoint(r, static_cast<std::int32_t>(k)));
            }
        }
    }

    void hiddenBlocks() {
        for (std::int32_t i = circuit_.inputCount; i < circuit_.firstOutput(); ++i) {
            if (!entry(i).visible) blockBox(i, colors::kSilver);
        }
    }

    void visibleBlocks() {
        const bool symbols = options_.symbols && scene_.symbols.width > 0;
        for (std::int32_t i = circuit_.inputCount; i < circuit_.firstOutput(); ++i) {
            const Block& block = entry(i);
            if (!block.visible) continue;
            const Color color = block.mark == kMarkRedundant ? colors::kOrange : coneOr(block, colors::kBlack);
            std::int32_t cellX = 0;
            if (symbols && symbolCell(scene_.symbols, identifier(block), cellX)) {
                canvas_.setPen(color, 1);
                canvas_.setFont(7, color);
                canvas_.copySymbol(cellX, 0, kSymbolWidth, kSymbolHeight, px(Coordinate{block.x} - 10),
                                   px(Coordinate{block.y} - 1));
                if (options_.blockNumbers) text(Coordinate{block.x} + 33, Coordinate{block.y} + 6, std::to_string(i));
            } else {
                blockBox(i, color);
            }
        }
    }

    // The function identifier of a block, or 0 (no function, no symbol) for a gene without a row.
    std::int32_t identifier(const Block& block) const {
        if (block.function < 0 || block.function >= kGeneCount) return 0;
        return scene_.assignment.rows()[static_cast<std::size_t>(block.function)].identifier;
    }

    // The label of a block: its gene, or the function's label when labels are shown and one is set.
    std::string blockLabel(const Block& block) {
        std::string label = std::to_string(block.function);
        if (!options_.functionLabels) return label;
        const std::string id = scene_.assignment.functionOf(block.function);
        auto known = labels_.find(id);
        if (known == labels_.end()) {
            const std::string value =
                scene_.settings ? scene_.settings->readString(settings::kDotSection, "f" + id + "_label", "") : "";
            known = labels_.emplace(id, value).first;
        }
        return known->second.empty() ? label : known->second;
    }

    void blockBox(std::int32_t index, Color color) {
        const Block& block = entry(index);
        const Coordinate x = block.x;
        const Coordinate y = block.y;
        canvas_.setPen(color, 2);
        canvas_.setBrush(colors::kWhite, true);
        canvas_.rectangle(px(x), px(y), px(x + 30), px(y + 40));
        canvas_.setFont(7, color);
        const std::string label = blockLabel(block);
        text(x + 27 - canvas_.textWidth(label), y, label);
        canvas_.setPen(color, 1);
        line({x + 30, y + 20}, {x + 40, y + 20});
        if (options_.blockNumbers) text(x + 30, y + 8, std::to_string(index));
        const std::int32_t pitch = pinPitch(block.inputCount);
        for (std::int32_t k = 0; k < block.inputCount; ++k) {
            line({x - 10, y + 10 + Coordinate{k} * pitch}, {x, y + 10 + Coordinate{k} * pitch});
        }
    }

    void outputs() {
        canvas_.setFont(8, colors::kNavy);
        for (std::int32_t j = 0; j < circuit_.outputCount; ++j) {
            const Block& output = entry(circuit_.firstOutput() + j);
            canvas_.setPen(colors::kBlack, 2);
            line({output.x, output.y}, {Coordinate{output.x} + 2, output.y});
            const std::string name = static_cast<std::size_t>(j) < circuit_.outputNames.size()
                                         ? circuit_.outputNames[static_cast<std::size_t>(j)]
                                         : std::to_string(j);
            text(Coordinate{output.x} + 10, Coordinate{output.y} - 8, name);
            canvas_.setPen(colors::kBlack, 1);
        }
    }

    void directWires() {
        const bool numbered = options_.wiring == WiringMode::Direct2;
        canvas_.setFont(8, colors::kNavy);
        for (std::int32_t r = circuit_.inputCount; r < circuit_.blockTotal(); ++r) {
            const Block& block = entry(r);
            if (!block.visible) continue;
            const std::int32_t mask = scene_.assignment.usageMask(circuit_, r);
            const bool laterColumn = r - circuit_.inputCount >= circuit_.rows;
            for (std::size_t k = 0; k < usedInputs(block); ++k) {
                const std::int32_t s = block.inputs[k];
                const bool used = mask == -1 || (k < 31 && ((mask >> k) & 1) != 0);
                if (!used || !entry(s).visible) continue;
                const Spot pin = pinPoint(r, static_cast<std::int32_t>(k));
                if (numbered && laterColumn && isPrimaryInput(s)) {
                    // Inputs feeding later columns show as their number at the pin instead of a long wire.
                    const std::string number = std::to_string(s);
                    text(Coordinate{block.x} - 3 - canvas_.textWidth(number), pin.y, number);
                } else {
                    canvas_.setPen(coneOr(block, colors::kGreen), 1);
                    line(sourcePoint(s), pin);
                }
            }
        }
    }

    // Each signal is drawn as a tree: a wire starts at the nearest corner of an earlier wire carrying the
    // same signal. The corners drawn so far are indexed by their source, so a wire looks only at the
    // wires of its own signal.
    void branchingWires() {
        struct Corner {
            std::int32_t entry;
            Spot at;
        };
        std::vector<std::vector<Corner>> cornersBySource(circuit_.blocks.size());
        for (std::int32_t r = circuit_.inputCount; r < circuit_.blockTotal(); ++r) {
            const Block& block = entry(r);
            if (!block.visible) continue;
            for (std::size_t k = 0; k < usedInputs(block); ++k) {
                const std::int32_t s = block.inputs[k];
                if (!entry(s).visible) continue;
                canvas_.setPen(coneOr(block, colors::kGreen), 1);
                const Spot corner = cornerPoint(r, static_cast<std::int32_t>(k));
                Spot start = sourcePoint(s);
                Coordinate best = squaredDistance(start, corner);
                // Later entries first, and within an entry its inputs in order: the first strictly
                // nearer corner in that order wins.
                const auto& earlier = cornersBySource[static_cast<std::size_t>(s)];
                std::size_t end = earlier.size();
                while (end > 0) {
                    std::size_t begin = end;
                    while (begin > 0 && earlier[begin - 1].entry == earlier[end - 1].entry) --begin;
                    for (std::size_t c = begin; c < end; ++c) {
                        const Coordinate distance = squaredDistance(earlier[c].at, corner);
                        if (distance < best) {
                            best = distance;
                            start = earlier[c].at;
                        }
                    }
                    end = begin;
                }
                line(start, corner);
                if (isFunctionBlock(r)) line(corner, {Coordinate{block.x} - 10, corner.y});
            }
            for (std::size_t c = 0; c < usedInputs(block); ++c) {
                cornersBySource[static_cast<std::size_t>(block.inputs[c])].push_back(
                    {r, cornerPoint(r, static_cast<std::int32_t>(c))});
            }
        }
    }

    void valueBoxes() {
        canvas_.setPen(colors::kNavy, 1);
        canvas_.setFont(8, colors::kNavy);
        canvas_.setBrush(colors::kTooltip, true);
        for (std::int32_t a = 0; a < circuit_.blockTotal(); ++a) {
            const Block& block = entry(a);
            if (!block.visible) continue;
            const Spot origin = isFunctionBlock(a) ? Spot{Coordinate{block.x} + 33, Coordinate{block.y} + 24}
                                                   : Spot{Coordinate{block.x} + 3, Coordinate{block.y} + 3};
            const std::string value = std::to_string(block.value);
            const Coordinate width = canvas_.textWidth(value);
            canvas_.rectangle(px(origin.x), px(origin.y), px(origin.x + width + 2), px(origin.y + 18));
            text(origin.x + 1, origin.y + 1, value);
        }
    }

    Canvas& canvas_;
    const Scene& scene_;
    const Chromosome& circuit_;
    const DisplayOptions& options_;
    std::map<std::string, std::string> labels_;  // function label by identifier text, for this drawing
};

}  // namespace

bool symbolCell(const SymbolSheet& sheet, std::int32_t identifier, std::int32_t& cellX) {
    if (identifier < 1 || sheet.height < kSymbolHeight) return false;
    const std::int64_t x = std::int64_t{kSymbolWidth} * (identifier - 1);
    if (x + kSymbolWidth > sheet.width) return false;
    cellX = static_cast<std::int32_t>(x);
    return true;
}

void drawCircuit(Canvas& canvas, const Scene& scene) { SchematicPainter(canvas, scene).paint(); }

void drawDragFrame(Canvas& canvas, const Chromosome& circuit, std::int32_t index) {
    if (index < 0 || index >= circuit.blockTotal()) return;
    const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
    const bool isBlock = index >= circuit.inputCount && index < circuit.firstOutput();
    canvas.setPen(colors::kRed, 1);
    canvas.setBrush(colors::kWhite, false);
    const std::int64_t width = isBlock ? 30 : 5;
    const std::int64_t height = isBlock ? 40 : 5;
    canvas.rectangle(px(block.x), px(block.y), px(block.x + width), px(block.y + height));
}

}  // namespace pellisor
