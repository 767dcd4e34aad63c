#include "export/verilog_writer.h"

#include "export/buffered_sink.h"
#include "export/filter_structure.h"
#include "model/file_names.h"

#include <vector>

namespace pellisor {

namespace {

constexpr std::string_view kVector = "[DATA_WIDTH-1:0]";
constexpr std::string_view kZero = "sig_zero";

// Only a line feed ends a Verilog line comment; the other line ends go too, for editors' sake.
std::string commentText(std::string text) {
    for (char& ch : text) {
        if (ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f') ch = ' ';
    }
    return text;
}

class VerilogWriter {
public:
    explicit VerilogWriter(const Chromosome& circuit)
        : filter_(circuit),
          inputCount_(filter_.inputCount()),
          firstOutput_(filter_.firstOutput()),
          outputCount_(filter_.outputCount()) {}

    void write(BufferedSink& out, const std::string& chromosomeFileName) const {
        out << "// " << commentText(fileNamePart(chromosomeFileName)) << "\n";
        writePorts(out);
        writeDeclarations(out);
        for (std::int32_t i = inputCount_; i < firstOutput_; ++i)
            writeProcessingElement(out, i);
        out << "\n";
        writeAssignments(out);
        writeUnused(out);
        out << "endmodule\n";
    }

private:
    void appendSignalOf(BufferedSink& out, std::int32_t source) const {
        out << (source < inputCount_ ? "sig_in" : "sig_vrc") << source;
    }

    static void appendChainSignal(BufferedSink& out, std::int32_t block, std::int32_t source,
                                  std::int32_t k) {
        out << "sig_reg_" << block << "_" << source << "_l" << k;
    }

    void writePorts(BufferedSink& out) const {
        out << "module filter #(parameter DATA_WIDTH = 8) (\n";
        out << "    input RESET,\n    input CLK";
        for (std::int32_t n = 0; n < inputCount_; ++n)
            out << ",\n    input " << kVector << " sig_in" << n;
        for (std::int32_t n = 0; n < outputCount_; ++n)
            out << ",\n    output " << kVector << " sig_out" << n;
        out << "\n);\n";
    }

    void writeDeclarations(BufferedSink& out) const {
        for (std::int32_t i = inputCount_; i < firstOutput_; ++i)
            out << "  wire " << kVector << " sig_vrc" << i << ";\n";
        for (const std::int32_t output : filter_.outputsReadAsSources())
            out << "  wire " << kVector << " sig_vrc" << output << ";\n";
        if (filter_.needsZero()) out << "  wire " << kVector << " " << kZero << ";\n";
        for (std::int32_t i = inputCount_; i < firstOutput_; ++i) {
            const DelayedSources delayed = filter_.delayedSources(i);
            for (std::size_t d = 0; d < delayed.count; ++d) {
                const std::int32_t s = delayed.sources[d];
                for (std::int32_t k = filter_.registerDepth(s, i); k >= 1; --k) {
                    out << "  wire " << kVector << " ";
                    appendChainSignal(out, i, s, k);
                    out << ";\n";
                }
            }
        }
        out << "\n";
    }

    void writeProcessingElement(BufferedSink& out, std::int32_t i) const {
        out << "vrc_alu #(.DATA_WIDTH(DATA_WIDTH)) vrc_pe" << i << " (\n";
        out << "  .RESET(RESET),\n  .CLK(CLK),\n";
        for (std::size_t k = 0; k < 2; ++k) {
            out << "  ." << (k == 0 ? "X" : "Y") << "(";
            const std::int32_t s = filter_.source(i, k);
            if (s < 0) {
                out << kZero;
            } else if (const std::int32_t depth = filter_.registerDepth(s, i); depth >= 1) {
                appendChainSignal(out, i, s, depth);
            } else {
                appendSignalOf(out, s);
            }
            out << "),\n";
        }
        out << "  .SEL(4'b";
        const auto gene = static_cast<std::uint32_t>(filter_.gene(i));
        for (int bit = 3; bit >= 0; --bit)
            out << (((gene >> bit) & 1U) != 0 ? '1' : '0');
        out << "),\n  .Q(sig_vrc" << i << ")\n);\n";
        const DelayedSources delayed = filter_.delayedSources(i);
        for (std::size_t d = 0; d < delayed.count; ++d)
            writeRegisterChain(out, i, delayed.sources[d]);
    }

    void writeRegisterChain(BufferedSink& out, std::int32_t i, std::int32_t s) const {
        for (std::int32_t k = filter_.registerDepth(s, i); k >= 1; --k) {
            out << "\\reg  #(.DATA_WIDTH(DATA_WIDTH)) r" << i << "_" << s << "_l" << k << " (\n";
            out << "  .RESET(RESET),\n  .CLK(CLK),\n  .X(";
            if (k == 1) {
                appendSignalOf(out, s);
            } else {
                appendChainSignal(out, i, s, k - 1);
            }
            out << "),\n  .Q(";
            appendChainSignal(out, i, s, k);
            out << ")\n);\n";
        }
    }

    void writeAssignments(BufferedSink& out) const {
        for (std::int32_t n = 0; n < outputCount_; ++n) {
            const std::int32_t s = filter_.outputSource(firstOutput_ + n);
            if (s < 0) continue;
            out << "assign sig_out" << n << " = ";
            appendSignalOf(out, s);
            out << ";\n";
        }
        for (const std::int32_t output : filter_.outputsReadAsSources()) {
            const std::int32_t s = filter_.outputSource(output);
            if (s < 0) continue;
            out << "assign sig_vrc" << output << " = ";
            appendSignalOf(out, s);
            out << ";\n";
        }
        if (filter_.needsZero()) out << "assign " << kZero << " = {DATA_WIDTH{1'b0}};\n";
    }

    // Inputs and block results that no processing element, register or output reads.
    void writeUnused(BufferedSink& out) const {
        std::vector<bool> read(static_cast<std::size_t>(firstOutput_ + outputCount_), false);
        const auto note = [&](std::int32_t s) {
            if (s >= 0) read[static_cast<std::size_t>(s)] = true;
        };
        for (std::int32_t i = inputCount_; i < firstOutput_; ++i) {
            note(filter_.source(i, 0));
            note(filter_.source(i, 1));
        }
        for (std::int32_t n = 0; n < outputCount_; ++n)
            note(filter_.outputSource(firstOutput_ + n));
        bool any = false;
        for (std::int32_t s = 0; s < firstOutput_; ++s) {
            if (read[static_cast<std::size_t>(s)]) continue;
            out << (any ? ", " : "wire unused_signals = &{1'b0, ");
            appendSignalOf(out, s);
            any = true;
        }
        if (any) out << "};\n";
    }

    const FilterStructure filter_;
    const std::int32_t inputCount_;
    const std::int32_t firstOutput_;
    const std::int32_t outputCount_;
};

}  // namespace

void writeVerilogText(const ByteSink& sink, const Chromosome& circuit,
                      const std::string& chromosomeFileName) {
    BufferedSink out(sink);
    VerilogWriter(circuit).write(out, chromosomeFileName);
    out.finish();
}

std::string buildVerilog(const Chromosome& circuit, const std::string& chromosomeFileName) {
    return collectText([&](const ByteSink& sink) { writeVerilogText(sink, circuit, chromosomeFileName); });
}

}  // namespace pellisor
