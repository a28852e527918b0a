// The tables that depend only on the size of the FFT: the bit-reversal
// permutation and the twiddles of every stage, in the layout the transform
// reads them in. Internal to the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tessaro/sigFFT.h"

namespace tessaro::fft {

// Entry n = n with its `power` low bits reversed, built by the running-index
// permutation (swap i and j whenever j > i).
void BuildBitReverseTable(std::span<std::int32_t> table);

// The twiddles of every stage t = 0..power-1 in one table of 2^(power+1)
// doubles: starting from (1, 0), each one the previous times the step
// (cosTable[t], sign * sinTable[t]), both parts from the old values, each
// rounded to float from its extended value; the floats are stored as
// doubles, the form in which the butterflies use them. Stage t (H = 2^t
// twiddles) fills entries 2H .. 4H - 1 in blocks of min(H, 8) twiddles, the
// real parts of a block followed by its imaginary parts, so that a vector of
// up to eight consecutive twiddles reads both parts from one stream (and,
// in a table on a 64-byte boundary, from whole cache lines).
void BuildTwiddles(std::span<const float> cosTable, std::span<const float> sinTable, float sign,
                   std::span<double> table);

// The twiddles of every stage for 2^power points, of the given kind, with
// the sine's sign `sign` (+1 for Forward, -1 for Inverse), in the layout
// above; a zero is always +0. ftRecurrence: from the steps (cos(pi / 2^t),
// sin(pi / 2^t)), the angle formed and evaluated in extended precision and
// rounded to float. ftExact: twiddle j of stage t is cos and sin of
// pi·j / 2^t, each the float nearest to the true value.
void BuildTwiddles(int power, TsigFFTTwiddles kind, float sign, std::span<double> table);

// Where twiddle j of a stage is: its real part at TwiddleIndex, its
// imaginary part TwiddleBlock entries later.
constexpr int TwiddleBlock(int stage) { return stage < 3 ? 1 << stage : 8; }
constexpr std::size_t TwiddleIndex(int stage, int j) {
  const int block = TwiddleBlock(stage);
  return static_cast<std::size_t>(2 * (1 << stage) + (j / block) * 2 * block + j % block);
}

// What a transform reads.
struct TransformTables {
  int Power = 0;
  const std::int32_t* BitReverse = nullptr;  // 2^Power entries
  const double* Twiddles = nullptr;          // 2^(Power+1) entries, as BuildTwiddles
};

}  // namespace tessaro::fft
