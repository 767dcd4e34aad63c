#include "export/vhdl_writer.h"

#include "model/file_names.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pellisor {

namespace {

constexpr const char* kVector = "std_logic_vector(DATA_WIDTH-1 downto 0)";

// Carriage return, line feed, vertical tab and form feed all end a VHDL comment.
std::string commentText(std::string text) {
    for (char& ch : text) {
        if (ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f') ch = ' ';
    }
    return text;
}

class VhdlBuilder {
public:
    explicit VhdlBuilder(const Chromosome& circuit)
        : circuit_(circuit),
          present_(circuit.hasConsistentCircuit()),
          inputCount_(present_ ? circuit.inputCount : 0),
          firstOutput_(present_ ? circuit.firstOutput() : 0),
          outputCount_(present_ ? circuit.outputCount : 0) {}

    std::string build(const std::string& chromosomeFileName) {
        declarations_ = "--" + commentText(fileNamePart(chromosomeFileName)) + "\n";
        declarations_ +=
            "library ieee;\nuse ieee.std_logic_1164.all;\nuse ieee.std_logic_arith.all;\n"
            "use ieee.std_logic_unsigned.all;\n\n";
        declarations_ += "entity filter is\n";
        declarations_ += "  generic(DATA_WIDTH : integer := 8);\n  port(\n";
        // A port list may not end in ';': the last port line drops it.
        const bool noDataPorts = inputCount_ == 0 && outputCount_ == 0;
        declarations_ += "    RESET : in std_logic;\n    CLK   : in std_logic";
        declarations_ += noDataPorts ? "\n" : ";\n";
        for (std::int32_t n = 0; n < inputCount_; ++n) {
            const bool last = n + 1 == inputCount_ && outputCount_ == 0;
            declarations_ += "    sig_in" + std::to_string(n) + " : in " + kVector + (last ? " \n" : "; \n");
        }
        for (std::int32_t n = 0; n < outputCount_; ++n) {
            declarations_ += "    sig_out" + std::to_string(n) + " : out " + kVector;
            if (n + 1 < outputCount_) declarations_ += ";";
            declarations_ += "\n";
        }
        declarations_ += "  );\nend entity;";
        declarations_ += "\n\n";
        declarations_ += "architecture main of filter is\n";
        for (std::int32_t i = inputCount_; i < firstOutput_; ++i) {
            declareSignal("sig_vrc" + std::to_string(i));
        }
        declareOutputsReadAsSources();

        for (std::int32_t i = inputCount_; i < firstOutput_; ++i) {
            emitProcessingElement(i);
        }
        body_ += "\n\n";
        for (std::int32_t n = 0; n < outputCount_; ++n) {
            const std::int32_t source = outputSource(firstOutput_ + n);
            if (source < 0) continue;
            body_ += "sig_out" + std::to_string(n) + " <= " + signalOf(source) + ";\n";
        }
        for (const std::int32_t output : outputsReadAsSources_) {
            const std::int32_t source = outputSource(output);
            if (source >= 0) body_ += "sig_vrc" + std::to_string(output) + " <= " + signalOf(source) + ";\n";
        }
        return declarations_ + "begin\n" + body_ + "end main;\n";
    }

private:
    const Block& entry(std::int32_t index) const { return circuit_.blocks[static_cast<std::size_t>(index)]; }
    bool inRange(std::int32_t index) const { return index >= 0 && index < circuit_.blockTotal(); }

    // The connections a processing element gets: X and Y, or X alone in a circuit of arity 1. A source
    // outside the circuit leaves its port unassociated.
    std::size_t connectedCount(const Block& block) const {
        return std::min<std::size_t>(2, block.inputs.size());
    }

    // The source of an output entry, -1 when it has none inside the circuit.
    std::int32_t outputSource(std::int32_t output) const {
        const Block& block = entry(output);
        return !block.inputs.empty() && inRange(block.inputs[0]) ? block.inputs[0] : -1;
    }

    std::string signalOf(std::int32_t source) const {
        return (source < inputCount_ ? "sig_in" : "sig_vrc") + std::to_string(source);
    }

    std::int32_t columnOf(std::int32_t index) const {
        return index < inputCount_ ? 0 : (index - inputCount_) / circuit_.rows + 1;
    }

    std::int32_t registerDepth(std::int32_t source, std::int32_t block) const {
        return columnOf(block) - columnOf(source) - 1;
    }

    void declareSignal(const std::string& name) {
        declarations_ += "  signal " + name + " : " + kVector + ";\n";
    }

    // An output may in principle be named as a source; it then gets a signal of its own that carries
    // its source, since its port cannot be read back.
    void declareOutputsReadAsSources() {
        std::vector<bool> read(static_cast<std::size_t>(outputCount_), false);
        const auto note = [&](std::int32_t source) {
            if (source >= firstOutput_ && source < firstOutput_ + outputCount_) {
                read[static_cast<std::size_t>(source - firstOutput_)] = true;
            }
        };
        for (std::int32_t i = inputCount_; i < firstOutput_; ++i) {
            const Block& block = entry(i);
            for (std::size_t k = 0; k < connectedCount(block); ++k) {
                note(block.inputs[k]);
            }
        }
        for (std::int32_t n = 0; n < outputCount_; ++n) {
            note(outputSource(firstOutput_ + n));
        }
        for (std::int32_t n = 0; n < outputCount_; ++n) {
            if (!read[static_cast<std::size_t>(n)]) continue;
            outputsReadAsSources_.push_back(firstOutput_ + n);
            declareSignal("sig_vrc" + std::to_string(firstOutput_ + n));
        }
    }

    std::string chainPrefix(std::int32_t block, std::int32_t source) const {
        return std::to_string(block) + "_" + std::to_string(source) + "_l";
    }

    void emitProcessingElement(std::int32_t i) {
        const Block& block = entry(i);
        body_ += "vrc_pe" + std::to_string(i) +
                 ": entity work.vrc_alu generic map(DATA_WIDTH  => DATA_WIDTH) port map(\n";
        body_ += "  RESET => RESET,\n  CLK   => CLK,\n";
        std::vector<std::int32_t> delayed;
        for (std::size_t k = 0; k < connectedCount(block); ++k) {
            const std::int32_t source = block.inputs[k];
            if (!inRange(source)) continue;
            body_ += std::string("  ") + (k == 0 ? "X" : "Y") + "     => ";
            const std::int32_t depth = registerDepth(source, i);
            if (depth >= 1) {
                body_ += "sig_reg_" + chainPrefix(i, source) + std::to_string(depth);
                if (std::find(delayed.begin(), delayed.end(), source) == delayed.end()) {
                    delayed.push_back(source);
                }
            } else {
                body_ += signalOf(source);
            }
            body_ += ",\n";
        }
        body_ += "  SEL   => \"";
        const auto gene = static_cast<std::uint32_t>(block.function);
        for (int bit = 3; bit >= 0; --bit) {
            body_ += ((gene >> bit) & 1U) != 0 ? '1' : '0';
        }
        body_ += "\",\n";
        body_ += "  Q     => sig_vrc" + std::to_string(i) + "\n);\n";
        for (const std::int32_t source : delayed) {
            emitRegisterChain(i, source, registerDepth(source, i));
        }
    }

    void emitRegisterChain(std::int32_t i, std::int32_t source, std::int32_t depth) {
        const std::string signal = "sig_reg_" + chainPrefix(i, source);
        const std::string instance = "r" + chainPrefix(i, source);
        for (std::int32_t k = depth; k >= 1; --k) {
            declareSignal(signal + std::to_string(k));
            body_ += instance + std::to_string(k) + ": entity work.reg";
            body_ += " generic map(DATA_WIDTH  => DATA_WIDTH) port map(\n";
            body_ += "  RESET => RESET,\n  CLK   => CLK,\n";
            body_ += "  X     => ";
            body_ += k == 1 ? signalOf(source) : signal + std::to_string(k - 1);
            body_ += ",\n";
            body_ += "  Q     => " + signal + std::to_string(k) + "\n);\n";
        }
    }

    const Chromosome& circuit_;
    const bool present_;
    const std::int32_t inputCount_;
    const std::int32_t firstOutput_;
    const std::int32_t outputCount_;
    std::string declarations_;
    std::string body_;
    std::vector<std::int32_t> outputsReadAsSources_;
};

}  // namespace

std::string buildVhdl(const Chromosome& circuit, const std::string& chromosomeFileName) {
    return VhdlBuilder(circuit).build(chromosomeFileName);
}

}  // namespace pellisor
