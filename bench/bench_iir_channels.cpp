// Many channels through one IIR design: TsigIIRChannels::Process on
// interleaved frames against K single-channel filters, for 1, 8 and 16
// coefficients (lowpass 1, lowpass 8, bandstop 8) and K = 1, 2, 4, 8, and
// for the bandstop 8 realised as a cascade of 8 second-order sections.
//
// Peers, all on the same interleaved frames and writing interleaved output:
//   loops    K TsigIIRFilter, each fed its channel by Process(Extended),
//            one loop over the frames per channel;
//   blocks   K TsigIIRFilter, each channel gathered into a buffer, filtered
//            by the block Process and scattered back (K = 1: the block
//            Process on the frames themselves);
//   literal  K literal routines (tests/support/LiteralFilter.h) called
//            through a pointer, one loop per channel.
// Columns "double" and "float" run the class's double and float forms. The
// literal routine runs the direct form whatever the structure.
//
// The floating-point unit's bound: dependent x87 additions and
// multiplications are timed against a chain of dependent integer
// multiplications (3 cycles each), which gives their latencies in cycles
// and the clock. One sample of the single-channel routine carries
//   the recurrence  y[t-1] -> ·A -> + -> y[t]            (fmul + fadd), and
//   its own chain   x -> ·g -> N taps of two additions -> y  (fmul + 2N fadd);
// the table prints both in nanoseconds at the measured clock beside the
// single-channel block time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FastestReporter.h"
#include "LiteralFilter.h"
#include "tessaro/sigIIRChannels.h"
#include "tessaro/sigIIRFilters.h"

namespace {

using tessaro::Extended;
using tessaro::TsigIIRChannels;
using tessaro::TsigIIRFilter;
using tessaro::bench::FastestReporter;
using tessaro::test::LiteralFilter;
using tessaro::test::LiteralFilterSample;

constexpr int Frames = 1024;

struct Design {
  const char* Name;
  tessaro::TsigIIRFilterResponse Response;
  int Order;
  tessaro::TsigIIRStructure Structure;
  const char* Size;  // taps a side or sections
};

constexpr Design Designs[] = {
    {"lowpass 1", tessaro::ftLowpass, 1, tessaro::fsDirect, "1 tap"},
    {"lowpass 8", tessaro::ftLowpass, 8, tessaro::fsDirect, "8 taps"},
    {"bandstop 8", tessaro::ftBandstop, 8, tessaro::fsDirect, "16 taps"},
    {"bandstop 8", tessaro::ftBandstop, 8, tessaro::fsCascade, "8 sect."},
};
constexpr int DesignCount = 4;
constexpr int ChannelCounts[] = {1, 2, 4, 8};

void Configure(TsigIIRFilter& f, int design) {
  f.SetStructure(Designs[design].Structure);
  f.SetResponse(Designs[design].Response);
  f.SetOrder(Designs[design].Order);
  f.SetFrequency1(1000.0L);
  f.SetFrequency2(3000.0L);
}

// Interleaved frames of about unit amplitude, a different phase per channel.
template <class T>
std::vector<T> Signal(int channels) {
  std::vector<T> x(static_cast<std::size_t>(Frames * channels));
  for (int f = 0; f < Frames; ++f)
    for (int k = 0; k < channels; ++k)
      x[static_cast<std::size_t>(f * channels + k)] =
          static_cast<T>(std::sin(0.01L * f + k) + 0.3L * std::sin(0.7L * f + 2 * k));
  return x;
}

std::vector<std::unique_ptr<TsigIIRFilter>> Filters(int design, int channels) {
  std::vector<std::unique_ptr<TsigIIRFilter>> filters;
  for (int k = 0; k < channels; ++k) {
    filters.push_back(std::make_unique<TsigIIRFilter>());
    Configure(*filters.back(), design);
  }
  return filters;
}

void Done(benchmark::State& state, int channels) {
  state.SetItemsProcessed(state.iterations() * Frames * channels);
}

// Arguments: design, channels.
template <class T>
void Channels(benchmark::State& state) {
  const int design = static_cast<int>(state.range(0));
  const int channels = static_cast<int>(state.range(1));
  TsigIIRFilter f;
  Configure(f, design);
  TsigIIRChannels bank(f, channels);
  const std::vector<T> x = Signal<T>(channels);
  std::vector<T> y(x.size());
  for (auto _ : state) {
    bank.Process(x, y);
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  Done(state, channels);
}

void Loops(benchmark::State& state) {
  const int design = static_cast<int>(state.range(0));
  const int channels = static_cast<int>(state.range(1));
  auto filters = Filters(design, channels);
  const std::vector<Extended> x = Signal<Extended>(channels);
  std::vector<Extended> y(x.size());
  for (auto _ : state) {
    for (int k = 0; k < channels; ++k) {
      TsigIIRFilter& f = *filters[static_cast<std::size_t>(k)];
      for (std::size_t i = static_cast<std::size_t>(k); i < x.size(); i += channels)
        y[i] = f.Process(x[i]);
    }
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  Done(state, channels);
}

void Blocks(benchmark::State& state) {
  const int design = static_cast<int>(state.range(0));
  const int channels = static_cast<int>(state.range(1));
  auto filters = Filters(design, channels);
  const std::vector<Extended> x = Signal<Extended>(channels);
  std::vector<Extended> y(x.size()), in(Frames), out(Frames);
  for (auto _ : state) {
    if (channels == 1) filters.front()->Process(x, y);
    for (int k = 0; k < channels && channels > 1; ++k) {
      for (int f = 0; f < Frames; ++f) in[f] = x[static_cast<std::size_t>(f * channels + k)];
      filters[static_cast<std::size_t>(k)]->Process(in, out);
      for (int f = 0; f < Frames; ++f) y[static_cast<std::size_t>(f * channels + k)] = out[f];
    }
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  Done(state, channels);
}

using LiteralRoutine = Extended (*)(LiteralFilter&, Extended);

void Literal(benchmark::State& state) {
  const int design = static_cast<int>(state.range(0));
  const int channels = static_cast<int>(state.range(1));
  TsigIIRFilter f;
  Configure(f, design);
  std::vector<LiteralFilter> literal(static_cast<std::size_t>(channels));
  for (LiteralFilter& l : literal) l.Load(f);
  LiteralRoutine routine = &LiteralFilterSample;
  benchmark::DoNotOptimize(routine);
  const std::vector<Extended> x = Signal<Extended>(channels);
  std::vector<Extended> y(x.size());
  for (auto _ : state) {
    for (int k = 0; k < channels; ++k) {
      LiteralFilter& l = literal[static_cast<std::size_t>(k)];
      for (std::size_t i = static_cast<std::size_t>(k); i < x.size(); i += channels)
        y[i] = routine(l, x[i]);
    }
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  Done(state, channels);
}

void Arguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"design", "K"});
  for (int design = 0; design < DesignCount; ++design)
    for (int channels : ChannelCounts) b->Args({design, channels});
}

BENCHMARK(Channels<Extended>)->Name("Channels")->Apply(Arguments);
BENCHMARK(Channels<double>)->Name("ChannelsDouble")->Apply(Arguments);
BENCHMARK(Channels<float>)->Name("ChannelsFloat")->Apply(Arguments);
BENCHMARK(Loops)->Apply(Arguments);
BENCHMARK(Blocks)->Apply(Arguments);
BENCHMARK(Literal)->Apply(Arguments);

// --- the latency bound ---------------------------------------------------------

constexpr int ChainLinks = 4096;

// Eight copies of one instruction, a link each of a dependency chain.
#define TESSARO_EIGHT_LINKS(insn) \
  insn "\n\t" insn "\n\t" insn "\n\t" insn "\n\t" insn "\n\t" insn "\n\t" insn "\n\t" insn

// Dependent integer multiplications: 3 cycles each on every recent x86 core.
void ClockChain(benchmark::State& state) {
  std::uint64_t v = 3;
  const std::uint64_t m = 5;
  for (auto _ : state)
    for (int i = 0; i < ChainLinks / 8; ++i)
      asm volatile(TESSARO_EIGHT_LINKS("imul %1, %0") : "+r"(v) : "r"(m));
  benchmark::DoNotOptimize(v);
  state.SetItemsProcessed(state.iterations() * ChainLinks);
}

// Dependent x87 additions of 0 (Add) or multiplications by 1.
template <bool Add>
void X87Chain(benchmark::State& state) {
  Extended v = 1.0L;
  const Extended operand = Add ? 0.0L : 1.0L;
  for (auto _ : state)
    for (int i = 0; i < ChainLinks / 8; ++i) {
      if constexpr (Add)
        asm volatile(TESSARO_EIGHT_LINKS("fadd %1, %0") : "+t"(v) : "u"(operand));
      else
        asm volatile(TESSARO_EIGHT_LINKS("fmul %1, %0") : "+t"(v) : "u"(operand));
    }
  benchmark::DoNotOptimize(v);
  state.SetItemsProcessed(state.iterations() * ChainLinks);
}

BENCHMARK(ClockChain);
BENCHMARK(X87Chain<true>)->Name("AddChain");
BENCHMARK(X87Chain<false>)->Name("MultiplyChain");

// --- the table -----------------------------------------------------------------

double PerSample(const FastestReporter& report, const std::string& name, int channels) {
  return report.Nanoseconds(name) / (static_cast<double>(Frames) * channels);
}

double PerLink(const FastestReporter& report, const std::string& name) {
  return report.Nanoseconds(name) / ChainLinks;
}

void PrintTable(const FastestReporter& report) {
  std::printf(
      "\nNanoseconds of processor time per sample (fastest repetition) and the speed-up of\n"
      "the channels class over K single-channel filters on the same interleaved frames\n");
  std::printf("%-8s %2s | %9s %9s %9s | %9s %9s %9s | %7s %7s %7s\n", "design", "K", "channels",
              "double", "float", "loops", "blocks", "literal", "/loops", "/blocks", "/literal");
  for (int design = 0; design < DesignCount; ++design)
    for (int channels : ChannelCounts) {
      const std::string args =
          "/design:" + std::to_string(design) + "/K:" + std::to_string(channels);
      const double ours = PerSample(report, "Channels" + args, channels);
      const double loops = PerSample(report, "Loops" + args, channels);
      const double blocks = PerSample(report, "Blocks" + args, channels);
      const double literal = PerSample(report, "Literal" + args, channels);
      std::printf("%-8s %2d | %9.2f %9.2f %9.2f | %9.2f %9.2f %9.2f |", Designs[design].Size,
                  channels, ours, PerSample(report, "ChannelsDouble" + args, channels),
                  PerSample(report, "ChannelsFloat" + args, channels), loops, blocks, literal);
      if (ours > 0)
        std::printf(" %6.2fx %6.2fx %6.2fx\n", loops / ours, blocks / ours, literal / ours);
      else
        std::printf(" %7s %7s %7s\n", "-", "-", "-");
    }

  const double cycle = PerLink(report, "ClockChain") / 3.0;
  if (cycle <= 0) return;
  const double add = PerLink(report, "AddChain") / cycle;
  const double mul = PerLink(report, "MultiplyChain") / cycle;
  std::printf(
      "\nClock %.2f GHz (dependent imul, 3 cycles); x87 latency fadd %.2f, fmul %.2f cycles.\n"
      "Single-channel bound per sample: the recurrence fmul + fadd, and the sample's own chain\n"
      "fmul + 2N fadd; against the single-channel block Process (K = 1) and the class at K = 4.\n",
      1.0 / cycle, add, mul);
  std::printf("%5s | %10s %10s | %10s %10s | %10s %10s\n", "taps", "recur. cyc", "chain cyc",
              "recur. ns", "chain ns", "block ns", "K=4 ns");
  constexpr int Taps[] = {1, 8, 16};
  for (int design = 0; design < 3; ++design) {
    const int n = Taps[design];
    const double recurrence = mul + add;
    const double chain = mul + 2.0 * n * add;
    const std::string args = "/design:" + std::to_string(design);
    std::printf("%5d | %10.1f %10.1f | %10.2f %10.2f | %10.2f %10.2f\n", n, recurrence, chain,
                recurrence * cycle, chain * cycle, PerSample(report, "Blocks" + args + "/K:1", 1),
                PerSample(report, "Channels" + args + "/K:4", 4));
  }
}

}  // namespace

int main(int argc, char** argv) {
  return tessaro::bench::RunAndTabulate(argc, argv, &PrintTable);
}
