// The size-dependent tables of the FFT and its radix-2 transform.
//
// Internal to the library: the component owns the tables and calls
// Transform on its own arrays.
#pragma once

#include <cstdint>
#include <span>

namespace tessaro::fft {

// Entry n = n with its `power` low bits reversed, built by the running-index
// permutation (swap i and j whenever j > i).
void BuildBitReverseTable(std::span<std::int32_t> table);

// The twiddles of every stage t = 0..power-1, H = 2^t of them at offset
// H - 1 (so table size 2^power - 1): starting from (1, 0), each one the
// previous times the step (cosTable[t], sign * sinTable[t]), both parts from
// the old values, each rounded to float from its extended value. The floats
// are stored as doubles, the form in which the butterflies use them.
void BuildTwiddles(std::span<const float> cosTable, std::span<const float> sinTable, float sign,
                   std::span<double> re, std::span<double> im);

struct TransformTables {
  int Power = 0;
  const std::int32_t* BitReverse = nullptr;  // 2^Power entries
  const double* TwiddleRe = nullptr;         // 2^Power - 1 entries, as BuildTwiddles
  const double* TwiddleIm = nullptr;
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

// The instruction sets of the butterflies. The transform uses the widest one
// that the processor has, or a narrower one chosen with LimitInstructionSet
// (the results are the same; the tests run every set this way).
enum class InstructionSet { Sse2, Avx2, Avx512 };
InstructionSet SupportedInstructionSet() noexcept;
InstructionSet ActiveInstructionSet() noexcept;
void LimitInstructionSet(InstructionSet limit) noexcept;  // at most the supported one

}  // namespace tessaro::fft
