// IIR filter throughput: samples per second through Process, per sample and
// as a block, for lowpass orders 1, 4, 8 and an order-8 bandstop (16 taps).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "tessaro/sigIIRFilters.h"

namespace {

using tessaro::Extended;
using tessaro::TsigIIRFilter;

constexpr int kBlock = 4096;

struct Design {
  tessaro::TsigIIRFilterResponse response;
  int order;
};

constexpr Design kDesigns[] = {
    {tessaro::ftLowpass, 1}, {tessaro::ftLowpass, 4}, {tessaro::ftLowpass, 8},
    {tessaro::ftBandstop, 8}};

void Configure(TsigIIRFilter& f, int index) {
  f.SetResponse(kDesigns[index].response);
  f.SetOrder(kDesigns[index].order);
  f.SetFrequency1(1000.0L);
  f.SetFrequency2(3000.0L);
}

std::vector<Extended> Signal() {
  std::vector<Extended> x(kBlock);
  for (int i = 0; i < kBlock; ++i) x[i] = std::sin(0.01L * i) + 0.3L * std::sin(0.7L * i);
  return x;
}

void PerSample(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal();
  for (auto _ : state) {
    for (int i = 0; i < kBlock; ++i) benchmark::DoNotOptimize(f.Process(x[i]));
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void Block(benchmark::State& state) {
  TsigIIRFilter f;
  Configure(f, static_cast<int>(state.range(0)));
  const std::vector<Extended> x = Signal();
  std::vector<Extended> y(kBlock);
  for (auto _ : state) {
    f.Process(x, y);
    benchmark::DoNotOptimize(y.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

// Argument: 0..2 lowpass of order 1, 4, 8; 3 bandstop of order 8.
BENCHMARK(PerSample)->ArgName("design")->DenseRange(0, 3);
BENCHMARK(Block)->ArgName("design")->DenseRange(0, 3);

}  // namespace

BENCHMARK_MAIN();
