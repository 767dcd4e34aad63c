// The real consumer of the C model: the system's C compiler builds the models of many random
// circuits, strictly warned and once more with the undefined-behaviour sanitizer, and every model
// gives for any int32 inputs exactly what the plain evaluator gives, call after call.

#include "export/c_model_writer.h"

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "model/error.h"
#include "model/function_table.h"
#include "support/random_circuit.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace pellisor {
namespace {

using test::haveProgram;
using test::runCommand;
using test::TempDir;
using test::writeBytes;

using test::between;

// Bytes, small signed values, any int32, and the values at the edges of the arithmetic.
std::int32_t anyInput(std::mt19937& rng) {
    static const std::int32_t kEdges[] = {0,     1,      -1,      255,        256,       -256,
                                          65535, 65536,  -65536,  0x7FFFFFFF, INT32_MIN, 0x7FFFFF00,
                                          -255,  0x8000, 0x10000, 0x40000000};
    switch (between(rng, 0, 3)) {
        case 0:
            return between(rng, 0, 255);
        case 1:
            return between(rng, -300, 300);
        case 2:
            return static_cast<std::int32_t>(rng());
        default:
            return kEdges[between(rng, 0, std::size(kEdges) - 1)];
    }
}

std::string evaluationError(Chromosome circuit, const FunctionAssignment& assignment) {
    try {
        evaluate(circuit, assignment);
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

std::string writerError(const Chromosome& circuit, const FunctionAssignment& assignment) {
    try {
        buildCModelSource(circuit, assignment, "pellisor_x", "x.chr");
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

struct Model {
    std::string name;
    std::int32_t inputs;
    std::int32_t outputs;
};

TEST(CModel, CompiledModelsComputeWhatTheEvaluatorComputes) {
    if (!haveProgram("cc")) GTEST_SKIP() << "no C compiler";
    const TempDir dir;
    std::mt19937 rng(1616);
    constexpr int kCircuits = 1000;
    constexpr int kVectors = 1000;
    constexpr int kUnits = 4;
    std::vector<std::string> units(kUnits);
    std::vector<Model> models;
    std::vector<std::int32_t> inputs;
    std::vector<std::int32_t> expected;
    std::set<std::int32_t> functionsUsed;
    int refused = 0;
    while (static_cast<int>(models.size()) < kCircuits) {
        test::CircuitShape shape = test::randomShape(rng, 9, 4, 6, 5, 3);
        shape.outputCount = std::max(shape.outputCount, 1);
        // A quarter read any entry: their values carry over from one call to the next.
        Chromosome circuit = test::randomCircuit(rng, shape, models.size() % 4 != 0, 33);
        FunctionAssignment assignment;
        for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
            assignment.setIdentifier(gene, between(rng, 0, kFunctionCount + 2));
        // The model refuses exactly what the evaluator refuses, with its message.
        const std::string error = evaluationError(circuit, assignment);
        ASSERT_EQ(writerError(circuit, assignment), error) << test::chromosomeLine(circuit);
        if (!error.empty()) {
            ++refused;
            continue;
        }
        const std::string name = "pellisor_m" + std::to_string(models.size());
        units[models.size() % kUnits] += buildCModelSource(circuit, assignment, name, "m.chr");
        models.push_back({name, circuit.inputCount, circuit.outputCount});
        for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i)
            functionsUsed.insert(assignment.identifierOf(circuit.blocks[std::size_t(i)].function));
        for (int v = 0; v < kVectors; ++v) {
            for (std::int32_t n = 0; n < circuit.inputCount; ++n) {
                circuit.blocks[std::size_t(n)].value = anyInput(rng);
                inputs.push_back(circuit.blocks[std::size_t(n)].value);
            }
            evaluate(circuit, assignment);
            for (std::int32_t o = circuit.firstOutput(); o < circuit.blockTotal(); ++o)
                expected.push_back(circuit.blocks[std::size_t(o)].value);
        }
    }
    EXPECT_GT(refused, 0);
    for (std::int32_t id = 1; id <= kFunctionCount; ++id)
        EXPECT_TRUE(functionsUsed.count(id)) << "function " << id << " never used";

    // One program runs every model over its vectors, in order, and writes the outputs.
    std::string main = "#include <stdint.h>\n#include <stdio.h>\n";
    for (const Model& model : models)
        main += "void " + model.name + "(const int32_t *in, int32_t *out);\n";
    main += "static const struct { void (*f)(const int32_t *, int32_t *); int in, out; } models[] = {\n";
    for (const Model& model : models)
        main += "  {" + model.name + ", " + std::to_string(model.inputs) + ", " +
                std::to_string(model.outputs) + "},\n";
    main +=
        "};\nint main(void) {\n  int32_t in[16], out[16];\n"
        "  for (unsigned m = 0; m < sizeof models / sizeof models[0]; ++m)\n"
        "    for (int v = 0; v < " +
        std::to_string(kVectors) +
        "; ++v) {\n"
        "      if (fread(in, 4, (size_t)models[m].in, stdin) != (size_t)models[m].in) return 2;\n"
        "      models[m].f(in, out);\n"
        "      fwrite(out, 4, (size_t)models[m].out, stdout);\n"
        "    }\n  return 0;\n}\n";
    writeBytes(dir.file("main.c"), main);
    std::string objects;
    for (int u = 0; u < kUnits; ++u) {
        writeBytes(dir.file("m" + std::to_string(u) + ".c"), units[std::size_t(u)]);
        objects += " m" + std::to_string(u) + ".c";
    }
    writeBytes(dir.file("inputs.bin"),
               std::string_view(reinterpret_cast<const char*>(inputs.data()), inputs.size() * 4));
    const std::string wanted(reinterpret_cast<const char*>(expected.data()), expected.size() * 4);

    // Plain, as a user compiles it, and with the sanitizer that stops at the first undefined operation.
    const std::string strict = "-std=c99 -Wall -Wextra -pedantic -Werror";
    for (const std::string& build :
         {"-O2 " + strict, "-O1 -fsanitize=undefined -fno-sanitize-recover=all " + strict}) {
        SCOPED_TRACE(build);
        const std::string compile =
            "cd '" + dir.path() + "' && rm -f *.o && printf '%s\\n' main.c" + objects +
            " | xargs -P 2 -n 1 cc -c " + build + " && cc " +
            (build.find("sanitize") != std::string::npos ? "-fsanitize=undefined " : "") +
            "-o models *.o && ./models < inputs.bin > outputs.bin";
        const auto result = runCommand(compile);
        ASSERT_EQ(result.status, 0) << result.output.substr(0, 4000);
        const std::string outputs = test::readBytes(dir.file("outputs.bin"));
        ASSERT_EQ(outputs.size(), wanted.size());
        EXPECT_TRUE(outputs == wanted)
            << "the first differing output is at byte "
            << std::mismatch(outputs.begin(), outputs.end(), wanted.begin()).first - outputs.begin();
    }
}

TEST(CModel, NamesAndStatementsFollowTheFileAndTheActiveBlocks) {
    EXPECT_EQ(cModelFunctionName("/data/run-1/a b-\xc4\x8d.v2.c"), "pellisor_a_b____v2");
    EXPECT_EQ(cModelFunctionName("median3x3.c"), "pellisor_median3x3");
    // Block 3 feeds the output; block 4 is inactive and gets no statement.
    const Chromosome circuit = test::parsed("{2,1,2,1,2,1,-1}([2]0,1,1)([3]2,0,2)(3)");
    FunctionAssignment assignment;
    assignment.setIdentifier(1, toIdentifier(FunctionId::Add8));
    assignment.setIdentifier(2, toIdentifier(FunctionId::ShiftRight1));
    const std::string source = buildCModelSource(circuit, assignment, "pellisor_t", "t.chr");
    EXPECT_NE(source.find("const uint32_t v2 = ((v0 + v1) & 0xFFu); /* block 2: 24 in1 + in2 (8b) */"),
              std::string::npos)
        << source;
    EXPECT_NE(source.find("/* block 3: 21 in1 SHR 1 */"), std::string::npos) << source;
    const std::string header = buildCModelHeader(circuit, "pellisor_t", "t.chr");
    EXPECT_NE(header.find("void pellisor_t(const int32_t *in, int32_t *out);"), std::string::npos);
    EXPECT_NE(header.find("#define PELLISOR_T_INPUTS 2"), std::string::npos);
}

}  // namespace
}  // namespace pellisor
