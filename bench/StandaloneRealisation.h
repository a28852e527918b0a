// The realisations of a configured filter as the benchmarks run them: the
// component under each of its structures, and, for the measurements behind
// the soundness test, a cascade built beside it from the design's z-plane
// poles and zeros and its input scale with the component's routines.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>

#include "sigIIRCascade.h"
#include "sigIIRCascadeState.h"
#include "sigIIRRealisation.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro::bench {

enum class Structure { Direct, Cascade, Auto };
inline constexpr Structure Structures[] = {Structure::Direct, Structure::Cascade, Structure::Auto};
inline const char* StructureName(Structure s) {
  return s == Structure::Direct ? "direct" : s == Structure::Cascade ? "cascade" : "auto";
}

// Whether the design has equal relative band edges, which the component
// realises as a mute (bandpass) or a pass (bandstop), as the design decides
// it.
inline bool EqualEdges(const TsigIIRFilter& f) {
  if (f.Response() != ftBandpass && f.Response() != ftBandstop) return false;
  const Extended floor = f.Order() * 0.0001L;
  const Extended a1 = f.Frequency1() / f.SampleRate();
  const Extended a2 = f.Frequency2() / f.SampleRate();
  return (floor > a1 ? floor : a1) == (floor > a2 ? floor : a2);
}

// The cascade of the filter's current design, starting from silence.
class StandaloneCascade {
 public:
  explicit StandaloneCascade(const TsigIIRFilter& filter)
      : cascade_(BuildCascade(filter.ZPlane(), filter.InputScale())) {
    LoadCascade(state_, cascade_, false);
    routines_ = SelectCascadeRoutines(cascade_.SectionCount);
    if (EqualEdges(filter)) {
      using S = CascadeSampleState;
      routines_ = filter.Response() == ftBandpass
                      ? CascadeRoutines{&MuteValue<S>, &MuteBits<S>, &MuteBlock<S>}
                      : CascadeRoutines{&PassValue<S>, &PassBits<S>, &PassBlock<S>};
    }
  }
  Extended Process(Extended x) { return routines_.Value(state_, x); }
  void Process(std::span<const Extended> in, std::span<Extended> out) {
    routines_.Block(state_, in.data(), out.data(), in.size());
  }
  const IIRCascade& Cascade() const { return cascade_; }

 private:
  IIRCascade cascade_;
  CascadeSampleState state_;
  CascadeRoutines routines_;
};

inline DirectFormAssessment Assess(const TsigIIRFilter& f) {
  const std::size_t n = static_cast<std::size_t>(f.CoefficientCount());
  return AssessDirectForm(f.InputCoefficients().first(n), f.OutputCoefficients().first(n),
                          f.InputScale(),
                          f.ZPlane());
}

// One structure of one configured filter, as the component runs it. The
// filter must outlive it.
class Realisation {
 public:
  Realisation(TsigIIRFilter& filter, Structure structure) : filter_(filter) {
    filter_.SetStructure(structure == Structure::Direct    ? fsDirect
                         : structure == Structure::Cascade ? fsCascade
                                                           : fsAuto);
    filter_.Reset();
  }
  Extended Process(Extended x) { return filter_.Process(x); }
  bool UsesCascade() const { return filter_.Realisation().Structure == fsCascade; }

 private:
  TsigIIRFilter& filter_;
};

}  // namespace tessaro::bench
