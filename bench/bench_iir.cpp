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

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "FastestReporter.h"
#include "LiteralFilter.h"
#include "tessaro/sigIIRFilters.h"

namespace {

using tessaro::Extended;
using tessaro::TsigIIRFilter;
using tessaro::bench::FastestReporter;
using tessaro::test::LiteralFilter;
using tessaro::test::LiteralFilterSample;
using tessaro::test::LiteralMuteSample;
using tessaro::test::LiteralPassSample;

constexpr int BlockSize = 4096;

struct Design {
  const char* Name;
  tessaro::TsigIIRFilterResponse Response;
  int Order;
  int Count;  // the CoefficientCount it gives
};

constexpr Design Designs[] = {
    {"lowpass 1", tessaro::ftLowpass, 1, 1},
    {"lowpass 2", tessaro::ftLowpass, 2, 2},
    {"lowpass 8", tessaro::ftLowpass, 8, 8},
    {"bandstop 8", tessaro::ftBandstop, 8, 16},
};
constexpr int DesignCount = 4;

// Amplitudes of the two signals.
constexpr Extended Levels[] = {1.0L, 1e-4L};
const char* const LevelNames[] = {"unit", "quiet"};

// The direct form, which the literal routine is (fsAuto would run some of
// these designs as a cascade).
void Configure(TsigIIRFilter& f, int design, Extended f1 = 1000.0L, Extended f2 = 3000.0L) {
  f.SetStructure(tessaro::fsDirect);
  f.SetResponse(Designs[design].Response);
  f.SetOrder(Designs[design].Order);
  f.SetFrequency1(f1);
  f.SetFrequency2(f2);
}

std::vector<Extended> Signal(Extended level) {
  std::vector<Extended> x(BlockSize);
  for (int i = 0; i < BlockSize; ++i) x[i] = level * (std::sin(0.01L * i) + 0.3L * std::sin(0.7L * i));
  return x;
}

// --- the literal reference ----------------------------------------------------

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
  LiteralFilter ref;
  ref.Load(f);
  const LiteralRoutine routine = Opaque(&LiteralFilterSample);
  const std::vector<Extended> x = Signal(Levels[state.range(1)]);
  for (auto _ : state)
    for (int i = 0; i < BlockSize; ++i) benchmark::DoNotOptimize(routine(ref, x[i]));
  state.SetItemsProcessed(state.iterations() * BlockSize);
}

void LiteralBlock(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)));
  LiteralFilter ref;
  ref.Load(f);
  const LiteralRoutine routine = Opaque(&LiteralFilterSample);
  const std::vector<Extended> x = Signal(Levels[state.range(1)]);
  std::vector<Extended> y(BlockSize);
  for (auto _ : state) {
    for (int i = 0; i < BlockSize; ++i) y[i] = routine(ref, x[i]);
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * BlockSize);
}

void PerSample(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal(Levels[state.range(1)]);
  for (auto _ : state)
    for (int i = 0; i < BlockSize; ++i) benchmark::DoNotOptimize(f.Process(x[i]));
  state.SetItemsProcessed(state.iterations() * BlockSize);
}

void Block(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal(Levels[state.range(1)]);
  std::vector<Extended> y(BlockSize);
  for (auto _ : state) {
    f.Process(x, y);
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * BlockSize);
}

void DesignArguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"design", "level"});
  for (int level = 0; level < 2; ++level)
    for (int design = 0; design < DesignCount; ++design) b->Args({design, level});
}

BENCHMARK(Literal)->Apply(DesignArguments);
BENCHMARK(LiteralBlock)->Apply(DesignArguments);
BENCHMARK(PerSample)->Apply(DesignArguments);
BENCHMARK(Block)->Apply(DesignArguments);

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
  LiteralFilter ref;
  ref.Load(f);
  const LiteralRoutine routine = DegenerateLiteral(static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal(1.0L);
  for (auto _ : state)
    for (int i = 0; i < BlockSize; ++i) benchmark::DoNotOptimize(routine(ref, x[i]));
  state.SetItemsProcessed(state.iterations() * BlockSize);
}

void LiteralRouteConstant(benchmark::State& state) {
  TsigIIRFilter f;
  LiteralFilter ref;
  ref.Load(f);
  const LiteralRoutine routine = DegenerateLiteral(static_cast<int>(state.range(0)));
  for (auto _ : state)
    for (int i = 0; i < BlockSize; ++i) benchmark::DoNotOptimize(routine(ref, 1000.0L));
  state.SetItemsProcessed(state.iterations() * BlockSize);
}

void Route(benchmark::State& state) {
  TsigIIRFilter f;
  ConfigureDegenerate(f, static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal(1.0L);
  for (auto _ : state)
    for (int i = 0; i < BlockSize; ++i) benchmark::DoNotOptimize(f.Process(x[i]));
  state.SetItemsProcessed(state.iterations() * BlockSize);
}

// As the Perfomance program calls it.
void RouteConstant(benchmark::State& state) {
  TsigIIRFilter f;
  ConfigureDegenerate(f, static_cast<int>(state.range(0)));
  for (auto _ : state)
    for (int i = 0; i < BlockSize; ++i) benchmark::DoNotOptimize(f.Process(1000.0L));
  state.SetItemsProcessed(state.iterations() * BlockSize);
}

void RouteBlock(benchmark::State& state) {
  TsigIIRFilter f;
  ConfigureDegenerate(f, static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal(1.0L);
  std::vector<Extended> y(BlockSize);
  for (auto _ : state) {
    f.Process(x, y);
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * BlockSize);
}

BENCHMARK(LiteralRoute)->ArgName("mute")->DenseRange(0, 1);
BENCHMARK(LiteralRouteConstant)->ArgName("mute")->DenseRange(0, 1);
BENCHMARK(Route)->ArgName("mute")->DenseRange(0, 1);
BENCHMARK(RouteConstant)->ArgName("mute")->DenseRange(0, 1);
BENCHMARK(RouteBlock)->ArgName("mute")->DenseRange(0, 1);

// --- the table -----------------------------------------------------------------

// Nanoseconds of processor time per sample of the fastest repetition.
double Time(const FastestReporter& report, const std::string& name) {
  return report.Nanoseconds(name) / BlockSize;
}

void Pair(double reference, double ours) {
  if (reference > 0 && ours > 0)
    std::printf(" %9.2f %9.2f %6.2fx", reference, ours, reference / ours);
  else
    std::printf(" %9s %9s %7s", "-", "-", "-");
}

void PrintTable(const FastestReporter& report) {
  std::printf(
      "\nNanoseconds of processor time per sample (fastest repetition) and the speed-up of\n"
      "Process over the literal reference\n");
  std::printf("%6s %-11s %5s | %9s %9s %7s | %9s %9s %7s\n", "signal", "design", "count",
              "literal", "Process", "ratio", "lit.block", "block", "ratio");
  for (int level = 0; level < 2; ++level)
    for (int design = 0; design < DesignCount; ++design) {
      const std::string args =
          "/design:" + std::to_string(design) + "/level:" + std::to_string(level);
      std::printf("%6s %-11s %5d |", LevelNames[level], Designs[design].Name,
                  Designs[design].Count);
      Pair(Time(report, "Literal" + args), Time(report, "PerSample" + args));
      std::printf(" |");
      Pair(Time(report, "LiteralBlock" + args), Time(report, "Block" + args));
      std::printf("\n");
    }
  std::printf("\n%-6s | %9s %9s %7s | %9s %9s %7s | %9s\n", "route", "literal", "Process",
              "ratio", "lit.const", "constant", "ratio", "block");
  for (int mute = 0; mute < 2; ++mute) {
    const std::string arg = "/mute:" + std::to_string(mute);
    std::printf("%-6s |", mute ? "mute" : "pass");
    Pair(Time(report, "LiteralRoute" + arg), Time(report, "Route" + arg));
    std::printf(" |");
    Pair(Time(report, "LiteralRouteConstant" + arg), Time(report, "RouteConstant" + arg));
    std::printf(" | %9.2f\n", Time(report, "RouteBlock" + arg));
  }
}

}  // namespace

int main(int argc, char** argv) {
  return tessaro::bench::RunAndTabulate(argc, argv, &PrintTable);
}
