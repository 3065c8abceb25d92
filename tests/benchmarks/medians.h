// A Google Benchmark reporter that prints as usual and keeps the median of
// each benchmark's repetitions, for figures computed after the run.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <map>
#include <string>

namespace ce::bench {

class Medians : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, as the library's own reporter does.
    Medians() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median" || run.error_occurred) continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            double perUnit = 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            cpuUs_[name] = run.GetAdjustedCPUTime() * perUnit;
            realUs_[name] = run.GetAdjustedRealTime() * perUnit;
        }
    }
    // Median times in microseconds (-1 when the benchmark did not run).
    double CpuUs(const std::string& name) const { return Get(cpuUs_, name); }
    double RealUs(const std::string& name) const { return Get(realUs_, name); }

private:
    static double Get(const std::map<std::string, double>& m, const std::string& name) {
        auto it = m.find(name);
        return it == m.end() ? -1 : it->second;
    }
    std::map<std::string, double> cpuUs_, realUs_;
};

// Runs the benchmarks the command line selects and keeps their medians;
// false when the command line holds an option the library does not know.
inline bool RunAll(int argc, char** argv, Medians& medians) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    benchmark::RunSpecifiedBenchmarks(&medians);
    benchmark::Shutdown();
    return true;
}

}  // namespace ce::bench
