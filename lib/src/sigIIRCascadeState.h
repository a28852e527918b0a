// The sample state of a cascade, as the routines of sigIIRCascadeProcess.h
// read it, with the steps that load a cascade into it, clear it and start
// it in a steady state, and the table of its routines. Internal to the
// library.
//
// A redesign that keeps the history keeps every stage by position: stage 0
// holds the last two inputs and stage SectionCount the last two outputs,
// the others the signal between sections. Only Order and Response change
// the section count (ceil(poles / 2)), and both clear the history, so a
// kept history always meets the same number of sections; a new pairing or
// ordering of them starts from the signals the old one left, a transient
// like the direct form's under new coefficients.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "sigIIRCascade.h"
#include "sigIIRCascadeProcess.h"
#include "tessaro/sigTypes.h"

namespace tessaro {

struct CascadeSampleState {
  struct Coefficients {
    Extended B0 = 0.0L, B1 = 0.0L, B2 = 0.0L, A1 = 0.0L, A2 = 0.0L;
  };
  std::array<Coefficients, MaxSections> Sections{};
  std::array<Extended, 2 * (MaxSections + 1)> Stages{};
  std::int32_t SectionCount = 0;
  std::int32_t Phase = 0;
};

// The routine record of a cascade: a sample by value, a sample as its bit
// pattern, a block.
struct CascadeRoutines {
  Extended (*Value)(CascadeSampleState&, Extended) = nullptr;
  Extended (*Bits)(CascadeSampleState&, std::uint64_t, std::uint32_t) = nullptr;
  void (*Block)(CascadeSampleState&, const Extended*, Extended*, std::size_t) = nullptr;
};

// The routines unrolled for a section count, 0..MaxSections.
inline CascadeRoutines SelectCascadeRoutines(int sections) {
  static constexpr auto Table = CascadeTable<CascadeRoutines, CascadeSampleState>(
      std::make_index_sequence<MaxSections + 1>{});
  return Table[static_cast<std::size_t>(sections)];
}

// The steps below work on any state with the fields of CascadeSampleState
// (the component's sample state can carry them beside the direct form's).
template <class S>
void ClearCascade(S& s) {
  s.Stages.fill(0.0L);
  s.Phase = 0;
}

// Loads the coefficients of c; the stages are kept by position or cleared.
template <class S>
void LoadCascade(S& s, const IIRCascade& c, bool keepHistory) {
  s.SectionCount = c.SectionCount;
  s.Sections.fill({});
  for (int i = 0; i < c.SectionCount; ++i) {
    const IIRSection& section = c.Sections[i];
    s.Sections[i] = {section.B0, section.B1, section.B2, section.A1, section.A2};
  }
  if (!keepHistory) ClearCascade(s);
}

// The stages at rest under the constant input x0 (CascadeSteadyState).
template <class S>
void StartCascadeSteady(S& s, const IIRCascade& c, Extended x0) {
  std::array<Extended, MaxSections + 1> levels{};
  CascadeSteadyState(c, x0, levels);
  ClearCascade(s);
  for (int i = 0; i <= c.SectionCount; ++i) s.Stages[2 * i] = s.Stages[2 * i + 1] = levels[i];
}

}  // namespace tessaro
