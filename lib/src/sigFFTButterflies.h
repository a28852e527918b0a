// The size-dependent tables of the FFT and its radix-2 transform.
//
// Internal to the library: the component owns the tables and calls
// Transform on its own arrays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

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

// Where twiddle j of a stage is: its real part at TwiddleIndex, its
// imaginary part TwiddleBlock entries later.
constexpr int TwiddleBlock(int stage) { return stage < 3 ? 1 << stage : 8; }
constexpr std::size_t TwiddleIndex(int stage, int j) {
  const int block = TwiddleBlock(stage);
  return static_cast<std::size_t>(2 * (1 << stage) + (j / block) * 2 * block + j % block);
}

struct TransformTables {
  int Power = 0;
  const std::int32_t* BitReverse = nullptr;  // 2^Power entries
  const double* Twiddles = nullptr;          // 2^(Power+1) entries, as BuildTwiddles
};

// out = the bit-reversed gather of in followed by the radix-2 stages in
// ascending order. Every butterfly product sum wr*y - wi*z (and wr*z + wi*y)
// is rounded to float from its exact value rounded to extended, every sum
// of two floats once to float: the same floats as an evaluation entirely in
// extended precision. With `scale` the last stage multiplies its results by
// it (a separate rounding, as a scaling pass would). in and out must not
// overlap.
void Transform(const TransformTables& tables, const float* inRe, const float* inIm, float* outRe,
               float* outIm) noexcept;
void TransformScaled(const TransformTables& tables, const float* inRe, const float* inIm, float* outRe,
                     float* outIm, float scale) noexcept;

// In[n-k] := conj(In[k]) for k = 1 .. n/2 - 1 (n >= 4, a power of two).
void Mirror(float* re, float* im, int n) noexcept;

// The instruction sets of the butterflies: SSE2; AVX2 with FMA; AVX-512F
// with AVX-512DQ and FMA. The transform uses the widest one that the
// processor has, or a narrower one chosen with LimitInstructionSet (the
// results are the same; the tests run every set this way).
enum class InstructionSet { Sse2, Avx2, Avx512 };
InstructionSet SupportedInstructionSet() noexcept;
InstructionSet ActiveInstructionSet() noexcept;
void LimitInstructionSet(InstructionSet limit) noexcept;  // at most the supported one

}  // namespace tessaro::fft
