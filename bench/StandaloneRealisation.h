// The realisations of a configured filter as the benchmarks run them: the
// component's own direct form, and a cascade of second-order sections built
// beside it from the design's z-plane poles and zeros and its input scale,
// with the per-sample routines the component will use. Auto picks the
// direct form where it is sound and the cascade elsewhere.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>

#include "sigIIRCascade.h"
#include "sigIIRCascadeProcess.h"
#include "sigIIRRealisation.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro::bench {

enum class Structure { Direct, Cascade, Auto };
inline constexpr Structure Structures[] = {Structure::Direct, Structure::Cascade, Structure::Auto};
inline const char* StructureName(Structure s) {
  return s == Structure::Direct ? "direct" : s == Structure::Cascade ? "cascade" : "auto";
}

struct CascadeState {
  struct Coefficients {
    Extended B0 = 0.0L, B1 = 0.0L, B2 = 0.0L, A1 = 0.0L, A2 = 0.0L;
  };
  struct Stage {
    Extended Newest = 0.0L, Older = 0.0L;
  };
  std::array<Coefficients, MaxSections> Sections{};
  std::array<Stage, MaxSections + 1> Stages{};
  std::int32_t SectionCount = 0;
};

struct CascadeRoutines {
  Extended (*Value)(CascadeState&, Extended) = nullptr;
  Extended (*Bits)(CascadeState&, std::uint64_t, std::uint32_t) = nullptr;
  void (*Block)(CascadeState&, const Extended*, Extended*, std::size_t) = nullptr;
};

inline CascadeRoutines SelectCascadeRoutines(int sections) {
  static constexpr auto Table = CascadeTable<CascadeRoutines, CascadeState>(
      std::make_index_sequence<MaxSections + 1>{});
  return Table[static_cast<std::size_t>(sections)];
}

// The cascade of the filter's current design, starting from silence.
class StandaloneCascade {
 public:
  explicit StandaloneCascade(const TsigIIRFilter& filter)
      : cascade_(BuildCascade(filter.ZPlane(), filter.InputScale())) {
    state_.SectionCount = cascade_.SectionCount;
    for (int i = 0; i < cascade_.SectionCount; ++i) {
      const IIRSection& s = cascade_.Sections[i];
      state_.Sections[i] = {s.B0, s.B1, s.B2, s.A1, s.A2};
    }
    routines_ = SelectCascadeRoutines(cascade_.SectionCount);
  }
  Extended Process(Extended x) { return routines_.Value(state_, x); }
  void Process(std::span<const Extended> in, std::span<Extended> out) {
    routines_.Block(state_, in.data(), out.data(), in.size());
  }
  const IIRCascade& Cascade() const { return cascade_; }

 private:
  IIRCascade cascade_;
  CascadeState state_;
  CascadeRoutines routines_;
};

inline DirectFormAssessment Assess(const TsigIIRFilter& f) {
  const std::size_t n = static_cast<std::size_t>(f.CoefficientCount());
  return AssessDirectForm(f.InputCoefficients().first(n), f.OutputCoefficients().first(n),
                          f.ZPlane());
}

// One structure of one configured filter. The filter must outlive it.
class Realisation {
 public:
  Realisation(TsigIIRFilter& filter, Structure structure)
      : filter_(filter), cascade_(filter) {
    useCascade_ = structure == Structure::Cascade ||
                  (structure == Structure::Auto && !Assess(filter).Sound);
    filter_.Reset();
  }
  Extended Process(Extended x) { return useCascade_ ? cascade_.Process(x) : filter_.Process(x); }
  bool UsesCascade() const { return useCascade_; }

 private:
  TsigIIRFilter& filter_;
  StandaloneCascade cascade_;
  bool useCascade_ = false;
};

}  // namespace tessaro::bench
