// The designs of the realisation tests and the fingerprint that ties a
// committed reference to the design it was computed from: every kind and
// response, orders 1..8, corners from 0.02 % to 45 % of the sample rate,
// and the three designs whose direct form fails in everyday use.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "LiteralFilter.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro::test {

struct GridDesign {
  TsigIIRFilterKind kind;
  TsigIIRFilterResponse response;
  int order;
  Extended frequency1, frequency2, sampleRate, ripple;
};

inline std::vector<GridDesign> RealisationGrid() {
  constexpr Extended Rate = 48000.0L;
  // Fractions of the sample rate: lowpass and highpass corners, band edges.
  constexpr Extended Corners[] = {0.0002L, 0.005L, 0.1L, 0.45L};
  constexpr Extended Bands[][2] = {{0.001L, 0.00125L}, {0.002L, 0.02L}, {0.05L, 0.1L},
                                   {0.25L, 0.45L}};
  std::vector<GridDesign> grid;
  for (TsigIIRFilterKind kind : {fkButterworth, fkChebyshev, fkBessel})
    for (TsigIIRFilterResponse response : {ftLowpass, ftHighpass, ftBandpass, ftBandstop})
      for (int order = 1; order <= 8; ++order)
        for (int i = 0; i < 4; ++i) {
          const bool band = response >= ftBandpass;
          const Extended f1 = (band ? Bands[i][0] : Corners[i]) * Rate;
          const Extended f2 = (band ? Bands[i][1] : Corners[i]) * Rate;
          grid.push_back({kind, response, order, f1, f2, Rate, 1.0L});
        }
  grid.push_back({fkButterworth, ftHighpass, 8, 20.0L, 20.0L, Rate, 1.0L});
  grid.push_back({fkChebyshev, ftBandpass, 8, 300.0L, 3400.0L, Rate, 1.0L});
  grid.push_back({fkButterworth, ftLowpass, 8, 22049.9999L, 22049.9999L, 44100.0L, 1.0L});
  return grid;
}

inline void Configure(TsigIIRFilter& f, const GridDesign& d) {
  f.SetSampleRate(d.sampleRate);
  f.SetKind(d.kind);
  f.SetRipple(d.ripple);
  f.SetResponse(d.response);
  f.SetOrder(d.order);
  f.SetFrequency1(d.frequency1);
  f.SetFrequency2(d.frequency2);
}

// The literal direct form with the filter's coefficients and every history
// entry at the given levels (the steady state of a constant input).
inline LiteralFilter SteadyLiteral(const TsigIIRFilter& f, Extended input, Extended output) {
  LiteralFilter literal;
  literal.Load(f);
  for (int i = 0; i <= literal.Count; ++i) literal.X[i] = input, literal.Y[i] = output;
  return literal;
}

// FNV-1a over the 80 value bits of the input scale, the z-plane poles and
// zeros and the difference-equation coefficients.
inline std::uint64_t DesignFingerprint(const TsigIIRFilter& f) {
  std::uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](Extended v) {
    unsigned char bytes[10];
    std::memcpy(bytes, &v, 10);
    for (unsigned char b : bytes) hash = (hash ^ b) * 1099511628211ull;
  };
  mix(f.InputScale());
  const PoleZeroSet& z = f.ZPlane();
  for (int i = 0; i < z.PoleCount; ++i) mix(z.Poles[i].Re), mix(z.Poles[i].Im);
  for (int i = 0; i < z.ZeroCount; ++i) mix(z.Zeros[i].Re), mix(z.Zeros[i].Im);
  for (int i = 0; i < f.CoefficientCount(); ++i)
    mix(f.InputCoefficients()[i]), mix(f.OutputCoefficients()[i]);
  return hash;
}

}  // namespace tessaro::test
