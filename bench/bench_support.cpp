#include "bench_support.h"

#include <cstdio>

namespace pellisor::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
        seconds_[run.benchmark_name()] =
            run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
}

double RatioReporter::seconds(const std::string& name) const {
    for (const auto& [key, value] : seconds_) {
        if (key.rfind(name, 0) == 0) return value;
    }
    return 0;
}

void RatioReporter::printRatios(const std::vector<std::pair<std::string, std::string>>& pairs,
                                double target) const {
    std::printf("\nRatios (reference time / measured time, same run):\n");
    for (const auto& [reference, measured] : pairs) {
        const double a = seconds(reference);
        const double b = seconds(measured);
        if (a <= 0 || b <= 0) continue;
        std::printf("  %-28s over %-28s %8.2fx  (target %gx: %s)\n", measured.c_str(), reference.c_str(),
                    a / b, target, a / b >= target ? "met" : "NOT met");
    }
}

bool runBenchmarks(int argc, char** argv, RatioReporter& reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}

}  // namespace pellisor::bench
