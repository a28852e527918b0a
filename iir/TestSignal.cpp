#include "TestSignal.h"

#include <cmath>

using tessaro::Extended;

namespace {

Extended Frac(Extended y) { return y - std::trunc(y); }

}  // namespace

double SampleTime(std::int64_t n) {
  return static_cast<double>(static_cast<Extended>(n) / static_cast<Extended>(SourceSampleRate));
}

double SampleX(double t) { return static_cast<double>(static_cast<Extended>(t) / 86400000.0L); }

Extended SourceValue(TSourceKind kind, int frequency, int amplitude, double t) {
  const Extended f = frequency;
  const Extended a = amplitude;
  const Extended time = t;
  switch (kind) {
    case skSine:
      return std::sin((f * TwoPi) * time) * a;
    case skSquare:
      return Frac(f * time) - 0.5L >= 0.0L ? a : -a;
    case skTriangle: {
      const Extended u = 4.0L * Frac(f * time);
      return u > 2.0L ? a * (3.0L - u) : -a * (1.0L - u);
    }
  }
  return 0.0L;
}
