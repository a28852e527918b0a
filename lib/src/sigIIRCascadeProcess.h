// The cascade's per-sample routines as templates over a sample state,
// unrolled per section count, each in a by-value, a bit-pattern and a block
// form, and the table of them. Internal to the library; the tests
// instantiate them on states of their own.
//
// A state S provides: Sections, an array of {B0, B1, B2, A1, A2}
// (Extended), one per section in running order; Stages, an array of at
// least 2·(SectionCount + 1) Extended values, stage k (entries 2k and
// 2k + 1) the last two values entering section k and stage SectionCount
// the last two outputs; Phase (int32, 0 or 1), so that entry 2k + Phase is
// the newer of stage k; SectionCount (int32), read by the routine of no
// fixed count. A sample writes its value over the older entry of each
// stage and flips Phase, so nothing is moved.
//
// Direct form I: a section's state is its last two inputs and outputs, and
// its outputs are the next section's inputs, so the cascade keeps
// SectionCount + 1 pairs. Every stored value is a settled input or a
// section's output, and a section computes from exact 80-bit values with
// no intermediate state that could grow or shrink out of step with its
// output (a transposed form keeps two partial sums per section, each of
// which would need its own anti-denormal step). The settling step on each
// section's output keeps every state, and so the cascade's output, either
// 0 or at least 2^-130 in magnitude.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "sigIIRProcess.h"
#include "tessaro/sigTypes.h"

namespace tessaro {

// One sample through the first k sections of c (records with B0, B1, B2,
// A1, A2), on stages laid out as above with phase p:
//   v = (x + d) - d;
//   v = settle(B0·v + (((B1·x1 + B2·x2) + A1·y1) + A2·y2))   for each section,
// the part that does not wait for v formed first. The caller flips p.
template <int K, class C>
[[gnu::always_inline]] inline Extended CascadeThrough(const C* c, Extended* stages, int p, int k,
                                                      Extended x) {
  if constexpr (K != DynamicCount) k = K;
  Extended* const newer = stages + p;
  Extended* const older = stages + (1 - p);
  Extended v = Settle(x);
#pragma GCC unroll 16
  for (int i = 0; i < k; ++i) {
    const Extended partial = ((c[i].B1 * newer[2 * i] + c[i].B2 * older[2 * i]) +
                              c[i].A1 * newer[2 * i + 2]) +
                             c[i].A2 * older[2 * i + 2];
    older[2 * i] = v;
    v = Settle(c[i].B0 * v + partial);
  }
  older[2 * k] = v;
  return v;
}

template <int K, class S>
[[gnu::always_inline]] inline Extended CascadeStep(S& s, Extended x) {
  const Extended v = CascadeThrough<K>(s.Sections.data(), s.Stages.data(), s.Phase, s.SectionCount, x);
  s.Phase = 1 - s.Phase;
  return v;
}

template <int K, class S>
Extended CascadeValue(S& s, Extended x) {
  return CascadeStep<K>(s, x);
}

template <int K, class S>
Extended CascadeBits(S& s, std::uint64_t significand, std::uint32_t signExponent) {
  return CascadeStep<K>(s, JoinExtended(significand, signExponent));
}

// in and out may be the same array; each sample is read before its output
// is written.
template <int K, class S>
void CascadeBlock(S& s, const Extended* in, Extended* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) out[i] = CascadeStep<K>(s, in[i]);
}

// The routines of section counts 0 .. sizeof...(K) - 1 as records R{Value,
// Bits, Block}.
template <class R, class S, std::size_t... K>
constexpr std::array<R, sizeof...(K)> CascadeTable(std::index_sequence<K...>) {
  return {R{&CascadeValue<static_cast<int>(K), S>, &CascadeBits<static_cast<int>(K), S>,
            &CascadeBlock<static_cast<int>(K), S>}...};
}

}  // namespace tessaro
