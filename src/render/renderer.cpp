#include "render/renderer.h"

#include "model/usage_mask.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
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

// The part of the canvas a drawing must cover, in the 64-bit coordinates of the painter; the whole
// drawing covers everything.
struct Region {
    Coordinate left = std::numeric_limits<std::int32_t>::min() - Coordinate{1024};
    Coordinate top = std::numeric_limits<std::int32_t>::min() - Coordinate{1024};
    Coordinate right = std::numeric_limits<std::int32_t>::max() + Coordinate{1024};
    Coordinate bottom = std::numeric_limits<std::int32_t>::max() + Coordinate{1024};
};

// How far a stroke may colour beyond the points it joins: half the widest pen, and a pixel of rounding.
constexpr Coordinate kStrokeReach = 3;
// Branching wires are looked up by a sweep over the corners sorted along one axis once a signal has
// more corners than this; fewer are scanned in drawing order.
constexpr std::size_t kPlainScanCorners = 48;

// Texts and boxes beside an entry, from its anchor.
constexpr Coordinate kLabelInset = 3;                  // a block's label ends this far inside its right side
constexpr Coordinate kBoxNumberY = 8;                  // a block's index, at the right side of its box
constexpr Coordinate kSymbolNumberY = 6;               // a block's index beside its symbol
constexpr Coordinate kBesideBlockX = kBlockWidth + 3;  // the index beside a symbol, the value box
constexpr Coordinate kBlockValueY = 24;
constexpr Coordinate kTerminalValueOffset = 3;  // a terminal's value box, right of and below it
constexpr Coordinate kTerminalLabelRise = 8;    // terminal labels and numbers stand this far above
constexpr Coordinate kInputNumberLeft = 12;     // an unnamed input's number starts this far left
constexpr Coordinate kNumberAtPinGap = 3;       // an input's number at a pin ends this far left of it
constexpr Coordinate kCornerStagger = 4;        // branching wires enter through staggered corners
// Everything of a block lies within these rows around its anchor: box, pins, label and index.
constexpr Coordinate kBlockReachAbove = 16;
constexpr Coordinate kBlockReachBelow = 50;

class SchematicPainter {
public:
    SchematicPainter(Canvas& canvas, const Scene& scene, Region region)
        : canvas_(canvas), scene_(scene), circuit_(scene.circuit), options_(scene.options), region_(region) {}

    void paint() {
        clear();
        if (options_.footer) footer();
        if (!circuit_.hasCircuit()) return;
        primaryInputs();
        if (options_.wiring == WiringMode::Direct && options_.hiddenBlocks && options_.hiddenWires)
            hiddenWires();
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
        return {Coordinate{source.x} + kOutputPinEndOffset.x, Coordinate{source.y} + kOutputPinEndOffset.y};
    }
    Spot pinPoint(std::int32_t index, std::int32_t k) const {
        const Block& block = entry(index);
        if (isFunctionBlock(index)) {
            const Point offset = inputPinEndOffset(block.inputCount, k);
            return {Coordinate{block.x} + offset.x, Coordinate{block.y} + offset.y};
        }
        return {block.x, block.y};
    }
    // Branching wires enter a block through corners staggered 4 pixels apart.
    Spot cornerPoint(std::int32_t index, std::int32_t k) const {
        Spot pin = pinPoint(index, k);
        if (isFunctionBlock(index)) pin.x -= kCornerStagger * Coordinate{k};
        return pin;
    }
    std::size_t usedInputs(const Block& block) const {
        return std::min(static_cast<std::size_t>(std::max(block.inputCount, 0)), block.inputs.size());
    }

    // --- what reaches the region ---

    bool reaches(Coordinate x1, Coordinate y1, Coordinate x2, Coordinate y2, Coordinate reach) const {
        return std::max(x1, x2) + reach >= region_.left && std::min(x1, x2) - reach < region_.right &&
               std::max(y1, y2) + reach >= region_.top && std::min(y1, y2) - reach < region_.bottom;
    }
    bool rowsReach(Coordinate top, Coordinate bottom) const {
        return bottom >= region_.top && top < region_.bottom;
    }
    // The rows a text of the current font may colour when its top is at y.
    bool textRowsReach(Coordinate y) const {
        return rowsReach(y - 2 * Coordinate{fontSize_}, y + 4 * Coordinate{fontSize_});
    }
    bool textReaches(Coordinate x, Coordinate y, Coordinate width) const {
        const Coordinate margin = 2 * Coordinate{fontSize_};
        return textRowsReach(y) && x + width + margin >= region_.left && x - margin < region_.right;
    }

    // --- the canvas, with its state set only when something is drawn ---
    //
    // Every primitive is preceded, in the code of its own entry or step, by the pen, brush or font it
    // is drawn with; so skipping other entries leaves each drawn primitive the state it has in the
    // whole drawing, and the canvas is told only of changes.

    void setPen(Color color, std::int32_t width) {
        pen_ = color;
        penWidth_ = width;
    }
    void setBrush(Color color, bool solid) {
        brush_ = color;
        brushSolid_ = solid;
    }
    void setFont(std::int32_t size, Color color) {
        fontSize_ = size;
        fontColor_ = color;
    }
    void applyState() {
        if (!stateApplied_ || pen_ != appliedPen_ || penWidth_ != appliedPenWidth_) {
            canvas_.setPen(pen_, penWidth_);
            appliedPen_ = pen_;
            appliedPenWidth_ = penWidth_;
        }
        if (!stateApplied_ || brush_ != appliedBrush_ || brushSolid_ != appliedBrushSolid_) {
            canvas_.setBrush(brush_, brushSolid_);
            appliedBrush_ = brush_;
            appliedBrushSolid_ = brushSolid_;
        }
        applyFont();
        stateApplied_ = true;
    }
    void applyFont() {
        if (!fontApplied_ || fontSize_ != appliedFontSize_ || fontColor_ != appliedFontColor_) {
            canvas_.setFont(fontSize_, fontColor_);
            appliedFontSize_ = fontSize_;
            appliedFontColor_ = fontColor_;
            fontApplied_ = true;
        }
    }

    // Widths depend on the font size and the text only; a drawing asks the canvas once for each.
    std::int32_t textWidth(const std::string& value) {
        std::string key(1, static_cast<char>(fontSize_));
        key += value;
        auto known = widths_.find(key);
        if (known == widths_.end()) {
            applyFont();
            known = widths_.emplace(std::move(key), canvas_.textWidth(value)).first;
        }
        return known->second;
    }

    void line(const Spot& from, const Spot& to) {
        const std::int32_t x1 = px(from.x), y1 = px(from.y), x2 = px(to.x), y2 = px(to.y);
        if (!reaches(x1, y1, x2, y2, kStrokeReach)) return;
        applyState();
        canvas_.line(x1, y1, x2, y2);
    }
    void rectangle(Coordinate left, Coordinate top, Coordinate right, Coordinate bottom) {
        const std::int32_t x1 = px(left), y1 = px(top), x2 = px(right), y2 = px(bottom);
        if (!reaches(x1, y1, x2, y2, kStrokeReach)) return;
        applyState();
        canvas_.rectangle(x1, y1, x2, y2);
    }
    void drawText(Coordinate x, Coordinate y, const std::string& value) {
        applyState();
        canvas_.text(px(x), px(y), value);
    }
    // A text that starts at x; its width is asked only when it starts left of the region.
    void text(Coordinate x, Coordinate y, const std::string& value) {
        if (!textRowsReach(y) || x - 2 * Coordinate{fontSize_} >= region_.right) return;
        if (x < region_.left && !textReaches(x, y, textWidth(value))) return;
        drawText(x, y, value);
    }
    // A text that ends at x.
    void textEndingAt(Coordinate x, Coordinate y, const std::string& value) {
        if (!textRowsReach(y) || x + 2 * Coordinate{fontSize_} < region_.left) return;
        const Coordinate width = textWidth(value);
        if (textReaches(x - width, y, width)) drawText(x - width, y, value);
    }

    // --- the drawing ---

    void clear() {
        setBrush(colors::kWhite, true);
        applyState();
        canvas_.fillRect(0, 0, scene_.imageSize.width, scene_.imageSize.height);
    }

    void footer() {
        const Coordinate width = scene_.imageSize.width;
        const Coordinate height = scene_.imageSize.height;
        setPen(colors::kGrey, 2);
        line({0, height - 20}, {width, height - 20});
        setFont(10, colors::kNavy);
        text(5, height - 18, scene_.description);
        textEndingAt(width - 10, height - 18, scene_.footerDateTime);
    }

    void primaryInputs() {
        setFont(8, colors::kNavy);
        for (std::int32_t i = 0; i < circuit_.inputCount; ++i) {
            const Block& input = entry(i);
            setPen(colors::kBlack, 2);
            line({input.x, input.y}, {Coordinate{input.x} + kTerminalDash, input.y});
            if (static_cast<std::size_t>(i) < circuit_.inputNames.size()) {
                textEndingAt(Coordinate{input.x} - kInputLabelGap, Coordinate{input.y} - kTerminalLabelRise,
                             circuit_.inputNames[static_cast<std::size_t>(i)]);
            } else {
                text(Coordinate{input.x} - kInputNumberLeft, Coordinate{input.y} - kTerminalLabelRise,
                     std::to_string(i));
            }
            setPen(colors::kBlack, 1);
        }
    }

    void hiddenWires() {
        for (std::int32_t r = circuit_.inputCount; r < circuit_.blockTotal(); ++r) {
            const Block& block = entry(r);
            if (block.visible) continue;
            for (std::size_t k = 0; k < usedInputs(block); ++k) {
                setPen(coneOr(block, colors::kSilver), 1);
                line(sourcePoint(block.inputs[k]), pinPoint(r, static_cast<std::int32_t>(k)));
            }
        }
    }

    void hiddenBlocks() {
        for (std::int32_t i = circuit_.inputCount; i < circuit_.firstOutput(); ++i) {
            if (!entry(i).visible) blockBox(i, colors::kSilver);
        }
    }

    // Everything of a block lies in these rows: the box, its pins, its label and its number.
    bool blockRowsReach(const Block& block) const {
        return rowsReach(Coordinate{block.y} - kBlockReachAbove - kStrokeReach,
                         Coordinate{block.y} + kBlockReachBelow + kStrokeReach);
    }

    void visibleBlocks() {
        const bool symbols = options_.symbols && scene_.symbols.width > 0;
        for (std::int32_t i = circuit_.inputCount; i < circuit_.firstOutput(); ++i) {
            const Block& block = entry(i);
            if (!block.visible || !blockRowsReach(block)) continue;
            const Color color =
                block.mark == kMarkRedundant ? colors::kOrange : coneOr(block, colors::kBlack);
            std::int32_t cellX = 0;
            if (symbols && symbolCell(scene_.symbols, identifier(block), cellX)) {
                setPen(color, 1);
                setFont(7, color);
                const std::int32_t x = px(Coordinate{block.x} + kSymbolOffset.x);
                const std::int32_t y = px(Coordinate{block.y} + kSymbolOffset.y);
                if (reaches(x, y, Coordinate{x} + kSymbolWidth, Coordinate{y} + kSymbolHeight, 1)) {
                    applyState();
                    canvas_.copySymbol(cellX, 0, kSymbolWidth, kSymbolHeight, x, y);
                }
                if (options_.blockNumbers)
                    text(Coordinate{block.x} + kBesideBlockX, Coordinate{block.y} + kSymbolNumberY,
                         std::to_string(i));
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
    std::string blockLabel(const Block& block) const {
        if (options_.functionLabels) {
            const std::string id = scene_.assignment.functionOf(block.function);
            if (const std::string* shown = scene_.functions.shownLabel(id)) return *shown;
        }
        return std::to_string(block.function);
    }

    void blockBox(std::int32_t index, Color color) {
        const Block& block = entry(index);
        if (!blockRowsReach(block)) return;
        const Coordinate x = block.x;
        const Coordinate y = block.y;
        setPen(color, 2);
        setBrush(colors::kWhite, true);
        rectangle(x, y, x + kBlockWidth, y + kBlockHeight);
        setFont(7, color);
        textEndingAt(x + kBlockWidth - kLabelInset, y, blockLabel(block));
        setPen(color, 1);
        line({x + kBlockWidth, y + kOutputPinY}, {x + kOutputPinEndOffset.x, y + kOutputPinEndOffset.y});
        if (options_.blockNumbers) text(x + kBlockWidth, y + kBoxNumberY, std::to_string(index));
        for (std::int32_t k = 0; k < block.inputCount; ++k) {
            const Coordinate pinY = y + inputPinEndOffset(block.inputCount, k).y;
            line({x - kPinLength, pinY}, {x, pinY});
        }
    }

    void outputs() {
        setFont(8, colors::kNavy);
        for (std::int32_t j = 0; j < circuit_.outputCount; ++j) {
            const Block& output = entry(circuit_.firstOutput() + j);
            setPen(colors::kBlack, 2);
            line({output.x, output.y}, {Coordinate{output.x} + kTerminalDash, output.y});
            if (static_cast<std::size_t>(j) < circuit_.outputNames.size()) {
                text(Coordinate{output.x} + kOutputLabelGap, Coordinate{output.y} - kTerminalLabelRise,
                     circuit_.outputNames[static_cast<std::size_t>(j)]);
            } else {
                text(Coordinate{output.x} + kOutputLabelGap, Coordinate{output.y} - kTerminalLabelRise,
                     std::to_string(j));
            }
            setPen(colors::kBlack, 1);
        }
    }

    void directWires() {
        const bool numbered = options_.wiring == WiringMode::Direct2;
        setFont(8, colors::kNavy);
        for (std::int32_t r = circuit_.inputCount; r < circuit_.blockTotal(); ++r) {
            const Block& block = entry(r);
            if (!block.visible) continue;
            const std::int32_t mask = scene_.assignment.usageMask(circuit_, r);
            const bool laterColumn = r - circuit_.inputCount >= circuit_.rows;
            for (std::size_t k = 0; k < usedInputs(block); ++k) {
                const std::int32_t s = block.inputs[k];
                const bool used = readsInput(mask, k);
                if (!used || !entry(s).visible) continue;
                const Spot pin = pinPoint(r, static_cast<std::int32_t>(k));
                if (numbered && laterColumn && isPrimaryInput(s)) {
                    // Inputs feeding later columns show as their number at the pin instead of a long wire.
                    textEndingAt(Coordinate{block.x} - kNumberAtPinGap, pin.y, std::to_string(s));
                } else {
                    setPen(coneOr(block, colors::kGreen), 1);
                    line(sourcePoint(s), pin);
                }
            }
        }
    }

    struct Corner {
        std::int32_t entry;
        std::int32_t input;
        Spot at;
    };

    // The corners of one signal: those of every visible entry it feeds, in drawing order, and for a
    // signal with many of them the same corners sorted along the axis over which they spread most.
    struct SignalCorners {
        std::vector<Corner> corners;
        std::vector<std::uint32_t> sorted;
        bool byY = true;
        Coordinate along(const Spot& spot) const { return byY ? spot.y : spot.x; }
    };

    static Coordinate clampedSquare(Coordinate delta) {
        const Coordinate d = std::clamp<Coordinate>(delta, -(Coordinate{1} << 31), Coordinate{1} << 31);
        return d * d;
    }

    // Sorts the corners of the signals that have many, for the sweep of nearestStart.
    static void prepareSweep(SignalCorners& signal) {
        if (signal.corners.size() <= kPlainScanCorners) return;
        Coordinate minX = signal.corners.front().at.x, maxX = minX;
        Coordinate minY = signal.corners.front().at.y, maxY = minY;
        for (const Corner& corner : signal.corners) {
            minX = std::min(minX, corner.at.x);
            maxX = std::max(maxX, corner.at.x);
            minY = std::min(minY, corner.at.y);
            maxY = std::max(maxY, corner.at.y);
        }
        signal.byY = maxY - minY >= maxX - minX;
        signal.sorted.resize(signal.corners.size());
        for (std::uint32_t i = 0; i < signal.sorted.size(); ++i)
            signal.sorted[i] = i;
        std::sort(signal.sorted.begin(), signal.sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
            return signal.along(signal.corners[a].at) < signal.along(signal.corners[b].at);
        });
    }

    // Where the wire of entry r to `corner` starts: the corner of an earlier entry fed by the same
    // signal that is strictly nearer than the start found so far, looking at later entries first and
    // within an entry at its inputs in order; the signal's source point when none is nearer.
    static Spot nearestStart(const SignalCorners& signal, std::int32_t r, const Spot& corner, Spot start) {
        Coordinate best = squaredDistance(start, corner);
        const std::vector<Corner>& corners = signal.corners;
        if (signal.sorted.empty()) {
            std::size_t end = static_cast<std::size_t>(
                std::lower_bound(corners.begin(), corners.end(), r,
                                 [](const Corner& c, std::int32_t index) { return c.entry < index; }) -
                corners.begin());
            while (end > 0) {
                std::size_t begin = end;
                while (begin > 0 && corners[begin - 1].entry == corners[end - 1].entry)
                    --begin;
                for (std::size_t c = begin; c < end; ++c) {
                    const Coordinate distance = squaredDistance(corners[c].at, corner);
                    if (distance < best) {
                        best = distance;
                        start = corners[c].at;
                    }
                }
                end = begin;
            }
            return start;
        }
        // The same winner by a sweep outwards from the corner along the sorted axis: the nearest
        // earlier corner, ties going to the source point, then to the later entry, then to the lower
        // input. Beyond an axis distance whose square exceeds the best, nothing can be nearer or tie.
        const Corner* winner = nullptr;
        auto consider = [&](const Corner& candidate) {
            if (candidate.entry >= r) return;
            const Coordinate distance = squaredDistance(candidate.at, corner);
            const bool precedes =
                winner != nullptr && (candidate.entry > winner->entry ||
                                      (candidate.entry == winner->entry && candidate.input < winner->input));
            if (distance < best || (distance == best && precedes)) {
                best = distance;
                winner = &candidate;
            }
        };
        const Coordinate at = signal.along(corner);
        const std::vector<std::uint32_t>& sorted = signal.sorted;
        const auto split = std::lower_bound(
            sorted.begin(), sorted.end(), at,
            [&](std::uint32_t i, Coordinate value) { return signal.along(corners[i].at) < value; });
        // Both ways at once, the nearer side first, so that the best shrinks as early as it can.
        auto up = split;
        auto down = split;
        for (;;) {
            const bool upLeft = up != sorted.end();
            const bool downLeft = down != sorted.begin();
            if (!upLeft && !downLeft) break;
            const Coordinate upGap = upLeft ? signal.along(corners[*up].at) - at : 0;
            const Coordinate downGap = downLeft ? at - signal.along(corners[*(down - 1)].at) : 0;
            const bool takeUp = upLeft && (!downLeft || upGap <= downGap);
            if (clampedSquare(takeUp ? upGap : downGap) > best) break;
            consider(takeUp ? corners[*up++] : corners[*--down]);
        }
        return winner ? winner->at : start;
    }

    // Each signal is drawn as a tree: a wire starts at the nearest corner of an earlier wire carrying the
    // same signal. The corners of every visible entry are collected first, by signal, so that a wire
    // looks only at the corners of its own signal; wires that cannot reach the region are not looked up.
    void branchingWires() {
        std::vector<SignalCorners> bySource(circuit_.blocks.size());
        for (std::int32_t r = circuit_.inputCount; r < circuit_.blockTotal(); ++r) {
            const Block& block = entry(r);
            if (!block.visible) continue;
            for (std::size_t c = 0; c < usedInputs(block); ++c) {
                const auto input = static_cast<std::int32_t>(c);
                bySource[static_cast<std::size_t>(block.inputs[c])].corners.push_back(
                    {r, input, cornerPoint(r, input)});
            }
        }
        for (SignalCorners& signal : bySource)
            prepareSweep(signal);

        for (std::int32_t r = circuit_.inputCount; r < circuit_.blockTotal(); ++r) {
            const Block& block = entry(r);
            if (!block.visible) continue;
            for (std::size_t k = 0; k < usedInputs(block); ++k) {
                const std::int32_t s = block.inputs[k];
                if (!entry(s).visible) continue;
                setPen(coneOr(block, colors::kGreen), 1);
                const Spot corner = cornerPoint(r, static_cast<std::int32_t>(k));
                const Spot pin{Coordinate{block.x} - kPinLength, corner.y};
                const Spot source = sourcePoint(s);
                // The start is never farther from the corner than the source point.
                const Coordinate reach =
                    static_cast<Coordinate>(std::sqrt(static_cast<double>(squaredDistance(source, corner)))) +
                    2;
                const bool mayReach = reach >= (Coordinate{1} << 31) ||
                                      reaches(corner.x - reach, corner.y - reach, corner.x + reach,
                                              corner.y + reach, kStrokeReach);
                if (mayReach) {
                    line(nearestStart(bySource[static_cast<std::size_t>(s)], r, corner, source), corner);
                }
                if (isFunctionBlock(r)) line(corner, pin);
            }
        }
    }

    void valueBoxes() {
        setPen(colors::kNavy, 1);
        setFont(8, colors::kNavy);
        setBrush(colors::kTooltip, true);
        for (std::int32_t a = 0; a < circuit_.blockTotal(); ++a) {
            const Block& block = entry(a);
            if (!block.visible) continue;
            const Spot origin = isFunctionBlock(a) ? Spot{Coordinate{block.x} + kBesideBlockX,
                                                          Coordinate{block.y} + kBlockValueY}
                                                   : Spot{Coordinate{block.x} + kTerminalValueOffset,
                                                          Coordinate{block.y} + kTerminalValueOffset};
            // The box spans 18 rows from its origin and starts there, the text one pixel inside it.
            const bool rows = rowsReach(origin.y - kStrokeReach, origin.y + 18 + kStrokeReach) ||
                              textRowsReach(origin.y + 1);
            if (!rows || origin.x - kStrokeReach - 2 * Coordinate{fontSize_} >= region_.right) continue;
            const std::string value = std::to_string(block.value);
            const Coordinate width = textWidth(value);
            rectangle(origin.x, origin.y, origin.x + width + 2, origin.y + 18);
            text(origin.x + 1, origin.y + 1, value);
        }
    }

    Canvas& canvas_;
    const Scene& scene_;
    const Chromosome& circuit_;
    const DisplayOptions& options_;
    const Region region_;
    std::unordered_map<std::string, std::int32_t> widths_;  // text width by font size and text

    // The state the drawing asks for, and the one last given to the canvas.
    Color pen_ = colors::kBlack;
    std::int32_t penWidth_ = 1;
    Color brush_ = colors::kWhite;
    bool brushSolid_ = true;
    std::int32_t fontSize_ = 8;
    Color fontColor_ = colors::kBlack;
    bool stateApplied_ = false;
    bool fontApplied_ = false;
    Color appliedPen_;
    std::int32_t appliedPenWidth_ = 0;
    Color appliedBrush_;
    bool appliedBrushSolid_ = false;
    std::int32_t appliedFontSize_ = 0;
    Color appliedFontColor_;
};

}  // namespace

bool symbolCell(const SymbolSheet& sheet, std::int32_t identifier, std::int32_t& cellX) {
    if (identifier < 1 || sheet.height < kSymbolHeight) return false;
    const std::int64_t x = std::int64_t{kSymbolWidth} * (identifier - 1);
    if (x + kSymbolWidth > sheet.width) return false;
    cellX = static_cast<std::int32_t>(x);
    return true;
}

void drawCircuit(Canvas& canvas, const Scene& scene) {
    SchematicPainter(canvas, scene, Region{}).paint();
}

void drawCircuit(Canvas& canvas, const Scene& scene, const CanvasArea& area) {
    SchematicPainter(canvas, scene, Region{area.left, area.top, area.right, area.bottom}).paint();
}

void drawDragFrame(Canvas& canvas, const Chromosome& circuit, std::int32_t index) {
    if (index < 0 || index >= circuit.blockTotal()) return;
    const Block& block = circuit.blocks[static_cast<std::size_t>(index)];
    const bool isBlock = index >= circuit.inputCount && index < circuit.firstOutput();
    canvas.setPen(colors::kRed, 1);
    canvas.setBrush(colors::kWhite, false);
    const std::int64_t width = isBlock ? kBlockWidth : kTerminalFrame;
    const std::int64_t height = isBlock ? kBlockHeight : kTerminalFrame;
    canvas.rectangle(px(block.x), px(block.y), px(block.x + width), px(block.y + height));
}

}  // namespace pellisor
