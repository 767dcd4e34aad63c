#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pellisor::bench {

// Prints the usual console report and keeps each benchmark's real time per iteration, so that the
// program can print ratios between benchmarks measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // Real time per iteration in seconds; 0 when the benchmark did not run.
    double seconds(const std::string& name) const;
    // Prints "label: reference / measured = ratio x (target)" for each pair.
    void printRatios(const std::vector<std::pair<std::string, std::string>>& pairs, double target) const;

private:
    std::map<std::string, double> seconds_;
};

// Runs the registered benchmarks with the reporter; returns false when the arguments were wrong.
bool runBenchmarks(int argc, char** argv, RatioReporter& reporter);

}  // namespace pellisor::bench
