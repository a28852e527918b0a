// The FFT component with any size and any data: the input is read as a
// program of up to 16 steps (fewer at large sizes) that set the power, the buffer size, the
// window or the twiddles to any value, write float values of any bit pattern into the input
// arrays, raise or clear the SSE underflow flag, and transform forward or
// backward.
//
// Invariants:
// - a size setter gives the clamped power and N = 2^P, arrays of N; a new
//   size zeroes the data, the same size keeps everything;
// - the window setter refills the table from WindowValue for kinds up to
//   fwParzen, ignores any other kind, and never touches the data;
// - the twiddles setter takes ftRecurrence and ftExact, ignores any other
//   value, and changes nothing else that shows (size, window, data);
// - Forward and Inverse give, bit for bit (any NaN matching any NaN), what
//   the transform written out step by step with the same twiddles gives, in
//   the input they leave behind (window, mirror) as in the output.
#include "FuzzSupport.h"

#include "FftReference.h"

#include <tessaro/sigWindow.h>

#include <xmmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <vector>

namespace tessaro::fuzz {

namespace {

constexpr int MaxSteps = 16;
// The points a program may go through in resizes, windows, generated data
// and transforms (each checked against its reference); it ends once it has
// spent them, so that one input takes milliseconds at any size.
constexpr std::size_t WorkBudget = 1 << 16;
// The window table is compared with WindowValue at this many indices
// spread over it (all of them for smaller sizes).
constexpr std::size_t WindowSamples = 256;
constexpr unsigned UnderflowFlag = 0x10;  // MXCSR's sticky underflow bit

bool AllZero(std::span<const float> values) {
  return std::all_of(values.begin(), values.end(),
                     [](float v) { return std::bit_cast<std::uint32_t>(v) == 0; });
}

// A value of a family that transforms walk differently: ordinary, of wide
// range, below the normal range, integral, or special.
float Generated(std::uint32_t& state, std::uint8_t family) {
  state = state * 1664525u + 1013904223u;
  const std::uint32_t r = state;
  const float sign = (r & 1u) ? -1.0f : 1.0f;
  switch (family % 5) {
    case 0: return sign * static_cast<float>(r >> 8) / 16777216.0f;
    case 1: {
      const float significand = 1.0f + static_cast<float>(r >> 9) / 8388608.0f;
      return sign * std::ldexp(significand, static_cast<int>(r % 250) - 125);
    }
    case 2: return std::bit_cast<float>((r & 0x807fffffu));  // subnormal or zero
    case 3: return sign * static_cast<float>((r >> 8) % 16);
    default: {
      const float specials[] = {0.0f, -0.0f, INFINITY, -INFINITY, NAN, 3.4e38f, 1e-45f, 1.0f};
      return specials[(r >> 8) % std::size(specials)];
    }
  }
}

class Program {
 public:
  void Run(ByteReader& in) {
    for (int step = 0; step < MaxSteps && !in.Empty() && work_ < WorkBudget; ++step) {
      switch (in.Byte() % 9) {
        case 0: SetPower(in.Int32()); break;
        case 1: SetBufferSize(in.Int32()); break;
        case 2: SetWindow(static_cast<TsigWindow>(in.Byte())); break;
        case 3: Write(in); break;
        case 4: Generate(in); break;
        case 5: Flag(in.Bool()); break;
        case 6: Transform(true); break;
        case 7: Transform(false); break;
        default: SetTwiddles(static_cast<TsigFFTTwiddles>(in.Byte())); break;
      }
    }
    _mm_setcsr(_mm_getcsr() & ~UnderflowFlag);
  }

 private:
  void SetPower(std::int32_t value) {
    log_ += "Power = " + std::to_string(value) + "\n";
    Resized(std::clamp(value, 2, 15), [&] { fft_.SetPower(value); });
  }

  // The largest p with 2^p <= value, within 2..15; the current size keeps
  // everything.
  void SetBufferSize(std::int32_t value) {
    log_ += "BufferSize = " + std::to_string(value) + "\n";
    int p = 2;
    while (p < 15 && static_cast<std::int64_t>(1) << (p + 1) <= value) ++p;
    if (value == fft_.BufferSize()) p = fft_.Power();
    Resized(p, [&] { fft_.SetBufferSize(value); });
  }

  template <class Set>
  void Resized(int power, Set set) {
    const FftSnapshot before(fft_);
    const bool same = power == fft_.Power();
    set();
    if (!same) work_ += static_cast<std::size_t>(fft_.BufferSize());
    Check(fft_.Power() == power && fft_.BufferSize() == 1 << power, "wrong size after a size setter");
    const auto n = static_cast<std::size_t>(fft_.BufferSize());
    if (same) {
      Check(FftSnapshot(fft_) == before, "setting the current size changed the component");
      return;
    }
    Check(fft_.RealIn().size() == n && fft_.ImagIn().size() == n && fft_.RealOut().size() == n &&
              fft_.ImagOut().size() == n && fft_.WindowTable().size() == n &&
              fft_.BitReverseTable().size() == n,
          "an array does not have the new size");
    Check(AllZero(fft_.RealIn()) && AllZero(fft_.ImagIn()) && AllZero(fft_.RealOut()) &&
              AllZero(fft_.ImagOut()),
          "a new size kept data");
    Check(fft_.Window() == before.Window && WindowMatches(), "a new size lost the window");
  }

  void SetWindow(TsigWindow kind) {
    log_ += "Window = " + std::to_string(kind) + "\n";
    FftSnapshot before(fft_);
    fft_.SetWindow(kind);
    work_ += static_cast<std::size_t>(fft_.BufferSize());
    if (kind > fwParzen) {
      Check(FftSnapshot(fft_) == before, "an unknown window kind changed the component");
      return;
    }
    Check(fft_.Window() == kind && WindowMatches(), "the window table is not the window's weights");
    before.Window = kind;
    before.Stored = FftSnapshot(fft_).Stored;
    const std::size_t n = fft_.WindowTable().size();
    const std::vector<float> table(fft_.WindowTable().begin(), fft_.WindowTable().end());
    std::copy(table.begin(), table.end(), before.Floats.end() - static_cast<std::ptrdiff_t>(n));
    Check(FftSnapshot(fft_) == before, "setting the window changed more than the window");
  }

  void SetTwiddles(TsigFFTTwiddles value) {
    log_ += "Twiddles = " + std::to_string(value) + "\n";
    FftSnapshot before(fft_);
    const TsigFFTTwiddles was = fft_.Twiddles();
    fft_.SetTwiddles(value);
    work_ += static_cast<std::size_t>(fft_.BufferSize());
    if (value > ftExact || value == was) {
      Check(fft_.Twiddles() == was && FftSnapshot(fft_) == before,
            "an unknown or unchanged twiddles value changed the component");
      return;
    }
    Check(fft_.Twiddles() == value, "the twiddles were not taken");
    before.Stored = FftSnapshot(fft_).Stored;  // the one place the kind shows
    Check(FftSnapshot(fft_) == before, "setting the twiddles changed more than the twiddles");
  }

  bool WindowMatches() const {
    const auto table = fft_.WindowTable();
    const std::size_t n = table.size();
    const std::size_t count = std::min(n, WindowSamples);  // the first and the last among them
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t i = count == n ? k : k * (n - 1) / (count - 1);
      const float w = WindowValue(fft_.Window(), static_cast<std::int32_t>(i), fft_.BufferSize());
      if (std::bit_cast<std::uint32_t>(w) != std::bit_cast<std::uint32_t>(table[i])) return false;
    }
    return true;
  }

  // Up to 255 values of any bit pattern, alternately real and imaginary,
  // from an index on.
  void Write(ByteReader& in) {
    const std::size_t n = fft_.RealIn().size();
    std::size_t at = static_cast<std::size_t>(in.Int32()) % n;
    const int count = in.Byte();
    log_ += "write " + std::to_string(count) + " values at " + std::to_string(at) + "\n";
    for (int i = 0; i < count; ++i, at = (at + 1) % n) {
      fft_.RealIn()[at] = in.Float();
      fft_.ImagIn()[at] = in.Float();
    }
  }

  // Every input element from one value family and a seed.
  void Generate(ByteReader& in) {
    const std::uint8_t realFamily = in.Byte();
    const std::uint8_t imagFamily = in.Byte();
    std::uint32_t state = static_cast<std::uint32_t>(in.Int32());
    log_ += "generate families " + std::to_string(realFamily % 5) + ", " + std::to_string(imagFamily % 5) +
            " from " + std::to_string(state) + "\n";
    work_ += fft_.RealIn().size();
    for (float& v : fft_.RealIn()) v = Generated(state, realFamily);
    for (float& v : fft_.ImagIn()) v = Generated(state, imagFamily);
  }

  void Flag(bool raise) {
    log_ += raise ? "raise the underflow flag\n" : "clear the underflow flag\n";
    _mm_setcsr(raise ? _mm_getcsr() | UnderflowFlag : _mm_getcsr() & ~UnderflowFlag);
  }

  void Transform(bool forward) {
    log_ += forward ? "Forward\n" : "Inverse\n";
    work_ += static_cast<std::size_t>(fft_.BufferSize());
    const test::ReferenceFFT<long double> reference(fft_.Power(), fft_.Twiddles());
    std::vector<float> inRe(fft_.RealIn().begin(), fft_.RealIn().end());
    std::vector<float> inIm(fft_.ImagIn().begin(), fft_.ImagIn().end());
    std::vector<float> re, im;
    if (forward) {
      reference.Forward(fft_.Window(), inRe, inIm, re, im);
      fft_.Forward();
    } else {
      reference.Inverse(inRe, inIm, re, im);
      fft_.Inverse();
    }
    Check(SameBits(fft_.RealIn(), inRe) && SameBits(fft_.ImagIn(), inIm),
          "the input left behind differs from the reference's");
    Check(SameBits(fft_.RealOut(), re) && SameBits(fft_.ImagOut(), im),
          "the transform differs from the reference");
  }

  void Check(bool holds, const char* what) const {
    if (!holds) Fail(std::string(what) + " after:\n" + log_);
  }

  TsigFFT fft_;
  std::string log_;
  std::size_t work_ = 0;
};

}  // namespace

}  // namespace tessaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessaro::fuzz::ByteReader in(data, size);
  tessaro::fuzz::Program().Run(in);
  return 0;
}
