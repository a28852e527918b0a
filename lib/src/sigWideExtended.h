// Double-extended arithmetic: a value held as the unevaluated sum of two
// Extended numbers, good to about 2^-126 relative. The IIR realisation
// checks evaluate the filters' 80-bit polynomials with it, so that a
// polynomial whose roots cluster near the unit circle is evaluated far more
// accurately than its own coefficients were rounded. Internal to the
// library.
//
// The error-free steps need round to nearest with the full 64-bit
// significand (the x87 default) and no contraction of products into sums.
#pragma once

#include "tessaro/sigTypes.h"

namespace tessaro {

struct WideExtended {
  Extended Hi = 0.0L;
  Extended Lo = 0.0L;
};

struct WideComplex {
  WideExtended Re;
  WideExtended Im;
};

// a + b = Hi + Lo exactly (Knuth), for any finite a, b.
inline WideExtended TwoSum(Extended a, Extended b) {
  const Extended s = a + b;
  const Extended bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// a + b exactly, when |a| >= |b| or a is 0 (Dekker).
inline WideExtended FastTwoSum(Extended a, Extended b) {
  const Extended s = a + b;
  return {s, b - (s - a)};
}

// a·b = Hi + Lo exactly, barring overflow and underflow (Dekker's product;
// the splitting factor 2^32 + 1 cuts a 64-bit significand into two halves
// whose products are exact).
inline WideExtended TwoProduct(Extended a, Extended b) {
  constexpr Extended Split = 4294967297.0L;
  const Extended p = a * b;
  const Extended ca = Split * a;
  const Extended ah = ca - (ca - a);
  const Extended al = a - ah;
  const Extended cb = Split * b;
  const Extended bh = cb - (cb - b);
  const Extended bl = b - bh;
  return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

inline WideExtended Add(WideExtended a, WideExtended b) {
  const WideExtended s = TwoSum(a.Hi, b.Hi);
  const WideExtended t = TwoSum(a.Lo, b.Lo);
  WideExtended r = FastTwoSum(s.Hi, s.Lo + t.Hi);
  return FastTwoSum(r.Hi, r.Lo + t.Lo);
}

inline WideExtended Negate(WideExtended a) { return {-a.Hi, -a.Lo}; }

inline WideExtended Multiply(WideExtended a, Extended b) {
  const WideExtended p = TwoProduct(a.Hi, b);
  return FastTwoSum(p.Hi, p.Lo + a.Lo * b);
}

inline WideExtended Multiply(WideExtended a, WideExtended b) {
  const WideExtended p = TwoProduct(a.Hi, b.Hi);
  return FastTwoSum(p.Hi, p.Lo + (a.Hi * b.Lo + a.Lo * b.Hi));
}

// The Extended nearest to the wide value.
inline Extended Narrow(WideExtended a) { return a.Hi + a.Lo; }

inline WideComplex Add(WideComplex a, WideComplex b) {
  return {Add(a.Re, b.Re), Add(a.Im, b.Im)};
}

// a·z for an Extended complex z.
inline WideComplex Multiply(WideComplex a, TsigComplex z) {
  return {Add(Multiply(a.Re, z.Re), Negate(Multiply(a.Im, z.Im))),
          Add(Multiply(a.Re, z.Im), Multiply(a.Im, z.Re))};
}

inline TsigComplex Narrow(WideComplex a) { return {Narrow(a.Re), Narrow(a.Im)}; }

}  // namespace tessaro
