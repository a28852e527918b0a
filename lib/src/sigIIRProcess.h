// The IIR filter's per-sample routines as templates over its sample state:
// the difference equation unrolled per coefficient count, the pass and mute
// routines, each in a by-value, a bit-pattern and a block form. Internal to
// the library; the component and the tests instantiate them on
// IIRSampleState (sigIIRSampleState.h).
//
// A state S provides: Inputs and Outputs (std::array<Extended, S::Length>),
// Head (int32), Count (int32), B, A (std::array<Extended, S::MaxCount>),
// Scale (Extended), BPair, APair (arrays of {double High, Low}) and
// ScalePair. The Count + 1 entries below Head of each history are the
// history oldest first; Count + 1 <= Head < Length on entry.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "tessaro/sigTypes.h"

namespace tessaro {

// Added to and subtracted from a value in extended precision, it turns any
// magnitude below 2^-131 into exactly 0, so a decaying filter never reaches
// the slow subnormal range.
inline constexpr Extended AntiDenormalOffset = 1e-20L;

// Beyond this magnitude the offset's add and subtract give the value back
// unchanged, so they can be left out. With round to nearest and a 64-bit
// significand: let 2^e <= |v| < 2^(e+1), e >= -2. Neighbouring values there
// are s = 2^(e-63) >= 2^-65 apart, and d = 1e-20 < 2^-66 <= s/2. Moving |v|
// away from 0 by d stays nearer |v| than its upper neighbour, so the sum
// rounds to v. Moving towards 0: for |v| > 2^e the lower neighbour is s
// away, again more than 2d; for |v| = 2^e, where the lower neighbour is only
// s/2 away, |v| > 1/4 forces e >= -1, so s/2 >= 2^-65 > 2d. Each of the two
// steps thus returns v itself, and infinities pass unchanged. At exactly
// 1/4 it fails: (1/4 + d) - d is 1/4 - 2^-66, hence the strict comparison.
inline constexpr Extended OffsetInertMagnitude = 0.25L;

// The anti-denormal step ((v + d) - d), left out where it cannot change v.
// The comparison is quiet, so a NaN raises no flag it would not raise anyway.
[[gnu::always_inline]] inline Extended Settle(Extended v) {
  if (!std::isgreater(std::fabs(v), OffsetInertMagnitude)) [[unlikely]]
    v = (v + AntiDenormalOffset) - AntiDenormalOffset;
  return v;
}

// The extended value of a significand and a sign-and-exponent word.
inline Extended JoinExtended(std::uint64_t significand, std::uint32_t signExponent) {
  const std::uint16_t top = static_cast<std::uint16_t>(signExponent);
  unsigned char bytes[sizeof(Extended)] = {};
  std::memcpy(bytes, &significand, sizeof significand);
  std::memcpy(bytes + sizeof significand, &top, sizeof top);
  Extended x;
  std::memcpy(&x, bytes, sizeof x);
  return x;
}

// Splits c into doubles whose sum, formed in extended precision, is c bit
// for bit: High is c rounded to double, Low the remainder (at most 11
// significant bits). False, with both 0, where no such pair exists: NaN,
// infinities, magnitudes from 2^1023 up and nonzero ones below 2^-958, whose
// remainder would fall below the normal doubles. Raises no flag but inexact.
inline bool SplitExtended(Extended c, double& high, double& low) {
  high = 0.0;
  low = 0.0;
  if (c == 0.0L) {
    high = low = static_cast<double>(c);  // -0 + -0 keeps the sign
    return true;
  }
  const Extended magnitude = std::fabs(c);
  if (!(magnitude >= 0x1p-958L && magnitude < 0x1p1023L)) return false;
  high = static_cast<double>(c);
  low = static_cast<double>(c - static_cast<Extended>(high));
  const Extended sum = static_cast<Extended>(high) + static_cast<Extended>(low);
  if (std::memcmp(&sum, &c, 10) == 0) return true;
  high = low = 0.0;
  return false;
}

// Where the routines read the coefficients: the extended values, or the
// exact double pairs, which load several times faster than an 80-bit value.
// Forget() hides the arrays from the optimiser, so that a loop reloads the
// coefficients on every pass instead of spilling them as 80-bit values.
template <class S>
class ExtendedCoefficients {
 public:
  explicit ExtendedCoefficients(const S& s) : b_(s.B.data()), a_(s.A.data()), g_(&s.Scale) {}
  void Forget() { asm("" : "+r"(b_), "+r"(a_), "+r"(g_)); }
  Extended B(int i) const { return b_[i]; }
  Extended A(int i) const { return a_[i]; }
  Extended Scale() const { return *g_; }

 private:
  const Extended* b_;
  const Extended* a_;
  const Extended* g_;
};

template <class S>
class PairedCoefficients {
 public:
  explicit PairedCoefficients(const S& s)
      : b_(s.BPair.data()), a_(s.APair.data()), g_(&s.ScalePair) {}
  void Forget() { asm("" : "+r"(b_), "+r"(a_), "+r"(g_)); }
  Extended B(int i) const { return Join(b_[i]); }
  Extended A(int i) const { return Join(a_[i]); }
  Extended Scale() const { return Join(*g_); }

 private:
  using Pair = typename S::Pair;
  static Extended Join(const Pair& p) {
    return static_cast<Extended>(p.High) + static_cast<Extended>(p.Low);
  }
  const Pair* b_;
  const Pair* a_;
  const Pair* g_;
};

// A count not known at compile time.
inline constexpr int DynamicCount = -1;

// Moves the last count + 1 entries of both histories to the start (the two
// ranges overlap for counts above Length / 2 - 2).
template <class S>
void SlideBack(S& s, int count) {
  const std::size_t from = static_cast<std::size_t>(S::Length - count - 1);
  const std::size_t bytes = static_cast<std::size_t>(count + 1) * sizeof(Extended);
  std::memmove(s.Inputs.data(), s.Inputs.data() + from, bytes);
  std::memmove(s.Outputs.data(), s.Outputs.data() + from, bytes);
  s.Head = count + 1;
}

// One sample of
//   t = ((x + d) - d)·g;  acc = t;
//   acc = (((X[i]·B[i] + acc) + Y[i]·A[i]) + d) - d   for i = 0 .. N-1,
// over the N older scaled inputs X and outputs Y, oldest first, then t and
// acc appended as the newest entries. Every operation is the one written,
// in the order written; the anti-denormal steps go only where they are
// inert. X[N-1] and Y[N-1] come as newestX and newestY, so that a block can
// hand them over in registers; the others are read below Head. The new
// entries are t, left in scaled, and the result.
template <int N, class S, class R>
[[gnu::always_inline]] inline Extended FilterStep(S& s, const R& c, Extended x, Extended newestX,
                                                  Extended newestY, Extended& scaled) {
  const int n = N == DynamicCount ? s.Count : N;
  Extended* const inputs = s.Inputs.data() + s.Head;
  Extended* const outputs = s.Outputs.data() + s.Head;
  const Extended t = Settle(x) * c.Scale();
  Extended acc = t;
#pragma GCC unroll 16
  for (int i = 0; i < n - 1; ++i)
    acc = Settle((inputs[i - n] * c.B(i) + acc) + outputs[i - n] * c.A(i));
  if (n > 0) acc = Settle((newestX * c.B(n - 1) + acc) + newestY * c.A(n - 1));
  inputs[0] = t;
  outputs[0] = acc;
  if (++s.Head == S::Length) SlideBack(s, n);
  scaled = t;
  return acc;
}

// The step of a single call, which finds the newest entries in memory.
template <int N, template <class> class C, class S>
[[gnu::always_inline]] inline Extended FilterSingle(S& s, Extended x) {
  const C<S> c(s);
  const Extended newestX = s.Inputs[static_cast<std::size_t>(s.Head - 1)];
  const Extended newestY = s.Outputs[static_cast<std::size_t>(s.Head - 1)];
  Extended scaled;
  return FilterStep<N>(s, c, x, newestX, newestY, scaled);
}

template <int N, template <class> class C, class S>
Extended FilterValue(S& s, Extended x) {
  return FilterSingle<N, C>(s, x);
}

template <int N, template <class> class C, class S>
Extended FilterBits(S& s, std::uint64_t significand, std::uint32_t signExponent) {
  return FilterSingle<N, C>(s, JoinExtended(significand, signExponent));
}

// in and out may be the same array; each sample is read before its output
// is written, as a loop of single calls would. The newest entries stay in
// registers from one sample to the next, off the 80-bit store and reload;
// with one coefficient pair per side the coefficients stay there too.
template <int N, template <class> class C, class S>
void FilterBlock(S& s, const Extended* in, Extended* out, std::size_t count) {
  if (count == 0) return;
  C<S> c(s);
  Extended newestX = s.Inputs[static_cast<std::size_t>(s.Head - 1)];
  Extended newestY = s.Outputs[static_cast<std::size_t>(s.Head - 1)];
  if constexpr (N == 1) {
    // The whole history is two entries per side: it stays in registers and
    // is written back once at the end.
    // The GNU spelling after the parameters binds the attribute to the call
    // operator for both GCC and Clang (Clang ignores [[gnu::always_inline]]
    // there, as it would apply to the type).
    const auto step = [&](std::size_t i) __attribute__((always_inline)) {
      const Extended t = Settle(in[i]) * c.Scale();
      const Extended y = Settle((newestX * c.B(0) + t) + newestY * c.A(0));
      newestX = t;
      newestY = y;
      out[i] = y;
    };
    for (std::size_t i = 0; i + 1 < count; ++i) step(i);
    s.Inputs[0] = newestX;
    s.Outputs[0] = newestY;
    step(count - 1);
    s.Inputs[1] = newestX;
    s.Outputs[1] = newestY;
    s.Head = 2;
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      c.Forget();
      const Extended y = FilterStep<N>(s, c, in[i], newestX, newestY, newestX);
      newestY = y;
      out[i] = y;
    }
  }
}

template <class S>
Extended PassValue(S&, Extended x) {
  return x;
}

template <class S>
Extended PassBits(S&, std::uint64_t significand, std::uint32_t signExponent) {
  return JoinExtended(significand, signExponent);
}

// Copies the 16-byte slots in order, as a loop of single calls would.
template <class S>
void PassBlock(S&, const Extended* in, Extended* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) std::memmove(out + i, in + i, sizeof(Extended));
}

template <class S>
Extended MuteValue(S&, Extended) {
  return 0.0L;
}

template <class S>
Extended MuteBits(S&, std::uint64_t, std::uint32_t) {
  return 0.0L;
}

// +0 is all zero bits, so the whole 16-byte slots are cleared at once (a
// loop of 80-bit stores, as Clang leaves it, is ten times slower).
template <class S>
void MuteBlock(S&, const Extended*, Extended* out, std::size_t count) {
  std::memset(out, 0, count * sizeof(Extended));
}

}  // namespace tessaro
