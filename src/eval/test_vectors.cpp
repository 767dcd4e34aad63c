#include "eval/test_vectors.h"

#include "eval/evaluator.h"
#include "eval/script_runner.h"
#include "model/file_names.h"

namespace pellisor {

namespace {

void record(const Chromosome& circuit, TestVectors& vectors) {
    for (std::int32_t n = 0; n < circuit.inputCount; ++n)
        vectors.inputs.push_back(circuit.blocks[static_cast<std::size_t>(n)].value);
    for (std::int32_t i = circuit.firstOutput(); i < circuit.blockTotal(); ++i)
        vectors.expected.push_back(circuit.blocks[static_cast<std::size_t>(i)].value);
}

TestVectors emptyVectors(const Chromosome& circuit, std::string origin) {
    TestVectors vectors;
    if (circuit.hasConsistentCircuit()) {
        vectors.inputCount = circuit.inputCount;
        vectors.outputCount = circuit.outputCount;
    }
    vectors.origin = std::move(origin);
    return vectors;
}

// The plain run hands each result line over right after evaluating its vector, so the circuit then
// holds that vector's inputs and outputs. The first line is the header.
class VectorRecorder : public ScriptResultSink {
public:
    VectorRecorder(const Chromosome& circuit, TestVectors& vectors) : circuit_(circuit), vectors_(vectors) {}
    void line(std::string_view) override {
        if (!header_) record(circuit_, vectors_);
        header_ = false;
    }

private:
    const Chromosome& circuit_;
    TestVectors& vectors_;
    bool header_ = true;
};

}  // namespace

TestVectors randomTestVectors(const Chromosome& circuit, const FunctionAssignment& assignment,
                              std::size_t count) {
    TestVectors vectors = emptyVectors(circuit, std::to_string(count) + " random vectors");
    if (!circuit.hasConsistentCircuit()) return vectors;
    Chromosome copy = circuit;
    std::uint32_t state = kTestVectorSeed;
    for (std::size_t j = 0; j < count; ++j) {
        for (std::int32_t n = 0; n < copy.inputCount; ++n) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            copy.blocks[static_cast<std::size_t>(n)].value = static_cast<std::int32_t>(state & 0xFFU);
        }
        evaluate(copy, assignment);
        record(copy, vectors);
    }
    return vectors;
}

TestVectors scriptTestVectors(const std::string& scriptPath, const Chromosome& circuit,
                              const FunctionAssignment& assignment, const std::string& description) {
    TestVectors vectors = emptyVectors(circuit, "the vectors of " + fileNamePart(scriptPath));
    Chromosome copy = circuit;
    VectorRecorder recorder(copy, vectors);
    runScriptPlainInto(scriptPath, copy, assignment, description, recorder);
    return vectors;
}

}  // namespace pellisor
