// The filter under fsCascade next to fsDirect: per sample (one indirect
// call each) and as a block, for bandpass designs of order 2, 4 and 8 (4,
// 8 and 16 poles: 2, 4 and 8 sections) at 1000-3000 Hz and 44100 Hz, on a
// signal of about unit amplitude and on a quiet one (1e-4). After the usual report a table
// gives nanoseconds per sample, per pole pair, and the cascade's time over
// the direct form's (with --benchmark_repetitions=k, the fastest of the k).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tessaro/sigIIRFilters.h"

namespace {

using tessaro::Extended;
using tessaro::TsigIIRFilter;

constexpr int kBlock = 4096;
constexpr int kOrders[] = {2, 4, 8};
constexpr Extended kLevels[] = {1.0L, 1e-4L};
const char* const kLevelNames[] = {"unit", "quiet"};

void Configure(TsigIIRFilter& f, int order, tessaro::TsigIIRStructure structure) {
  f.SetStructure(structure);
  f.SetResponse(tessaro::ftBandpass);
  f.SetOrder(order);
  f.SetFrequency1(1000.0L);
  f.SetFrequency2(3000.0L);
}

std::vector<Extended> Signal(Extended level) {
  std::vector<Extended> x(kBlock);
  for (int i = 0; i < kBlock; ++i) x[i] = level * (std::sin(0.01L * i) + 0.3L * std::sin(0.7L * i));
  return x;
}

// Arguments: order, level.
template <tessaro::TsigIIRStructure S>
void PerSample(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)), S);
  const std::vector<Extended> x = Signal(kLevels[state.range(1)]);
  for (auto _ : state)
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(f.Process(x[i]));
  state.SetItemsProcessed(state.iterations() * kBlock);
}

template <tessaro::TsigIIRStructure S>
void Block(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)), S);
  const std::vector<Extended> x = Signal(kLevels[state.range(1)]);
  std::vector<Extended> y(kBlock);
  for (auto _ : state) {
    f.Process(x, y);
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void Designs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"order", "level"});
  for (int level = 0; level < 2; ++level)
    for (int order : kOrders) b->Args({order, level});
}

void Register() {
  benchmark::RegisterBenchmark("Direct", PerSample<tessaro::fsDirect>)->Apply(Designs);
  benchmark::RegisterBenchmark("Cascade", PerSample<tessaro::fsCascade>)->Apply(Designs);
  benchmark::RegisterBenchmark("DirectBlock", Block<tessaro::fsDirect>)->Apply(Designs);
  benchmark::RegisterBenchmark("CascadeBlock", Block<tessaro::fsCascade>)->Apply(Designs);
}

// The console report, and the nanoseconds per sample kept for the table.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        const double ns = run.GetAdjustedCPUTime() / kBlock;
        auto [it, fresh] = times_.emplace(run.benchmark_name(), ns);
        if (!fresh && ns < it->second) it->second = ns;
      }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintTable() const {
    std::printf(
        "\nNanoseconds of processor time per sample (fastest repetition), per pole pair in\n"
        "brackets, and the cascade's time over the direct form's\n");
    std::printf("%6s %6s %5s | %17s %17s %6s | %17s %17s %6s\n", "signal", "order", "pairs",
                "direct", "cascade", "ratio", "direct block", "cascade block", "ratio");
    for (int level = 0; level < 2; ++level)
      for (int order : kOrders) {
        const std::string args =
            "/order:" + std::to_string(order) + "/level:" + std::to_string(level);
        const int pairs = order;  // a band design of order n has 2n poles
        std::printf("%6s %6d %5d |", kLevelNames[level], order, pairs);
        Pair(Time("Direct" + args), Time("Cascade" + args), pairs);
        std::printf(" |");
        Pair(Time("DirectBlock" + args), Time("CascadeBlock" + args), pairs);
        std::printf("\n");
      }
  }

 private:
  static void Pair(double direct, double cascade, int pairs) {
    if (direct > 0 && cascade > 0)
      std::printf(" %7.2f (%6.2f) %7.2f (%6.2f) %5.2fx", direct, direct / pairs, cascade,
                  cascade / pairs, cascade / direct);
    else
      std::printf(" %17s %17s %6s", "-", "-", "-");
  }

  double Time(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? 0.0 : it->second;
  }

  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Register();
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintTable();
  benchmark::Shutdown();
  return 0;
}
