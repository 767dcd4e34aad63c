// The wires of "Přímé + opt": each signal drawn as a tree whose branches start at the nearest corner
// of an earlier wire carrying the same signal.
#include "render/schematic_view.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pellisor {

namespace {

// The nearest corner is looked up by a sweep over the corners sorted along one axis once a signal has
// more corners than this; fewer are scanned in drawing order.
constexpr std::size_t kPlainScanCorners = 48;

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

Coordinate clampedSquare(Coordinate delta) {
    const Coordinate d = std::clamp<Coordinate>(delta, -(Coordinate{1} << 31), Coordinate{1} << 31);
    return d * d;
}

// Sorts the corners of the signals that have many, for the sweep of nearestBySweep.
void prepareSweep(SignalCorners& signal) {
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

// The corners of every visible entry, collected by the signal that feeds them, so that a wire looks
// only at the corners of its own signal.
std::vector<SignalCorners> cornersBySignal(const SchematicView& view) {
    std::vector<SignalCorners> bySource(view.circuit.blocks.size());
    for (std::int32_t r = view.circuit.inputCount; r < view.circuit.blockTotal(); ++r) {
        const Block& block = view.entry(r);
        if (!block.visible) continue;
        for (std::size_t c = 0; c < SchematicView::usedInputs(block); ++c) {
            const auto input = static_cast<std::int32_t>(c);
            bySource[static_cast<std::size_t>(block.inputs[c])].corners.push_back(
                {r, input, view.cornerPoint(r, input)});
        }
    }
    for (SignalCorners& signal : bySource)
        prepareSweep(signal);
    return bySource;
}

// The scan of a signal with few corners: later entries first and within an entry its inputs in order,
// each corner taken when strictly nearer than the start found so far.
Spot nearestByScan(const SignalCorners& signal, std::int32_t r, const Spot& corner, Spot start) {
    Coordinate best = squaredDistance(start, corner);
    const std::vector<Corner>& corners = signal.corners;
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

// The same winner by a sweep outwards from the corner along the sorted axis: the nearest earlier
// corner, ties going to the source point, then to the later entry, then to the lower input. Beyond an
// axis distance whose square exceeds the best, nothing can be nearer or tie.
Spot nearestBySweep(const SignalCorners& signal, std::int32_t r, const Spot& corner, Spot start) {
    Coordinate best = squaredDistance(start, corner);
    const std::vector<Corner>& corners = signal.corners;
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

// Where the wire of entry r to `corner` starts: the corner of an earlier entry fed by the same signal
// that is strictly nearer than the signal's source point, looking at later entries first and within an
// entry at its inputs in order; the source point when none is nearer.
Spot nearestStart(const SignalCorners& signal, std::int32_t r, const Spot& corner, const Spot& source) {
    return signal.sorted.empty() ? nearestByScan(signal, r, corner, source)
                                 : nearestBySweep(signal, r, corner, source);
}

}  // namespace

// Wires that cannot reach the region are not looked up.
void drawBranchingWires(ClippedCanvas& canvas, const SchematicView& view) {
    const std::vector<SignalCorners> bySource = cornersBySignal(view);
    for (std::int32_t r = view.circuit.inputCount; r < view.circuit.blockTotal(); ++r) {
        const Block& block = view.entry(r);
        if (!block.visible) continue;
        for (std::size_t k = 0; k < SchematicView::usedInputs(block); ++k) {
            const std::int32_t s = block.inputs[k];
            if (!view.entry(s).visible) continue;
            canvas.setPen(view.coneOr(block, colors::kGreen), 1);
            const Spot corner = view.cornerPoint(r, static_cast<std::int32_t>(k));
            const Spot pin{Coordinate{block.x} - kPinLength, corner.y};
            const Spot source = view.sourcePoint(s);
            // The start is never farther from the corner than the source point.
            const Coordinate reach =
                static_cast<Coordinate>(std::sqrt(static_cast<double>(squaredDistance(source, corner)))) + 2;
            const bool mayReach = reach >= (Coordinate{1} << 31) ||
                                  canvas.reaches(corner.x - reach, corner.y - reach, corner.x + reach,
                                                 corner.y + reach, kStrokeReach);
            if (mayReach) {
                canvas.line(nearestStart(bySource[static_cast<std::size_t>(s)], r, corner, source), corner);
            }
            if (view.isFunctionBlock(r)) canvas.line(corner, pin);
        }
    }
}

}  // namespace pellisor
