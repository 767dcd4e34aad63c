// Test scripts of every combination of 16 inputs through an 8 x 8 circuit, against the same vectors
// applied by a plain loop that sets the inputs and evaluates, without any parsing or formatting.

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "eval/script_runner.h"
#include "model/chromosome_parser.h"
#include "model/file_io.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace pellisor;

constexpr std::int32_t kInputs = 16;
constexpr std::int32_t kColumns = 8;
constexpr std::int32_t kRows = 8;
constexpr std::int32_t kOutputs = 8;
constexpr std::int32_t kVectors = 1 << kInputs;

// A seeded random feed-forward circuit: every block reads entries of earlier columns, every output
// reads a block of the last two columns.
std::string circuitLine() {
    std::mt19937 rng(1234);
    auto below = [&](std::int32_t limit) {
        return std::uniform_int_distribution<std::int32_t>(0, limit - 1)(rng);
    };
    // Appending piece by piece: GCC 12 warns falsely (-Wrestrict) on "literal" + std::string at -O3.
    std::string line = "{";
    for (const std::int32_t field : {kInputs, kOutputs, kColumns, kRows}) {
        line += std::to_string(field);
        line += ',';
    }
    line += "2,1,-1}";
    for (std::int32_t column = 0; column < kColumns; ++column) {
        const std::int32_t firstOfColumn = kInputs + column * kRows;
        for (std::int32_t row = 0; row < kRows; ++row) {
            line += '(';
            line += std::to_string(below(firstOfColumn));
            line += ',';
            line += std::to_string(below(firstOfColumn));
            line += ',';
            line += std::to_string(below(kGeneCount));
            line += ')';
        }
    }
    line += '(';
    for (std::int32_t k = 0; k < kOutputs; ++k) {
        if (k > 0) line += ',';
        line += std::to_string(kInputs + (kColumns - 2) * kRows + below(2 * kRows));
    }
    return line + ")";
}

FunctionAssignment randomAssignment() {
    std::mt19937 rng(99);
    std::uniform_int_distribution<std::int32_t> id(1, 51);
    FunctionAssignment assignment;
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene) {
        std::int32_t chosen = id(rng);
        while (chosen == 15)
            chosen = id(rng);  // the multiplexer needs arity 3
        assignment.setIdentifier(gene, chosen);
    }
    return assignment;
}

// Bit i of the vector number is the value of input i.
std::string allCombinations() {
    std::string script = "# every combination of the inputs\n";
    script.reserve(static_cast<std::size_t>(kVectors) * 72);
    for (std::int32_t vector = 0; vector < kVectors; ++vector) {
        for (std::int32_t i = 0; i < kInputs; ++i) {
            if (i > 0) script += ' ';
            script += std::to_string(i);
            script += ':';
            script += ((vector >> i) & 1) ? '1' : '0';
        }
        script += '\n';
    }
    return script;
}

struct Fixture {
    Fixture() : assignment(randomAssignment()) {
        parseChromosome(circuitLine(), ParseMode::Draw, circuit);
        std::string pattern = (std::filesystem::temp_directory_path() / "pellisor-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
        directory = pattern;
        const std::string script = allCombinations();
        decimalScript = directory + "/all.csd";
        binaryScript = directory + "/all.csb";
        writeFileAtomically(decimalScript, script);
        writeFileAtomically(binaryScript, script);
    }
    ~Fixture() {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    Chromosome circuit;
    FunctionAssignment assignment;
    std::string directory;
    std::string decimalScript;
    std::string binaryScript;
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

// The same vectors set directly, evaluated, and the watched outputs read.
std::int64_t referencePass(Chromosome& circuit, const FunctionAssignment& assignment) {
    std::int64_t checksum = 0;
    for (std::int32_t vector = 0; vector < kVectors; ++vector) {
        for (std::int32_t i = 0; i < kInputs; ++i)
            circuit.blocks[static_cast<std::size_t>(i)].value = (vector >> i) & 1;
        evaluate(circuit, assignment);
        for (std::int32_t k = 0; k < kOutputs; ++k) {
            checksum += circuit.blocks[static_cast<std::size_t>(circuit.firstOutput() + k)].value;
        }
    }
    return checksum;
}

// Best of a few passes, so that the ratio compares against the reference at its fastest.
double referenceSeconds() {
    static const double seconds = [] {
        Fixture& f = fixture();
        double best = 1e9;
        for (int pass = 0; pass < 5; ++pass) {
            const auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(referencePass(f.circuit, f.assignment));
            best = std::min(best,
                            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        return best;
    }();
    return seconds;
}

void reportVectors(benchmark::State& state, double seconds) {
    const auto runs = static_cast<double>(state.iterations());
    state.counters["vectors/s"] = benchmark::Counter(kVectors * runs, benchmark::Counter::kIsRate);
    state.counters["vs_reference"] = seconds / runs / referenceSeconds();
}

void runScriptBench(benchmark::State& state, const std::string& path) {
    Fixture& f = fixture();
    referenceSeconds();
    std::vector<std::string> log;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(runScript(path, f.circuit, f.assignment, "bench", log, '.'));
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (log.size() != kVectors + 1) state.SkipWithError("the script did not evaluate every vector");
    reportVectors(state, seconds);
}

void BM_ScriptDecimal(benchmark::State& state) {
    runScriptBench(state, fixture().decimalScript);
}
void BM_ScriptBinary(benchmark::State& state) {
    runScriptBench(state, fixture().binaryScript);
}

void BM_Reference(benchmark::State& state) {
    Fixture& f = fixture();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(referencePass(f.circuit, f.assignment));
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    reportVectors(state, seconds);
}

BENCHMARK(BM_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptDecimal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptBinary)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
