// Drawing only what reaches a part of the canvas: the primitives kept are those of the whole drawing,
// in its order and state, and none that reaches the part is left out. And the branching wires, which
// a sweep looks up for signals with many corners, start where the plain nearest-corner scan says.

#include "render/renderer.h"

#include "support/random_circuit.h"
#include "support/recording_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <tuple>

namespace pellisor {
namespace {

using test::RecordingCanvas;
using Primitive = RecordingCanvas::Primitive;

std::int32_t between(std::mt19937& rng, std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, high)(rng);
}

// A primitive with the part of the canvas's state that it is drawn in: the pen for lines and
// outlines, the brush for fills, the font for texts.
bool same(const Primitive& a, const Primitive& b) {
    if (std::tie(a.kind, a.x1, a.y1, a.x2, a.y2, a.text) != std::tie(b.kind, b.x1, b.y1, b.x2, b.y2, b.text))
        return false;
    const bool pen = a.kind == "line" || a.kind == "rect";
    const bool brush = a.kind == "fill" || a.kind == "rect";
    const bool font = a.kind == "text";
    return (!pen || std::tie(a.pen, a.penWidth) == std::tie(b.pen, b.penWidth)) &&
           (!brush || std::tie(a.brush, a.brushSolid) == std::tie(b.brush, b.brushSolid)) &&
           (!font || std::tie(a.fontSize, a.fontColor) == std::tie(b.fontSize, b.fontColor));
}

std::string describe(const Primitive& p) {
    std::ostringstream text;
    text << p.kind << " (" << p.x1 << "," << p.y1 << ")-(" << p.x2 << "," << p.y2 << ") '" << p.text
         << "' pen " << p.penWidth << " font " << p.fontSize;
    return text.str();
}

// The pixels a primitive can colour on the recording canvas, whose characters are as wide as the
// font's point size and at most that high.
struct Extent {
    std::int64_t left, top, right, bottom;  // inclusive
};
Extent extentOf(const Primitive& p) {
    if (p.kind == "text") {
        return {p.x1, p.y1, p.x1 + std::int64_t(p.text.size()) * p.fontSize, std::int64_t{p.y1} + p.fontSize};
    }
    if (p.kind == "fill" || p.kind == "symbol")
        return {p.x1, p.y1, std::int64_t{p.x2} - 1, std::int64_t{p.y2} - 1};
    const std::int64_t w = p.penWidth;
    return {std::min(p.x1, p.x2) - w, std::min(p.y1, p.y2) - w, std::max(p.x1, p.x2) + w,
            std::max(p.y1, p.y2) + w};
}
bool touches(const Extent& e, const CanvasArea& a) {
    return e.right >= a.left && e.left < a.right && e.bottom >= a.top && e.top < a.bottom;
}

struct RandomDrawing {
    Chromosome circuit;
    FunctionAssignment assignment;
    DisplayOptions options;
    bool dragging = false;
    SymbolSheet symbols;
    CanvasSize size;

    Scene scene() const {
        return Scene{circuit,        assignment,         options,  {},     size,
                     "popis obvodu", "1.2.2026 3:04:05", dragging, symbols};
    }
};

// A random circuit on the grid, some entries moved anywhere (off the canvas too), hidden, marked,
// named and valued, with random display options.
RandomDrawing randomDrawing(std::mt19937& rng) {
    RandomDrawing d;
    d.circuit = test::randomCircuit(rng, test::randomShape(rng, 6, 3, 7, 7, 4));
    placeOnGrid(d.circuit, defaultSpacingTexts());
    for (Block& block : d.circuit.blocks) {
        if (between(rng, 0, 9) == 0) {
            block.x = between(rng, -200, 900);
            block.y = between(rng, -200, 700);
        }
        block.visible = between(rng, 0, 4) != 0;
        block.mark = between(rng, 0, 2);
        block.value = between(rng, -300, 300000);
    }
    for (std::int32_t i = 0; i < d.circuit.inputCount; ++i) {
        if (between(rng, 0, 1))
            d.circuit.inputNames.push_back(std::string(std::size_t(between(rng, 1, 12)), 'n'));
    }
    for (std::int32_t j = 0; j < d.circuit.outputCount; ++j) {
        if (between(rng, 0, 1))
            d.circuit.outputNames.push_back(std::string(std::size_t(between(rng, 1, 12)), 'v'));
    }
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        d.assignment.setIdentifier(gene, between(rng, 0, 51));
    DisplayOptions& o = d.options;
    o.blockNumbers = between(rng, 0, 1);
    o.hiddenBlocks = between(rng, 0, 1);
    o.hiddenWires = between(rng, 0, 1);
    o.values = between(rng, 0, 1);
    o.footer = between(rng, 0, 1);
    o.symbols = between(rng, 0, 1);
    o.functionLabels = between(rng, 0, 1);
    o.wiring = static_cast<WiringMode>(between(rng, 0, 2));
    d.dragging = between(rng, 0, 1);
    if (between(rng, 0, 1)) d.symbols = {kSymbolWidth * 30, kSymbolHeight};
    d.size = {between(rng, 300, 900), between(rng, 300, 700)};
    return d;
}

TEST(RendererArea, KeepsInOrderEveryPrimitiveThatReachesTheArea) {
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        const RandomDrawing drawing = randomDrawing(rng);
        RecordingCanvas whole;
        drawCircuit(whole, drawing.scene());
        for (int attempt = 0; attempt < 4; ++attempt) {
            const std::int32_t left = between(rng, -100, drawing.size.width);
            const std::int32_t top = between(rng, -100, drawing.size.height);
            const CanvasArea area{left, top, left + between(rng, 1, 400), top + between(rng, 1, 300)};
            RecordingCanvas part;
            drawCircuit(part, drawing.scene(), area);

            std::size_t next = 0;
            for (const Primitive& kept : part.primitives) {
                while (next < whole.primitives.size() && !same(whole.primitives[next], kept)) {
                    ASSERT_FALSE(touches(extentOf(whole.primitives[next]), area))
                        << "round " << round << ": left out " << describe(whole.primitives[next])
                        << " for area (" << area.left << "," << area.top << ")-(" << area.right << ","
                        << area.bottom << ")";
                    ++next;
                }
                ASSERT_LT(next, whole.primitives.size())
                    << "round " << round << ": not in the whole drawing, or "
                    << "out of order: " << describe(kept);
                ++next;
            }
            for (; next < whole.primitives.size(); ++next) {
                ASSERT_FALSE(touches(extentOf(whole.primitives[next]), area))
                    << "round " << round << ": left out " << describe(whole.primitives[next]) << " for area ("
                    << area.left << "," << area.top << ")-(" << area.right << "," << area.bottom << ")";
            }
        }
    }
}

TEST(RendererArea, LeavesOutWhatIsFarAway) {
    // A column of 2,000 blocks: a window at its end draws its few blocks and the wires into them.
    std::mt19937 rng(3);
    RandomDrawing d;
    d.circuit = test::randomCircuit(rng, {4, 1, 1, 2000, 2});
    placeOnGrid(d.circuit, defaultSpacingTexts());
    d.size = fitCanvasSize(d.circuit, true, false, {1007, 365});
    RecordingCanvas whole;
    drawCircuit(whole, d.scene());
    RecordingCanvas part;
    const CanvasArea area{0, d.size.height - 365, 1007, d.size.height};
    drawCircuit(part, d.scene(), area);
    EXPECT_GT(whole.ofKind("rect").size(), 1999u);
    EXPECT_LT(part.ofKind("rect").size(), 10u);
    EXPECT_LT(part.primitives.size(), whole.primitives.size() / 50);
}

// The start of every branching wire by the rule as written: for j from r - 1 down, the inputs of each
// visible j in order, the first corner strictly nearer than the best so far.
struct Wire {
    std::int32_t x1, y1, x2, y2;
    friend bool operator==(const Wire&, const Wire&) = default;
};
std::vector<Wire> plainBranchingWires(const Chromosome& c) {
    auto isBlock = [&](std::int32_t i) { return i >= c.inputCount && i < c.firstOutput(); };
    auto corner = [&](std::int32_t r, std::int32_t k) {
        const Block& b = c.blocks[std::size_t(r)];
        if (!isBlock(r)) return Point{b.x, b.y};
        return Point{b.x - 10 - 4 * k, b.y + 10 + k * pinPitch(b.inputCount)};
    };
    auto squared = [](Point a, Point b) {
        const std::int64_t dx = a.x - b.x, dy = a.y - b.y;
        return dx * dx + dy * dy;
    };
    std::vector<Wire> wires;
    for (std::int32_t r = c.inputCount; r < c.blockTotal(); ++r) {
        const Block& block = c.blocks[std::size_t(r)];
        if (!block.visible) continue;
        for (std::int32_t k = 0; k < block.inputCount; ++k) {
            const std::int32_t s = block.inputs[std::size_t(k)];
            const Block& source = c.blocks[std::size_t(s)];
            if (!source.visible) continue;
            const Point to = corner(r, k);
            Point from = s < c.inputCount ? Point{source.x, source.y} : Point{source.x + 40, source.y + 20};
            for (std::int32_t j = r - 1; j >= c.inputCount; --j) {
                const Block& earlier = c.blocks[std::size_t(j)];
                if (!earlier.visible) continue;
                for (std::int32_t i = 0; i < earlier.inputCount; ++i) {
                    if (earlier.inputs[std::size_t(i)] == s &&
                        squared(corner(j, i), to) < squared(from, to)) {
                        from = corner(j, i);
                    }
                }
            }
            wires.push_back({from.x, from.y, to.x, to.y});
            if (isBlock(r)) wires.push_back({to.x, to.y, block.x - 10, to.y});
        }
    }
    return wires;
}

TEST(RendererArea, BranchingWiresOfBusySignalsStartAtTheNearestEarlierCorner) {
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        // Few signals, each feeding up to hundreds of inputs, many of them at the same places.
        Chromosome circuit = test::randomCircuit(rng, {2, 3, between(rng, 1, 3), between(rng, 40, 120), 3});
        const std::int32_t spread = between(rng, 20, 400);
        for (std::int32_t i = 0; i < circuit.blockTotal(); ++i) {
            Block& block = circuit.blocks[std::size_t(i)];
            block.x = between(rng, 0, spread);
            block.y = between(rng, 0, spread);
            block.visible = between(rng, 0, 5) != 0;
            for (std::int32_t& source : block.inputs) {
                if (between(rng, 0, 2) != 0)
                    source = between(rng, 0, std::min(i, circuit.inputCount + 2) - 1);
            }
        }
        FunctionAssignment assignment;
        DisplayOptions options;
        options.wiring = WiringMode::DirectOpt;
        RecordingCanvas canvas;
        drawCircuit(canvas, Scene{circuit, assignment, options, {}, {500, 500}, "", "", false, {}});
        std::vector<Wire> drawn;
        for (const Primitive& p : canvas.ofKind("line")) {
            if (p.pen == colors::kGreen) drawn.push_back({p.x1, p.y1, p.x2, p.y2});
        }
        const std::vector<Wire> expected = plainBranchingWires(circuit);
        ASSERT_EQ(expected.size(), drawn.size()) << "round " << round;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(expected[i], drawn[i])
                << "round " << round << ", wire " << i << ": drawn from (" << drawn[i].x1 << ","
                << drawn[i].y1 << "), expected from (" << expected[i].x1 << "," << expected[i].y1 << ")";
        }
    }
}

}  // namespace
}  // namespace pellisor
