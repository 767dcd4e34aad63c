#include "export/c_model_writer.h"

#include "eval/active_cone.h"
#include "eval/evaluator.h"
#include "export/buffered_sink.h"
#include "export/c_functions.h"
#include "model/error.h"
#include "model/file_names.h"

#include <vector>

namespace pellisor {

namespace {

bool isIdentifierCharacter(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_';
}

// Inside a block comment: no line ends and no end of the comment.
std::string commentText(std::string text) {
    for (char& ch : text) {
        if (ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f') ch = ' ';
    }
    for (auto at = text.find("*/"); at != std::string::npos; at = text.find("*/", at))
        text.replace(at, 2, "* /");
    return text;
}

std::string upper(std::string text) {
    for (char& ch : text) {
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    }
    return text;
}

// The blocks the outputs depend on, and the entries read by a block at or before their own index.
class CModel {
public:
    CModel(const Chromosome& circuit, const FunctionAssignment& assignment)
        : circuit_(circuit), assignment_(assignment), present_(circuit.hasConsistentCircuit()) {
        if (!present_) return;
        checkAsTheEvaluator();
        findActiveEntries();
    }

    void write(BufferedSink& out, const std::string& functionName,
               const std::string& chromosomeFileName) const {
        out << "/* " << commentText(fileNamePart(chromosomeFileName))
            << " as C: the values the evaluator gives the outputs, for any inputs. */\n"
               "#include <stdint.h>\n\n";
        for (std::int32_t s = 0; s < total(); ++s) {
            if (!kept_[static_cast<std::size_t>(s)]) continue;
            out << "static uint32_t " << functionName << "_kept" << s << " = "
                << static_cast<std::uint32_t>(circuit_.blocks[static_cast<std::size_t>(s)].value)
                << "u; /* entry " << s << " from the call before */\n";
        }
        out << "void " << functionName << "(const int32_t *in, int32_t *out);\n\n";
        out << "void " << functionName << "(const int32_t *in, int32_t *out) {\n";
        for (std::int32_t n = 0; n < (present_ ? circuit_.inputCount : 0); ++n) {
            if (active_[static_cast<std::size_t>(n)])
                out << "    const uint32_t v" << n << " = (uint32_t)in[" << n << "];\n";
        }
        for (std::int32_t i = present_ ? circuit_.inputCount : 0; i < total(); ++i) {
            if (active_[static_cast<std::size_t>(i)]) writeStatement(out, functionName, i);
        }
        for (std::int32_t s = 0; s < total(); ++s) {
            if (kept_[static_cast<std::size_t>(s)])
                out << "    " << functionName << "_kept" << s << " = v" << s << ";\n";
        }
        // Back to two's complement without a conversion the language leaves to the compiler.
        for (std::int32_t n = 0; n < (present_ ? circuit_.outputCount : 0); ++n) {
            const std::int32_t o = circuit_.firstOutput() + n;
            out << "    out[" << n << "] = v" << o << " <= 0x7FFFFFFFu ? (int32_t)v" << o << " : -(int32_t)~v"
                << o << " - 1;\n";
        }
        if (!readsInputs()) out << "    (void)in;\n";
        if (present_ && circuit_.outputCount == 0) out << "    (void)out;\n";
        if (!present_) out << "    (void)out;\n";
        out << "}\n";
    }

private:
    std::int32_t total() const { return present_ ? circuit_.blockTotal() : 0; }
    bool readsInputs() const {
        for (std::int32_t n = 0; n < (present_ ? circuit_.inputCount : 0); ++n) {
            if (active_[static_cast<std::size_t>(n)]) return true;
        }
        return false;
    }

    // The evaluator walks every block, active or not, and stops at the first that cannot be computed.
    void checkAsTheEvaluator() const {
        for (std::int32_t i = circuit_.inputCount; i < circuit_.firstOutput(); ++i) {
            const std::int32_t id =
                assignment_.identifierOf(circuit_.blocks[static_cast<std::size_t>(i)].function);
            if (functionIdOf(id) == FunctionId::Mux && circuit_.arity != 3) throw Error(kMuxNeedsThreeInputs);
        }
    }

    void findActiveEntries() {
        active_.assign(circuit_.blocks.size(), 0);
        kept_.assign(circuit_.blocks.size(), 0);
        std::vector<std::int32_t> pending;
        for (std::int32_t o = circuit_.firstOutput(); o < circuit_.blockTotal(); ++o) {
            active_[static_cast<std::size_t>(o)] = 1;
            pending.push_back(o);
        }
        while (!pending.empty()) {
            const std::int32_t reader = pending.back();
            pending.pop_back();
            if (reader < circuit_.inputCount) continue;
            const FollowedConnections followed = followedBy(reader);
            const Block& entry = circuit_.blocks[static_cast<std::size_t>(reader)];
            for (std::size_t k = 0; k < followed.count; ++k) {
                const std::int32_t s = entry.inputs[k];
                if (!followed.follows(k) || s < 0 || s >= circuit_.blockTotal()) continue;
                if (s >= reader) kept_[static_cast<std::size_t>(s)] = 1;
                if (!active_[static_cast<std::size_t>(s)]) {
                    active_[static_cast<std::size_t>(s)] = 1;
                    pending.push_back(s);
                }
            }
        }
    }

    // The connections whose values the entry's statement uses: "no function" uses none, although
    // the drawing counts it as reading all.
    FollowedConnections followedBy(std::int32_t index) const {
        FollowedConnections followed =
            followedConnections(circuit_, assignment_, index, ConeConnections::Evaluated);
        if (circuit_.isFunctionBlock(index) &&
            functionIdOf(assignment_.identifierOf(
                circuit_.blocks[static_cast<std::size_t>(index)].function)) == FunctionId::None)
            followed.count = 0;
        return followed;
    }

    // Connection k of `reader` as an operand: this call's value of a source before it, the kept value
    // of one at or after it, 0 for a connection it does not read or does not have.
    std::string operand(const std::string& functionName, std::int32_t reader, std::size_t k,
                        const FollowedConnections& followed) const {
        const Block& entry = circuit_.blocks[static_cast<std::size_t>(reader)];
        if (!followed.follows(k)) return "0u";
        const std::int32_t s = entry.inputs[k];
        if (s < 0 || s >= circuit_.blockTotal()) return "0u";
        return s < reader ? "v" + std::to_string(s) : functionName + "_kept" + std::to_string(s);
    }

    void writeStatement(BufferedSink& out, const std::string& functionName, std::int32_t i) const {
        const FollowedConnections followed =
            followedConnections(circuit_, assignment_, i, ConeConnections::Evaluated);
        const std::string a = operand(functionName, i, 0, followed);
        out << "    const uint32_t v" << i << " = ";
        if (circuit_.isOutput(i)) {
            out << a << "; /* output " << i - circuit_.firstOutput() << " */\n";
            return;
        }
        const std::int32_t id =
            assignment_.identifierOf(circuit_.blocks[static_cast<std::size_t>(i)].function);
        out << cExpression(functionIdOf(id), a, operand(functionName, i, 1, followed),
                           operand(functionName, i, 2, followed))
            << "; /* block " << i << ": " << id << " " << std::string(functionOperation(id)) << " */\n";
    }

    const Chromosome& circuit_;
    const FunctionAssignment& assignment_;
    const bool present_;
    std::vector<char> active_;  // per entry: computed by the model
    std::vector<char> kept_;    // per entry: its value is kept for the next call
};

}  // namespace

std::string cModelFunctionName(const std::string& path) {
    std::string name = changeFileExtension(fileNamePart(path), "");
    for (char& ch : name) {
        if (!isIdentifierCharacter(ch)) ch = '_';
    }
    return "pellisor_" + name;
}

void writeCModelSource(const ByteSink& sink, const Chromosome& circuit, const FunctionAssignment& assignment,
                       const std::string& functionName, const std::string& chromosomeFileName) {
    const CModel model(circuit, assignment);
    BufferedSink out(sink);
    model.write(out, functionName, chromosomeFileName);
    out.finish();
}

void writeCModelHeader(const ByteSink& sink, const Chromosome& circuit, const std::string& functionName,
                       const std::string& chromosomeFileName) {
    const bool present = circuit.hasConsistentCircuit();
    const std::string guard = upper(functionName);
    BufferedSink out(sink);
    out << "/* " << commentText(fileNamePart(chromosomeFileName)) << " as C. */\n"
        << "#ifndef " << guard << "_H\n#define " << guard << "_H\n\n#include <stdint.h>\n\n"
        << "#define " << guard << "_INPUTS " << (present ? circuit.inputCount : 0) << "\n"
        << "#define " << guard << "_OUTPUTS " << (present ? circuit.outputCount : 0) << "\n\n"
        << "#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n"
        << "/* The outputs' values for one vector of inputs. Values a block reads from entries computed\n"
           "   after it carry over from the call before, as from one evaluation to the next. */\n"
        << "void " << functionName << "(const int32_t *in, int32_t *out);\n\n"
        << "#ifdef __cplusplus\n}\n#endif\n\n#endif\n";
    out.finish();
}

std::string buildCModelSource(const Chromosome& circuit, const FunctionAssignment& assignment,
                              const std::string& functionName, const std::string& chromosomeFileName) {
    return collectText([&](const ByteSink& sink) {
        writeCModelSource(sink, circuit, assignment, functionName, chromosomeFileName);
    });
}

std::string buildCModelHeader(const Chromosome& circuit, const std::string& functionName,
                              const std::string& chromosomeFileName) {
    return collectText(
        [&](const ByteSink& sink) { writeCModelHeader(sink, circuit, functionName, chromosomeFileName); });
}

}  // namespace pellisor
