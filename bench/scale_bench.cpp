// Inputs far beyond any real circuit, each at a tenth of its size and at full size: a chromosome line of
// 100 MB in a .chr file, a script of 10 million lines over a small circuit, a layout file of a million
// sections, a .vrc file of 10,000 columns. Each must take time in proportion to its size (the ratio of
// the two times near 10) and memory within a few times the input (the peak growth of the process over
// the input's bytes), or fail with a clear error. The table at the end gives the figures.

#include "bench_support.h"

#include "app/layout_commands.h"
#include "eval/function_assignment.h"
#include "eval/script_runner.h"
#include "model/chromosome_file.h"
#include "model/chromosome_parser.h"
#include "model/error.h"
#include "model/settings_file.h"
#include "render/display_options.h"
#include "render/geometry.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace pellisor {
namespace {

namespace fs = std::filesystem;

// --- memory ---

std::size_t statusField(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stoul(line.substr(std::string(field).size())) * 1024;
    }
    return 0;
}

// The peak resident size starts again from the present size; returns that size.
std::size_t restartPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
    return statusField("VmRSS:");
}

std::size_t peakSince(std::size_t start) {
    const std::size_t peak = statusField("VmHWM:");
    return peak > start ? peak - start : 0;
}

// --- the inputs, written to files in a directory of the run ---

const std::string& directory() {
    static const std::string path = [] {
        std::string pattern = (fs::temp_directory_path() / "pellisor-scale-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
        return pattern;
    }();
    return path;
}

// Writes the file in pieces so that the writer never holds it whole.
std::size_t writeInPieces(const std::string& path, const std::function<bool(std::string&)>& next) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string piece;
    std::size_t total = 0;
    while (next(piece)) {
        out << piece;
        total += piece.size();
        piece.clear();
    }
    return total;
}

// A .chr file of one chromosome line of about `bytes` bytes: 9 inputs, 4 outputs, 100 rows of two-input
// blocks reading the column before.
std::size_t writeChrFile(const std::string& path, std::size_t bytes) {
    constexpr std::int32_t kInputs = 9;
    constexpr std::int32_t kRows = 100;
    // "([1234567]1234500,1234501,12)" is about 27 bytes.
    const auto columns = static_cast<std::int32_t>(bytes / (27 * kRows));
    std::mt19937 rng(3);
    std::int32_t column = -1;
    return writeInPieces(path, [&](std::string& piece) {
        if (column == -1) {
            piece = "# scale\n{" + std::to_string(kInputs) + ",4," + std::to_string(columns) + "," +
                    std::to_string(kRows) + ",2,1,-1}";
        } else if (column < columns) {
            const std::int32_t first = column == 0 ? 0 : kInputs + (column - 1) * kRows;
            const std::int32_t span = column == 0 ? kInputs : kRows;
            for (std::int32_t row = 0; row < kRows; ++row) {
                const std::int32_t index = kInputs + column * kRows + row;
                piece += "([" + std::to_string(index) + "]" +
                         std::to_string(first + std::int32_t(rng() % span)) + "," +
                         std::to_string(first + std::int32_t(rng() % span)) + "," +
                         std::to_string(rng() % 16) + ")";
            }
        } else if (column == columns) {
            const std::int32_t last = kInputs + (columns - 1) * kRows;
            piece = "(" + std::to_string(last) + "," + std::to_string(last + 1) + "," +
                    std::to_string(last + 2) + "," + std::to_string(last + 3) + ")\n";
        } else {
            return false;
        }
        ++column;
        return true;
    });
}

constexpr const char* kAdder = "{3,3,2,2,2,1,-1}([3]0,1,0)([4]0,1,1)([5]3,2,0)([6]4,2,2)(5,4,6)";

std::size_t writeScript(const std::string& path, std::size_t lines) {
    std::size_t line = 0;
    return writeInPieces(path, [&](std::string& piece) {
        if (line == lines) return false;
        for (std::size_t k = 0; k < 10000 && line < lines; ++k, ++line) {
            piece += "0:" + std::to_string(line % 256) + " 1:" + std::to_string(line / 256 % 256) +
                     " 2:" + std::to_string(line % 199) + "\n";
        }
        return true;
    });
}

// A .vrc file of `columns` lines of 100 groups.
std::size_t writeVrc(const std::string& path, std::size_t columns) {
    std::mt19937 rng(9);
    std::size_t column = 0;
    return writeInPieces(path, [&](std::string& piece) {
        if (column == columns) return false;
        if (column == 0) piece = "# scale\n";
        for (int row = 0; row < 100; ++row) {
            piece += std::to_string(rng() % 105) + " " + std::to_string(rng() % 105) + " " +
                     std::to_string(rng() % 16) + " |";
        }
        piece += "\n";
        ++column;
        return true;
    });
}

// A circuit of 9 inputs, 4 outputs and 1,000 columns of `rows` blocks, drawn.
Chromosome gridCircuit(std::int32_t rows) {
    std::string line = "{9,4,1000," + std::to_string(rows) + ",2,1,-1}";
    for (std::int32_t column = 0; column < 1000; ++column) {
        for (std::int32_t row = 0; row < rows; ++row) {
            line += "(" + std::to_string(row % 9) + "," + std::to_string((row + 1) % 9) + "," +
                    std::to_string(row % 8) + ")";
        }
    }
    line += "(9,10,11,12)";
    Chromosome circuit;
    parseChromosome(line, ParseMode::Draw, circuit);
    placeOnGrid(circuit, defaultSpacingTexts());
    return circuit;
}

// --- the measurements ---

struct Figures {
    std::size_t inputBytes = 0;
    std::size_t peakBytes = 0;
    double cpuSeconds = 0;  // of all threads: the machine may be shared, which wall time shows
    std::string failure;
};

double processSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}
std::map<std::string, Figures>& figures() {
    static std::map<std::string, Figures> all;
    return all;
}

// Times `step` once after `prepare`, which gives the input's size in bytes (0: `sizeAfter` gives it once
// the step has made it).
void measure(benchmark::State& state, const std::string& name, const std::function<std::size_t()>& prepare,
             const std::function<void()>& step, const std::function<void()>& cleanUp = {},
             const std::function<std::size_t()>& sizeAfter = {}) {
    for (auto _ : state) {
        Figures result;
        result.inputBytes = prepare();
        // Memory freed by earlier steps goes back to the system, so that it cannot hide this step's.
        ::malloc_trim(0);
        const std::size_t start = restartPeak();
        const double cpuBegin = processSeconds();
        const auto begin = std::chrono::steady_clock::now();
        try {
            step();
        } catch (const Error& error) {
            result.failure = error.what();
        }
        const auto end = std::chrono::steady_clock::now();
        result.cpuSeconds = processSeconds() - cpuBegin;
        result.peakBytes = peakSince(start);
        if (sizeAfter) result.inputBytes = sizeAfter();
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
        if (cleanUp) cleanUp();
        state.counters["input_MB"] = double(result.inputBytes) / 1e6;
        state.counters["peak_MB"] = double(result.peakBytes) / 1e6;
        if (!result.failure.empty()) state.SetLabel("failed: " + result.failure);
        figures()[name] = result;
    }
}

std::string sizeName(bool full) {
    return full ? "full" : "tenth";
}

// Each step runs once: the inputs take seconds to make. The steps of one input share it, so they run
// in the order registered (a filter that leaves out a load leaves its parse nothing to parse).
void configure(benchmark::internal::Benchmark* benchmark) {
    benchmark->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void registerAll() {
    for (const bool full : {false, true}) {
        const std::string size = sizeName(full);

        // A chromosome line of 100 MB: the loader reads the file, the parser builds the circuit.
        auto chrText = std::make_shared<std::string>();
        const std::string chrPath = directory() + "/line-" + size + ".chr";
        configure(benchmark::RegisterBenchmark(("chrLoad/" + size).c_str(), [=](benchmark::State& state) {
            measure(
                state, "chrLoad/" + size,
                [=] { return writeChrFile(chrPath, full ? 100'000'000 : 10'000'000); },
                [=] {
                    Chromosome circuit;
                    std::string fileName;
                    *chrText = loadChromosomeFile(chrPath, circuit, fileName, nullptr)->text;
                });
        }));
        configure(benchmark::RegisterBenchmark(("chrParse/" + size).c_str(), [=](benchmark::State& state) {
            auto circuit = std::make_shared<Chromosome>();
            measure(
                state, "chrParse/" + size, [=] { return chrText->size(); },
                [=] {
                    parseChromosome(*chrText, ParseMode::Draw, *circuit);
                    placeOnGrid(*circuit, defaultSpacingTexts());
                },
                [=] {
                    *circuit = Chromosome();
                    *chrText = std::string();
                    fs::remove(chrPath);
                });
        }));

        // A script of 10 million lines over the adder.
        const std::string scriptPath = directory() + "/lines-" + size + ".csd";
        configure(benchmark::RegisterBenchmark(("scriptRun/" + size).c_str(), [=](benchmark::State& state) {
            auto circuit = std::make_shared<Chromosome>();
            auto assignment = std::make_shared<FunctionAssignment>();
            auto log = std::make_shared<std::vector<std::string>>();
            measure(
                state, "scriptRun/" + size,
                [=] {
                    parseChromosome(kAdder, ParseMode::Draw, *circuit);
                    assignment->setIdentifier(0, 24);
                    assignment->setIdentifier(1, 26);
                    assignment->setIdentifier(2, 10);
                    return writeScript(scriptPath, full ? 10'000'000 : 1'000'000);
                },
                [=] {
                    const std::string clipboard =
                        runScript(scriptPath, *circuit, *assignment, "scale", *log, '.');
                    benchmark::DoNotOptimize(clipboard.data());
                },
                [=] {
                    *log = {};
                    fs::remove(scriptPath);
                });
        }));

        // A layout of a million sections, saved and loaded again.
        const std::string layoutPath = directory() + "/layout-" + size + ".ini";
        auto grid = std::make_shared<Chromosome>();
        configure(benchmark::RegisterBenchmark(("layoutSave/" + size).c_str(), [=](benchmark::State& state) {
            measure(
                state, "layoutSave/" + size,
                [=] {
                    *grid = gridCircuit(full ? 1000 : 100);
                    fs::remove(layoutPath);
                    return std::size_t{0};
                },
                [=] { saveLayout(layoutPath, *grid, FunctionAssignment(), DisplayOptions(), {}); }, {},
                [=] { return static_cast<std::size_t>(fs::file_size(layoutPath)); });
        }));
        // Saved again over the file of the save before: every section is merged where it stands.
        configure(
            benchmark::RegisterBenchmark(("layoutResave/" + size).c_str(), [=](benchmark::State& state) {
                measure(
                    state, "layoutResave/" + size,
                    [=] {
                        for (Block& block : grid->blocks)
                            block.x += 1;
                        return static_cast<std::size_t>(fs::file_size(layoutPath));
                    },
                    [=] {
                        saveLayout(layoutPath, *grid, FunctionAssignment(), DisplayOptions(),
                                   [](const std::string&, const std::string&) { return true; });
                    });
            }));
        configure(benchmark::RegisterBenchmark(("layoutLoad/" + size).c_str(), [=](benchmark::State& state) {
            auto assignment = std::make_shared<FunctionAssignment>();
            measure(
                state, "layoutLoad/" + size,
                [=] {
                    assignment->loadAssignment(SettingsFile(directory() + "/none.ini"));
                    for (Block& block : grid->blocks)
                        block.x = 0;
                    return static_cast<std::size_t>(fs::file_size(layoutPath));
                },
                [=] {
                    DisplayOptions options;
                    loadLayout(layoutPath, *grid, *assignment, options);
                },
                [=] {
                    *grid = Chromosome();
                    fs::remove(layoutPath);
                });
        }));

        // A .vrc file of 10,000 columns of 100 rows: converted after its three answers, then parsed.
        const std::string vrcPath = directory() + "/cells-" + size + ".vrc";
        auto vrcText = std::make_shared<std::string>();
        configure(benchmark::RegisterBenchmark(("vrcLoad/" + size).c_str(), [=](benchmark::State& state) {
            measure(
                state, "vrcLoad/" + size, [=] { return writeVrc(vrcPath, full ? 10'000 : 1'000); },
                [=] {
                    Chromosome circuit;
                    std::string fileName;
                    std::vector<std::string> answers{"4", "2", "0"};
                    *vrcText = loadChromosomeFile(vrcPath, circuit, fileName,
                                                  [&](const std::string&, const std::string&,
                                                      const std::string&) -> std::optional<std::string> {
                                                      const std::string answer = answers.front();
                                                      answers.erase(answers.begin());
                                                      return answer;
                                                  })
                                   ->text;
                },
                [=] { fs::remove(vrcPath); });
        }));
        configure(benchmark::RegisterBenchmark(("vrcParse/" + size).c_str(), [=](benchmark::State& state) {
            auto circuit = std::make_shared<Chromosome>();
            measure(
                state, "vrcParse/" + size, [=] { return vrcText->size(); },
                [=] {
                    parseChromosome(*vrcText, ParseMode::Draw, *circuit);
                    placeOnGrid(*circuit, defaultSpacingTexts());
                },
                [=] {
                    *circuit = Chromosome();
                    *vrcText = std::string();
                });
        }));
    }
}

void printTable(const bench::RatioReporter& reporter) {
    std::printf("\n%-12s %9s %9s %9s %9s %6s %9s %9s %6s %10s  %s\n", "input", "tenth MB", "full MB",
                "tenth s", "full s", "ratio", "tenth cpu", "full cpu", "ratio", "peak/input", "result");
    for (const char* name : {"chrLoad", "chrParse", "scriptRun", "layoutSave", "layoutResave", "layoutLoad",
                             "vrcLoad", "vrcParse"}) {
        const std::string base = name;
        const Figures& tenth = figures()[base + "/tenth"];
        const Figures& full = figures()[base + "/full"];
        const double small = reporter.seconds(base + "/tenth");
        const double large = reporter.seconds(base + "/full");
        const double perInput = full.inputBytes > 0 ? double(full.peakBytes) / double(full.inputBytes) : 0;
        std::printf("%-12s %9.1f %9.1f %9.3f %9.3f %6.1f %9.3f %9.3f %6.1f %10.2f  %s\n", name,
                    double(tenth.inputBytes) / 1e6, double(full.inputBytes) / 1e6, small, large,
                    small > 0 ? large / small : 0, tenth.cpuSeconds, full.cpuSeconds,
                    tenth.cpuSeconds > 0 ? full.cpuSeconds / tenth.cpuSeconds : 0, perInput,
                    full.failure.empty() ? "works" : full.failure.c_str());
    }
    std::printf(
        "(ratio: full over tenth, 10 for linear time, in wall and in CPU time of all threads; peak/input:\n"
        " the peak growth of the process over the bytes of the full input, for a layout save the file it\n"
        " writes; a parse's input is the chromosome line)\n");
}

}  // namespace
}  // namespace pellisor

int main(int argc, char** argv) {
    pellisor::registerAll();
    pellisor::bench::RatioReporter reporter;
    const bool ran = pellisor::bench::runBenchmarks(argc, argv, reporter);
    if (ran) pellisor::printTable(reporter);
    std::error_code ignored;
    std::filesystem::remove_all(pellisor::directory(), ignored);
    return ran ? 0 : 1;
}
