// Window functions for spectral analysis, as 32-bit float weights.
//
// The cosine windows are periodic (denominator N, peak 1 at i = N/2, minimum
// at i = 0); the Gaussian is centred at N/2 with a standard deviation of N/2;
// Welch and Parzen divide by N + 1. Integer parts (2i, 4i, 2i - N, N·N) are
// formed exactly, as 32-bit arithmetic forms them wherever that does not
// overflow, everything else in extended precision, and the weight is
// rounded to float at the end.
#pragma once

#include <cstdint>
#include <span>

namespace tessaro {

enum TsigWindow : std::uint8_t {
  fwNone,      // 1
  fwHamming,   // 0.54 - 0.46 cos(2 pi i / N)
  fwHanning,   // 0.5 - 0.5 cos(2 pi i / N)
  fwBlackman,  // 0.42 - 0.5 cos(2 pi i / N) + 0.08 cos(4 pi i / N)
  fwGaussian,  // exp(-0.5 (2i - N)^2 / N^2)
  fwWelch,     // 1 - ((2i - N) / (N + 1))^2
  fwParzen,    // 1 - |2i - N| / (N + 1)
};

// The weight at index i of a window of length n. A kind outside the
// enumeration gives 1, like fwNone. Any i is accepted (the formulas continue
// beyond 0..n-1); n <= 0 throws std::invalid_argument naming n.
float WindowValue(TsigWindow kind, std::int32_t i, std::int32_t n);

// table[i] = WindowValue(kind, i, n) for i = 0..n-1; n <= 0 writes nothing.
// invalid_argument when table holds fewer than n elements.
void FillWindow(TsigWindow kind, std::span<float> table, std::int32_t n);

}  // namespace tessaro
