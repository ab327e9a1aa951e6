#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace movra::bench {

// Keeps the median of each benchmark (real and CPU time) so that main can print the ratios. On a
// machine shared with other work the CPU-time ratio is the steadier one.
class TMedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Medians;
    std::map<std::string, double> CpuMedians;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                Medians[run.run_name.function_name] = run.GetAdjustedRealTime();
                CpuMedians[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace movra::bench
