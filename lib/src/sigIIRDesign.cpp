// Pole-zero design of the IIR filter.
//
// A lowpass prototype with its corner at 1 rad/s is moved to the requested
// response at prewarped corners w = 2·tan(π·a), mapped to the z-plane by the
// bilinear transform, and its roots are multiplied out into the numerator
// (top) and denominator (bottom) of H(z). The input is scaled by the
// reciprocal of |H| at a reference point chosen by the response.
#include "sigIIRDesign.h"

#include <cfenv>
#include <cmath>
#include <cstdio>

#include "sigFloatingPoint.h"
#include "tessaro/sigcomplex.h"

namespace tessaro {

namespace {

// The gain top(z)/bottom(z), with the floating-point flags its evaluation
// raises moved into flags instead of the environment.
TsigComplex MeasureGain(const IIRPolynomial& top, int mt, const IIRPolynomial& bottom, int mb,
                        TsigComplex z, int& flags) {
  const FlagScope scope;
  const TsigComplex gain = EvaluateResponse(top, mt, bottom, mb, z);
  flags = std::fetestexcept(FE_ALL_EXCEPT);
  return gain;
}

void EmptySet(PoleZeroSet& set) {
  set.Poles.fill(TsigComplex{});
  set.Zeros.fill(TsigComplex{});
  set.PoleCount = 0;
  set.ZeroCount = 0;
}

}  // namespace

const std::array<TsigComplex, 30> BesselPoleTable = {{
    {-1.00000000000L, 0.0L},                       // order 1
    {-1.10160133059L, 0.636009824757L},            // order 2
    {-1.32267579991L, 0.0L},                       // order 3
    {-1.04740916101L, 0.999264436281L},
    {-1.37006783055L, 0.410249717494L},            // order 4
    {-0.995208764350L, 1.25710573945L},
    {-1.50231627145L, 0.0L},                       // order 5
    {-1.38087732586L, 0.717909587627L},
    {-0.957676548563L, 1.47112432073L},
    {-1.57149040362L, 0.320896374221L},            // order 6
    {-1.38185809760L, 0.971471890712L},
    {-0.930656522947L, 1.66186326894L},
    {-1.68436817927L, 0.0L},                       // order 7
    {-1.61203876622L, 0.589244506931L},
    {-1.37890321680L, 1.19156677780L},
    {-0.909867780623L, 1.83645135304L},
    {-1.75740840040L, 0.272867575103L},            // order 8
    {-1.63693941813L, 0.822795625139L},
    {-1.37384121764L, 1.38835657588L},
    {-0.892869718847L, 1.99832584364L},
    {-1.85660050123L, 0.0L},                       // order 9
    {-1.80717053496L, 0.512383730575L},
    {-1.65239648458L, 1.03138956698L},
    {-1.36758830979L, 1.56773371224L},
    {-0.878399276161L, 2.14980052431L},
    {-1.92761969145L, 0.241623471082L},            // order 10
    {-1.84219624443L, 0.727257597722L},
    {-1.66181024140L, 1.22110021857L},
    {-1.36069227838L, 1.73350574267L},
    {-0.865756901707L, 2.29260483098L},
}};

void AddPrototypePole(IIRDesignState& state, TsigComplex z) {
  if (z.Re < 0.0L) {
    state.SPlane.Poles[state.SPlane.PoleCount] = z;
    ++state.SPlane.PoleCount;
  }
}

// Chebyshev poles: the Butterworth poles with their real parts scaled by
// sinh(y) and their imaginary parts by cosh(y), y = asinh(1/ε)/n and
// ε² = 10^(R/10) - 1. A ripple of 0 dB is held at ε = 1e-10.
void ApplyChebyshevRipple(IIRDesignState& state, int order, Extended ripple) {
  const Extended r = std::pow(10.0L, ripple / 10.0L);
  const Extended epsilon = Larger(std::sqrt(r - 1.0L), 1e-10L);
  const Extended y = std::asinh(1.0L / epsilon) / order;
  if (y > 0.0L) {
    const Extended sh = std::sinh(y);
    const Extended ch = std::cosh(y);
    for (int i = 0; i < state.SPlane.PoleCount; ++i) {
      state.SPlane.Poles[i].Re = state.SPlane.Poles[i].Re * sh;
      state.SPlane.Poles[i].Im = state.SPlane.Poles[i].Im * ch;
    }
  } else {
    char text[96];
    std::snprintf(text, sizeof text, "Chebyshev filter error y=%.15Lg; must be .gt. 0.0", y);
    state.DesignMessage = text;
  }
}

// Butterworth candidates e^(iθ) at θ = iπ/n (odd n) or (i + 1/2)π/n (even
// n); the n in the left half plane are kept, by increasing θ.
void BuildPrototype(IIRDesignState& state, TsigIIRFilterKind kind, int order, Extended ripple) {
  if (kind == fkBessel) {
    int k = (order * order) / 4;
    if (order % 2 == 1) {
      AddPrototypePole(state, BesselPoleTable[k]);
      ++k;
    }
    for (int pair = 0; pair < order / 2; ++pair) {
      AddPrototypePole(state, BesselPoleTable[k]);
      AddPrototypePole(state, Conjugate(BesselPoleTable[k]));
      ++k;
    }
    return;
  }
  for (int i = 0; i < 2 * order; ++i) {
    const Extended theta = order % 2 == 1 ? i * Pi / order : (i + 0.5L) * Pi / order;
    AddPrototypePole(state, ExpImaginary(theta));
  }
  if (kind == fkChebyshev) ApplyChebyshevRipple(state, order, ripple);
}

// Lowpass: s -> s/w1. Highpass: s -> w1/s, zeros at the origin. Bandpass and
// bandstop: each prototype pole p becomes the two roots of
// s² - 2hs + w0² = 0, s = h(1 ± sqrt(1 - (w0/h)²)), with h = p·bw/2
// (bandpass) or h = (bw/2)/p (bandstop); w0 = sqrt(w1·w2), bw = w2 - w1.
void TransformBand(IIRDesignState& state, TsigIIRFilterResponse response, int order, Extended w1,
                   Extended w2) {
  PoleZeroSet& s = state.SPlane;
  const int n = s.PoleCount;
  const TsigComplex one = MakeComplex(1.0L, 0.0L);
  switch (response) {
    case ftLowpass:
      s.ZeroCount = 0;
      for (int i = 0; i < n; ++i) s.Poles[i] = Scale(s.Poles[i], w1);
      return;
    case ftHighpass:
      for (int i = 0; i < n; ++i) {
        s.Poles[i] = Divide(MakeComplex(w1, 0.0L), s.Poles[i]);
        s.Zeros[i] = MakeComplex(0.0L, 0.0L);
      }
      s.ZeroCount = n;
      return;
    case ftBandpass:
    case ftBandstop:
      break;
  }
  if (!(w1 <= w2)) {
    const Extended swap = w1;
    w1 = w2;
    w2 = swap;
  }
  const Extended w0 = std::sqrt(w1 * w2);
  const Extended bw = Larger(w2 - w1, order * 0.0001L);
  for (int i = 0; i < n; ++i) {
    const TsigComplex h = response == ftBandpass ? Scale(s.Poles[i], bw * 0.5L)
                                                 : Divide(MakeComplex(bw * 0.5L, 0.0L), s.Poles[i]);
    const TsigComplex t = SquareRoot(Subtract(one, Square(Divide(MakeComplex(w0, 0.0L), h))));
    s.Poles[i] = Multiply(h, Add(one, t));
    s.Poles[n + i] = Multiply(h, Subtract(one, t));
  }
  if (response == ftBandpass) {
    for (int i = 0; i < n; ++i) s.Zeros[i] = MakeComplex(0.0L, 0.0L);
    s.ZeroCount = n;
  } else {
    for (int i = 0; i < n; ++i) {
      s.Zeros[i] = MakeComplex(0.0L, w0);
      s.Zeros[n + i] = MakeComplex(0.0L, -w0);
    }
    s.ZeroCount = 2 * n;
  }
  s.PoleCount = 2 * n;
}

TsigComplex BilinearMap(TsigComplex s) {
  return Divide(Add(MakeComplex(2.0L, 0.0L), s), Subtract(MakeComplex(2.0L, 0.0L), s));
}

// Zeros at infinity in the s-plane land at z = -1.
void MapToZPlane(IIRDesignState& state) {
  const PoleZeroSet& s = state.SPlane;
  PoleZeroSet& z = state.ZPlane;
  z.PoleCount = s.PoleCount;
  z.ZeroCount = s.ZeroCount;
  for (int i = 0; i < s.PoleCount; ++i) z.Poles[i] = BilinearMap(s.Poles[i]);
  for (int i = 0; i < s.ZeroCount; ++i) z.Zeros[i] = BilinearMap(s.Zeros[i]);
  while (z.ZeroCount < z.PoleCount) {
    z.Zeros[z.ZeroCount] = MakeComplex(-1.0L, 0.0L);
    ++z.ZeroCount;
  }
}

// Multiplies (z - r_j) into the coefficients one root at a time, highest
// power first so that c[k-1] is still the previous product's value.
IIRPolynomial ExpandRoots(const std::array<TsigComplex, PoleZeroCapacity>& roots, int m,
                          std::string& message) {
  IIRPolynomial c{};
  c[0] = MakeComplex(1.0L, 0.0L);
  for (int k = 1; k <= m; ++k) c[k] = MakeComplex(0.0L, 0.0L);
  for (int j = 0; j < m; ++j) {
    const TsigComplex q = Negate(roots[j]);
    for (int k = m; k >= 1; --k) c[k] = Add(Multiply(q, c[k]), c[k - 1]);
    c[0] = Multiply(q, c[0]);
  }
  std::string text;
  for (int k = 0; k <= m; ++k) {
    if (!(std::fabs(c[k].Im) <= 1e-10L)) {
      char line[96];
      std::snprintf(line, sizeof line,
                    "Coeff of z^%d is not real; poles/zeros are not complex conjugates\r\n", k);
      text += line;
    }
  }
  if (!text.empty()) message = text;
  return c;
}

TsigComplex EvaluatePolynomial(const IIRPolynomial& c, int m, TsigComplex z) {
  TsigComplex s = MakeComplex(0.0L, 0.0L);
  for (int k = m; k >= 0; --k) s = Add(Multiply(s, z), c[k]);
  return s;
}

TsigComplex EvaluateResponse(const IIRPolynomial& top, int mt, const IIRPolynomial& bottom, int mb,
                             TsigComplex z) {
  return Divide(EvaluatePolynomial(top, mt, z), EvaluatePolynomial(bottom, mb, z));
}

// The difference equation divides by z^N: y = x + Σ top[k]·x[k-N] -
// Σ bottom[k]·y[k-N], so the output weights carry the minus sign.
void ComputeCoefficients(IIRDesignState& state) {
  const int m = state.ZPlane.ZeroCount;
  const int n = state.ZPlane.PoleCount;
  const IIRPolynomial top = ExpandRoots(state.ZPlane.Zeros, m, state.DesignMessage);
  const IIRPolynomial bottom = ExpandRoots(state.ZPlane.Poles, n, state.DesignMessage);
  state.DCGain = MeasureGain(top, m, bottom, n, MakeComplex(1.0L, 0.0L), state.DCGainFlags);
  const TsigComplex centre = ExpImaginary(Pi * (state.A1 + state.A2));
  state.CentreGain = MeasureGain(top, m, bottom, n, centre, state.CentreGainFlags);
  state.NyquistGain =
      MeasureGain(top, m, bottom, n, MakeComplex(-1.0L, 0.0L), state.NyquistGainFlags);
  for (int k = 0; k < m; ++k) state.InputCoefficients[k] = top[k].Re / bottom[n].Re;
  for (int k = 0; k < n; ++k) state.OutputCoefficients[k] = -bottom[k].Re / bottom[n].Re;
}

void DesignIIRFilter(const TsigIIRFilterProperties& properties, IIRDesignState& state) {
  const int order = properties.Order;
  const bool band = properties.Response == ftBandpass || properties.Response == ftBandstop;
  const Extended floor = order * 0.0001L;
  state.A1 = Larger(floor, properties.Frequency1 / properties.SampleRate);
  state.A2 = Larger(floor,
                    (band ? properties.Frequency2 : properties.Frequency1) / properties.SampleRate);
  if (!band) state.A2 = state.A1;

  EmptySet(state.SPlane);
  EmptySet(state.ZPlane);
  BuildPrototype(state, properties.Kind, order, properties.Ripple);

  state.W1 = 2.0L * std::tan(Pi * state.A1);
  state.W2 = 2.0L * std::tan(Pi * state.A2);
  TransformBand(state, properties.Response, order, state.W1, state.W2);
  MapToZPlane(state);
  state.CoefficientCount = state.SPlane.PoleCount;
  ComputeCoefficients(state);

  TsigComplex reference;
  int flags = 0;
  switch (properties.Response) {
    case ftLowpass:
      reference = state.DCGain;
      flags = state.DCGainFlags;
      break;
    case ftHighpass:
      reference = state.NyquistGain;
      flags = state.NyquistGainFlags;
      break;
    case ftBandpass:
      reference = state.CentreGain;
      flags = state.CentreGainFlags;
      break;
    case ftBandstop:
      reference = SquareRoot(Multiply(state.DCGain, state.NyquistGain));
      flags = state.DCGainFlags | state.NyquistGainFlags;
      break;
  }
  std::feraiseexcept(flags);
  state.InputScale = 1.0L / Magnitude(reference);

  state.Routine = IIRRoutine::Filter;
  if (state.A1 == state.A2) {
    if (properties.Response == ftBandpass) state.Routine = IIRRoutine::Mute;
    if (properties.Response == ftBandstop) state.Routine = IIRRoutine::Pass;
  }
}

}  // namespace tessaro
