// IIR filter throughput: TsigIIRFilter::Process per sample and as a block
// against a literal reference of the difference equation (both histories
// shifted by one entry per sample with extended loads and stores, the
// accumulation exactly as written, called through one indirect call), for
// CoefficientCount 1, 2, 8 and 16, on a signal of about unit amplitude and
// on a quiet one (1e-4) whose partial sums need the anti-denormal step.
// Also the pass-through and mute routines, with an array sample and with a
// constant one as the Perfomance program passes it. After the usual report
// a table gives nanoseconds per sample and the speed-up over the reference
// (with --benchmark_repetitions=k, the fastest of the k).
#include <benchmark/benchmark.h>

#include <array>
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

struct Design {
  const char* name;
  tessaro::TsigIIRFilterResponse response;
  int order;
  int count;  // the CoefficientCount it gives
};

constexpr Design kDesigns[] = {
    {"lowpass 1", tessaro::ftLowpass, 1, 1},
    {"lowpass 2", tessaro::ftLowpass, 2, 2},
    {"lowpass 8", tessaro::ftLowpass, 8, 8},
    {"bandstop 8", tessaro::ftBandstop, 8, 16},
};
constexpr int kDesignCount = 4;

// Amplitudes of the two signals.
constexpr Extended kLevels[] = {1.0L, 1e-4L};
const char* const kLevelNames[] = {"unit", "quiet"};

void Configure(TsigIIRFilter& f, int design, Extended f1 = 1000.0L, Extended f2 = 3000.0L) {
  f.SetResponse(kDesigns[design].response);
  f.SetOrder(kDesigns[design].order);
  f.SetFrequency1(f1);
  f.SetFrequency2(f2);
}

std::vector<Extended> Signal(Extended level) {
  std::vector<Extended> x(kBlock);
  for (int i = 0; i < kBlock; ++i) x[i] = level * (std::sin(0.01L * i) + 0.3L * std::sin(0.7L * i));
  return x;
}

// --- the literal reference ----------------------------------------------------

struct LiteralFilter {
  std::array<Extended, 33> X{}, Y{}, B{}, A{};
  Extended g = 0.0L;
  int n = 0;

  explicit LiteralFilter(const TsigIIRFilter& f) : g(f.InputScale()), n(f.CoefficientCount()) {
    for (int i = 0; i < 33; ++i) {
      B[i] = f.InputCoefficients()[i];
      A[i] = f.OutputCoefficients()[i];
    }
  }
};

// Moves an extended value through the x87 stack: an 80-bit load and store,
// which the compiler may not turn into a block move.
inline void Move(Extended& to, const Extended& from) {
  Extended v = from;
  asm("" : "+t"(v));
  to = v;
}

[[gnu::noinline]] Extended LiteralFilterSample(LiteralFilter& f, Extended x) {
  const int n = f.n;
  constexpr Extended d = 1e-20L;
  for (int i = 0; i < n; ++i) {
    Move(f.X[i], f.X[i + 1]);
    Move(f.Y[i], f.Y[i + 1]);
  }
  const Extended t = ((x + d) - d) * f.g;
  f.X[n] = t;
  Extended acc = t;
  for (int i = 0; i < n; ++i) acc = (((f.X[i] * f.B[i] + acc) + f.Y[i] * f.A[i]) + d) - d;
  f.Y[n] = acc;
  return acc;
}

[[gnu::noinline]] Extended LiteralPassSample(LiteralFilter&, Extended x) { return x; }

[[gnu::noinline]] Extended LiteralMuteSample(LiteralFilter&, Extended) { return 0.0L; }

using LiteralRoutine = Extended (*)(LiteralFilter&, Extended);

// The routine pointer, hidden from the optimiser so that every call is
// indirect.
LiteralRoutine Opaque(LiteralRoutine routine) {
  benchmark::DoNotOptimize(routine);
  return routine;
}

// --- filters -----------------------------------------------------------------

// Arguments: design, level.
void Literal(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)));
  LiteralFilter ref(f);
  const LiteralRoutine routine = Opaque(&LiteralFilterSample);
  const std::vector<Extended> x = Signal(kLevels[state.range(1)]);
  for (auto _ : state)
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(routine(ref, x[i]));
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void LiteralBlock(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)));
  LiteralFilter ref(f);
  const LiteralRoutine routine = Opaque(&LiteralFilterSample);
  const std::vector<Extended> x = Signal(kLevels[state.range(1)]);
  std::vector<Extended> y(kBlock);
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) y[i] = routine(ref, x[i]);
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void PerSample(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal(kLevels[state.range(1)]);
  for (auto _ : state)
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(f.Process(x[i]));
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void Block(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)));
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
  b->ArgNames({"design", "level"});
  for (int level = 0; level < 2; ++level)
    for (int design = 0; design < kDesignCount; ++design) b->Args({design, level});
}

BENCHMARK(Literal)->Apply(Designs);
BENCHMARK(LiteralBlock)->Apply(Designs);
BENCHMARK(PerSample)->Apply(Designs);
BENCHMARK(Block)->Apply(Designs);

// --- pass-through and mute ---------------------------------------------------

// A bandstop with equal band edges passes every sample; a bandpass with
// equal edges mutes it. Argument: 0 pass, 1 mute.
void ConfigureDegenerate(TsigIIRFilter& f, int mute) {
  f.SetResponse(mute ? tessaro::ftBandpass : tessaro::ftBandstop);
  f.SetOrder(8);
  f.SetFrequency1(1000.0L);
  f.SetFrequency2(1000.0L);
}

LiteralRoutine DegenerateLiteral(int mute) {
  return Opaque(mute ? &LiteralMuteSample : &LiteralPassSample);
}

void LiteralRoute(benchmark::State& state) {
  TsigIIRFilter f;
  LiteralFilter ref(f);
  const LiteralRoutine routine = DegenerateLiteral(static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal(1.0L);
  for (auto _ : state)
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(routine(ref, x[i]));
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void LiteralRouteConstant(benchmark::State& state) {
  TsigIIRFilter f;
  LiteralFilter ref(f);
  const LiteralRoutine routine = DegenerateLiteral(static_cast<int>(state.range(0)));
  for (auto _ : state)
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(routine(ref, 1000.0L));
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void Route(benchmark::State& state) {
  TsigIIRFilter f;
  ConfigureDegenerate(f, static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal(1.0L);
  for (auto _ : state)
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(f.Process(x[i]));
  state.SetItemsProcessed(state.iterations() * kBlock);
}

// As the Perfomance program calls it.
void RouteConstant(benchmark::State& state) {
  TsigIIRFilter f;
  ConfigureDegenerate(f, static_cast<int>(state.range(0)));
  for (auto _ : state)
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(f.Process(1000.0L));
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void RouteBlock(benchmark::State& state) {
  TsigIIRFilter f;
  ConfigureDegenerate(f, static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal(1.0L);
  std::vector<Extended> y(kBlock);
  for (auto _ : state) {
    f.Process(x, y);
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

BENCHMARK(LiteralRoute)->ArgName("mute")->DenseRange(0, 1);
BENCHMARK(LiteralRouteConstant)->ArgName("mute")->DenseRange(0, 1);
BENCHMARK(Route)->ArgName("mute")->DenseRange(0, 1);
BENCHMARK(RouteConstant)->ArgName("mute")->DenseRange(0, 1);
BENCHMARK(RouteBlock)->ArgName("mute")->DenseRange(0, 1);

// --- the table -----------------------------------------------------------------

// The console report, and the nanoseconds per sample kept for the table.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        // The fastest repetition in processor time: the least disturbed by
        // whatever else the machine runs.
        const double ns = run.GetAdjustedCPUTime() / kBlock;
        auto [it, fresh] = times_.emplace(run.benchmark_name(), ns);
        if (!fresh && ns < it->second) it->second = ns;
      }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintTable() const {
    std::printf(
        "\nNanoseconds of processor time per sample (fastest repetition) and the speed-up of\n"
        "Process over the literal reference\n");
    std::printf("%6s %-11s %5s | %9s %9s %7s | %9s %9s %7s\n", "signal", "design", "count",
                "literal", "Process", "ratio", "lit.block", "block", "ratio");
    for (int level = 0; level < 2; ++level)
      for (int design = 0; design < kDesignCount; ++design) {
        const std::string args =
            "/design:" + std::to_string(design) + "/level:" + std::to_string(level);
        std::printf("%6s %-11s %5d |", kLevelNames[level], kDesigns[design].name,
                    kDesigns[design].count);
        Pair(Time("Literal" + args), Time("PerSample" + args));
        std::printf(" |");
        Pair(Time("LiteralBlock" + args), Time("Block" + args));
        std::printf("\n");
      }
    std::printf("\n%-6s | %9s %9s %7s | %9s %9s %7s | %9s\n", "route", "literal", "Process",
                "ratio", "lit.const", "constant", "ratio", "block");
    for (int mute = 0; mute < 2; ++mute) {
      const std::string arg = "/mute:" + std::to_string(mute);
      std::printf("%-6s |", mute ? "mute" : "pass");
      Pair(Time("LiteralRoute" + arg), Time("Route" + arg));
      std::printf(" |");
      Pair(Time("LiteralRouteConstant" + arg), Time("RouteConstant" + arg));
      std::printf(" | %9.2f\n", Time("RouteBlock" + arg));
    }
  }

 private:
  static void Pair(double reference, double ours) {
    if (reference > 0 && ours > 0)
      std::printf(" %9.2f %9.2f %6.2fx", reference, ours, reference / ours);
    else
      std::printf(" %9s %9s %7s", "-", "-", "-");
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
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintTable();
  benchmark::Shutdown();
  return 0;
}
