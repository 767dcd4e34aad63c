// The 3x3 filter on a full-HD picture: the compiled, multi-core path (in machine code made for the
// circuit, and with the lane kernels alone) against a plain per-pixel evaluator that walks every block
// with the function identifiers resolved once, against OpenCV's median filter and against copying the
// picture once; the time to translate a circuit of 100 blocks; and a whole quality measurement against
// the filter alone.

#include "bench_support.h"

#include "eval/compiled_circuit.h"
#include "eval/function_assignment.h"
#include "eval/image_filter.h"
#include "eval/jit_circuit.h"
#include "measure/noise.h"
#include "measure/picture_quality.h"
#include "model/chromosome_parser.h"
#include "model/function_table.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>

namespace pellisor {
namespace {

constexpr std::int32_t kWidth = 1920;
constexpr std::int32_t kHeight = 1080;

const RgbImage& picture() {
    static const RgbImage image = [] {
        std::mt19937 rng(1);
        RgbImage result{kWidth, kHeight, {}};
        result.pixels.resize(result.stride() * kHeight);
        for (auto& byte : result.pixels)
            byte = static_cast<std::uint8_t>(rng());
        return result;
    }();
    return image;
}

struct Filter {
    Chromosome circuit;
    FunctionAssignment assignment;
    std::size_t activeBlocks = 0;
};

std::size_t activeBlocks(const Filter& filter) {
    return CompiledCircuit::compile(filter.circuit, filter.assignment, 0)->operationCount();
}

// The median of nine by 19 compare-exchange steps, each a MIN block (gene 0) and a MAX block (gene 1)
// in one column.
Filter medianOfNine() {
    static constexpr std::array<std::pair<int, int>, 19> kSteps{{{1, 2},
                                                                 {4, 5},
                                                                 {7, 8},
                                                                 {0, 1},
                                                                 {3, 4},
                                                                 {6, 7},
                                                                 {1, 2},
                                                                 {4, 5},
                                                                 {7, 8},
                                                                 {0, 3},
                                                                 {5, 8},
                                                                 {4, 7},
                                                                 {3, 6},
                                                                 {1, 4},
                                                                 {2, 5},
                                                                 {4, 7},
                                                                 {4, 2},
                                                                 {6, 4},
                                                                 {4, 2}}};
    std::array<int, 9> position{0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::string line = "{9,1,19,2,2,1,-1}";
    int next = 9;
    for (const auto& [a, b] : kSteps) {
        line += "(" + std::to_string(position[a]) + "," + std::to_string(position[b]) + ",0)";
        line += "(" + std::to_string(position[a]) + "," + std::to_string(position[b]) + ",1)";
        position[a] = next;
        position[b] = next + 1;
        next += 2;
    }
    line += "(" + std::to_string(position[4]) + ")";
    Filter filter;
    parseChromosome(line, ParseMode::Draw, filter.circuit);
    filter.assignment.setIdentifier(0, 11);
    filter.assignment.setIdentifier(1, 10);
    filter.activeBlocks = activeBlocks(filter);
    return filter;
}

// A random 8 x 8 arity-2 circuit over the given functions (one per gene), output 0 on the last block;
// sources lie in the two columns before (or the inputs), as evolved filters mostly have them. The first
// seed whose output uses 15 ... 50 blocks is taken, so the circuit is the same in every run.
Filter random8x8(const std::vector<std::int32_t>& functions) {
    for (std::uint32_t seed = 8;; ++seed) {
        std::mt19937 rng(seed);
        std::string line = "{9,1,8,8,2,2,-1}";
        for (int index = 9; index < 9 + 64; ++index) {
            const int column = (index - 9) / 8;
            const int low = column < 2 ? 0 : 9 + (column - 2) * 8;
            const int high = 9 + column * 8;  // sources in earlier columns only
            auto source = [&] {
                return std::to_string(low + static_cast<int>(rng() % std::uint32_t(high - low)));
            };
            line += "(" + source() + "," + source() + "," + std::to_string(rng() % functions.size()) + ")";
        }
        line += "(" + std::to_string(9 + 63) + ")";
        Filter filter;
        parseChromosome(line, ParseMode::Draw, filter.circuit);
        for (std::size_t gene = 0; gene < functions.size(); ++gene) {
            filter.assignment.setIdentifier(static_cast<std::int32_t>(gene), functions[gene]);
        }
        filter.activeBlocks = activeBlocks(filter);
        if (filter.activeBlocks >= 15 && filter.activeBlocks <= 50) return filter;
    }
}

// Functions that keep every value in 0 ... 255: the filter runs in 8-bit lanes.
Filter random8x8Bytes() {
    return random8x8({1, 2, 3, 10, 11, 16, 18, 19, 20, 21, 23, 24, 25, 26, 27, 42});
}

// Functions whose values leave 0 ... 255 but stay within 16 bits (sums, one-bit shifts left): 16-bit
// lanes.
Filter random8x8Halves() {
    return random8x8({13, 14, 34, 35, 43, 44, 1, 2, 3, 10, 11, 21, 25, 26, 27, 42});
}

// Shifts left and negation take values out of 0 ... 255 (and out of 16 bits): 32-bit lanes.
Filter random8x8Wide() {
    return random8x8({13, 34, 37, 41, 45, 48, 51, 2, 3, 10, 11, 24, 26, 43, 44, 14});
}

// One block that passes the centre pixel on: what the filter costs besides its circuit (the result
// picture, its frame, the threads and the rows handed out).
Filter centrePixel() {
    Filter filter;
    parseChromosome("{9,1,1,1,2,1,-1}(4,4,0)(9)", ParseMode::Draw, filter.circuit);
    filter.assignment.setIdentifier(0, toIdentifier(FunctionId::In1));
    filter.activeBlocks = 1;
    return filter;
}

// The reference: per pixel and channel, every block in index order through applyFunction.
void plainFilter(const Filter& filter, RgbImage& result) {
    const Chromosome& circuit = filter.circuit;
    std::vector<std::int32_t> ids;
    for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i) {
        ids.push_back(filter.assignment.identifierOf(circuit.blocks[std::size_t(i)].function));
    }
    std::vector<std::int32_t> values(circuit.blocks.size(), 0);
    const std::int32_t source = circuit.blocks[std::size_t(circuit.firstOutput())].inputs[0];
    const RgbImage& image = picture();
    for (std::int32_t y = 1; y + 1 < image.height; ++y) {
        for (std::int32_t x = 1; x + 1 < image.width; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                for (int k = 0; k < 9; ++k)
                    values[std::size_t(k)] =
                        image.row(y + k / 3 - 1)[std::size_t(x + k % 3 - 1) * 3 + std::size_t(channel)];
                for (std::int32_t i = circuit.inputCount; i < circuit.firstOutput(); ++i) {
                    const Block& block = circuit.blocks[std::size_t(i)];
                    values[std::size_t(i)] = applyFunction(ids[std::size_t(i - circuit.inputCount)],
                                                           values[std::size_t(block.inputs[0])],
                                                           values[std::size_t(block.inputs[1])], 0);
                }
                result.row(y)[std::size_t(x) * 3 + std::size_t(channel)] =
                    static_cast<std::uint8_t>(values[std::size_t(source)] & 0xFF);
            }
        }
    }
}

void report(benchmark::State& state, const Filter& filter) {
    const double evaluations = double(filter.activeBlocks) * double(kWidth - 2) * double(kHeight - 2) * 3;
    state.counters["active_blocks"] = double(filter.activeBlocks);
    state.counters["lane_bits"] = double(static_cast<int>(
        CompiledCircuit::compileForBytes(filter.circuit, filter.assignment, 0)->laneWidth()));
    state.counters["block_evals_per_s"] =
        benchmark::Counter(evaluations, benchmark::Counter::kIsIterationInvariantRate);
}

// The compiled circuit alone over every row on one core, into a picture made once: the speed of the
// code made for the circuit without the filter's threads and allocation.
void rowsOnOneCore(benchmark::State& state, Filter (*make)()) {
    const Filter filter = make();
    const auto compiled = CompiledCircuit::compileForBytes(filter.circuit, filter.assignment, 0);
    CompiledCircuit::Workspace workspace(*compiled);
    const RgbImage& image = picture();
    RgbImage result = image;
    const std::size_t laneCount = std::size_t(kWidth - 2) * 3;
    const std::size_t chunk = std::min(compiled->longestByteRun(), laneCount);
    for (auto _ : state) {
        for (std::int32_t y = 1; y + 1 < kHeight; ++y) {
            for (std::size_t start = 0; start < laneCount; start += chunk) {
                const std::uint8_t* inputs[9];
                for (std::int32_t k = 0; k < 9; ++k)
                    inputs[k] = image.row(y + k / 3 - 1) + start + std::size_t(k % 3) * 3;
                compiled->runBytes(workspace, inputs, std::min(chunk, laneCount - start),
                                   result.row(y) + 3 + start);
            }
        }
        benchmark::DoNotOptimize(result.pixels.data());
    }
    report(state, filter);
    if (const JitCircuit* code = compiled->machineCode()) {
        state.counters["vectors_per_step"] = code->vectorsPerStep();
        state.counters["code_bytes"] = double(code->codeBytes());
    }
}

void compiledBenchmark(benchmark::State& state, Filter (*make)()) {
    Filter filter = make();
    for (auto _ : state) {
        auto result = filterImage3x3(filter.circuit, filter.assignment, picture());
        benchmark::DoNotOptimize(result);
    }
    report(state, filter);
}

// Sets PELLISOR_JIT for as long as it lives, as the filter reads it when it compiles the circuit.
class MachineCodeSetting {
public:
    explicit MachineCodeSetting(bool allowed) {
        if (const char* before = std::getenv("PELLISOR_JIT")) saved_ = before;
        setenv("PELLISOR_JIT", allowed ? "1" : "0", 1);
    }
    MachineCodeSetting(const MachineCodeSetting&) = delete;
    MachineCodeSetting& operator=(const MachineCodeSetting&) = delete;
    ~MachineCodeSetting() {
        if (saved_) {
            setenv("PELLISOR_JIT", saved_->c_str(), 1);
        } else {
            unsetenv("PELLISOR_JIT");
        }
    }

private:
    std::optional<std::string> saved_;
};

// The compiled path with the lane kernels alone, as without machine code.
void interpretedBenchmark(benchmark::State& state, Filter (*make)()) {
    const MachineCodeSetting interpreted(false);
    compiledBenchmark(state, make);
}

// A chain of 100 blocks in 8-bit lanes, each reading the block before and one entry further back.
Filter chainOf100(std::uint32_t seed = 100) {
    std::mt19937 rng(seed);
    std::string line = "{9,1,100,1,2,100,-1}";
    for (int index = 9; index < 109; ++index) {
        const int back = static_cast<int>(rng() % static_cast<std::uint32_t>(index - 1));
        line += "(" + std::to_string(index - 1) + "," + std::to_string(back) + "," +
                std::to_string(rng() % 16) + ")";
    }
    line += "(108)";
    Filter filter;
    parseChromosome(line, ParseMode::Draw, filter.circuit);
    const std::array<std::int32_t, 16> functions{1, 2, 3, 10, 11, 16, 18, 19, 20, 21, 23, 24, 25, 26, 27, 42};
    for (std::size_t gene = 0; gene < functions.size(); ++gene)
        filter.assignment.setIdentifier(static_cast<std::int32_t>(gene), functions[gene]);
    filter.activeBlocks = activeBlocks(filter);
    return filter;
}

// Compiling the circuit for bytes with and without its translation to machine code: the difference is
// the translation's time. Translations are kept per circuit, so each compilation takes another of 100
// chains, more than the translations kept.
void compileBenchmark(benchmark::State& state, bool machineCode) {
    std::vector<Filter> chains;
    for (std::uint32_t seed = 0; seed < 100; ++seed)
        chains.push_back(chainOf100(1000 + seed));
    const MachineCodeSetting setting(machineCode);
    std::size_t next = 0;
    for (auto _ : state) {
        const Filter& filter = chains[next++ % chains.size()];
        auto compiled = CompiledCircuit::compileForBytes(filter.circuit, filter.assignment, 0);
        benchmark::DoNotOptimize(compiled);
    }
    const auto compiled = CompiledCircuit::compileForBytes(chains[0].circuit, chains[0].assignment, 0);
    state.counters["active_blocks"] = double(chains[0].activeBlocks);
    state.counters["lane_bits"] = double(static_cast<int>(compiled->laneWidth()));
    state.counters["machine_code"] = compiled->usesMachineCode() ? 1 : 0;
}

void plainBenchmark(benchmark::State& state, Filter (*make)()) {
    const Filter filter = make();
    RgbImage result = picture();
    for (auto _ : state) {
        plainFilter(filter, result);
        benchmark::DoNotOptimize(result.pixels.data());
    }
    report(state, filter);
}

// OpenCV's 3x3 median of the same picture, channel by channel, on its own threads.
void opencvMedian(benchmark::State& state) {
    const RgbImage& image = picture();
    const cv::Mat source(image.height, image.width, CV_8UC3, const_cast<std::uint8_t*>(image.pixels.data()));
    cv::Mat target;
    for (auto _ : state) {
        cv::medianBlur(source, target, 3);
        benchmark::DoNotOptimize(target.data);
    }
}

// Copying the picture's bytes once.
void copyPicture(benchmark::State& state) {
    const RgbImage& image = picture();
    std::vector<std::uint8_t> target(image.pixels.size());
    for (auto _ : state) {
        std::memcpy(target.data(), image.pixels.data(), image.pixels.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

// What -q: does besides writing files: noise on the picture, the filter, the median baseline, the
// difference picture and the figures of the three comparisons.
void qualityRun(benchmark::State& state) {
    Filter filter = medianOfNine();
    for (auto _ : state) {
        const RgbImage noisy = addNoise(picture(), {NoiseKind::SaltAndPepper, 0.1, 7});
        const RgbImage filtered = *filterImage3x3(filter.circuit, filter.assignment, noisy);
        const RgbImage median = median3x3(noisy);
        const RgbImage difference = differencePicture(filtered, picture());
        auto figures = compareInterior({&filtered, &noisy, &median}, picture());
        benchmark::DoNotOptimize(figures);
        benchmark::DoNotOptimize(difference.pixels.data());
    }
}

// The parts of the quality run one by one, so that each one's share can be read off.
const RgbImage& noisyPicture() {
    static const RgbImage noisy = addNoise(picture(), {NoiseKind::SaltAndPepper, 0.1, 7});
    return noisy;
}

void qualityNoise(benchmark::State& state) {
    for (auto _ : state) {
        const RgbImage noisy = addNoise(picture(), {NoiseKind::SaltAndPepper, 0.1, 7});
        benchmark::DoNotOptimize(noisy.pixels.data());
    }
}

void qualityMedian(benchmark::State& state) {
    for (auto _ : state) {
        const RgbImage median = median3x3(noisyPicture());
        benchmark::DoNotOptimize(median.pixels.data());
    }
}

void qualityDifference(benchmark::State& state) {
    for (auto _ : state) {
        const RgbImage difference = differencePicture(noisyPicture(), picture());
        benchmark::DoNotOptimize(difference.pixels.data());
    }
}

// The three comparisons (SSIM and the difference figures) of the quality run.
void qualityCompare(benchmark::State& state) {
    const RgbImage median = median3x3(noisyPicture());
    for (auto _ : state) {
        auto figures = compareInterior({&median, &noisyPicture(), &median}, picture());
        benchmark::DoNotOptimize(figures);
    }
}

BENCHMARK_CAPTURE(plainBenchmark, median_plain, medianOfNine)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(compiledBenchmark, median_compiled, medianOfNine)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(interpretedBenchmark, median_interpreted, medianOfNine)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(opencvMedian)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(plainBenchmark, random8x8_plain, random8x8Bytes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(compiledBenchmark, random8x8_compiled, random8x8Bytes)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(interpretedBenchmark, random8x8_interpreted, random8x8Bytes)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(copyPicture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(compiledBenchmark, centre_compiled, centrePixel)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(rowsOnOneCore, median_rows, medianOfNine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(rowsOnOneCore, random8x8_rows, random8x8Bytes)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(rowsOnOneCore, centre_rows, centrePixel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(compileBenchmark, chain100_machine_code, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(compileBenchmark, chain100_lane_kernels, false)->Unit(benchmark::kMicrosecond);
BENCHMARK(qualityRun)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(qualityNoise)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(qualityMedian)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(qualityDifference)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(qualityCompare)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_CAPTURE(plainBenchmark, wide8x8_plain, random8x8Wide)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(compiledBenchmark, wide8x8_compiled, random8x8Wide)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(interpretedBenchmark, wide8x8_interpreted, random8x8Wide)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(plainBenchmark, half8x8_plain, random8x8Halves)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(compiledBenchmark, half8x8_compiled, random8x8Halves)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(interpretedBenchmark, half8x8_interpreted, random8x8Halves)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace pellisor

int main(int argc, char** argv) {
    const auto set = pellisor::JitCircuit::chosenInstructionSet();
    std::printf(
        "lane kernels run with %s; machine code: %s (PELLISOR_JIT_ISA=avx2|avx512 chooses, "
        "PELLISOR_JIT=0 turns it off)\n",
        pellisor::laneKernelTarget(),
        set                                             ? pellisor::JitCircuit::nameOf(*set)
        : !pellisor::JitCircuit::enabledByEnvironment() ? "off"
                                                        : "none for this processor");
    pellisor::bench::RatioReporter reporter;
    if (!pellisor::bench::runBenchmarks(argc, argv, reporter)) return 1;
    // The filter against the plain evaluator, per lane width: at least 1,000 times as fast.
    reporter.printRatios({{"plainBenchmark/median_plain", "compiledBenchmark/median_compiled"},
                          {"plainBenchmark/random8x8_plain", "compiledBenchmark/random8x8_compiled"},
                          {"plainBenchmark/half8x8_plain", "compiledBenchmark/half8x8_compiled"},
                          {"plainBenchmark/wide8x8_plain", "compiledBenchmark/wide8x8_compiled"}},
                         1000);
    // The median's speed against OpenCV's: at least 1.5 times (the goal is 2).
    reporter.printRatios({{"opencvMedian", "compiledBenchmark/median_compiled"}}, 1.5);
    // One copy of the picture against the whole filter: at most 3 times as long (1/3).
    reporter.printRatios({{"copyPicture", "compiledBenchmark/random8x8_compiled"},
                          {"copyPicture", "compiledBenchmark/centre_compiled"}},
                         1.0 / 3);
    // Machine code against the lane kernels alone, on the same circuits.
    reporter.printRatios(
        {{"interpretedBenchmark/median_interpreted", "compiledBenchmark/median_compiled"},
         {"interpretedBenchmark/random8x8_interpreted", "compiledBenchmark/random8x8_compiled"},
         {"interpretedBenchmark/half8x8_interpreted", "compiledBenchmark/half8x8_compiled"},
         {"interpretedBenchmark/wide8x8_interpreted", "compiledBenchmark/wide8x8_compiled"}},
        1);
    // The whole quality measurement at most 4 times as long as the filter alone (0.25).
    reporter.printRatios({{"compiledBenchmark/median_compiled", "qualityRun"}}, 0.25);
    return 0;
}
