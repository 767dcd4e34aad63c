#include "export/eps_writer.h"

#include "model/settings_keys.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string_view>
#include <utility>

namespace pellisor {

namespace {

// The drawing procedures for two-input blocks and one-input outputs. blk2 is split where the index
// piece goes in, so that it can be left out when block numbers are not shown.
constexpr std::string_view kSizes =
    "/elw { 30 } def %sirka elementu\n"
    "/elh { 40 } def %vyska elementu\n"
    "/inw { 3 } def %delka vstupu/vystupu\n"
    "/elph { elh 2 div } def %pulvyska\n"
    "/elh3 { elh 3 div } def %tretina vysky\n";

constexpr std::string_view kBoxHead = "\n /blk";
constexpr std::string_view kBoxBody =
    " { % vstupem jsou souradnice horniho leveho, text1 text2\n"
    "   newpath   moveto gsave       %rlineto relativ posuv\n"
    "   elw 0 rlineto            0 elh rlineto           elw neg 0 rlineto           gsave                   "
    "1 1 1 setrgbcolor         fill   grestore   closepath   2 setlinewidth   stroke         grestore ";

constexpr std::string_view kLabel =
    "gsave\n"
    "%FUNKCE\n"
    "/Helvetica findfont 10 scalefont setfont \n"
    "dup %str str \n"
    "stringwidth pop %str wx \n"
    "elw 2 sub %str wx maxx \n"
    "2 1 roll sub %str maxx-wx \n"
    "elh 12 sub %str maxx-wx y \n"
    "rmoveto show \n"
    "grestore ";

constexpr std::string_view kIndex =
    "gsave\n"
    "%INDEX\n"
    "   /Helvetica findfont 10 scalefont setfont elw 3 add elph 3 add rmoveto show grestore ";

constexpr std::string_view kPinsAndWires =
    "gsave      0 elh3 2.5 mul rmoveto %in1\n"
    "   -10 0 rlineto    10 elh3 elh3 add neg rmoveto %in2\n"
    "   -10 0 rlineto     stroke grestore   elw elph rmoveto %out\n"
    "  10 0 rlineto     stroke } def \n"
    "\n"
    " /ln2in2 {  newpath   exch -10 add exch %FROM posun x\n"
    "  elh3 0.5 mul add  moveto %posun y\n"
    "  exch elw 10 add add exch  %TO posun x\n"
    "  elph add %posun y\n"
    "  lineto  stroke } def /ln2in1 {  newpath   exch -10 add exch %FROM posun x\n"
    "  elh3 2.5 mul add  moveto %posun y\n"
    "  exch elw 10 add add exch  %TO posun x\n"
    "  elph add %posun y\n"
    "  lineto  stroke } def \n"
    "\n"
    " /ln1in1 {  newpath   elh add %posun y\n"
    "  moveto   exch elw 10 add add exch  %FROM posun x\n"
    "  elph add   lineto  stroke } def \n"
    "\n";

constexpr std::string_view kTextProcedures =
    "/inout { newpath  elh add %posun y \n"
    "  moveto   gsave       inw 0 rlineto    2 setlinewidth    stroke  grestore  gsave  0 0 0.6 setrgbcolor  "
    "/Helvetica findfont 10 scalefont setfont 0 5 rmoveto show  grestore } def\n"
    "%TEXT aligned to the right\n"
    "/rlabel { gsave 0 0 0.6 setrgbcolor /Helvetica findfont 10 scalefont setfont %str x y \n"
    "3 -1 roll dup%x y str str \n"
    "stringwidth pop %x y str wx \n"
    "3 1 roll%x wx y str \n"
    "4 2 roll%y str x wx \n"
    "sub %y str x_new \n"
    "3 -1 roll%str x_new y \n"
    "moveto show  grestore } def\n"
    "%TEXT aligned to the center\n"
    "/clabel { gsave 0 0 0.6 setrgbcolor /Helvetica findfont 10 scalefont setfont %str x y \n"
    "3 -1 roll dup%x y str str \n"
    "stringwidth pop %x y str wx \n"
    "3 1 roll%x wx y str \n"
    "4 2 roll%y str x wx \n"
    "2 div sub %y str x_new \n"
    "3 -1 roll%str x_new y \n"
    "moveto show  grestore } def\n"
    "\n"
    "\n";

constexpr std::string_view kHiddenColour = " 0.8 0.8 0.8 setrgbcolor \n";
constexpr std::string_view kBlackColour = " 0 0 0 setrgbcolor \n";
constexpr std::string_view kWireColour = " 0 0.7 0 setrgbcolor \n";

// Wires into one-input blocks need a name of their own: ln1in1 is the outputs' wire.
std::string wireProcedure(std::int32_t inputs, std::int32_t input, bool intoBlock) {
    const std::string prefix = intoBlock && inputs == 1 ? " lnb" : " ln";
    return prefix + std::to_string(inputs) + "in" + std::to_string(input);
}

// Height of pin k (1-based, from the top) above the block's lower edge. The height is cut into 2n - 1
// equal slices and the pins sit in the middle of every other one, which is where blk2 puts its two.
std::string pinHeight(std::int32_t inputs, std::int32_t input) {
    if (inputs == 1) return "elph";
    return "elh " + std::to_string(2 * std::int64_t{inputs} - 1) + " div " +
           std::to_string(2 * (std::int64_t{inputs} - input)) + ".5 mul";
}

// blk2 for another number of inputs: the same box, label and index, one pin per input.
void appendBlockProcedure(std::string& out, std::int32_t inputs, bool blockNumbers) {
    out += kBoxHead;
    out += std::to_string(inputs);
    out += kBoxBody;
    out += kLabel;
    if (blockNumbers) out += kIndex;
    for (std::int32_t k = 1; k <= inputs; ++k) {
        out += "gsave      0 " + pinHeight(inputs, k) + " rmoveto %in" + std::to_string(k) +
               "\n   -10 0 rlineto     stroke grestore   ";
    }
    out += "elw elph rmoveto %out\n  10 0 rlineto     stroke } def \n\n";
}

// ln2in1 for another number of inputs: from the destination's pin to the source's output pin.
void appendWireProcedure(std::string& out, std::int32_t inputs, std::int32_t input) {
    out += wireProcedure(inputs, input, true).replace(0, 1, " /");
    out += " {  newpath   exch -10 add exch %FROM posun x\n  ";
    out += pinHeight(inputs, input);
    out +=
        " add  moveto %posun y\n"
        "  exch elw 10 add add exch  %TO posun x\n"
        "  elph add %posun y\n"
        "  lineto  stroke } def \n"
        "\n";
}

// A PostScript string literal. Parentheses and backslashes are escaped so that any text stays one string;
// control bytes are written as escapes so that they cannot break the line structure.
void appendString(std::string& out, std::string_view text) {
    out += '(';
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
            case '(':
            case ')':
            case '\\':
                out += '\\';
                out += ch;
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += ch;
                break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    out += '\\';
                    out += static_cast<char>('0' + (byte >> 6));
                    out += static_cast<char>('0' + ((byte >> 3) & 7));
                    out += static_cast<char>('0' + (byte & 7));
                } else {
                    out += ch;
                }
        }
    }
    out += ") ";
}

bool readsInput(std::int32_t mask, std::size_t k) {
    if (k >= 32) return mask < 0;
    return ((static_cast<std::uint32_t>(mask) >> k) & 1u) != 0;
}

class EpsBuilder {
public:
    EpsBuilder(const Chromosome& circuit, const FunctionAssignment& assignment, const DisplayOptions& options,
               const SettingsFile& settings)
        : circuit_(circuit), assignment_(assignment), options_(options), settings_(settings) {
        // Positions are any int32, so the sizes and the flipped y are kept in 64 bits.
        std::int64_t maxX = 0;
        std::int64_t maxY = 0;
        for (const Block& block : circuit_.blocks) {
            maxX = std::max<std::int64_t>(maxX, block.x);
            maxY = std::max<std::int64_t>(maxY, block.y);
        }
        width_ = maxX + 20;
        height_ = maxY + 40;
    }

    std::string build(const std::string& description) {
        std::string body;
        if (options_.hiddenBlocks) {
            body += kHiddenColour;
            appendBlocks(body, false);
        }
        body += kBlackColour;
        appendBlocks(body, true);
        body += kWireColour;
        if (options_.wiring != WiringMode::DirectOpt) appendWires(body);
        body += kBlackColour;
        appendTerminals(body);
        appendString(body, description);
        body += std::to_string(width_ / 2) + " 0 clabel\n";

        std::string out = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 " + std::to_string(width_) + " " +
                          std::to_string(height_) + "\n";
        out += kSizes;
        out += kBoxHead;
        out += "2";
        out += kBoxBody;
        out += kLabel;
        if (options_.blockNumbers) out += kIndex;
        out += kPinsAndWires;
        out += kTextProcedures;
        // Procedures for other input counts follow the fixed prolog, so that of two inputs stays as it is.
        for (const std::int32_t inputs : blockShapes_) {
            appendBlockProcedure(out, inputs, options_.blockNumbers);
        }
        for (const auto& [inputs, input] : wireShapes_)
            appendWireProcedure(out, inputs, input);
        out += body;
        return out;
    }

private:
    std::int64_t flipped(const Block& block) const { return height_ - 25 - block.y; }
    const Block& entry(std::int32_t index) const { return circuit_.blocks[static_cast<std::size_t>(index)]; }
    std::int32_t firstOutput() const {
        return std::clamp(circuit_.firstOutput(), inputEnd(), circuit_.blockTotal());
    }
    std::int32_t inputEnd() const { return std::clamp(circuit_.inputCount, 0, circuit_.blockTotal()); }

    void appendBlocks(std::string& out, bool visible) {
        for (std::int32_t index = inputEnd(); index < firstOutput(); ++index) {
            const Block& block = entry(index);
            if (block.visible != visible) continue;
            if (options_.blockNumbers) appendString(out, std::to_string(index));
            appendString(out, label(block.function));
            out += std::to_string(block.x) + " " + std::to_string(flipped(block)) + " blk" +
                   std::to_string(block.inputCount) + " \n";
            if (block.inputCount != 2) blockShapes_.insert(block.inputCount);
        }
    }

    std::string label(std::int32_t gene) {
        if (options_.functionLabels) {
            const std::string id = assignment_.functionOf(gene);
            auto found = labels_.find(id);
            if (found == labels_.end()) {
                found =
                    labels_.emplace(id, settings_.readString(settings::kDotSection, "f" + id + "_label", ""))
                        .first;
            }
            if (!found->second.empty()) return found->second;
        }
        return std::to_string(gene);
    }

    void appendWires(std::string& out) {
        const std::int32_t total = circuit_.blockTotal();
        for (std::int32_t target = inputEnd(); target < total; ++target) {
            const Block& destination = entry(target);
            if (!destination.visible) continue;
            const bool intoBlock = target < firstOutput();
            const std::int32_t mask = assignment_.usageMask(circuit_, target);
            const std::size_t count = std::min(destination.inputs.size(),
                                               static_cast<std::size_t>(std::max(destination.inputCount, 0)));
            for (std::size_t k = 0; k < count; ++k) {
                const std::int32_t source = destination.inputs[k];
                if (source < 0 || source >= total || !entry(source).visible || !readsInput(mask, k)) continue;
                const Block& from = entry(source);
                const bool fromInput = circuit_.isPrimaryInput(source);
                out += std::to_string(from.x) + " ";
                if (fromInput) out += "10 elw add sub inw add ";
                out += std::to_string(flipped(from)) + " ";
                if (fromInput) out += "elph add ";
                const auto input = static_cast<std::int32_t>(k + 1);
                out += std::to_string(destination.x) + " " + std::to_string(flipped(destination)) + " " +
                       wireProcedure(destination.inputCount, input, intoBlock) + " % " +
                       std::to_string(source) + "-" + std::to_string(target) + "\n";
                if (intoBlock && destination.inputCount != 2)
                    wireShapes_.emplace(destination.inputCount, input);
            }
        }
    }

    void appendTerminal(std::string& out, const std::vector<std::string>& names, std::int32_t n,
                        std::int32_t index) {
        const auto slot = static_cast<std::size_t>(n);
        appendString(out, slot < names.size() ? names[slot] : std::to_string(n));
        const Block& block = entry(index);
        out += std::to_string(block.x) + " " + std::to_string(flipped(block)) + " inout \n";
    }

    void appendTerminals(std::string& out) {
        for (std::int32_t n = 0; n < inputEnd(); ++n)
            appendTerminal(out, circuit_.inputNames, n, n);
        for (std::int32_t n = 0; n < circuit_.outputCount && firstOutput() + n < circuit_.blockTotal(); ++n) {
            appendTerminal(out, circuit_.outputNames, n, firstOutput() + n);
        }
    }

    const Chromosome& circuit_;
    const FunctionAssignment& assignment_;
    const DisplayOptions& options_;
    const SettingsFile& settings_;
    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    std::map<std::string, std::string> labels_;  // by function identifier text
    std::set<std::int32_t> blockShapes_;         // input counts other than 2 that block lines use
    std::set<std::pair<std::int32_t, std::int32_t>> wireShapes_;  // (input count, input) of those wires
};

}  // namespace

std::string buildEps(const Chromosome& circuit, const FunctionAssignment& assignment,
                     const DisplayOptions& options, const std::string& description,
                     const SettingsFile& settings) {
    // Without a circuit the header counts may be stale; the text is that of an empty circuit.
    static const Chromosome kEmpty;
    return EpsBuilder(circuit.hasCircuit() ? circuit : kEmpty, assignment, options, settings)
        .build(description);
}

}  // namespace pellisor
