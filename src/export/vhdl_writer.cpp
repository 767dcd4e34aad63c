#include "export/vhdl_writer.h"

#include "export/buffered_sink.h"
#include "export/filter_structure.h"
#include "model/file_names.h"

#include <cstdint>

namespace pellisor {

namespace {

constexpr std::string_view kVector = "std_logic_vector(DATA_WIDTH-1 downto 0)";
constexpr std::string_view kZero = "sig_zero";

// Carriage return, line feed, vertical tab and form feed all end a VHDL comment.
std::string commentText(std::string text) {
    for (char& ch : text) {
        if (ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f') ch = ' ';
    }
    return text;
}

// The file is the declarations, "begin" and the body. Neither part is held: the declarations are
// written in one pass over the blocks and the body in a second, both recomputing the same chains.
class VhdlWriter {
public:
    explicit VhdlWriter(const Chromosome& circuit)
        : filter_(circuit),
          inputCount_(filter_.inputCount()),
          firstOutput_(filter_.firstOutput()),
          outputCount_(filter_.outputCount()) {}

    void write(BufferedSink& out, const std::string& chromosomeFileName) {
        writeDeclarations(out, chromosomeFileName);
        out << "begin\n";
        writeBody(out);
        out << "end main;\n";
    }

private:
    std::int32_t source(std::int32_t i, std::size_t k) const { return filter_.source(i, k); }
    std::int32_t outputSource(std::int32_t output) const { return filter_.outputSource(output); }
    std::int32_t registerDepth(std::int32_t s, std::int32_t i) const { return filter_.registerDepth(s, i); }
    DelayedSources delayedSources(std::int32_t i) const { return filter_.delayedSources(i); }

    void appendSignalOf(BufferedSink& out, std::int32_t source) const {
        out << (source < inputCount_ ? "sig_in" : "sig_vrc") << source;
    }

    static void declareSignal(BufferedSink& out, std::string_view name, std::int64_t number) {
        out << "  signal " << name << number << " : " << kVector << ";\n";
    }

    static void appendChainPrefix(BufferedSink& out, std::int32_t block, std::int32_t source) {
        out << block << "_" << source << "_l";
    }

    void writeDeclarations(BufferedSink& out, const std::string& chromosomeFileName) const {
        out << "--" << commentText(fileNamePart(chromosomeFileName)) << "\n";
        out << "library ieee;\nuse ieee.std_logic_1164.all;\nuse ieee.std_logic_arith.all;\n"
               "use ieee.std_logic_unsigned.all;\n\n";
        out << "entity filter is\n";
        out << "  generic(DATA_WIDTH : integer := 8);\n  port(\n";
        // A port list may not end in ';': the last port line drops it.
        const bool noDataPorts = inputCount_ == 0 && outputCount_ == 0;
        out << "    RESET : in std_logic;\n    CLK   : in std_logic" << (noDataPorts ? "\n" : ";\n");
        for (std::int32_t n = 0; n < inputCount_; ++n) {
            const bool last = n + 1 == inputCount_ && outputCount_ == 0;
            out << "    sig_in" << n << " : in " << kVector << (last ? " \n" : "; \n");
        }
        for (std::int32_t n = 0; n < outputCount_; ++n) {
            out << "    sig_out" << n << " : out " << kVector;
            if (n + 1 < outputCount_) out << ";";
            out << "\n";
        }
        out << "  );\nend entity;\n\narchitecture main of filter is\n";
        for (std::int32_t i = inputCount_; i < firstOutput_; ++i)
            declareSignal(out, "sig_vrc", i);
        for (const std::int32_t output : filter_.outputsReadAsSources())
            declareSignal(out, "sig_vrc", output);
        if (filter_.needsZero()) out << "  signal " << kZero << " : " << kVector << ";\n";
        // Each chain from its last stage to its first, in the order the processing elements are visited.
        for (std::int32_t i = inputCount_; i < firstOutput_; ++i) {
            const DelayedSources delayed = delayedSources(i);
            for (std::size_t d = 0; d < delayed.count; ++d) {
                const std::int32_t s = delayed.sources[d];
                for (std::int32_t k = registerDepth(s, i); k >= 1; --k) {
                    out << "  signal sig_reg_";
                    appendChainPrefix(out, i, s);
                    out << k << " : " << kVector << ";\n";
                }
            }
        }
    }

    void writeBody(BufferedSink& out) const {
        for (std::int32_t i = inputCount_; i < firstOutput_; ++i)
            writeProcessingElement(out, i);
        out << "\n\n";
        for (std::int32_t n = 0; n < outputCount_; ++n) {
            const std::int32_t s = outputSource(firstOutput_ + n);
            if (s < 0) continue;
            out << "sig_out" << n << " <= ";
            appendSignalOf(out, s);
            out << ";\n";
        }
        for (const std::int32_t output : filter_.outputsReadAsSources()) {
            const std::int32_t s = outputSource(output);
            if (s < 0) continue;
            out << "sig_vrc" << output << " <= ";
            appendSignalOf(out, s);
            out << ";\n";
        }
        if (filter_.needsZero()) out << kZero << " <= (others => '0');\n";
    }

    void writeProcessingElement(BufferedSink& out, std::int32_t i) const {
        out << "vrc_pe" << i << ": entity work.vrc_alu generic map(DATA_WIDTH  => DATA_WIDTH) port map(\n";
        out << "  RESET => RESET,\n  CLK   => CLK,\n";
        for (std::size_t k = 0; k < 2; ++k) {
            out << "  " << (k == 0 ? "X" : "Y") << "     => ";
            const std::int32_t s = source(i, k);
            if (s < 0) {
                out << kZero;
            } else if (const std::int32_t depth = registerDepth(s, i); depth >= 1) {
                out << "sig_reg_";
                appendChainPrefix(out, i, s);
                out << depth;
            } else {
                appendSignalOf(out, s);
            }
            out << ",\n";
        }
        out << "  SEL   => \"";
        const auto gene = static_cast<std::uint32_t>(filter_.gene(i));
        for (int bit = 3; bit >= 0; --bit)
            out << (((gene >> bit) & 1U) != 0 ? '1' : '0');
        out << "\",\n";
        out << "  Q     => sig_vrc" << i << "\n);\n";
        const DelayedSources delayed = delayedSources(i);
        for (std::size_t d = 0; d < delayed.count; ++d)
            writeRegisterChain(out, i, delayed.sources[d]);
    }

    void writeRegisterChain(BufferedSink& out, std::int32_t i, std::int32_t s) const {
        for (std::int32_t k = registerDepth(s, i); k >= 1; --k) {
            out << "r";
            appendChainPrefix(out, i, s);
            out << k << ": entity work.reg generic map(DATA_WIDTH  => DATA_WIDTH) port map(\n";
            out << "  RESET => RESET,\n  CLK   => CLK,\n";
            out << "  X     => ";
            if (k == 1) {
                appendSignalOf(out, s);
            } else {
                out << "sig_reg_";
                appendChainPrefix(out, i, s);
                out << k - 1;
            }
            out << ",\n  Q     => sig_reg_";
            appendChainPrefix(out, i, s);
            out << k << "\n);\n";
        }
    }

    const FilterStructure filter_;
    const std::int32_t inputCount_;
    const std::int32_t firstOutput_;
    const std::int32_t outputCount_;
};

}  // namespace

void writeVhdlText(const ByteSink& sink, const Chromosome& circuit, const std::string& chromosomeFileName) {
    BufferedSink out(sink);
    VhdlWriter(circuit).write(out, chromosomeFileName);
    out.finish();
}

std::string buildVhdl(const Chromosome& circuit, const std::string& chromosomeFileName) {
    return collectText([&](const ByteSink& sink) { writeVhdlText(sink, circuit, chromosomeFileName); });
}

}  // namespace pellisor
