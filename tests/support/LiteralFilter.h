// The per-sample routines kept literally, the reference of the optimised
// sample path for the tests and the benchmark: both histories shifted down
// by one entry per sample with 80-bit loads and stores, the accumulation
// exactly as written, the anti-denormal offset added and subtracted at both
// places every time.
#pragma once

#include <array>

#include "tessaro/sigIIRFilters.h"

namespace tessaro::test {

struct LiteralFilter {
  enum Route { Pass, Mute, Filter };

  Route Routine = Filter;
  std::array<Extended, PoleZeroCapacity> X{}, Y{}, B{}, A{};
  Extended Scale = 0.0L;
  int Count = 0;

  // Takes over the coefficients of the filter's design; the routine and the
  // histories stay.
  void Load(const TsigCustomIIRFilter& f) {
    Scale = f.InputScale();
    Count = f.CoefficientCount();
    for (int i = 0; i < PoleZeroCapacity; ++i) {
      B[i] = f.InputCoefficients()[i];
      A[i] = f.OutputCoefficients()[i];
    }
  }

  void Reset() {
    X.fill(0.0L);
    Y.fill(0.0L);
  }

  Extended Sample(Extended x);
};

// Moves an extended value through the x87 stack: an 80-bit load and store,
// which the compiler may not turn into a block move.
inline void MoveExtended(Extended& to, const Extended& from) {
  Extended v = from;
  asm("" : "+t"(v));
  to = v;
}

inline Extended LiteralFilterSample(LiteralFilter& f, Extended x) {
  const int n = f.Count;
  constexpr Extended d = 1e-20L;
  for (int i = 0; i < n; ++i) {
    MoveExtended(f.X[i], f.X[i + 1]);
    MoveExtended(f.Y[i], f.Y[i + 1]);
  }
  const Extended t = ((x + d) - d) * f.Scale;
  f.X[n] = t;
  Extended acc = t;
  for (int i = 0; i < n; ++i) acc = (((f.X[i] * f.B[i] + acc) + f.Y[i] * f.A[i]) + d) - d;
  f.Y[n] = acc;
  return acc;
}

inline Extended LiteralPassSample(LiteralFilter&, Extended x) { return x; }

inline Extended LiteralMuteSample(LiteralFilter&, Extended) { return 0.0L; }

inline Extended LiteralFilter::Sample(Extended x) {
  switch (Routine) {
    case Pass: return LiteralPassSample(*this, x);
    case Mute: return LiteralMuteSample(*this, x);
    case Filter: break;
  }
  return LiteralFilterSample(*this, x);
}

}  // namespace tessaro::test
