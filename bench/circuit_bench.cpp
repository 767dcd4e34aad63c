// Large circuits: parsing speed against copying the same bytes, and the commands that walk a circuit
// over growing sizes, each against a plain pass over the blocks of the same circuit (the reference
// for linear time).

#include "bench_support.h"

#include "eval/evaluator.h"
#include "eval/function_assignment.h"
#include "model/chromosome_parser.h"
#include "optimise/redundant_gates.h"
#include "render/auto_place.h"
#include "render/cone.h"
#include "render/geometry.h"
#include "support/random_circuit.h"

#include <cstring>
#include <random>

namespace pellisor {
namespace {

// A feed-forward arity-2 circuit of `columns` x `rows` blocks, 9 inputs, 4 outputs, in its line form.
std::string bigLine(std::int32_t columns, std::int32_t rows) {
    std::mt19937 rng(5);
    test::CircuitShape shape{9, 4, columns, rows, 2};
    return test::chromosomeLine(test::randomCircuit(rng, shape, true, 31));
}

FunctionAssignment mixedAssignment() {
    FunctionAssignment assignment;
    const std::int32_t ids[] = {1, 2, 3, 4, 5, 10, 11, 24};
    for (std::int32_t gene = 0; gene < kGeneCount; ++gene)
        assignment.setIdentifier(gene, ids[gene % 8]);
    return assignment;
}

void parseLine(benchmark::State& state) {
    const std::string line = bigLine(1000, static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        Chromosome circuit;
        parseChromosome(line, ParseMode::Draw, circuit);
        benchmark::DoNotOptimize(circuit.blocks.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(line.size()));
    state.counters["blocks"] = double(1000 * state.range(0));
}

void copyLine(benchmark::State& state) {
    const std::string line = bigLine(1000, static_cast<std::int32_t>(state.range(0)));
    std::string copy(line.size(), '\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), line.data(), line.size());
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(line.size()));
}

// One command over a circuit of 1,000 columns and `range` rows; the time per block should stay flat.
template <void (*Command)(Chromosome&, const FunctionAssignment&)>
void command(benchmark::State& state) {
    Chromosome circuit;
    parseChromosome(bigLine(1000, static_cast<std::int32_t>(state.range(0))), ParseMode::Draw, circuit);
    placeOnGrid(circuit, defaultSpacingTexts());
    const FunctionAssignment assignment = mixedAssignment();
    computeDepths(circuit, assignment);
    for (auto _ : state) {
        state.PauseTiming();
        Chromosome work = circuit;
        state.ResumeTiming();
        Command(work, assignment);
        benchmark::DoNotOptimize(work.blocks.data());
    }
    state.counters["ns_per_block"] =
        benchmark::Counter(double(circuit.blocks.size()),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void depths(Chromosome& c, const FunctionAssignment& a) {
    computeDepths(c, a);
}
void cone(Chromosome& c, const FunctionAssignment& a) {
    markCone(c, a, c.blockTotal() - 1);
}
void hide(Chromosome& c, const FunctionAssignment& a) {
    hideNonFunctional(c, a);
}
void place(Chromosome& c, const FunctionAssignment&) {
    autoPlace(c, defaultSpacingTexts());
}
void detect(Chromosome& c, const FunctionAssignment& a) {
    detectRedundant(c, a);
}
void eliminate(Chromosome& c, const FunctionAssignment& a) {
    eliminateRedundant(c, a);
}
void evaluation(Chromosome& c, const FunctionAssignment& a) {
    evaluate(c, a);
}

BENCHMARK(parseLine)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(copyLine)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(command, evaluation)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(command, depths)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(command, cone)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(command, hide)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(command, place)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(command, detect)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(command, eliminate)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pellisor

int main(int argc, char** argv) {
    pellisor::bench::RatioReporter reporter;
    if (!pellisor::bench::runBenchmarks(argc, argv, reporter)) return 1;
    std::printf("\nParsing a line of 1,000,000 blocks takes %.1f times as long as copying it.\n",
                reporter.seconds("parseLine/1000") / reporter.seconds("copyLine/1000"));
    return 0;
}
