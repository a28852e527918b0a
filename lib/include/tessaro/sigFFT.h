// FFT component: complex discrete Fourier transform of N = 2^P points,
// P = 2..15, in single precision, real and imaginary parts in separate
// arrays.
//
// Usage:
//   tessaro::TsigFFT fft;                 // N = 512, no window
//   fft.SetBufferSize(1024);
//   fft.SetTwiddles(tessaro::ftExact);    // for measurement: see the accuracy below
//   std::ranges::copy(signal, fft.RealIn().begin());
//   fft.Forward();                        // RealOut()/ImagOut() hold the spectrum
//
// Forward: RealIn is multiplied in place by the window (unless fwNone), then
//   Out[k] = sum_n In[n] exp(+2 pi i n k / N), with no scaling.
// Inverse: the upper half of the input is overwritten with the conjugate
//   mirror of the lower half, In[N-k] = conj(In[k]) for k = 1..N/2-1, then
//   Out[k] = (1/N) sum_n In[n] exp(-2 pi i n k / N).
// Both overwrite RealOut and ImagOut entirely, allocate nothing and check
// nothing. The four arrays are owned by the component and replaced when the
// size changes (their contents then start at zero): do not keep a span
// across SetPower or SetBufferSize.
//
// The transform, bit for bit (the results are the same on every processor;
// the transform picks SSE2, AVX2 or AVX-512 at run time). Every stored value
// is a float; ext(x) is the exact value x rounded to a 64-bit significand
// and then to float, both to nearest with ties to even.
// 1. Gather: Out[n] = In[rev(n)], rev reversing the P low bits of n.
// 2. Stages t = 0..P-1 in turn, H = 2^t: for j = 0..H-1, with the twiddle
//    (wr, wi) = W(t, j), and for i = j, j + 2H, j + 4H, ... below N, with
//    m = i + H: tr = ext(wr·Re[m] - wi·Im[m]), ti = ext(wr·Im[m] + wi·Re[m]),
//    then Re[m] = Re[i] - tr, Im[m] = Im[i] - ti, Re[i] = Re[i] + tr,
//    Im[i] = Im[i] + ti, each sum rounded to float.
// 3. Inverse multiplies every result by 1/N.
// The twiddles W(t, j) = (c, s·d), s = +1 for Forward and -1 for Inverse,
// a zero always +0, are chosen by the Twiddles property:
// - ftRecurrence (the default): (c, d) = (1, 0) for j = 0, then
//   (c, d) := (ext(c·C - d·S), ext(d·C + c·S)) from one j to the next, where
//   C and S are the floats nearest to the cosine and sine of pi64 / H, pi64
//   being pi rounded to a 64-bit significand (0xC90FDAA22168C235 · 2^-62).
//   The error grows with N: a relative RMS error of about 2.4e-6 at 1024
//   points and 1.4e-4 at 32768, up to about 1e-8·N in a single value for
//   data of order 1; the spectrum of a Hanning-windowed full-scale sine has
//   errors up to 112 dB below its peak at 1024 points and 75 dB at 32768.
// - ftExact: c and d are the floats nearest to the true cos(pi·j / H) and
//   sin(pi·j / H). A relative RMS error below 2e-7 at every size (1.4e-7 at
//   32768 points); the spectrum of a Hanning-windowed full-scale sine has
//   every error more than 125 dB (measured: 140 dB) below its peak.
// Both kinds cost the same per transform; only the tables differ.
// Speed: the transform reads (never changes) the SSE underflow flag; while
// that sticky flag is up when a transform starts, the transform checks for
// intermediate values below the float range all the way, 10 to 20% slower
// (it is raised by any inexact result below the normal range anywhere in
// the program, and stays up until the program clears it).
// Memory: about 56·N bytes of data and tables (1.8 MB at 32768 points).
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "tessaro/sigComponent.h"
#include "tessaro/sigWindow.h"

namespace tessaro {

using TsigFFTPower = std::uint8_t;  // 2..15

// How the twiddles are made (see above).
enum TsigFFTTwiddles : std::uint8_t { ftRecurrence, ftExact };

class TsigCustomFFT : public TComponent {
 public:
  explicit TsigCustomFFT(TComponent* owner = nullptr);
  ~TsigCustomFFT() override;

  int Power() const noexcept;
  void SetPower(int value);                // clamped to 2..15; a new size zeroes the data
  std::int32_t BufferSize() const noexcept;
  void SetBufferSize(std::int32_t value);  // rounded down to a power of two in 4..32768
  TsigWindow Window() const noexcept;
  void SetWindow(TsigWindow value);        // always refills the table; kinds beyond fwParzen are ignored
  TsigFFTTwiddles Twiddles() const noexcept;
  // A change rebuilds the twiddle tables and keeps the data; values beyond
  // ftExact are ignored.
  void SetTwiddles(TsigFFTTwiddles value);

  void Forward();
  void Inverse();

  std::span<float> RealIn() noexcept;
  std::span<float> ImagIn() noexcept;
  std::span<float> RealOut() noexcept;
  std::span<float> ImagOut() noexcept;
  std::span<const float> RealIn() const noexcept;
  std::span<const float> ImagIn() const noexcept;
  std::span<const float> RealOut() const noexcept;
  std::span<const float> ImagOut() const noexcept;
  std::span<const float> WindowTable() const noexcept;
  std::span<const std::int32_t> BitReverseTable() const noexcept;

  // Loading keeps a copy of the state, so that a failed load (an allocation
  // that throws) leaves the component exactly as it was.
  void BeginLoad() override;
  void EndLoad() override;
  void CancelLoad() noexcept override;

 private:
  struct State;  // the properties, the tables and the four arrays: internal

  void Resize(int power);

  std::unique_ptr<State> state_;       // never null
  std::unique_ptr<State> beforeLoad_;  // during a load: the state before it
};

// The published form: Power (stored when not 9), BufferSize (always),
// Window (stored when not fwNone, by name), Twiddles (stored when not
// ftRecurrence, by name).
class TsigFFT : public TsigCustomFFT {
 public:
  using TsigCustomFFT::TsigCustomFFT;
  const TComponentClass& ClassType() const override;
  static const TComponentClass& StaticClass();
};

}  // namespace tessaro
