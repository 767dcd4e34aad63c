// The EPS, DOT and VHDL writers and the renderer over a fuzzed circuit with fuzzed texts.
//
// Input: two bytes (the display options; the wiring mode, values in DOT, dragging, a symbol sheet, stale
// header counts without a circuit, evaluation), eight bytes of a part of the canvas to draw alone (left
// and top, 16 bits each, times 8; width and height, 16 bits each), then up to NULs a chromosome line, the
// description (also the chromosome file's name), set.ini's bytes (labels, colours, the assignment), the
// input names and the output names separated by ',', and last, per entry, a byte of edits (hidden, mark,
// new x, y and value, each of those four bytes).
#include "fuzz_support.h"

#include "app/settings.h"
#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "export/dot_writer.h"
#include "export/eps_writer.h"
#include "export/vhdl_writer.h"
#include "model/error.h"
#include "model/settings_file.h"
#include "render/display_options.h"
#include "render/geometry.h"
#include "render/renderer.h"
#include "support/recording_canvas.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace pellisor;
using pellisor::fuzz::printable;

// Wires and register chains grow with the square of the circuit in the worst case.
constexpr std::int32_t kMaxEntries = 2048;

std::vector<std::string> namesOf(std::string_view text) {
    std::vector<std::string> names;
    if (text.empty()) return names;
    for (;;) {
        const auto comma = text.find(',');
        names.emplace_back(text.substr(0, comma));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return names;
}

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool isAsciiLetter(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

// --- EPS: a PostScript scanner that knows strings, comments, procedures and names ---

bool isPostScriptDelimiter(char ch) {
    return ch == '(' || ch == ')' || ch == '<' || ch == '>' || ch == '[' || ch == ']' || ch == '{' ||
           ch == '}' || ch == '/' || ch == '%';
}

bool isPostScriptSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f' || ch == '\0';
}

// Names the writer makes up per input count, which must have been defined before they are used.
bool isShapeProcedure(const std::string& name) {
    std::size_t at = 0;
    const auto digits = [&]() {
        const std::size_t start = at;
        while (at < name.size() && isDigit(name[at]))
            ++at;
        return at > start;
    };
    const auto word = [&](std::string_view w) {
        if (name.compare(at, w.size(), w) != 0) return false;
        at += w.size();
        return true;
    };
    if (word("blk")) return digits() && at == name.size();
    at = 0;
    if (!word("ln")) return false;
    word("b");
    return digits() && word("in") && digits() && at == name.size();
}

void checkEps(const std::string& text, const std::string& description) {
    FUZZ_CHECK(text.starts_with("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 "), "EPS header");
    std::vector<std::string> strings;  // every literal, unescaped
    std::set<std::string> defined;
    std::vector<std::string> used;
    int procedures = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char ch = text[i];
        if (ch == '%') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (ch == '(') {
            std::string literal;
            int depth = 1;
            ++i;
            for (;;) {
                FUZZ_CHECK(i < text.size(), "a string literal does not end");
                const char c = text[i];
                FUZZ_CHECK(c != '\n' && c != '\r', "a line break inside a string literal");
                if (c == '\\') {
                    FUZZ_CHECK(i + 1 < text.size(), "a backslash at the end");
                    const char e = text[i + 1];
                    i += 2;
                    if (e >= '0' && e <= '7') {
                        int value = e - '0';
                        for (int n = 0; n < 2 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++n)
                            value = value * 8 + (text[i++] - '0');
                        literal += static_cast<char>(value);
                    } else {
                        const std::map<char, char> escapes{
                            {'n', '\n'}, {'r', '\r'}, {'t', '\t'}, {'b', '\b'}, {'f', '\f'}};
                        const auto found = escapes.find(e);
                        literal += found == escapes.end() ? e : found->second;
                    }
                    continue;
                }
                ++i;
                if (c == '(') ++depth;
                if (c == ')' && --depth == 0) break;
                literal += c;
            }
            strings.push_back(literal);
        } else if (ch == ')') {
            fuzz::fail(__FILE__, __LINE__, "a ')' outside any string at " + std::to_string(i));
        } else if (ch == '{') {
            ++procedures;
            ++i;
        } else if (ch == '}') {
            FUZZ_CHECK(--procedures >= 0, "a '}' closes no procedure");
            ++i;
        } else if (isPostScriptSpace(ch) || ch == '[' || ch == ']' || ch == '<' || ch == '>') {
            ++i;
        } else {
            const bool definition = ch == '/';
            if (definition) ++i;
            const std::size_t start = i;
            while (i < text.size() && !isPostScriptSpace(text[i]) && !isPostScriptDelimiter(text[i]))
                ++i;
            const std::string name = text.substr(start, i - start);
            if (definition) {
                defined.insert(name);
            } else if (isShapeProcedure(name)) {
                used.push_back(name);
            }
        }
    }
    FUZZ_CHECK(procedures == 0, "procedures left open");
    for (const std::string& name : used)
        FUZZ_CHECK(defined.count(name) != 0, name + " is used but not defined");
    FUZZ_CHECK(!strings.empty() && strings.back() == description,
               "the caption reads " + printable(strings.back()));
}

// --- DOT: quoted strings, brackets and braces, the header ---

void checkDot(const std::string& text) {
    FUZZ_CHECK(text.starts_with("#"), "DOT first line");
    const auto firstEnd = text.find('\n');
    FUZZ_CHECK(firstEnd != std::string::npos, "no line end");
    FUZZ_CHECK(text.substr(0, firstEnd).find('\r') == std::string::npos, "a CR in the comment line");
    FUZZ_CHECK(text.compare(firstEnd + 1, 12, "digraph z {\n") == 0, "the graph header");
    FUZZ_CHECK(text.ends_with("}\n"), "the graph's end");
    std::vector<char> open;
    bool lineStart = false;
    for (std::size_t i = firstEnd + 1; i < text.size(); ++i) {
        const char ch = text[i];
        FUZZ_CHECK(!(lineStart && ch == '#'), "a line taken as a preprocessor line");
        lineStart = ch == '\n';
        if (ch == '"') {
            for (++i;; ++i) {
                FUZZ_CHECK(i < text.size(), "a quoted string does not end");
                FUZZ_CHECK(text[i] != '\0', "a NUL in a quoted string");
                if (text[i] == '\\') {
                    FUZZ_CHECK(i + 1 < text.size(), "a backslash at the end");
                    ++i;
                } else if (text[i] == '"') {
                    break;
                }
            }
            // A quoted string must be followed by a separator, not glued to the next token.
            FUZZ_CHECK(
                i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == ']' || text[i + 1] == '\n'),
                "text after a quoted string");
        } else if (ch == '{' || ch == '[') {
            open.push_back(ch);
        } else if (ch == '}' || ch == ']') {
            FUZZ_CHECK(!open.empty() && open.back() == (ch == '}' ? '{' : '['),
                       "unbalanced " + std::string(1, ch));
            open.pop_back();
        } else if (ch == '/' && i + 1 < text.size() && (text[i + 1] == '/' || text[i + 1] == '*')) {
            fuzz::fail(__FILE__, __LINE__, "a comment opened outside quotes");
        } else if (ch == '=' && i + 1 < text.size() && text[i + 1] != '"') {
            // A bare value: one identifier or numeral.
            std::size_t end = i + 1;
            while (end < text.size() && text[end] != ' ' && text[end] != ']' && text[end] != '\n' &&
                   text[end] != ';')
                ++end;
            const std::string value = text.substr(i + 1, end - i - 1);
            FUZZ_CHECK(!value.empty(), "an empty bare value");
            bool identifier = !isDigit(value[0]);
            for (const char c : value) {
                const auto byte = static_cast<unsigned char>(c);
                identifier = identifier && (isAsciiLetter(c) || isDigit(c) || c == '_' || byte >= 0x80);
            }
            std::size_t at = value[0] == '-' ? 1 : 0;
            std::size_t digits = 0;
            while (at < value.size() && isDigit(value[at]))
                ++at, ++digits;
            if (at < value.size() && value[at] == '.') {
                ++at;
                while (at < value.size() && isDigit(value[at]))
                    ++at, ++digits;
            }
            const bool numeral = at == value.size() && digits > 0;
            FUZZ_CHECK(identifier || numeral, "bare value " + printable(value));
        }
    }
    FUZZ_CHECK(open.empty(), "brackets left open");
}

// --- VHDL: statement ends, parentheses, declarations, drivers ---

std::string_view withoutComment(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (!quoted && line.compare(i, 2, "--") == 0) return line.substr(0, i);
    }
    return line;
}

std::string_view stripped(std::string_view line) {
    const auto begin = line.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    return line.substr(begin, line.find_last_not_of(' ') - begin + 1);
}

bool isVhdlIdentifier(std::string_view name) {
    if (name.empty() || !isAsciiLetter(name[0]) || name.back() == '_') return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char ch = name[i];
        if (!isAsciiLetter(ch) && !isDigit(ch) && ch != '_') return false;
        if (ch == '_' && i + 1 < name.size() && name[i + 1] == '_') return false;
    }
    return true;
}

// The signal names (sig_...) a line mentions, with where they stand.
std::vector<std::pair<std::string, std::size_t>> signalsIn(std::string_view line) {
    std::vector<std::pair<std::string, std::size_t>> found;
    for (std::size_t at = line.find("sig_"); at != std::string_view::npos; at = line.find("sig_", at + 1)) {
        if (at > 0 && (isAsciiLetter(line[at - 1]) || isDigit(line[at - 1]) || line[at - 1] == '_')) continue;
        std::size_t end = at;
        while (end < line.size() && (isAsciiLetter(line[end]) || isDigit(line[end]) || line[end] == '_'))
            ++end;
        found.emplace_back(std::string(line.substr(at, end - at)), at);
        at = end - 1;
    }
    return found;
}

void checkVhdl(const std::string& text) {
    FUZZ_CHECK(text.starts_with("--") && text.ends_with("end main;\n"), "VHDL frame");
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        const auto end = text.find('\n', start);
        lines.push_back(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
    FUZZ_CHECK(lines[0].find_first_of("\r\v\f") == std::string_view::npos, "the comment line breaks");

    std::set<std::string> inputs;
    std::set<std::string> outputs;
    std::set<std::string> signals;
    std::set<std::string> labels;
    std::map<std::string, int> drivers;
    std::vector<std::string> read;
    int parentheses = 0;
    bool inBody = false;
    bool inPorts = false;
    for (std::size_t n = 1; n < lines.size(); ++n) {
        const std::string_view line = stripped(withoutComment(lines[n]));
        if (line.empty()) continue;
        const std::string where = "VHDL line " + std::to_string(n + 1) + ": " + printable(line);
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '"') {
                const auto close = line.find('"', i + 1);
                FUZZ_CHECK(close != std::string_view::npos, where);
                i = close;
            } else if (line[i] == '(') {
                ++parentheses;
            } else if (line[i] == ')') {
                FUZZ_CHECK(--parentheses >= 0, where);
            }
        }
        // A line ends its statement or element, opens a list, or is the last element before ')'.
        std::size_t next = n + 1;
        while (next < lines.size() && stripped(withoutComment(lines[next])).empty())
            ++next;
        const bool beforeClose =
            next < lines.size() && stripped(withoutComment(lines[next])).starts_with(")");
        const char last = line.back();
        if (beforeClose) {
            FUZZ_CHECK(last != ',' && last != ';' && last != '(', where + " before ')'");
        } else {
            FUZZ_CHECK(last == ';' || last == ',' || last == '(' || line.ends_with(" is") || line == "begin",
                       where);
        }

        if (line == "port(") inPorts = true;
        if (inPorts && line.starts_with(")")) inPorts = false;
        if (line == "begin") inBody = true;
        const auto names = signalsIn(line);
        for (const auto& [name, at] : names)
            FUZZ_CHECK(isVhdlIdentifier(name), where);
        if (inPorts && !names.empty()) {
            const bool input = line.find(" : in ") != std::string_view::npos;
            FUZZ_CHECK((input ? inputs : outputs).insert(names[0].first).second, where + " declared twice");
            continue;
        }
        if (!inBody) {
            if (line.starts_with("signal ")) {
                FUZZ_CHECK(!names.empty() && names[0].second == 7, where);
                FUZZ_CHECK(signals.insert(names[0].first).second, where + " declared twice");
            }
            continue;
        }
        if (const auto colon = line.find(": entity "); colon != std::string_view::npos) {
            const std::string label(line.substr(0, colon));
            FUZZ_CHECK(isVhdlIdentifier(label) && labels.insert(label).second, where + " label");
        }
        for (const auto& [name, at] : names) {
            const bool drives = (at == 0 && line.find(" <= ") == name.size()) || line.starts_with("Q ");
            if (drives) {
                ++drivers[name];
            } else {
                read.push_back(name);
            }
        }
    }
    FUZZ_CHECK(parentheses == 0, "parentheses left open");
    for (const auto& [name, count] : drivers) {
        FUZZ_CHECK(signals.count(name) != 0 || outputs.count(name) != 0, name + " driven but not declared");
        FUZZ_CHECK(count == 1, name + " has " + std::to_string(count) + " drivers");
    }
    for (const std::string& name : read) {
        FUZZ_CHECK(inputs.count(name) != 0 || (signals.count(name) != 0 && drivers.count(name) != 0),
                   name + " read but not an input or a driven signal");
    }
    for (const std::string& name : outputs)
        FUZZ_CHECK(drivers.count(name) != 0, name + " never driven");
}

// --- the renderer ---

using Primitive = test::RecordingCanvas::Primitive;

// The same primitive in the same state as far as its pixels go: boxes by pen and brush, lines by pen,
// texts by font; a symbol is a plain copy.
bool samePrimitive(const Primitive& a, const Primitive& b) {
    if (a.kind != b.kind || a.x1 != b.x1 || a.y1 != b.y1 || a.x2 != b.x2 || a.y2 != b.y2 ||
        a.text != b.text) {
        return false;
    }
    const bool pen = a.pen == b.pen && a.penWidth == b.penWidth;
    const bool brush = a.brush == b.brush && a.brushSolid == b.brushSolid;
    if (a.kind == "fill") return brush;
    if (a.kind == "rect") return pen && brush;
    if (a.kind == "line") return pen;
    if (a.kind == "text") return a.fontSize == b.fontSize && a.fontColor == b.fontColor;
    return true;
}

// Whether a primitive certainly colours a pixel of the area: boxes that overlap it, lines that cross
// it, texts whose cells (point size wide and high per character) overlap it.
bool colours(const Primitive& p, const CanvasArea& area) {
    const auto overlaps = [&](std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
        return x1 < area.right && x2 > area.left && y1 < area.bottom && y2 > area.top;
    };
    if (p.kind == "fill" || p.kind == "symbol") return overlaps(p.x1, p.y1, p.x2, p.y2);
    if (p.kind == "rect") {
        return overlaps(std::min(p.x1, p.x2), std::min(p.y1, p.y2), std::int64_t{std::max(p.x1, p.x2)} + 1,
                        std::int64_t{std::max(p.y1, p.y2)} + 1);
    }
    if (p.kind == "text") {
        const std::int64_t width = static_cast<std::int64_t>(p.text.size()) * p.fontSize;
        return overlaps(p.x1, p.y1, p.x1 + width, std::int64_t{p.y1} + p.fontSize);
    }
    // A segment against the pixels [left, right - 1] x [top, bottom - 1], clipped parametrically.
    double low = 0;
    double high = 1;
    const double dx = double(p.x2) - p.x1;
    const double dy = double(p.y2) - p.y1;
    const auto clip = [&](double direction, double distance) {
        if (direction == 0) return distance >= 0;
        const double t = distance / direction;
        if (direction < 0) {
            low = std::max(low, t);
        } else {
            high = std::min(high, t);
        }
        return low <= high;
    };
    return clip(-dx, p.x1 - double(area.left)) && clip(dx, double(area.right) - 1 - p.x1) &&
           clip(-dy, p.y1 - double(area.top)) && clip(dy, double(area.bottom) - 1 - p.y1);
}

// A drawing of a part holds the whole drawing's primitives in their order, each in the same state, and
// every one of them that colours the part.
std::string describe(const Primitive& p) {
    const auto colour = [](Color c) {
        return std::to_string(c.red) + "/" + std::to_string(c.green) + "/" + std::to_string(c.blue);
    };
    return p.kind + " " + printable(p.text) + " " + std::to_string(p.x1) + "," + std::to_string(p.y1) + " " +
           std::to_string(p.x2) + "," + std::to_string(p.y2) + " pen " + colour(p.pen) + " width " +
           std::to_string(p.penWidth) + " brush " + colour(p.brush) + (p.brushSolid ? " solid" : " none") +
           " font " + std::to_string(p.fontSize) + " " + colour(p.fontColor);
}

void checkPart(const test::RecordingCanvas& whole, const test::RecordingCanvas& part,
               const CanvasArea& area) {
    const auto& all = whole.primitives;
    const auto& some = part.primitives;
    // PELLISOR_FUZZ_DUMP set: both drawings go to stderr, to see where they part.
    if (std::getenv("PELLISOR_FUZZ_DUMP") != nullptr) {
        std::fprintf(stderr, "area %d,%d %d,%d\n", area.left, area.top, area.right, area.bottom);
        for (const Primitive& p : all)
            std::fprintf(stderr, "whole %s\n", describe(p).c_str());
        for (const Primitive& p : some)
            std::fprintf(stderr, "part  %s\n", describe(p).c_str());
    }
    std::vector<bool> drawn(all.size(), false);
    // Matched from the end, so that of repeated primitives the last ones count.
    std::size_t j = some.size();
    for (std::size_t i = all.size(); i-- > 0 && j > 0;) {
        if (samePrimitive(all[i], some[j - 1])) {
            drawn[i] = true;
            --j;
        }
    }
    FUZZ_CHECK(j == 0, "the part drew " + describe(some[j - 1]) + " out of the whole drawing's order");
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (drawn[i] || !colours(all[i], area)) continue;
        bool later = false;
        for (std::size_t k = i + 1; k < all.size() && !later; ++k)
            later = drawn[k] && samePrimitive(all[k], all[i]);
        FUZZ_CHECK(later, "the part left out " + describe(all[i]));
    }
}

void checkDrawing(const test::RecordingCanvas& canvas, const Scene& scene) {
    FUZZ_CHECK(!canvas.primitives.empty(), "nothing drawn");
    const auto& clear = canvas.primitives.front();
    FUZZ_CHECK(clear.kind == "fill" && clear.x1 == 0 && clear.y1 == 0 && clear.x2 == scene.imageSize.width &&
                   clear.y2 == scene.imageSize.height,
               "the picture does not begin with its clear");
    if (!scene.circuit.hasCircuit()) {
        FUZZ_CHECK(canvas.primitives.size() == (scene.options.footer ? 4u : 1u),
                   "a drawing without a circuit");
    }
    for (const auto& p : canvas.primitives) {
        if (p.kind == "symbol")
            FUZZ_CHECK(scene.options.symbols && scene.symbols.width > 0, "a symbol without a sheet");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::uint8_t optionBits = input.byte();
    const std::uint8_t modeBits = input.byte();
    const auto half = [&input] { return static_cast<std::int16_t>(input.byte() | input.byte() << 8); };
    CanvasArea area;
    area.left = half() * 8;
    area.top = half() * 8;
    area.right = area.left + static_cast<std::uint16_t>(half());
    area.bottom = area.top + static_cast<std::uint16_t>(half());
    const std::string_view line = input.part();
    const std::string description(input.part());
    const std::string_view settingsBytes = input.part();
    const std::string_view inputNames = input.part();
    const std::string_view outputNames = input.part();

    DisplayOptions options;
    options.blockNumbers = (optionBits & 1) != 0;
    options.hiddenBlocks = (optionBits & 2) != 0;
    options.hiddenWires = (optionBits & 4) != 0;
    options.values = (optionBits & 8) != 0;
    options.footer = (optionBits & 16) != 0;
    options.symbols = (optionBits & 32) != 0;
    options.functionLabels = (optionBits & 64) != 0;
    const WiringMode modes[] = {WiringMode::Direct, WiringMode::Direct2, WiringMode::DirectOpt};
    options.wiring = modes[(modeBits & 3) % 3];
    const bool dotValues = (modeBits & 4) != 0;
    const bool dragging = (modeBits & 8) != 0;
    const bool sheet = (modeBits & 16) != 0;
    const bool stale = (modeBits & 32) != 0;
    const bool evaluated = (modeBits & 64) != 0;

    Chromosome circuit;
    if (auto parsed = fuzz::placedCircuit(line, kMaxEntries)) {
        circuit = std::move(*parsed);
    } else if (!stale) {
        return 0;
    } else {
        // After a failed parse the counts of the circuit drawn before may remain, with nothing behind them.
        circuit.inputCount = input.byte() | input.byte() << 8;
        circuit.outputCount = input.byte();
        circuit.columns = 1 + input.byte();
        circuit.rows = 1 + input.byte();
        circuit.arity = 1 + input.byte() % 3;
    }
    circuit.inputNames = namesOf(inputNames);
    circuit.outputNames = namesOf(outputNames);

    static const std::string kSettingsPath = fuzz::scratchFile("set.ini");
    fuzz::writeBytes(kSettingsPath, settingsBytes);
    const SettingsFile settings(kSettingsPath);
    FunctionAssignment assignment;
    assignment.loadAssignment(settings);
    if (evaluated) {
        try {
            evaluate(circuit, assignment);
        } catch (const Error&) {
            // A gene without a row or a multiplexer in a two-input circuit: the values stay as they were.
        }
    }
    computeDepths(circuit, assignment);

    for (Block& block : circuit.blocks) {
        if (input.empty()) break;
        const std::uint8_t edits = input.byte();
        block.visible = (edits & 1) == 0;
        block.mark = (edits >> 1) & 3;
        if (block.mark == 3) block.mark = kMarkNone;
        if ((edits & 8) != 0) block.x = input.int32();
        if ((edits & 16) != 0) block.y = input.int32();
        if ((edits & 32) != 0) block.value = input.int32();
    }

    checkEps(buildEps(circuit, assignment, options, description, readFunctionLabels(settings, assignment)),
             description);
    checkDot(buildDot(circuit, assignment, dotValues, description, readFunctionStyles(settings, assignment)));
    checkVhdl(buildVhdl(circuit, description));

    const Scene scene{circuit,
                      assignment,
                      options,
                      readFunctionLabels(settings, assignment),
                      fitCanvasSize(circuit, options.hiddenBlocks, options.footer, {600, 400}),
                      description,
                      "8.12.2025 3:14:15",
                      dragging,
                      sheet ? SymbolSheet{kSymbolWidth * 51, kSymbolHeight} : SymbolSheet{}};
    test::RecordingCanvas canvas;
    drawCircuit(canvas, scene);
    checkDrawing(canvas, scene);
    test::RecordingCanvas part;
    drawCircuit(part, scene, area);
    checkPart(canvas, part, area);

    for (const std::int32_t index : {-1, 0, circuit.blockTotal() - 1, circuit.blockTotal()}) {
        test::RecordingCanvas frame;
        drawDragFrame(frame, circuit, index);
        const bool inside = index >= 0 && index < circuit.blockTotal();
        FUZZ_CHECK(frame.primitives.size() == (inside ? 1u : 0u), "drag frame of " + std::to_string(index));
    }
    return 0;
}
