// The IIR filter's sample path behind the component: the state the
// per-sample routines read and write, the record of the routine in force,
// and the choice of routines for a design. Internal to the library; the
// routines themselves are templates in sigIIRProcess.h, which the tests
// instantiate on this state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sigIIRCascadeState.h"
#include "sigIIRDesign.h"
#include "tessaro/sigTypes.h"

namespace tessaro {

struct IIRSampleState;

// The routine in force, in three forms: a sample by value, a sample as its
// bit pattern (significand, then sign and exponent), which is how a
// compile-time constant travels, and a block. Each family of routines (the
// difference equation, pass, mute) fills all three.
struct IIRRoutines {
  Extended (*Value)(IIRSampleState&, Extended) = nullptr;
  Extended (*Bits)(IIRSampleState&, std::uint64_t, std::uint32_t) = nullptr;
  void (*Block)(IIRSampleState&, const Extended*, Extended*, std::size_t) = nullptr;
};

// Each history slides through a longer buffer: a sample appends its entry
// at Head, the Count + 1 entries below Head are the history oldest first,
// and when Head reaches the end the window moves back to the start, so no
// sample shifts the history. The coefficients sit beside it, also as pairs
// of doubles whose sum is the coefficient exactly, when every coefficient
// has one. The cascade's sections and stages sit beside them, in the
// fields the cascade routines read (sigIIRCascadeState.h); only the
// realisation in force is loaded and running, the other one's entries are
// 0.
struct IIRSampleState {
  static constexpr int Length = 64;
  static constexpr int MaxCount = PoleZeroCapacity - 1;
  struct Pair {
    double High = 0.0;
    double Low = 0.0;
  };
  std::array<Extended, Length> Inputs{};
  std::array<Extended, Length> Outputs{};
  std::array<Extended, MaxCount> B{};
  std::array<Extended, MaxCount> A{};
  std::array<Pair, MaxCount> BPair{};
  std::array<Pair, MaxCount> APair{};
  Extended Scale = 0.0L;
  Pair ScalePair;
  std::int32_t Count = 0;
  std::int32_t Head = 1;

  std::array<CascadeSampleState::Coefficients, MaxSections> Sections{};
  std::array<Extended, 2 * (MaxSections + 1)> Stages{};
  std::int32_t SectionCount = 0;
  std::int32_t Phase = 0;

  IIRRoutines Routines;
  // The histories as the views show them: entries 0..Count are copied from
  // the live window on request, the entries above Count keep their values.
  std::array<Extended, PoleZeroCapacity> ShownInputs{};
  std::array<Extended, PoleZeroCapacity> ShownOutputs{};
};

// The routines of a design's choice for count coefficients, read as exact
// double pairs when paired is set.
IIRRoutines SelectRoutines(IIRRoutine routine, std::int32_t count, bool paired) noexcept;
// The cascade's routines for a section count, 0..MaxSections.
IIRRoutines SelectSectionRoutines(IIRRoutine routine, std::int32_t sections) noexcept;

}  // namespace tessaro
