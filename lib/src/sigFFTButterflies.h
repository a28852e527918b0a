// The butterflies of the vector FFT over a traits class S (see
// sigFFTKernel.h), each in the form that gives the float of the extended
// evaluation: products in double with their suspects noted for the block,
// or exactly, with the suspect lanes redone in extended precision; and the
// special twiddles of the first pass as single float operations.
// docs/fft-exactness.md gives the argument. Internal.
#pragma once

#include "sigFFTTransform.h"

namespace tessaro::fft {

// Tiny: whether the suspects include results below the normal float range.
// Real: whether the transform's results are real to rounding (Inverse), so
// that the imaginary parts of its products cancel heavily.
template <class S, bool Tiny, bool Real>
struct Butterflies {
  using F = typename S::F;
  using D = typename S::D;
  using Flags = typename S::Flags;
  static constexpr int L = S::Lanes;

  // A twiddle per lane, float values held as doubles.
  struct Twiddle {
    D re, im;
  };

  // Twiddles j .. j + L - 1 of a stage of eight or more from the stage's
  // part of the table (j a multiple of L): the real parts at 2j - j mod 8,
  // the imaginary parts eight entries later.
  static constexpr int Offset(int j) { return 2 * j - (j & 7); }
  [[gnu::always_inline]] static Twiddle At(const double* p) {
    Twiddle w;
    S::LoadTwiddle(p, w.re, w.im);
    return w;
  }
  [[gnu::always_inline]] static Twiddle Same(double re, double im) { return {S::Set1D(re), S::Set1D(im)}; }

  struct Pair {
    F re, im;
  };

  // (tr, ti) = (wr·yr - wi·yi, wr·yi + wi·yr), each the float of its
  // extended value.
  static void Products(const Twiddle& w, F yr, F yi, F& tr, F& ti) {
    const D a = S::Widen(yr), b = S::Widen(yi);
    const D r = S::MulSub(w.re, a, S::Mul(w.im, b));
    const D i = S::MulAdd(w.re, b, S::Mul(w.im, a));
    tr = S::Narrow(r);
    ti = S::Narrow(i);
    if (S::MaybeHard(r, i)) [[unlikely]] {
      // Everything by value, so that the common path keeps its registers.
      const Pair fixed = Resolve(w.re, w.im, yr, yi, tr, ti);
      tr = fixed.re, ti = fixed.im;
    }
  }

  // err with s + err = x + y exactly, for s = x + y rounded (two-sum).
  static D SumError(D x, D y, D s) {
    const D yv = S::Sub(s, x);
    const D xv = S::Sub(s, yv);
    return S::Add(S::Sub(x, xv), S::Sub(y, yv));
  }

  // The lanes whose double result may round differently from the extended
  // one are redone in extended precision.
  [[gnu::noinline, gnu::cold]] static Pair Resolve(D wr, D wi, F yr, F yi, F tr, F ti) {
    const D a = S::Widen(yr), b = S::Widen(yi);
    const D p = S::Mul(wr, a), q = S::Mul(wi, b);  // tr from p - q
    const D u = S::Mul(wr, b), v = S::Mul(wi, a);  // ti from u + v
    const D r = S::Sub(p, q), i = S::Add(u, v);
    const unsigned hard = (S::HardLanes(r) & S::NonZeroLanes(SumError(p, S::Neg(q), r))) |
                          (S::HardLanes(i) & S::NonZeroLanes(SumError(u, v, i)));
    if (hard == 0) return {tr, ti};
    alignas(64) double wrs[L], wis[L];
    alignas(64) float ys[L], zs[L], outR[L], outI[L];
    S::StoreD(wrs, wr), S::StoreD(wis, wi);
    S::Store(ys, yr), S::Store(zs, yi), S::Store(outR, tr), S::Store(outI, ti);
    for (int l = 0; l < L; ++l)
      if (hard & (1u << l)) {
        // The twiddles are floats held as doubles.
        const auto x = static_cast<float>(wrs[l]), y = static_cast<float>(wis[l]);
        outR[l] = ExtendedDifference(x, ys[l], y, zs[l]);
        outI[l] = ExtendedSum(x, zs[l], y, ys[l]);
      }
    return {S::Load(outR), S::Load(outI)};
  }

  // The same without the branch: the suspects of both results are noted in
  // f, which the caller tests once for a whole block of butterflies. With
  // Nudge, ti is noted as ti + v·2^-60, which changes no inexact result
  // but the chance midpoint patterns of exact cancellations.
  template <bool Nudge = Real>
  [[gnu::always_inline]] static void NotedProducts(const Twiddle& w, D a, D b, F& tr, F& ti, Flags& f) {
    if constexpr (Bracketed) {
      BracketedProducts(w, a, b, tr, ti, f);
      return;
    }
    const D v = S::Mul(w.im, a);
    const D r = S::MulSub(w.re, a, S::Mul(w.im, b));
    const D i = S::MulAdd(w.re, b, v);
    tr = S::Narrow(r);
    ti = S::Narrow(i);
    if constexpr (Nudge)
      S::template Note<Tiny>(f, r, S::MulAdd(v, S::Set1D(0x1p-60), i));
    else
      S::template Note<Tiny>(f, r, i);
  }

  // Where the instruction set rounds a fused multiply-add down and up
  // without changing the rounding mode: each product sum is formed both
  // ways, its float taken from the one rounded up, and only the inexact
  // results beside a float midpoint noted (exact ones, whatever their
  // pattern, never), so that no cancellation nudge is needed.
  static constexpr bool Bracketed = requires { requires S::Bracket; };
  [[gnu::always_inline]] static void BracketedProducts(const Twiddle& w, D a, D b, F& tr, F& ti, Flags& f) {
    const D q = S::Mul(w.im, b), v = S::Mul(w.im, a);
    const D rUp = S::MulSubUp(w.re, a, q), iUp = S::MulAddUp(w.re, b, v);
    tr = S::Narrow(rUp);
    ti = S::Narrow(iUp);
    S::template NoteBracket<Tiny>(f, S::MulSubDown(w.re, a, q), rUp, S::MulAddDown(w.re, b, v), iUp);
  }

  // The same for a twiddle whose parts have magnitudes within a factor of
  // 1 + 2^-20 of each other, where one part of y may be 2^65 times smaller
  // than the other (stage 2 of the first pass, after the twiddle of about
  // (2^-65, 1) of stage 1 has left c·y beside a zero). In the lanes where
  // the smaller part times 2^65·(1 + 2^-19) is below the larger, each
  // result is a single product of the larger part plus less than half a
  // unit of that product's extended rounding: the float of the product,
  // which is exact in double and is taken for both roundings (so never
  // noted).
  [[gnu::always_inline]] static void SkewedProducts(const Twiddle& w, D a, D b, F& tr, F& ti, Flags& f) {
    const D q = S::Mul(w.im, b), v = S::Mul(w.im, a);
    D rDown = S::MulSubDown(w.re, a, q), rUp = S::MulSubUp(w.re, a, q);
    D iDown = S::MulAddDown(w.re, b, v), iUp = S::MulAddUp(w.re, b, v);
    constexpr double Skew = 0x1p65 * (1 + 0x1p-19);
    const auto smallA = S::Below(a, b, Skew), smallB = S::Below(b, a, Skew);
    const D negQ = S::Neg(q), p = S::Mul(w.re, a), u = S::Mul(w.re, b);
    rDown = S::Select(smallA, negQ, S::Select(smallB, p, rDown));
    rUp = S::Select(smallA, negQ, S::Select(smallB, p, rUp));
    iDown = S::Select(smallA, u, S::Select(smallB, v, iDown));
    iUp = S::Select(smallA, u, S::Select(smallB, v, iUp));
    tr = S::Narrow(rUp);
    ti = S::Narrow(iUp);
    S::template NoteBracket<Tiny>(f, rDown, rUp, iDown, iUp);
  }
  [[gnu::always_inline]] static void SkewedButterfly(const Twiddle& w, F& xr, F& xi, F& yr, F& yi, Flags& f) {
    F tr, ti;
    SkewedProducts(w, S::Widen(yr), S::Widen(yi), tr, ti, f);
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // x, y := x + t, x - t with t = w·y: exactly (Exact), or with the
  // suspects noted in f.
  template <bool Exact, bool Nudge = Real>
  [[gnu::always_inline]] static void Butterfly(const Twiddle& w, F& xr, F& xi, F& yr, F& yi, Flags& f) {
    F tr, ti;
    if constexpr (Exact)
      Products(w, yr, yi, tr, ti);
    else
      NotedProducts<Nudge>(w, S::Widen(yr), S::Widen(yi), tr, ti, f);
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // The same with y read from memory only as the products need it.
  template <bool Exact>
  [[gnu::always_inline]] static void ButterflyFrom(const Twiddle& w, F& xr, F& xi, const float* pr,
                                                   const float* pi, F& yr, F& yi, Flags& f) {
    F tr, ti;
    if constexpr (Exact)
      Products(w, S::Load(pr), S::Load(pi), tr, ti);
    else
      NotedProducts(w, S::WidenLoad(pr), S::WidenLoad(pi), tr, ti, f);
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // The same with a twiddle (0, wi): single products, one fused
  // multiply-add each.
  [[gnu::always_inline]] static void ImaginaryButterfly(F wi, F& xr, F& xi, F& yr, F& yi) {
    const F zero = S::Set1(0.0f);
    const F tr = S::NegMulAddF(wi, yi, S::Mul(zero, yr));
    const F ti = S::MulAddF(wi, yr, S::Mul(zero, yi));
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // The same with a twiddle (c, s), |c| <= 2^-65 and s = +-1: one fused
  // multiply-add each, the lanes where one part of y is nonzero and 2^39
  // times smaller than the other noted for the exact path.
  [[gnu::always_inline]] static void LopsidedButterfly(F c, F sign, F& xr, F& xi, F& yr, F& yi, Flags& f) {
    S::NoteLopsided(f, yr, yi);
    const F tr = S::MulAddF(c, yr, S::Mul(S::Neg(sign), yi));
    const F ti = S::MulAddF(c, yi, S::Mul(sign, yr));
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }

  // The same with the twiddle (1, 0).
  [[gnu::always_inline]] static void UnitButterfly(F& xr, F& xi, F& yr, F& yi) {
    F tr, ti;
    S::UnitProducts(yr, yi, tr, ti);
    yr = S::Sub(xr, tr), yi = S::Sub(xi, ti);
    xr = S::Add(xr, tr), xi = S::Add(xi, ti);
  }
};

}  // namespace tessaro::fft
