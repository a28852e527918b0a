// The design snapshot of TsigIIRChannels as its routines read it: the
// direct form's coefficients, also as pairs of doubles whose sum is the
// coefficient exactly where every one has such a pair, or the cascade's
// sections. Internal to the library.
#pragma once

#include <array>
#include <cstdint>

#include "sigIIRSampleState.h"
#include "tessaro/sigIIRFilters.h"
#include "tessaro/sigTypes.h"

namespace tessaro {

struct IIRChannelDesign {
  static constexpr int CoefficientCapacity = IIRSampleState::MaxCount;
  static constexpr int SectionCapacity = CoefficientCapacity / 2;
  using Pair = IIRSampleState::Pair;

  std::array<Extended, CoefficientCapacity> B{};
  std::array<Extended, CoefficientCapacity> A{};
  std::array<Pair, CoefficientCapacity> BPair{};
  std::array<Pair, CoefficientCapacity> APair{};
  Extended Scale = 0.0L;
  Pair ScalePair;
  std::int32_t Count = 0;
  bool Paired = false;
  std::array<TsigIIRSection, SectionCapacity> Sections{};
  std::int32_t SectionCount = 0;
  bool Cascade = false;
};

}  // namespace tessaro
