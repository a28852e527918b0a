// The cost of one read of the millisecond clock, the cost of the calls the
// Perfomance window counts, and the counts it shows for one second. Every
// counted iteration reads the clock once, so a count is about
// 1 s / (clock read + call + loop); the ns_per_count counter shows that sum.
#include <benchmark/benchmark.h>

#include <ctime>

#include "ComponentsStoredForm.h"
#include "MillisecondClock.h"
#include "StoredComponents.h"
#include "Throughput.h"

namespace {

// The window's components, as it loads them.
struct TComponents {
  TStoredComponents Stored{perf::ComponentsStoredForm};
  tessaro::TsigIIRFilter& Filter = Stored.Find<tessaro::TsigIIRFilter>("sigIIRFilter");
  tessaro::TsigFFT& FFT = Stored.Find<tessaro::TsigFFT>("sigFFT1");
};

// The two filters asked about: the one "Test" measures at start, and the
// Butterworth bandstop of order 8, whose equal band edges pass every sample.
const perf::TIIRSettings Filters[] = {
    {tessaro::fkBessel, tessaro::ftLowpass, 1},
    {tessaro::fkButterworth, tessaro::ftBandstop, 8},
};
const char* const FilterNames[] = {"Bessel lowpass 1", "Butterworth bandstop 8"};

void BM_MillisecondClock(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(perf::MillisecondClock());
}
BENCHMARK(BM_MillisecondClock);

// The peer: the fine monotonic clock, which reads the time-stamp counter.
void BM_FineMonotonicClock(benchmark::State& state) {
  for (auto _ : state) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    benchmark::DoNotOptimize(now);
  }
}
BENCHMARK(BM_FineMonotonicClock);

void BM_Process(benchmark::State& state) {
  TComponents c;
  const perf::TIIRSettings& s = Filters[state.range(0)];
  c.Filter.SetKind(s.Kind);
  c.Filter.SetResponse(s.Response);
  c.Filter.SetOrder(s.Order);
  for (auto _ : state) benchmark::DoNotOptimize(c.Filter.Process(1000.0L));
  state.SetLabel(FilterNames[state.range(0)]);
}
BENCHMARK(BM_Process)->DenseRange(0, 1);

void BM_IIRPerSecond(benchmark::State& state) {
  TComponents c;
  std::int32_t count = 0;
  for (auto _ : state) count = perf::MeasureIIRThroughput(c.Filter, Filters[state.range(0)], perf::MaxDurationMs);
  state.counters["per_sec"] = count;
  state.counters["ns_per_count"] = count > 0 ? 1e9 / count : 0.0;
  state.SetLabel(FilterNames[state.range(0)]);
}
BENCHMARK(BM_IIRPerSecond)->DenseRange(0, 1)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FFTPerSecond(benchmark::State& state) {
  TComponents c;
  perf::TRandomDigits random;
  const auto operation = state.range(1) ? perf::TFFTOperation::Inverse : perf::TFFTOperation::Forward;
  std::int32_t count = 0;
  for (auto _ : state)
    count = perf::MeasureFFTThroughput(c.FFT, static_cast<std::int32_t>(state.range(0)), operation, random,
                                       perf::MaxDurationMs);
  state.counters["per_sec"] = count;
  state.counters["ns_per_count"] = count > 0 ? 1e9 / count : 0.0;
  state.SetLabel(state.range(1) ? "Inverse" : "Forward");
}
BENCHMARK(BM_FFTPerSecond)->Args({1024, 0})->Args({1024, 1})->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
