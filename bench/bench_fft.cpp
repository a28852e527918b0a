// FFT throughput: TsigFFT Forward and Inverse against FFTW's single-precision
// split-format transform (planned with FFTW_MEASURE) and KissFFT, at every
// size from 64 to 32768 points and on several families of input data, all
// in one run with the peers of each size and family side by side. After the
// usual report a table gives each time per transform, its ratio to the same
// transform on uniform random floats (the data dependence) and to FFTW's
// (with --benchmark_repetitions=k, the fastest of the k). The default
// twiddles (ftRecurrence) are measured on every family, the exact ones
// (ftExact) on uniform random floats.
//
// FFTW's split transform has no sign argument: exchanging the real and
// imaginary arrays gives the positive exponent that Forward uses. Inverse
// also mirrors its input and scales by 1/N, which FFTW and KissFFT do not.
//
// Example: bench_fft --benchmark_repetitions=3 --benchmark_filter='/(Uniform|Sine100)/'
#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kiss_fft.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "FastestReporter.h"
#include "tessaro/sigFFT.h"

namespace {

constexpr int kSizes[] = {64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384, 32768};

// The families of input data. Everything but Uniform has a zero imaginary
// part, as a recorded signal would.
enum class Family {
  Uniform,      // real and imaginary parts uniform in (-1, 1)
  UniformReal,  // the real part only
  Int16,        // uniform 16-bit integers
  Int16Scaled,  // the same times 2^-15
  Sine100,      // round(100 sin(0.1 n))
  Sine32767,    // round(32767 sin(0.01 n))
  Sine1000,     // round(1000 sin(0.7 n))
  Sine3,        // round(3 sin(0.05 n))
  Constant,     // 1000 everywhere
  Impulse,      // 1 at n = 1, zero elsewhere
  FirstTenth,   // 16-bit integers in the first tenth, zeros after
  TwoTones,     // cos(2 pi 3n/N) + 0.5 sin(2 pi (N/8 + 1)n/N), each a float
};

constexpr Family kFamilies[] = {
    Family::Uniform,  Family::UniformReal, Family::Int16,      Family::Int16Scaled,
    Family::Sine100,  Family::Sine32767,   Family::Sine1000,   Family::Sine3,
    Family::Constant, Family::Impulse,     Family::FirstTenth, Family::TwoTones,
};

const char* FamilyName(Family f) {
  switch (f) {
    case Family::Uniform:
      return "Uniform";
    case Family::UniformReal:
      return "UniformReal";
    case Family::Int16:
      return "Int16";
    case Family::Int16Scaled:
      return "Int16Scaled";
    case Family::Sine100:
      return "Sine100";
    case Family::Sine32767:
      return "Sine32767";
    case Family::Sine1000:
      return "Sine1000";
    case Family::Sine3:
      return "Sine3";
    case Family::Constant:
      return "Constant";
    case Family::Impulse:
      return "Impulse";
    case Family::FirstTenth:
      return "FirstTenth";
    case Family::TwoTones:
      return "TwoTones";
  }
  return "?";
}

std::vector<float> Noise(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> v(static_cast<std::size_t>(n));
  for (auto& x : v) x = u(rng);
  return v;
}

std::vector<float> Integers(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> u(-32768, 32767);
  std::vector<float> v(static_cast<std::size_t>(n));
  for (auto& x : v) x = static_cast<float>(u(rng));
  return v;
}

std::vector<float> Sine(int n, double amplitude, double omega) {
  std::vector<float> v(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) v[k] = static_cast<float>(std::round(amplitude * std::sin(omega * k)));
  return v;
}

struct Signal {
  std::vector<float> re, im;
};

Signal Make(Family family, int n) {
  const auto size = static_cast<std::size_t>(n);
  Signal s{std::vector<float>(size), std::vector<float>(size)};
  switch (family) {
    case Family::Uniform:
      s.re = Noise(n, 1), s.im = Noise(n, 2);
      break;
    case Family::UniformReal:
      s.re = Noise(n, 1);
      break;
    case Family::Int16:
      s.re = Integers(n, 3);
      break;
    case Family::Int16Scaled:
      s.re = Integers(n, 3);
      for (auto& x : s.re) x *= 0x1p-15f;
      break;
    case Family::Sine100:
      s.re = Sine(n, 100, 0.1);
      break;
    case Family::Sine32767:
      s.re = Sine(n, 32767, 0.01);
      break;
    case Family::Sine1000:
      s.re = Sine(n, 1000, 0.7);
      break;
    case Family::Sine3:
      s.re = Sine(n, 3, 0.05);
      break;
    case Family::Constant:
      std::fill(s.re.begin(), s.re.end(), 1000.0f);
      break;
    case Family::Impulse:
      s.re[1] = 1.0f;
      break;
    case Family::FirstTenth: {
      const auto head = Integers(n / 10, 4);
      std::copy(head.begin(), head.end(), s.re.begin());
      break;
    }
    case Family::TwoTones: {
      const double step = 2 * std::numbers::pi / n;
      for (int k = 0; k < n; ++k)
        s.re[k] = static_cast<float>(std::cos(step * 3 * k) + 0.5 * std::sin(step * (n / 8 + 1) * k));
      break;
    }
  }
  return s;
}

void Tessaro(benchmark::State& state, Family family, int n, tessaro::TsigFFTTwiddles twiddles,
             void (tessaro::TsigCustomFFT::*transform)()) {
  tessaro::TsigFFT fft;
  fft.SetBufferSize(n);
  fft.SetTwiddles(twiddles);
  const Signal s = Make(family, n);
  std::copy(s.re.begin(), s.re.end(), fft.RealIn().begin());
  std::copy(s.im.begin(), s.im.end(), fft.ImagIn().begin());
  for (auto _ : state) {
    (fft.*transform)();
    benchmark::DoNotOptimize(fft.RealOut().data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// Frees FFTW's buffers and plan at the end of a benchmark.
struct FftwSplit {
  FftwSplit(Family family, int n) : n(n) {
    for (float** p : {&ri, &ii, &ro, &io}) *p = fftwf_alloc_real(static_cast<std::size_t>(n));
    fftw_iodim dim{n, 1, 1};
    // Imaginary and real exchanged: the positive exponent.
    plan = fftwf_plan_guru_split_dft(1, &dim, 0, nullptr, ii, ri, io, ro, FFTW_MEASURE);
    const Signal s = Make(family, n);  // after planning, which overwrites the arrays
    std::copy(s.re.begin(), s.re.end(), ri);
    std::copy(s.im.begin(), s.im.end(), ii);
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

void Fftw(benchmark::State& state, Family family, int n) {
  FftwSplit f(family, n);
  for (auto _ : state) {
    fftwf_execute_split_dft(f.plan, f.ii, f.ri, f.io, f.ro);
    benchmark::DoNotOptimize(f.ro);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void KissFft(benchmark::State& state, Family family, int n, int inverse) {
  kiss_fft_cfg cfg = kiss_fft_alloc(n, inverse, nullptr, nullptr);
  std::vector<kiss_fft_cpx> in(static_cast<std::size_t>(n)), out(static_cast<std::size_t>(n));
  const Signal s = Make(family, n);
  for (int k = 0; k < n; ++k) in[k] = {s.re[k], s.im[k]};
  for (auto _ : state) {
    kiss_fft(cfg, in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  kiss_fft_free(cfg);
  state.SetItemsProcessed(state.iterations());
}

std::string Name(const char* what, Family family, int n) {
  std::string name = what;
  name += "/";
  name += FamilyName(family);
  name += "/";
  name += std::to_string(n);
  return name;
}

// Size by size, family by family, every transform and its peers one after
// the other, so that a change in the machine's load touches them alike.
void Register() {
  using tessaro::TsigFFT;
  for (int n : kSizes)
    for (Family f : kFamilies) {
      benchmark::RegisterBenchmark(Name("Forward", f, n).c_str(), [f, n](benchmark::State& s) {
        Tessaro(s, f, n, tessaro::ftRecurrence, &TsigFFT::Forward);
      });
      benchmark::RegisterBenchmark(Name("Inverse", f, n).c_str(), [f, n](benchmark::State& s) {
        Tessaro(s, f, n, tessaro::ftRecurrence, &TsigFFT::Inverse);
      });
      if (f == Family::Uniform) {
        benchmark::RegisterBenchmark(Name("ExactForward", f, n).c_str(), [f, n](benchmark::State& s) {
          Tessaro(s, f, n, tessaro::ftExact, &TsigFFT::Forward);
        });
        benchmark::RegisterBenchmark(Name("ExactInverse", f, n).c_str(), [f, n](benchmark::State& s) {
          Tessaro(s, f, n, tessaro::ftExact, &TsigFFT::Inverse);
        });
      }
      benchmark::RegisterBenchmark(Name("Fftw", f, n).c_str(),
                                   [f, n](benchmark::State& s) { Fftw(s, f, n); });
      benchmark::RegisterBenchmark(Name("KissForward", f, n).c_str(),
                                   [f, n](benchmark::State& s) { KissFft(s, f, n, 0); });
      benchmark::RegisterBenchmark(Name("KissInverse", f, n).c_str(),
                                   [f, n](benchmark::State& s) { KissFft(s, f, n, 1); });
    }
}

// Microseconds per transform of the fastest repetition, 0 when not run.
double Time(const tessaro::bench::FastestReporter& report, const char* what, Family family, int n) {
  return report.Nanoseconds(Name(what, family, n)) * 1e-3;
}

void Cell(double t, double peer) {
  if (t > 0 && peer > 0)
    std::printf(" %9.3f %5.2fx", t, t / peer);
  else if (t > 0)
    std::printf(" %9.3f %6s", t, "-");
  else
    std::printf(" %16s", "-");
}

void Ratio(double t, double peer) {
  if (t > 0 && peer > 0)
    std::printf(" %6.2fx", t / peer);
  else
    std::printf(" %7s", "-");
}

void PrintTable(const tessaro::bench::FastestReporter& report) {
  std::printf(
      "\nMicroseconds of processor time per transform (fastest repetition). Forward and\n"
      "Inverse (default twiddles) with their ratio to FFTW's split transform planned with\n"
      "FFTW_MEASURE on the same data, then to the same transform on uniform random floats\n"
      "(vs Uniform); the exact twiddles (ftExact) on uniform random floats only.\n");
  std::printf("%6s %-12s %10s | %16s %16s | %8s %8s | %16s %16s | %16s %16s\n", "N", "Family", "FFTW",
              "Forward", "Inverse", "F/Unif", "I/Unif", "KissFFT forward", "KissFFT inverse", "Exact Forward",
              "Exact Inverse");
  for (int n : kSizes)
    for (Family f : kFamilies) {
      const double fftw = Time(report, "Fftw", f, n);
      const double forward = Time(report, "Forward", f, n), inverse = Time(report, "Inverse", f, n);
      if (fftw <= 0 && forward <= 0 && inverse <= 0) continue;
      std::printf("%6d %-12s %10.3f |", n, FamilyName(f), fftw);
      Cell(forward, fftw);
      Cell(inverse, fftw);
      std::printf(" |");
      Ratio(forward, Time(report, "Forward", Family::Uniform, n));
      Ratio(inverse, Time(report, "Inverse", Family::Uniform, n));
      std::printf(" |");
      Cell(Time(report, "KissForward", f, n), fftw);
      Cell(Time(report, "KissInverse", f, n), fftw);
      if (f == Family::Uniform) {
        std::printf(" |");
        Cell(Time(report, "ExactForward", f, n), fftw);
        Cell(Time(report, "ExactInverse", f, n), fftw);
      }
      std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  return tessaro::bench::RunAndTabulate(argc, argv, &PrintTable);
}
