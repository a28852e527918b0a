#include "sigFFTTransform.h"

#include <xmmintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>

#include "sigFFTKernel.h"
#include "tessaro/sigTypes.h"

namespace tessaro::fft {

namespace {

// Whether float(v) may differ from the float of the extended sum that v
// rounds (docs/fft-exactness.md): a float midpoint or a nonzero value below
// the normal float range.
bool NeedsExtended(double v) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  const bool midpoint = (bits & 0x1FFFFFFFu) == 0x10000000u;
  const double mag = v < 0.0 ? -v : v;
  return midpoint || (mag < 0x1p-126 && mag != 0.0);
}

// The transforms of 4 to 32 points, one butterfly at a time.
void SmallTransform(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im) {
  const int n = 1 << t.Power;
  for (int k = 0; k < n; ++k) re[k] = inRe[t.BitReverse[k]], im[k] = inIm[t.BitReverse[k]];
  for (int stage = 0; stage < t.Power; ++stage) {
    const int half = 1 << stage;
    for (int j = 0; j < half; ++j) {
      const std::size_t at = TwiddleIndex(stage, j);
      const auto wr = static_cast<float>(t.Twiddles[at]);
      const auto wi = static_cast<float>(t.Twiddles[at + static_cast<std::size_t>(TwiddleBlock(stage))]);
      for (int i = j; i < n; i += 2 * half) {
        const int m = i + half;
        const double r = static_cast<double>(wr) * re[m] - static_cast<double>(wi) * im[m];
        const double s = static_cast<double>(wr) * im[m] + static_cast<double>(wi) * re[m];
        float tr = static_cast<float>(r), ti = static_cast<float>(s);
        if (NeedsExtended(r) || NeedsExtended(s)) [[unlikely]] {
          tr = ExtendedDifference(wr, re[m], wi, im[m]);
          ti = ExtendedSum(wr, im[m], wi, re[m]);
        }
        re[m] = re[i] - tr, im[m] = im[i] - ti;
        re[i] = re[i] + tr, im[i] = im[i] + ti;
      }
    }
  }
}

bool HasAvx512() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
         __builtin_cpu_supports("fma");
}
bool HasAvx2() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

InstructionSet Detect() noexcept {
  __builtin_cpu_init();
  if (HasAvx512()) return InstructionSet::Avx512;
  if (HasAvx2()) return InstructionSet::Avx2;
  return InstructionSet::Sse2;
}

InstructionSet& Active() noexcept {
  static InstructionSet active = SupportedInstructionSet();
  return active;
}

// The vector transform, with results below the normal float range checked
// or not.
void RunVector(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im,
               bool scaled, float scale, bool tiny) noexcept {
  switch (Active()) {
    case InstructionSet::Avx512:
      TransformAvx512(t, inRe, inIm, re, im, scaled, scale, tiny);
      break;
    case InstructionSet::Avx2:
      TransformAvx2(t, inRe, inIm, re, im, scaled, scale, tiny);
      break;
    case InstructionSet::Sse2:
      TransformSse2(t, inRe, inIm, re, im, scaled, scale, tiny);
      break;
  }
}

// The underflow flag of the SSE status register, set by an operation whose
// result is below the normal range and inexact.
constexpr unsigned UnderflowFlag = 0x10;

void Run(const TransformTables& t, const float* inRe, const float* inIm, float* re, float* im, bool scaled,
         float scale) noexcept {
  if (t.Power < 6) {
    SmallTransform(t, inRe, inIm, re, im);
    if (scaled) {
      const int n = 1 << t.Power;
      for (int k = 0; k < n; ++k) re[k] *= scale, im[k] *= scale;
    }
    return;
  }
  // Sums below the float range are checked only when the underflow flag
  // says that one may have occurred (see docs/fft-exactness.md): when it is
  // up beforehand (it is sticky), all the way; otherwise the transform is
  // redone checked when the flag came up. The flags are only read.
  if (_mm_getcsr() & UnderflowFlag) {
    RunVector(t, inRe, inIm, re, im, scaled, scale, true);
    return;
  }
  RunVector(t, inRe, inIm, re, im, scaled, scale, false);
  if (_mm_getcsr() & UnderflowFlag) [[unlikely]]
    RunVector(t, inRe, inIm, re, im, scaled, scale, true);
}

}  // namespace

float ExtendedDifference(float a, float b, float c, float d) noexcept {
  return static_cast<float>(static_cast<Extended>(a) * b - static_cast<Extended>(c) * d);
}
float ExtendedSum(float a, float b, float c, float d) noexcept {
  return static_cast<float>(static_cast<Extended>(a) * b + static_cast<Extended>(c) * d);
}

void Transform(const TransformTables& tables, const float* inRe, const float* inIm, float* outRe,
               float* outIm) noexcept {
  Run(tables, inRe, inIm, outRe, outIm, false, 1.0f);
}

void TransformScaled(const TransformTables& tables, const float* inRe, const float* inIm, float* outRe,
                     float* outIm, float scale) noexcept {
  Run(tables, inRe, inIm, outRe, outIm, true, scale);
}

void Mirror(float* re, float* im, int n) noexcept {
  switch (Active()) {
    case InstructionSet::Avx512:
      MirrorAvx512(re, im, n);
      break;
    case InstructionSet::Avx2:
      MirrorAvx2(re, im, n);
      break;
    case InstructionSet::Sse2:
      MirrorSse2(re, im, n);
      break;
  }
}

InstructionSet SupportedInstructionSet() noexcept {
  static const InstructionSet supported = Detect();
  return supported;
}

void LimitInstructionSet(InstructionSet limit) noexcept {
  const InstructionSet supported = SupportedInstructionSet();
  Active() = static_cast<int>(limit) < static_cast<int>(supported) ? limit : supported;
}

}  // namespace tessaro::fft
