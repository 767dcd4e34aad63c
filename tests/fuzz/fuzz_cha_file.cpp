// Compare-and-swap network files: the conversion either refuses the bytes with its own message or gives
// a chromosome of two-block columns, each column one node whose blocks read the same earlier entries
// and, evaluated through the assignment it brings, hold their minimum and maximum; so every output
// holds one of the input values. The loader agrees with the conversion.
//
// Input: the file's bytes.
#include "fuzz_support.h"

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "model/cha_file.h"
#include "model/chromosome_file.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "model/file_io.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <random>
#include <string>

namespace {

using namespace pellisor;
using pellisor::fuzz::printable;

constexpr std::string_view kPrefix = "Soubor cha nelze převést: ";
// Larger circuits cost time per entry and find nothing new.
constexpr std::int32_t kMaxInputsEvaluated = 4096;

struct Outcome {
    std::optional<std::string> line;
    std::optional<std::string> error;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

void checkNetwork(const ConvertedCircuit& converted, std::string_view bytes) {
    const std::string& line = converted.line;
    std::int32_t inputs = 0;
    std::from_chars(line.data() + 1, line.data() + line.size(), inputs);
    FUZZ_CHECK(inputs >= 1, printable(line));
    if (inputs > kMaxInputsEvaluated) return;

    Chromosome circuit;
    parseChromosome(line, ParseMode::Draw, circuit);  // an Error here escapes: the line must parse
    FUZZ_CHECK(
        circuit.inputCount == inputs && circuit.rows == 2 && circuit.arity == 2 && circuit.columns >= 1,
        printable(line));
    for (std::int32_t p = inputs; p < circuit.firstOutput(); p += 2) {
        const Block& low = circuit.blocks[std::size_t(p)];
        const Block& high = circuit.blocks[std::size_t(p + 1)];
        FUZZ_CHECK(low.inputs == high.inputs && low.inputs[0] < p && low.inputs[1] < p, printable(line));
        FUZZ_CHECK(low.function + high.function == 3 && (low.function == 1 || low.function == 2),
                   printable(line));
    }

    FunctionAssignment assignment;
    for (const GeneFunction& gene : converted.functions.genes)
        assignment.assignGene(gene.gene, gene.identifier);
    std::mt19937 rng(static_cast<std::uint32_t>(std::hash<std::string_view>{}(bytes)));
    for (int vector = 0; vector < 4; ++vector) {
        std::vector<std::int32_t> values(static_cast<std::size_t>(inputs));
        for (std::int32_t i = 0; i < inputs; ++i)
            values[std::size_t(i)] = circuit.blocks[std::size_t(i)].value = std::int32_t(rng() % 256);
        evaluate(circuit, assignment);
        for (std::int32_t p = inputs; p < circuit.firstOutput(); p += 2) {
            const Block& first = circuit.blocks[std::size_t(p)];
            const std::int32_t x = circuit.blocks[std::size_t(first.inputs[0])].value;
            const std::int32_t y = circuit.blocks[std::size_t(first.inputs[1])].value;
            const std::int32_t q = circuit.blocks[std::size_t(p + 1)].value;
            // Gene 1 is the minimum, gene 2 the maximum.
            const bool minFirst = first.function == 1;
            FUZZ_CHECK(first.value == (minFirst ? std::min(x, y) : std::max(x, y)), std::to_string(p));
            FUZZ_CHECK(q == (minFirst ? std::max(x, y) : std::min(x, y)), std::to_string(p + 1));
        }
        std::sort(values.begin(), values.end());
        for (std::int32_t o = circuit.firstOutput(); o < circuit.blockTotal(); ++o) {
            const std::int32_t value = circuit.blocks[std::size_t(o)].value;
            FUZZ_CHECK(std::binary_search(values.begin(), values.end(), value), "an output not an input");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = textWithLineFeeds(bytes);
    Outcome outcome;
    try {
        const ConvertedCircuit converted = convertChaText(text);
        outcome.line = converted.line;
        checkNetwork(converted, bytes);
    } catch (const Error& error) {
        outcome.error = error.what();
        FUZZ_CHECK(outcome.error->starts_with(kPrefix), printable(*outcome.error));
        FUZZ_CHECK(outcome.error->find_first_of("\r\n") == std::string::npos, printable(*outcome.error));
    }

    // The loader reads the file as text and converts it alike; another case of the extension reads nothing.
    for (const char* name : {"c.cha", "c.CHA"}) {
        const std::string path = fuzz::scratchFile(name);
        fuzz::writeBytes(path, bytes);
        Chromosome circuit;
        std::string fileName;
        Outcome loaded;
        try {
            const auto result = loadChromosomeFile(path, circuit, fileName, {});
            FUZZ_CHECK(result && result->description.empty(), "a .cha load gave a description");
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
