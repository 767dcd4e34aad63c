#include "export/dot_writer.h"

#include "export/buffered_sink.h"
#include "model/file_names.h"
#include "model/usage_mask.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace pellisor {

namespace {

bool isIdentifierByte(unsigned char ch, bool first) {
    if (ch == '_' || ch >= 0x80 || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z')) return true;
    return !first && ch >= '0' && ch <= '9';
}

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char ch) {
            return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// An identifier that is not one of the language's keywords (which match without regard to case).
bool isPlainIdentifier(std::string_view text) {
    if (text.empty()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isIdentifierByte(static_cast<unsigned char>(text[i]), i == 0)) return false;
    }
    static constexpr std::array<std::string_view, 6> kKeywords{"node",    "edge",     "graph",
                                                               "digraph", "subgraph", "strict"};
    for (const std::string_view keyword : kKeywords) {
        if (equalsIgnoringCase(text, keyword)) return false;
    }
    return true;
}

// [-]?(.[0-9]+ | [0-9]+(.[0-9]*)?)
bool isNumeral(std::string_view text) {
    if (!text.empty() && text[0] == '-') text.remove_prefix(1);
    const auto digitsAtStart = [](std::string_view part) {
        std::size_t n = 0;
        while (n < part.size() && isDigit(part[n])) {
            ++n;
        }
        return n;
    };
    const std::size_t whole = digitsAtStart(text);
    text.remove_prefix(whole);
    if (text.empty()) return whole > 0;
    if (text[0] != '.') return false;
    text.remove_prefix(1);
    const std::size_t fraction = digitsAtStart(text);
    return fraction == text.size() && whole + fraction > 0;
}

// The length of the UTF-8 character at the start of `text`, or 0 when it does not start with one
// (a stray byte, an overlong form, a surrogate or a code beyond U+10FFFF).
std::size_t utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
    }
    return length;
}

// Graphviz reads UTF-8, and a stray byte makes it take the whole graph for Latin-1 and write invalid
// UTF-8 into its pictures; its scanner also refuses a text of 16 KB, and a line of text some thousands
// of characters wide cannot be laid out. So a text goes out as UTF-8, every stray byte replaced by
// U+FFFD as the window shows it, cut at kMaxText bytes with an ellipsis, and without NUL bytes, which
// dot refuses.
constexpr std::size_t kMaxText = 1000;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

std::string dotText(std::string_view raw) {
    std::string text;
    std::size_t at = 0;
    while (at < raw.size()) {
        const std::size_t length = utf8Length(raw.substr(at));
        const std::string_view piece = length == 0 ? kReplacement : raw.substr(at, length);
        if (text.size() + piece.size() > kMaxText) {
            // Whole characters come off the end until the ellipsis fits.
            while (!text.empty() && text.size() + kEllipsis.size() > kMaxText) {
                while ((static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
                    text.pop_back();
                text.pop_back();
            }
            text += kEllipsis;
            break;
        }
        if (raw[at] != '\0') text += piece;
        at += length == 0 ? 1 : length;
    }
    return text;
}

// The text between double quotes so that the scanner ends the string at our closing quote. The
// scanner takes \" and \\ as pairs and leaves every other backslash alone, so a text that was already
// well formed (escapes such as \n typed on purpose included) passes unchanged; only a bare quote and a
// lone backslash at the very end get one more backslash.
std::string quoted(std::string_view raw) {
    const std::string text = dotText(raw);
    std::string result = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\\') {
            if (i + 1 == text.size()) {
                result += "\\\\";
            } else if (text[i + 1] == '"' || text[i + 1] == '\\' || text[i + 1] == '\n') {
                result.append(text, i, 2);
                ++i;
            } else {
                result += ch;
            }
        } else if (ch == '"') {
            result += "\\\"";
        } else {
            result += ch;
        }
    }
    return result + "\"";
}

// A name as given when DOT reads it as one token, else quoted.
std::string attributeValue(const std::string& name) {
    const std::string text = dotText(name);
    return isPlainIdentifier(text) || isNumeral(text) ? text : quoted(text);
}

// Only a line feed ends a comment line for DOT; a carriage return goes too, for other readers.
std::string commentText(std::string text) {
    for (char& ch : text) {
        if (ch == '\n' || ch == '\r') ch = ' ';
    }
    return text;
}

// Graphviz reads a colour with ':' or ';' as a list of colours, each with an optional weight after
// ';', and version 2.43 crashes on a list with an empty colour or a weight that is no number. Such a
// list is refused here: the value becomes the default colour. A well-formed list passes.
bool isWeight(std::string_view text) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    const auto digitsOnly = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), isDigit);
    };
    return (!whole.empty() || !fraction.empty()) && digitsOnly(whole) && digitsOnly(fraction);
}

bool isColourListOrPlain(std::string_view text) {
    if (text.find_first_of(":;") == std::string_view::npos) return true;
    for (;;) {
        const std::size_t end = text.find(':');
        std::string_view item = text.substr(0, end);
        const std::size_t weight = item.find(';');
        if (weight != std::string_view::npos) {
            if (!isWeight(item.substr(weight + 1))) return false;
            item = item.substr(0, weight);
        }
        if (item.empty()) return false;
        if (end == std::string_view::npos) return true;
        text.remove_prefix(end + 1);
    }
}

// A colour between double quotes, as every colour has been written; one Graphviz cannot read as a
// colour or colour list safely gives way to the default.
std::string colourValue(const std::string& raw, std::string_view fallback) {
    const std::string text = dotText(raw);
    return quoted(isColourListOrPlain(text) ? std::string_view(text) : fallback);
}

}  // namespace

void writeDotText(const ByteSink& sink, const Chromosome& circuit, const FunctionAssignment& assignment,
                  bool showValues, const std::string& chromosomeFileName, const FunctionStyles& styles) {
    const bool present = circuit.hasConsistentCircuit();
    const std::int32_t inputCount = present ? circuit.inputCount : 0;
    const std::int32_t firstOutput = present ? circuit.firstOutput() : 0;
    const std::int32_t outputCount = present ? circuit.outputCount : 0;
    const auto entry = [&](std::int32_t index) -> const Block& {
        return circuit.blocks[static_cast<std::size_t>(index)];
    };
    const auto inRange = [&](std::int32_t index) { return index >= 0 && index < circuit.blockTotal(); };
    BufferedSink out(sink);
    const auto appendSource = [&](std::int32_t source) {
        out << (source < inputCount ? " in" : " blk") << source;
    };

    out << "#" << commentText(fileNamePart(chromosomeFileName)) << "\n";
    out << "digraph z {\n Node [peripheries=0]\n";

    for (std::int32_t n = 0; n < inputCount; ++n) {
        out << " in" << n << "[fontsize=23";
        if (static_cast<std::size_t>(n) < circuit.inputNames.size()) {
            out << " label=" << attributeValue(circuit.inputNames[static_cast<std::size_t>(n)]);
        }
        out << "]\n";
    }
    out << " {rank=same;";
    for (std::int32_t n = 0; n < inputCount; ++n)
        out << " in" << n;
    out << "}\n\n";

    for (std::int32_t i = inputCount; i < firstOutput; ++i) {
        const Block& block = entry(i);
        if (!block.visible) continue;
        const std::int32_t mask = assignment.usageMask(circuit, i);
        const bool labelled = assignment.hasLabelledInputs(circuit, i);
        const std::string node = "blk" + std::to_string(i);
        const FunctionStyle& style = styles.of(assignment.functionOf(block.function));
        const std::string label =
            style.label ? *style.label : node + "(" + std::to_string(block.function) + ")";
        out << " " << node << "[label=" << quoted(label) << " shape=\"box\" style=filled fontname=\"Arial\" ";
        out << "fillcolor=" << colourValue(style.fillColor, kDefaultFillColor) << " ";
        out << "fontcolor=" << colourValue(style.fontColor, kDefaultFontColor) << " ";
        out << "]\n";

        // Only the first two connections are drawn; a block of arity 1 has just one.
        const std::size_t drawn = std::min<std::size_t>(2, block.inputs.size());
        for (std::size_t k = 0; k < drawn; ++k) {
            const std::int32_t source = block.inputs[k];
            if (!inRange(source) || !entry(source).visible || !readsInput(mask, k)) continue;
            appendSource(source);
            out << " -> " << node;
            if (showValues || labelled) {
                out << "[label=\"";
                if (labelled) out << (k == 0 ? "a" : "b");
                if (labelled && showValues) out << "\\n";
                if (showValues) out << entry(source).value;
                out << "\" fontsize=10]";
            }
            out << "\n";
        }
    }
    out << "\n";

    for (std::int32_t n = 0; n < outputCount; ++n) {
        out << " out" << n << "[fontsize=23";
        if (static_cast<std::size_t>(n) < circuit.outputNames.size()) {
            out << " label=" << attributeValue(circuit.outputNames[static_cast<std::size_t>(n)]);
        }
        out << "]\n";
        const Block& output = entry(firstOutput + n);
        if (output.inputs.empty() || !inRange(output.inputs[0])) continue;
        const std::int32_t source = output.inputs[0];
        appendSource(source);
        out << " -> out" << n;
        if (showValues) out << "[label=\"" << entry(source).value << "\" fontsize=10]";
        out << "\n";
    }
    out << " {rank=same;";
    for (std::int32_t n = 0; n < outputCount; ++n)
        out << " out" << n;
    out << "}\n}\n";
    out.finish();
}

std::string buildDot(const Chromosome& circuit, const FunctionAssignment& assignment, bool showValues,
                     const std::string& chromosomeFileName, const FunctionStyles& styles) {
    return collectText([&](const ByteSink& sink) {
        writeDotText(sink, circuit, assignment, showValues, chromosomeFileName, styles);
    });
}

}  // namespace pellisor
