// FFT component: complex discrete Fourier transform of N = 2^P points,
// P = 2..15, in single precision, real and imaginary parts in separate
// arrays.
//
// Usage:
//   tessaro::TsigFFT fft;                 // N = 512, no window
//   fft.SetBufferSize(1024);
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
// Precision: every value is a float, every butterfly product and sum is
// rounded to float from its extended-precision value, and the twiddles of a
// stage come from a float recurrence, one cosine and sine per stage; the
// results are the same bit for bit on every processor (the transform picks
// SSE2, AVX2 or AVX-512 at run time). The recurrence lets the error grow
// with N: about 1e-8·N at most for data of order 1 (3e-4 at 32768 points).
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
// Window (stored when not fwNone, by name).
class TsigFFT : public TsigCustomFFT {
 public:
  using TsigCustomFFT::TsigCustomFFT;
  const TComponentClass& ClassType() const override;
  static const TComponentClass& StaticClass();
};

}  // namespace tessaro
