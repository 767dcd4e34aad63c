#include "export/eps_writer.h"

#include "export/buffered_sink.h"
#include "export/eps_text_box.h"
#include "export/latin2_helvetica.h"
#include "model/usage_mask.h"
#include "render/geometry.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string_view>
#include <utility>

namespace pellisor {

namespace {

// The drawing procedures for two-input blocks and one-input outputs. blk2 is split where the index
// piece goes in, so that it can be left out when block numbers are not shown. The sizes of a block
// are those of the schematic; the procedures draw pins of its pin length.
static_assert(kPinLength == 10, "the prolog's procedures draw pins 10 units long");
constexpr std::string_view kSizes =
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

// The page reaches this far beyond the largest anchors; y is flipped about the page height less
// kFlipShift.
constexpr std::int64_t kPageMarginRight = 20;
constexpr std::int64_t kPageMarginTop = 40;
constexpr std::int64_t kFlipShift = 25;

constexpr std::string_view kHiddenColour = " 0.8 0.8 0.8 setrgbcolor \n";
constexpr std::string_view kBlackColour = " 0 0 0 setrgbcolor \n";
constexpr std::string_view kWireColour = " 0 0.7 0 setrgbcolor \n";

// Wires into one-input blocks need a name of their own: ln1in1 is the outputs' wire.
void appendWireProcedureName(BufferedSink& out, std::int32_t inputs, std::int32_t input, bool intoBlock) {
    out << (intoBlock && inputs == 1 ? "lnb" : "ln") << inputs << "in" << input;
}

// Height of pin k (1-based, from the top) above the block's lower edge. The height is cut into 2n - 1
// equal slices and the pins sit in the middle of every other one, which is where blk2 puts its two.
void appendPinHeight(BufferedSink& out, std::int32_t inputs, std::int32_t input) {
    if (inputs == 1) {
        out << "elph";
        return;
    }
    out << "elh " << 2 * std::int64_t{inputs} - 1 << " div " << 2 * (std::int64_t{inputs} - input)
        << ".5 mul";
}

// blk2 for another number of inputs: the same box, label and index, one pin per input.
void appendBlockProcedure(BufferedSink& out, std::int32_t inputs, bool blockNumbers) {
    out << kBoxHead << inputs << kBoxBody << kLabel;
    if (blockNumbers) out << kIndex;
    for (std::int32_t k = 1; k <= inputs; ++k) {
        out << "gsave      0 ";
        appendPinHeight(out, inputs, k);
        out << " rmoveto %in" << k << "\n   -10 0 rlineto     stroke grestore   ";
    }
    out << "elw elph rmoveto %out\n  10 0 rlineto     stroke } def \n\n";
}

// ln2in1 for another number of inputs: from the destination's pin to the source's output pin.
void appendWireProcedure(BufferedSink& out, std::int32_t inputs, std::int32_t input) {
    out << " /";
    appendWireProcedureName(out, inputs, input, true);
    out << " {  newpath   exch -10 add exch %FROM posun x\n  ";
    appendPinHeight(out, inputs, input);
    out << " add  moveto %posun y\n"
           "  exch elw 10 add add exch  %TO posun x\n"
           "  elph add %posun y\n"
           "  lineto  stroke } def \n"
           "\n";
}

// The font the texts are set in; texts beyond ASCII need it in ISO Latin-2.
constexpr std::string_view kFont = "/Helvetica ";
constexpr std::string_view kLatin2FontName = "Helvetica-Latin2";

// The sizes and places of the texts, relative to the point the procedures are given.
constexpr double kTextSize = 10;
constexpr double kLabelEndX = kBlockWidth - 2;  // a block's label ends here, its baseline 12 under the top
constexpr double kLabelBaseline = kBlockHeight - 12;
constexpr double kIndexX = kBlockWidth + 3;  // a block's index, above its output pin
constexpr double kIndexBaseline = kBlockHeight / 2 + 3;
constexpr double kNameBaseline = kBlockHeight + 5;  // a terminal's name, above its stub

// A piece of the prolog, its font renamed to the Latin-2 one when the texts need it.
void appendProlog(BufferedSink& out, std::string_view piece, bool latin2) {
    if (!latin2) {
        out << piece;
        return;
    }
    for (std::size_t at = 0;;) {
        const std::size_t found = piece.find(kFont, at);
        out << piece.substr(at, found - at);
        if (found == std::string_view::npos) return;
        out << "/" << kLatin2FontName << " ";
        at = found + kFont.size();
    }
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
}

// A PostScript string literal. Parentheses and backslashes are escaped so that any text stays one string;
// control bytes are written as escapes so that they cannot break the line structure. With the Latin-2
// font the text is converted to it first.
void appendString(BufferedSink& out, std::string_view utf8, bool latin2 = false) {
    const std::string converted = latin2 ? latin2Bytes(utf8) : std::string();
    const std::string_view text = latin2 ? std::string_view(converted) : utf8;
    out << '(';
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
            case '(':
            case ')':
            case '\\':
                out << '\\' << ch;
                break;
            case '\n':
                out << "\\n";
                break;
            case '\r':
                out << "\\r";
                break;
            case '\t':
                out << ch;
                break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    out << '\\' << static_cast<char>('0' + (byte >> 6))
                        << static_cast<char>('0' + ((byte >> 3) & 7)) << static_cast<char>('0' + (byte & 7));
                } else {
                    out << ch;
                }
        }
    }
    out << ") ";
}

class EpsWriter {
public:
    EpsWriter(const Chromosome& circuit, const FunctionAssignment& assignment, const DisplayOptions& options,
              const FunctionStyles& functions)
        : circuit_(circuit), assignment_(assignment), options_(options), functions_(functions) {
        // Positions are any int32, so the sizes and the flipped y are kept in 64 bits.
        std::int64_t maxX = 0;
        std::int64_t maxY = 0;
        for (const Block& block : circuit_.blocks) {
            maxX = std::max<std::int64_t>(maxX, block.x);
            maxY = std::max<std::int64_t>(maxY, block.y);
        }
        width_ = maxX + kPageMarginRight;
        height_ = maxY + kPageMarginTop;
    }

    void write(BufferedSink& out, const std::string& description) {
        // The prolog names every procedure the lines use, so one pass over the lines finds them first.
        collectShapes();
        latin2_ = !forEachText(description, [](std::string_view text, double, double, TextAlign, bool) {
            return isAscii(text);
        });
        const EpsTextBox box = textBox(description);
        // The box's lower-left corner stays at (0, 0): texts reaching left of or below it move the drawing.
        out << "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 " << box.right() - box.left() << " "
            << box.top() - box.bottom() << "\n";
        if (box.left() < 0 || box.bottom() < 0) out << -box.left() << " " << -box.bottom() << " translate\n";
        if (latin2_) out << latin2FontDefinition(kFont.substr(1, kFont.size() - 2), kLatin2FontName);
        out << "/elw { " << kBlockWidth << " } def %sirka elementu\n";
        out << "/elh { " << kBlockHeight << " } def %vyska elementu\n";
        out << kSizes << kBoxHead << "2" << kBoxBody;
        appendProlog(out, kLabel, latin2_);
        if (options_.blockNumbers) appendProlog(out, kIndex, latin2_);
        out << kPinsAndWires;
        appendProlog(out, kTextProcedures, latin2_);
        // Procedures for other input counts follow the fixed prolog, so that of two inputs stays as it is.
        for (const std::int32_t inputs : blockShapes_)
            appendBlockProcedure(out, inputs, options_.blockNumbers);
        for (const auto& [inputs, input] : wireShapes_)
            appendWireProcedure(out, inputs, input);

        if (options_.hiddenBlocks) {
            out << kHiddenColour;
            appendBlocks(out, false);
        }
        out << kBlackColour;
        appendBlocks(out, true);
        out << kWireColour;
        if (options_.wiring != WiringMode::DirectOpt) appendWires(out);
        out << kBlackColour;
        appendTerminals(out);
        appendString(out, description, latin2_);
        out << width_ / 2 << " 0 clabel\n";
    }

private:
    // Every text the picture shows, with where it stands: visit(text, x, baseline, align, below) until
    // visit returns false; false then. Texts of entries off the page (at negative positions, whose boxes
    // are cut as well) are left out, and so is the caption's ink under its baseline at the page's edge.
    template <typename Visit>
    bool forEachText(const std::string& description, Visit visit) {
        const auto onPage = [](const Block& block) { return block.x >= 0 && block.y >= 0; };
        bool more = true;
        const auto visitBlock = [&](std::int32_t index, const Block& block) {
            if (!more || !onPage(block)) return;
            const double x = double(block.x);
            const double y = double(flipped(block));
            if (options_.blockNumbers)
                more = visit(std::to_string(index), x + kIndexX, y + kIndexBaseline, TextAlign::Start, true);
            if (more)
                more = visit(label(block.function), x + kLabelEndX, y + kLabelBaseline, TextAlign::End, true);
        };
        if (options_.hiddenBlocks) forEachBlock(false, visitBlock);
        forEachBlock(true, visitBlock);
        forEachTerminal([&](const std::string& name, std::int32_t index) {
            const Block& block = entry(index);
            if (more && onPage(block))
                more = visit(name, double(block.x), double(flipped(block)) + kNameBaseline, TextAlign::Start,
                             true);
        });
        return more && visit(description, double(width_ / 2), 0.0, TextAlign::Centre, false);
    }

    EpsTextBox textBox(const std::string& description) {
        EpsTextBox box(width_, height_);
        forEachText(description, [&](std::string_view text, double x, double y, TextAlign align, bool below) {
            box.add(latin2_ ? latin2Bytes(text) : std::string(text), kTextSize, x, y, align, below);
            return true;
        });
        return box;
    }

    // The name of every primary input and output, and its index.
    template <typename Visit>
    void forEachTerminal(Visit visit) {
        const auto name = [this](const std::vector<std::string>& names, std::int32_t n) {
            const auto slot = static_cast<std::size_t>(n);
            return slot < names.size() ? names[slot] : std::to_string(n);
        };
        for (std::int32_t n = 0; n < inputEnd(); ++n)
            visit(name(circuit_.inputNames, n), n);
        for (std::int32_t n = 0; n < circuit_.outputCount && firstOutput() + n < circuit_.blockTotal(); ++n)
            visit(name(circuit_.outputNames, n), firstOutput() + n);
    }

    std::int64_t flipped(const Block& block) const { return height_ - kFlipShift - block.y; }
    const Block& entry(std::int32_t index) const { return circuit_.blocks[static_cast<std::size_t>(index)]; }
    std::int32_t firstOutput() const {
        return std::clamp(circuit_.firstOutput(), inputEnd(), circuit_.blockTotal());
    }
    std::int32_t inputEnd() const { return std::clamp(circuit_.inputCount, 0, circuit_.blockTotal()); }

    // The function blocks of the given visibility, in the order of `blocks`.
    template <typename Visit>
    void forEachBlock(bool visible, Visit visit) const {
        for (std::int32_t index = inputEnd(); index < firstOutput(); ++index) {
            if (entry(index).visible == visible) visit(index, entry(index));
        }
    }

    // Every wire drawn: source, destination and the destination's input k (0-based).
    template <typename Visit>
    void forEachWire(Visit visit) const {
        const std::int32_t total = circuit_.blockTotal();
        for (std::int32_t target = inputEnd(); target < total; ++target) {
            const Block& destination = entry(target);
            if (!destination.visible) continue;
            const std::int32_t mask = assignment_.usageMask(circuit_, target);
            const std::size_t count = std::min(destination.inputs.size(),
                                               static_cast<std::size_t>(std::max(destination.inputCount, 0)));
            for (std::size_t k = 0; k < count; ++k) {
                const std::int32_t source = destination.inputs[k];
                if (source < 0 || source >= total || !entry(source).visible || !readsInput(mask, k)) continue;
                visit(source, target, static_cast<std::int32_t>(k));
            }
        }
    }

    void collectShapes() {
        const auto noteBlock = [this](std::int32_t, const Block& block) {
            if (block.inputCount != 2) blockShapes_.insert(block.inputCount);
        };
        if (options_.hiddenBlocks) forEachBlock(false, noteBlock);
        forEachBlock(true, noteBlock);
        if (options_.wiring == WiringMode::DirectOpt) return;
        forEachWire([this](std::int32_t, std::int32_t target, std::int32_t k) {
            const std::int32_t inputs = entry(target).inputCount;
            if (target < firstOutput() && inputs != 2) wireShapes_.emplace(inputs, k + 1);
        });
    }

    void appendBlocks(BufferedSink& out, bool visible) {
        forEachBlock(visible, [&](std::int32_t index, const Block& block) {
            if (options_.blockNumbers) appendString(out, std::to_string(index));
            appendString(out, label(block.function), latin2_);
            out << block.x << " " << flipped(block) << " blk" << block.inputCount << " \n";
        });
    }

    const std::string& label(std::int32_t gene) {
        if (options_.functionLabels) {
            if (const std::string* shown = functions_.shownLabel(assignment_.functionOf(gene))) return *shown;
        }
        geneText_ = std::to_string(gene);
        return geneText_;
    }

    void appendWires(BufferedSink& out) {
        forEachWire([&](std::int32_t source, std::int32_t target, std::int32_t k) {
            const Block& from = entry(source);
            const Block& destination = entry(target);
            const bool fromInput = circuit_.isPrimaryInput(source);
            out << from.x << " ";
            if (fromInput) out << "10 elw add sub inw add ";
            out << flipped(from) << " ";
            if (fromInput) out << "elph add ";
            out << destination.x << " " << flipped(destination) << "  ";
            appendWireProcedureName(out, destination.inputCount, k + 1, target < firstOutput());
            out << " % " << source << "-" << target << "\n";
        });
    }

    void appendTerminals(BufferedSink& out) {
        forEachTerminal([&](const std::string& name, std::int32_t index) {
            appendString(out, name, latin2_);
            const Block& block = entry(index);
            out << block.x << " " << flipped(block) << " inout \n";
        });
    }

    const Chromosome& circuit_;
    const FunctionAssignment& assignment_;
    const DisplayOptions& options_;
    const FunctionStyles& functions_;
    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    std::string geneText_;
    bool latin2_ = false;  // some text is not ASCII: the font is re-encoded and texts converted
    std::set<std::int32_t> blockShapes_;  // input counts other than 2 that block lines use
    std::set<std::pair<std::int32_t, std::int32_t>> wireShapes_;  // (input count, input) of those wires
};

}  // namespace

void writeEpsText(const ByteSink& sink, const Chromosome& circuit, const FunctionAssignment& assignment,
                  const DisplayOptions& options, const std::string& description,
                  const FunctionStyles& functions) {
    // Without a circuit the header counts may be stale; the text is that of an empty circuit.
    static const Chromosome kEmpty;
    BufferedSink out(sink);
    EpsWriter(circuit.hasCircuit() ? circuit : kEmpty, assignment, options, functions)
        .write(out, description);
    out.finish();
}

std::string buildEps(const Chromosome& circuit, const FunctionAssignment& assignment,
                     const DisplayOptions& options, const std::string& description,
                     const FunctionStyles& functions) {
    return collectText([&](const ByteSink& sink) {
        writeEpsText(sink, circuit, assignment, options, description, functions);
    });
}

}  // namespace pellisor
