// FFT throughput: TsigFFT Forward and Inverse, with each kind of twiddles,
// against FFTW's single-precision split-format transform (planned with
// FFTW_MEASURE) and KissFFT, at N = 128, 512, 1024, 4096 and 32768, all in
// one run. After the usual report a table gives each time per transform and
// its ratio to FFTW's (with --benchmark_repetitions=k, the fastest of the k).
//
// FFTW's split transform has no sign argument: exchanging the real and
// imaginary arrays gives the positive exponent that Forward uses. Inverse
// also mirrors its input and scales by 1/N, which FFTW and KissFFT do not.
#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kiss_fft.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "FastestReporter.h"
#include "tessaro/sigFFT.h"

namespace {

constexpr int kSizes[] = {128, 512, 1024, 4096, 32768};

std::vector<float> Noise(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> v(static_cast<std::size_t>(n));
  for (auto& x : v) x = u(rng);
  return v;
}

void Fill(tessaro::TsigFFT& fft, int n, tessaro::TsigFFTTwiddles twiddles) {
  fft.SetBufferSize(n);
  fft.SetTwiddles(twiddles);
  const auto re = Noise(n, 1), im = Noise(n, 2);
  std::copy(re.begin(), re.end(), fft.RealIn().begin());
  std::copy(im.begin(), im.end(), fft.ImagIn().begin());
}

void Tessaro(benchmark::State& state, tessaro::TsigFFTTwiddles twiddles,
             void (tessaro::TsigCustomFFT::*transform)()) {
  const int n = static_cast<int>(state.range(0));
  tessaro::TsigFFT fft;
  Fill(fft, n, twiddles);
  for (auto _ : state) {
    (fft.*transform)();
    benchmark::DoNotOptimize(fft.RealOut().data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void TessaroForward(benchmark::State& state) {
  Tessaro(state, tessaro::ftRecurrence, &tessaro::TsigFFT::Forward);
}
void TessaroInverse(benchmark::State& state) {
  Tessaro(state, tessaro::ftRecurrence, &tessaro::TsigFFT::Inverse);
}
void TessaroExactForward(benchmark::State& state) {
  Tessaro(state, tessaro::ftExact, &tessaro::TsigFFT::Forward);
}
void TessaroExactInverse(benchmark::State& state) {
  Tessaro(state, tessaro::ftExact, &tessaro::TsigFFT::Inverse);
}

// Frees FFTW's buffers and plan at the end of a benchmark.
struct FftwSplit {
  explicit FftwSplit(int n) : n(n) {
    for (float** p : {&ri, &ii, &ro, &io}) *p = fftwf_alloc_real(static_cast<std::size_t>(n));
    fftw_iodim dim{n, 1, 1};
    // Imaginary and real exchanged: the positive exponent.
    plan = fftwf_plan_guru_split_dft(1, &dim, 0, nullptr, ii, ri, io, ro, FFTW_MEASURE);
    const auto re = Noise(n, 1), im = Noise(n, 2);  // after planning, which overwrites the arrays
    std::copy(re.begin(), re.end(), ri);
    std::copy(im.begin(), im.end(), ii);
  }
  ~FftwSplit() {
    fftwf_destroy_plan(plan);
    for (float* p : {ri, ii, ro, io}) fftwf_free(p);
  }
  FftwSplit(const FftwSplit&) = delete;
  FftwSplit& operator=(const FftwSplit&) = delete;

  int n;
  float *ri = nullptr, *ii = nullptr, *ro = nullptr, *io = nullptr;
  fftwf_plan plan = nullptr;
};

void Fftw(benchmark::State& state) {
  FftwSplit f(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    fftwf_execute_split_dft(f.plan, f.ii, f.ri, f.io, f.ro);
    benchmark::DoNotOptimize(f.ro);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void KissFft(benchmark::State& state, int inverse) {
  const int n = static_cast<int>(state.range(0));
  kiss_fft_cfg cfg = kiss_fft_alloc(n, inverse, nullptr, nullptr);
  std::vector<kiss_fft_cpx> in(static_cast<std::size_t>(n)), out(static_cast<std::size_t>(n));
  const auto re = Noise(n, 1), im = Noise(n, 2);
  for (int k = 0; k < n; ++k) in[k] = {re[k], im[k]};
  for (auto _ : state) {
    kiss_fft(cfg, in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  kiss_fft_free(cfg);
  state.SetItemsProcessed(state.iterations());
}

void KissForward(benchmark::State& state) { KissFft(state, 0); }
void KissInverse(benchmark::State& state) { KissFft(state, 1); }

void Sizes(benchmark::internal::Benchmark* b) {
  for (int n : kSizes) b->Arg(n);
}

BENCHMARK(TessaroForward)->Apply(Sizes);
BENCHMARK(TessaroInverse)->Apply(Sizes);
BENCHMARK(TessaroExactForward)->Apply(Sizes);
BENCHMARK(TessaroExactInverse)->Apply(Sizes);
BENCHMARK(Fftw)->Apply(Sizes);
BENCHMARK(KissForward)->Apply(Sizes);
BENCHMARK(KissInverse)->Apply(Sizes);

// Microseconds per transform of the fastest repetition, 0 when not run.
double Time(const tessaro::bench::FastestReporter& report, const std::string& name, int n) {
  return report.Nanoseconds(name + "/" + std::to_string(n)) * 1e-3;
}

void PrintTable(const tessaro::bench::FastestReporter& report) {
  const char* names[] = {"TessaroForward",      "TessaroInverse", "TessaroExactForward",
                         "TessaroExactInverse", "KissForward",    "KissInverse"};
  std::printf(
      "\nMicroseconds of processor time per transform (fastest repetition) and the ratio\n"
      "to FFTW's split transform planned with FFTW_MEASURE; Tessaro with the default\n"
      "twiddles (ftRecurrence) and with ftExact\n");
  std::printf("%7s %10s | %16s %16s %16s %16s %16s %16s\n", "N", "FFTW", "Tessaro Forward",
              "Tessaro Inverse", "Exact Forward", "Exact Inverse", "KissFFT forward", "KissFFT inverse");
  for (int n : kSizes) {
    const double fftw = Time(report, "Fftw", n);
    std::printf("%7d %10.3f |", n, fftw);
    for (const char* name : names) {
      const double t = Time(report, name, n);
      if (t > 0 && fftw > 0)
        std::printf(" %9.3f %5.2fx", t, t / fftw);
      else
        std::printf(" %16s", "-");
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  return tessaro::bench::RunAndTabulate(argc, argv, &PrintTable);
}
