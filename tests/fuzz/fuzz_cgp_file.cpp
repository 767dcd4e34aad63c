// Gate-level circuit files: the conversion either refuses the bytes with its own message or gives a
// chromosome of one feed-forward row whose blocks, evaluated through the assignment it brings, compute
// exactly what their gate codes say; the loader agrees with the conversion.
//
// Input: the file's bytes.
#include "fuzz_support.h"

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "model/cgp_file.h"
#include "model/chromosome_file.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "model/file_io.h"

#include <charconv>
#include <functional>
#include <random>
#include <string>

namespace {

using namespace pellisor;
using pellisor::fuzz::printable;

constexpr std::string_view kPrefix = "Soubor cgp nelze převést: ";
// Larger circuits cost time per entry and find nothing new.
constexpr std::int32_t kMaxInputsEvaluated = 4096;

struct Outcome {
    std::optional<std::string> line;
    std::optional<std::string> error;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

// What a gate code computes on 0 and 1.
std::int32_t gateValue(std::int32_t code, std::int32_t a, std::int32_t b) {
    constexpr std::int32_t kTable[10][4] = {
        // a,b = 00 01 10 11
        {0, 0, 1, 1}, {1, 1, 0, 0}, {0, 0, 0, 1}, {0, 1, 1, 1}, {0, 1, 1, 0},
        {1, 1, 1, 0}, {1, 0, 0, 0}, {1, 0, 0, 1}, {1, 1, 1, 1}, {0, 0, 0, 0},
    };
    return kTable[code][a * 2 + b];
}

void checkCircuit(const ConvertedCircuit& converted, std::string_view bytes) {
    const std::string& line = converted.line;
    std::int32_t inputs = 0;
    std::from_chars(line.data() + 1, line.data() + line.size(), inputs);
    FUZZ_CHECK(inputs >= 1, printable(line));
    if (inputs > kMaxInputsEvaluated) return;

    Chromosome circuit;
    parseChromosome(line, ParseMode::Draw, circuit);  // an Error here escapes: the line must parse
    FUZZ_CHECK(
        circuit.inputCount == inputs && circuit.rows == 1 && circuit.arity == 2 && circuit.columns >= 2,
        printable(line));
    const std::int32_t zero = inputs;
    const Block& constantZero = circuit.blocks[std::size_t(zero)];
    const Block& constantOne = circuit.blocks[std::size_t(zero + 1)];
    FUZZ_CHECK(constantZero.function == 9 && constantOne.function == 8 && constantOne.inputs[0] == zero,
               printable(line));
    for (std::int32_t i = zero; i < circuit.firstOutput(); ++i) {
        const Block& block = circuit.blocks[std::size_t(i)];
        FUZZ_CHECK(block.function >= 0 && block.function <= 9, printable(line));
        for (const std::int32_t source : block.inputs)
            FUZZ_CHECK(source < i, "block " + std::to_string(i) + " reads forward: " + printable(line));
        if (i > zero + 1 && block.function >= 8) {
            FUZZ_CHECK(block.inputs[0] == zero && block.inputs[1] == zero, "a constant gate reads the file");
        }
    }

    FunctionAssignment assignment;
    for (const GeneFunction& gene : converted.functions.genes)
        assignment.assignGene(gene.gene, gene.identifier);
    std::mt19937 rng(static_cast<std::uint32_t>(std::hash<std::string_view>{}(bytes)));
    for (int vector = 0; vector < 4; ++vector) {
        for (std::int32_t i = 0; i < inputs; ++i)
            circuit.blocks[std::size_t(i)].value = std::int32_t(rng() % 2);
        evaluate(circuit, assignment);
        for (std::int32_t i = zero; i < circuit.firstOutput(); ++i) {
            const Block& block = circuit.blocks[std::size_t(i)];
            const std::int32_t a = circuit.blocks[std::size_t(block.inputs[0])].value;
            const std::int32_t b = circuit.blocks[std::size_t(block.inputs[1])].value;
            FUZZ_CHECK((a == 0 || a == 1) && (b == 0 || b == 1), "a value beyond one bit");
            FUZZ_CHECK(block.value == gateValue(block.function, a, b),
                       "block " + std::to_string(i) + " gene " + std::to_string(block.function));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = textWithLineFeeds(bytes);
    Outcome outcome;
    try {
        const ConvertedCircuit converted = convertCgpText(text);
        outcome.line = converted.line;
        checkCircuit(converted, bytes);
    } catch (const Error& error) {
        outcome.error = error.what();
        FUZZ_CHECK(outcome.error->starts_with(kPrefix), printable(*outcome.error));
        FUZZ_CHECK(outcome.error->find_first_of("\r\n") == std::string::npos, printable(*outcome.error));
    }

    // The loader reads the file as text and converts it alike; another case of the extension reads nothing.
    for (const char* name : {"c.cgp", "c.CGP"}) {
        const std::string path = fuzz::scratchFile(name);
        fuzz::writeBytes(path, bytes);
        Chromosome circuit;
        std::string fileName;
        Outcome loaded;
        try {
            const auto result = loadChromosomeFile(path, circuit, fileName, {});
            FUZZ_CHECK(result && result->description.empty(), "a .cgp load gave a description");
            loaded.line = result->text;
        } catch (const Error& error) {
            loaded.error = error.what();
        }
        FUZZ_CHECK(fileName == path, fileName);
        if (name[2] == 'c') {
            FUZZ_CHECK(loaded == outcome, "the load differs from the conversion");
        } else {
            FUZZ_CHECK(loaded.line && loaded.line->empty(), "another extension was read");
        }
    }
    return 0;
}
