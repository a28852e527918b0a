// The IIR program's test signal: a sine, square or triangle wave computed
// afresh from the sample number for every sample, and the time coordinate
// under which a sample is drawn. The phase is never accumulated, so a new
// frequency takes effect at the phase it has at the current time.
#pragma once

#include <tessaro/sigTypes.h>

#include <cstdint>

enum TSourceKind : std::uint8_t { skSine, skSquare, skTriangle };

// Samples per second of signal time.
inline constexpr int SourceSampleRate = 1000;

// 2 pi to extended precision (twice the extended pi; the doubling is exact).
inline constexpr tessaro::Extended TwoPi = 2.0L * tessaro::Pi;

// A sample is drawn at x = t / 86 400 000, so one second of signal, the
// 1000 samples of one chart page, spans PageWidth = 1 / 86 400 000 in x.
inline constexpr tessaro::Extended PageWidth = 1.0L / 86400000.0L;

// Time of sample n in seconds: n / 1000 in extended precision, kept as a
// double.
double SampleTime(std::int64_t n);

// The x coordinate of time t: t / 86 400 000 in extended precision, kept
// as a double.
double SampleX(double t);

// The test signal at time t for a frequency f in Hz and an amplitude a:
//   sine:     sin((f * 2pi) * t) * a
//   square:   -a in the first half of each period, +a from its middle on
//             (p = frac(f t); +a when p - 0.5 >= 0)
//   triangle: u = 4 frac(f t); a (3 - u) when u > 2, else -a (1 - u),
//             rising from -a at the start of a period to +a at its middle
// with frac(y) = y - trunc(y), all in extended precision.
tessaro::Extended SourceValue(TSourceKind kind, int frequency, int amplitude, double t);
