// The SVG picture against the recording canvas: every element of the document is a primitive of the
// same drawing, at the same coordinates and in the same colours, and real readers take the document.
#include "export/svg_canvas.h"

#include "support/random_circuit.h"
#include "support/recording_canvas.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

namespace pellisor {
namespace {

using test::RecordingCanvas;
using Primitive = RecordingCanvas::Primitive;

using test::between;

// The recording canvas's font: every character as wide as the point size, ascent and size the same.
class FixedMetrics : public TextMetrics {
public:
    std::int32_t width(std::int32_t pointSize, const std::string& text) override {
        return static_cast<std::int32_t>(text.size()) * pointSize;
    }
    std::int32_t ascent(std::int32_t pointSize) override { return pointSize; }
    double pixelSize(std::int32_t pointSize) override { return pointSize; }
};

const std::vector<std::string> kNames{"a",         "Výstup č. 1", "<a&b>\"x\"", "bad \xff\xc3 byte",
                                      "tab\there", "x\x01y",      "]]>",        "long name of an output"};

struct Drawing {
    Chromosome circuit;
    FunctionAssignment assignment;
    DisplayOptions options;
    std::string description;
    bool dragging = false;
    CanvasSize size;
    Scene scene() const {
        return Scene{circuit,
                     assignment,
                     options,
                     {},
                     size,
                     description,
                     "1.2.2026 3:04:05",
                     dragging,
                     SymbolSheet{kSymbolWidth * 30, kSymbolHeight}};
    }
};

Drawing randomDrawing(std::mt19937& rng) {
    Drawing d;
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
    for (std::int32_t i = between(rng, 0, d.circuit.inputCount); i > 0; --i)
        d.circuit.inputNames.push_back(kNames[std::size_t(between(rng, 0, 7))]);
    for (std::int32_t j = between(rng, 0, d.circuit.outputCount); j > 0; --j)
        d.circuit.outputNames.push_back(kNames[std::size_t(between(rng, 0, 7))]);
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
    d.description = "Pseudomedián <" + kNames[std::size_t(between(rng, 0, 7))] + ">";
    d.size = {between(rng, 300, 900), between(rng, 300, 700)};
    return d;
}

std::string svgOf(const Drawing& drawing) {
    FixedMetrics metrics;
    const SymbolImage symbols = [](std::int32_t cellX, std::int32_t, std::int32_t, std::int32_t) {
        return "data:image/png;base64,AAAA" + std::to_string(cellX);
    };
    return collectText(
        [&](const ByteSink& sink) { writeSvgSchematic(sink, drawing.scene(), metrics, symbols); });
}

std::string hex(Color c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.red, c.green, c.blue);
    return text;
}

// A coordinate of the document back on the canvas: odd pen widths stand half a pixel in.
std::int32_t canvasCoordinate(const std::string& value, std::int32_t penWidth) {
    const double at = std::stod(value) - (penWidth % 2 ? 0.5 : 0.0);
    return static_cast<std::int32_t>(at);
}

// The primitive an element of the document stands for, in the recording canvas's terms.
Primitive primitiveOf(const std::string& element, std::map<std::string, std::string> a,
                      const std::string& body) {
    Primitive p;
    const auto coordinate = [&](const char* name, std::int32_t width) {
        return canvasCoordinate(a[name], width);
    };
    if (element == "line") {
        p.kind = "line";
        p.penWidth = std::stoi(a["stroke-width"]);
        p.x1 = coordinate("x1", p.penWidth), p.y1 = coordinate("y1", p.penWidth);
        p.x2 = coordinate("x2", p.penWidth), p.y2 = coordinate("y2", p.penWidth);
        p.text = a["stroke"];
    } else if (element == "rect") {
        const bool outline = a.count("stroke") != 0;
        p.kind = outline ? "rect" : "fill";
        p.penWidth = outline ? std::stoi(a["stroke-width"]) : 0;
        p.x1 = coordinate("x", p.penWidth), p.y1 = coordinate("y", p.penWidth);
        p.x2 = p.x1 + std::stoi(a["width"]), p.y2 = p.y1 + std::stoi(a["height"]);
        p.text = (outline ? a["stroke"] : "") + "/" + a["fill"];
    } else if (element == "text") {
        p.kind = "text";
        p.fontSize = std::stoi(a["font-size"]);
        p.x1 = p.x2 = std::stoi(a["x"]);
        p.y1 = p.y2 = std::stoi(a["y"]) - p.fontSize;
        p.text = a["fill"] + ":" + body;
    } else {
        p.kind = "symbol";
        p.x1 = std::stoi(a["x"]), p.y1 = std::stoi(a["y"]);
        p.text = a["xlink:href"];
    }
    return p;
}

// The recorded primitive as the document shows it.
Primitive expectedOf(const Primitive& r) {
    Primitive p;
    p.kind = r.kind;
    p.x1 = r.x1, p.y1 = r.y1, p.x2 = r.x2, p.y2 = r.y2;
    if (r.kind == "line") {
        p.penWidth = r.penWidth;
        p.text = hex(r.pen);
    } else if (r.kind == "rect" || r.kind == "fill") {
        p.penWidth = r.kind == "rect" ? r.penWidth : 0;
        p.text = (r.kind == "rect" ? hex(r.pen) : "") + "/" +
                 (r.brushSolid || r.kind == "fill" ? hex(r.brush) : "none");
    } else if (r.kind == "text") {
        p.fontSize = r.fontSize;
        p.x2 = r.x1, p.y2 = r.y1;
        p.text = hex(r.fontColor) + ":" + xmlText(r.text);
    } else {
        p.x2 = p.y2 = 0;
        p.text = "#symbol" + r.text.substr(0, r.text.find(','));
    }
    return p;
}

std::string describe(const Primitive& p) {
    std::ostringstream text;
    text << p.kind << " (" << p.x1 << "," << p.y1 << ")-(" << p.x2 << "," << p.y2 << ") '" << p.text
         << "' pen " << p.penWidth << " font " << p.fontSize;
    return text.str();
}

// An element on its line: its name, attributes and text; false for any other line.
bool readElement(const std::string& line, std::string& name, std::map<std::string, std::string>& attributes,
                 std::string& body) {
    const std::size_t space = line.find(' ');
    if (!line.starts_with("<") || space == std::string::npos) return false;
    name = line.substr(1, space - 1);
    if (name != "line" && name != "rect" && name != "text" && name != "use") return false;
    const std::size_t close = line.find('>');
    for (std::size_t at = space + 1; at < close;) {
        const std::size_t equals = line.find("=\"", at);
        if (equals == std::string::npos || equals > close) break;
        const std::size_t end = line.find('"', equals + 2);
        attributes[line.substr(at, equals - at)] = line.substr(equals + 2, end - equals - 2);
        at = end + 2;
    }
    if (name == "text")
        body = line.substr(close + 1, line.size() - close - 1 - std::string("</text>").size());
    return true;
}

TEST(SvgCanvas, EveryElementIsThePrimitiveOfTheRecordingCanvasAtItsCoordinates) {
    std::mt19937 rng(16);
    for (int round = 0; round < 150; ++round) {
        const Drawing drawing = randomDrawing(rng);
        RecordingCanvas recorded;
        drawCircuit(recorded, drawing.scene());
        const std::string svg = svgOf(drawing);

        std::vector<Primitive> expected;
        for (const Primitive& p : recorded.primitives) {
            if (p.kind != "fill" || (p.x2 > p.x1 && p.y2 > p.y1)) expected.push_back(expectedOf(p));
        }
        std::vector<Primitive> found;
        std::istringstream lines(svg);
        for (std::string line; std::getline(lines, line);) {
            std::string name;
            std::map<std::string, std::string> attributes;
            std::string body;
            if (readElement(line, name, attributes, body))
                found.push_back(primitiveOf(name, attributes, body));
        }
        ASSERT_EQ(expected.size(), found.size()) << "round " << round;
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(describe(expected[i]), describe(found[i])) << "round " << round << ", element " << i;
        EXPECT_NE(std::string::npos, svg.find("width=\"" + std::to_string(drawing.size.width) +
                                              "\" height=\"" + std::to_string(drawing.size.height) +
                                              "\" viewBox=\"0 0 " + std::to_string(drawing.size.width) + " " +
                                              std::to_string(drawing.size.height) + "\""));
    }
}

TEST(SvgCanvas, TextsOfAnyBytesGiveWellFormedDocumentsThatReadersDraw) {
    EXPECT_EQ("a&lt;b&gt;&amp;&quot;\xEF\xBF\xBD\xC4\x8D&#9;\xEF\xBF\xBD",
              xmlText("a<b>&\"\xff\xc4\x8d\t\x01"));
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
              xmlText("\xed\xa0\x80"));  // a surrogate: three bad bytes
    if (!test::haveProgram("xmllint") || !test::haveProgram("rsvg-convert"))
        GTEST_SKIP() << "xmllint or rsvg-convert is not installed";
    test::TempDir dir;
    std::mt19937 rng(61);
    std::string files;
    for (int i = 0; i < 40; ++i) {
        const std::string path = dir.file("c" + std::to_string(i) + ".svg");
        test::writeBytes(path, svgOf(randomDrawing(rng)));
        files += " " + path;
    }
    const test::CommandResult lint = test::runCommand("xmllint --noout" + files);
    EXPECT_EQ(0, lint.status) << lint.output;
    for (int i = 0; i < 40; i += 8) {
        const std::string path = dir.file("c" + std::to_string(i));
        const test::CommandResult drawn =
            test::runCommand("rsvg-convert -o " + path + ".png " + path + ".svg");
        EXPECT_EQ(0, drawn.status) << drawn.output;
        EXPECT_GT(test::readBytes(path + ".png").size(), 100u);
    }
}

}  // namespace
}  // namespace pellisor
