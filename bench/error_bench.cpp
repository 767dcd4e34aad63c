// The error figures of the shipped 8 x 8 tree multiplier over all 65,536 operand pairs through the
// compiled evaluator, against the same vectors through the plain evaluator (inputs set, circuit
// evaluated, result bits read; no figures), measured in the same run.

#include "bench_support.h"

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "measure/error_metrics.h"
#include "model/cgp_file.h"
#include "model/chromosome_parser.h"
#include "model/file_io.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace pellisor {
namespace {

struct Multiplier {
    Chromosome circuit;
    FunctionAssignment assignment;
};

const Multiplier& multiplier() {
    static const Multiplier loaded = [] {
        const std::optional<std::string> text = readFileBytes(PELLISOR_EXAMPLES_DIR "/mul_tree8.cgp");
        if (!text) throw std::runtime_error("examples/mul_tree8.cgp cannot be read");
        const ConvertedCircuit converted = convertCgpText(*text);
        Multiplier made;
        parseChromosome(converted.line, ParseMode::Draw, made.circuit);
        for (const GeneFunction& gene : converted.functions.genes)
            made.assignment.assignGene(gene.gene, gene.identifier);
        return made;
    }();
    return loaded;
}

void BM_ErrorFiguresCompiled(benchmark::State& state) {
    const Multiplier& m = multiplier();
    for (auto _ : state) {
        const ErrorFigures figures = measureError(m.circuit, m.assignment, {ErrorOperation::Mul, {8, 8}});
        if (figures.wce != 0) state.SkipWithError("the exact multiplier shows an error");
        benchmark::DoNotOptimize(figures);
    }
}

void BM_PlainEvaluatorSameVectors(benchmark::State& state) {
    Multiplier m = multiplier();
    for (auto _ : state) {
        std::uint64_t check = 0;
        for (std::uint32_t v = 0; v < 65536; ++v) {
            for (std::int32_t k = 0; k < 16; ++k)
                m.circuit.blocks[std::size_t(k)].value = std::int32_t(v >> k & 1);
            evaluate(m.circuit, m.assignment);
            std::uint32_t product = 0;
            for (std::int32_t j = 0; j < 16; ++j)
                product |= std::uint32_t(m.circuit.blocks[std::size_t(m.circuit.firstOutput() + j)].value & 1)
                           << j;
            check += product;
        }
        benchmark::DoNotOptimize(check);
    }
}

BENCHMARK(BM_ErrorFiguresCompiled)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainEvaluatorSameVectors)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pellisor

int main(int argc, char** argv) {
    pellisor::bench::RatioReporter reporter;
    if (!pellisor::bench::runBenchmarks(argc, argv, reporter)) return 1;
    const double compiled = reporter.seconds("BM_ErrorFiguresCompiled");
    std::printf("\nError figures of the 8x8 multiplier over 65,536 vectors: %.4f s (target under 0.1 s)\n",
                compiled);
    reporter.printRatios({{"BM_PlainEvaluatorSameVectors", "BM_ErrorFiguresCompiled"}}, 10);
    return 0;
}
