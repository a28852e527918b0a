// The report shared by the benchmarks: Google Benchmark's console report,
// and each benchmark's fastest repetition in processor time kept for a
// table of ratios printed after the run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tessaro::bench {

class FastestReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        // The fastest repetition: the least disturbed by whatever else the
        // machine runs.
        const double ns = run.GetAdjustedCPUTime();
        auto [it, fresh] = times_.emplace(run.benchmark_name(), ns);
        if (!fresh && ns < it->second) it->second = ns;
      }
    ConsoleReporter::ReportRuns(runs);
  }

  // Nanoseconds of processor time per iteration of the named benchmark's
  // fastest repetition; 0 when it did not run.
  double Nanoseconds(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> times_;
};

// Runs the benchmarks the command line selects with that report, then
// prints the table. Returns main's exit status.
template <class PrintTable>
int RunAndTabulate(int argc, char** argv, PrintTable printTable) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  FastestReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printTable(reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace tessaro::bench
