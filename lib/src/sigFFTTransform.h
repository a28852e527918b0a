// The radix-2 transform over the tables of sigFFTTables.h, and the choice
// of instruction set that runs it. Internal to the library: the component
// calls it on its own arrays.
#pragma once

#include "sigFFTTables.h"

namespace tessaro::fft {

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

// a*b - c*d and a*b + c*d evaluated in extended precision, rounded to float:
// the rule for every product sum of the transform and of the twiddle
// recurrence.
float ExtendedDifference(float a, float b, float c, float d) noexcept;
float ExtendedSum(float a, float b, float c, float d) noexcept;

// The instruction sets of the butterflies: SSE2; AVX2 with FMA; AVX-512F
// with AVX-512DQ and FMA. The transform uses the widest one that the
// processor has, or a narrower one chosen with LimitInstructionSet (the
// results are the same; the tests run every set this way).
enum class InstructionSet { Sse2, Avx2, Avx512 };
InstructionSet SupportedInstructionSet() noexcept;
void LimitInstructionSet(InstructionSet limit) noexcept;  // at most the supported one

}  // namespace tessaro::fft
