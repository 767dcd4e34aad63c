#include "export/dot_writer.h"

#include "model/file_names.h"
#include "model/settings_keys.h"

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

// The text between double quotes so that the scanner ends the string at our closing quote. The
// scanner takes \" and \\ as pairs and leaves every other backslash alone, so a text that was already
// well formed (escapes such as \n typed on purpose included) passes unchanged; only a bare quote and a
// lone backslash at the very end get one more backslash. NUL bytes, which dot refuses, are dropped.
std::string quoted(std::string_view raw) {
    std::string text;
    for (const char ch : raw) {
        if (ch != '\0') text += ch;
    }
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
    return isPlainIdentifier(name) || isNumeral(name) ? name : quoted(name);
}

// Only a line feed ends a comment line for DOT; a carriage return goes too, for other readers.
std::string commentText(std::string text) {
    for (char& ch : text) {
        if (ch == '\n' || ch == '\r') ch = ' ';
    }
    return text;
}


}  // namespace

std::string buildDot(const Chromosome& circuit, const FunctionAssignment& assignment, bool showValues,
                     const std::string& chromosomeFileName, const SettingsFile& settings) {
    const bool present = circuit.hasConsistentCircuit();
    const std::int32_t inputCount = present ? circuit.inputCount : 0;
    const std::int32_t firstOutput = present ? circuit.firstOutput() : 0;
    const std::int32_t outputCount = present ? circuit.outputCount : 0;
    const auto entry = [&](std::int32_t index) -> const Block& {
        return circuit.blocks[static_cast<std::size_t>(index)];
    };
    const auto inRange = [&](std::int32_t index) { return index >= 0 && index < circuit.blockTotal(); };
    const auto sourceName = [&](std::int32_t source) {
        return (source < inputCount ? " in" : " blk") + std::to_string(source);
    };

    std::string text = "#" + commentText(fileNamePart(chromosomeFileName)) + "\n";
    text += "digraph z {\n Node [peripheries=0]\n";

    for (std::int32_t n = 0; n < inputCount; ++n) {
        text += " in" + std::to_string(n) + "[fontsize=23";
        if (static_cast<std::size_t>(n) < circuit.inputNames.size()) {
            text += " label=" + attributeValue(circuit.inputNames[static_cast<std::size_t>(n)]);
        }
        text += "]\n";
    }
    text += " {rank=same;";
    for (std::int32_t n = 0; n < inputCount; ++n) {
        text += " in" + std::to_string(n);
    }
    text += "}\n\n";

    for (std::int32_t i = inputCount; i < firstOutput; ++i) {
        const Block& block = entry(i);
        if (!block.visible) continue;
        const std::int32_t mask = assignment.usageMask(circuit, i);
        const bool labelled = assignment.hasLabelledInputs(circuit, i);
        const std::string node = "blk" + std::to_string(i);
        const std::string prefix = "f" + assignment.functionOf(block.function);
        const std::string label = settings.readString(settings::kDotSection, prefix + "_label",
                                                      node + "(" + std::to_string(block.function) + ")");
        text += " " + node + "[label=" + quoted(label) + " shape=\"box\" style=filled fontname=\"Arial\" ";
        text += "fillcolor=" +
                quoted(settings.readString(settings::kDotSection, prefix + "_fillcolor",
                                           settings::kFillColorFallback)) +
                " ";
        text += "fontcolor=" +
                quoted(settings.readString(settings::kDotSection, prefix + "_fontcolor",
                                           settings::kFontColorFallback)) +
                " ";
        text += "]\n";

        // Only the first two connections are drawn; a block of arity 1 has just one.
        const std::size_t drawn = std::min<std::size_t>(2, block.inputs.size());
        for (std::size_t k = 0; k < drawn; ++k) {
            const std::int32_t source = block.inputs[k];
            if (!inRange(source) || !entry(source).visible || (mask & (1 << k)) == 0) continue;
            text += sourceName(source) + " -> " + node;
            if (showValues || labelled) {
                text += "[label=\"";
                if (labelled) text += k == 0 ? "a" : "b";
                if (labelled && showValues) text += "\\n";
                if (showValues) text += std::to_string(entry(source).value);
                text += "\" fontsize=10]";
            }
            text += "\n";
        }
    }
    text += "\n";

    for (std::int32_t n = 0; n < outputCount; ++n) {
        const std::string node = "out" + std::to_string(n);
        text += " " + node + "[fontsize=23";
        if (static_cast<std::size_t>(n) < circuit.outputNames.size()) {
            text += " label=" + attributeValue(circuit.outputNames[static_cast<std::size_t>(n)]);
        }
        text += "]\n";
        const Block& output = entry(firstOutput + n);
        if (output.inputs.empty() || !inRange(output.inputs[0])) continue;
        const std::int32_t source = output.inputs[0];
        text += sourceName(source) + " -> " + node;
        if (showValues) text += "[label=\"" + std::to_string(entry(source).value) + "\" fontsize=10]";
        text += "\n";
    }
    text += " {rank=same;";
    for (std::int32_t n = 0; n < outputCount; ++n) {
        text += " out" + std::to_string(n);
    }
    text += "}\n}\n";
    return text;
}

}  // namespace pellisor
