// The IIR filter's sample path: choosing the routines for a design, loading
// the design into the sample state, the block form of Process, Reset and
// the history views.
#include "sigIIRProcess.h"

#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "sigFloatingPoint.h"
#include "sigIIRCascadeProcess.h"
#include "sigIIRRealisation.h"
#include "sigIIRSampleState.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro {

namespace {

// The routines of a family for the counts 0..sizeof...(N) - 1: Family<N>
// names the three forms for N coefficients as Value, Bits and Block.
template <template <int> class Family, std::size_t... N>
constexpr std::array<IIRRoutines, sizeof...(N)> RoutineTable(std::index_sequence<N...>) {
  return {IIRRoutines{Family<static_cast<int>(N)>::Value, Family<static_cast<int>(N)>::Bits,
                      Family<static_cast<int>(N)>::Block}...};
}

// Counts up to this one are looked up in a table; larger ones (no design
// makes them) take the counted loop.
constexpr int TabledCounts = 16;

// A design has Order or, for a band, 2·Order poles: 1..8 and the even
// counts up to 16.
constexpr bool Designed(int count) {
  return count >= 1 && count <= 2 * 8 && (count <= 8 || count % 2 == 0);
}

// The difference equation over coefficients of form C, unrolled for the
// counts a design makes; the others share the counted loop.
template <template <class> class C>
struct DirectForm {
  template <int N>
  struct Count {
    static constexpr int Unrolled = Designed(N) ? N : DynamicCount;
    static constexpr auto Value = &FilterValue<Unrolled, C, IIRSampleState>;
    static constexpr auto Bits = &FilterBits<Unrolled, C, IIRSampleState>;
    static constexpr auto Block = &FilterBlock<Unrolled, C, IIRSampleState>;
  };
};

}  // namespace

IIRRoutines SelectRoutines(IIRRoutine routine, std::int32_t count, bool paired) noexcept {
  using S = IIRSampleState;
  using Paired = DirectForm<PairedCoefficients>;
  using Plain = DirectForm<ExtendedCoefficients>;
  constexpr auto Counts = std::make_index_sequence<TabledCounts + 1>{};
  static constexpr auto PairedTable = RoutineTable<Paired::Count>(Counts);
  static constexpr auto PlainTable = RoutineTable<Plain::Count>(Counts);
  switch (routine) {
    case IIRRoutine::Pass: return {&PassValue<S>, &PassBits<S>, &PassBlock<S>};
    case IIRRoutine::Mute: return {&MuteValue<S>, &MuteBits<S>, &MuteBlock<S>};
    case IIRRoutine::Filter: break;
  }
  if (count < 0 || count > TabledCounts) {
    using P = Paired::Count<DynamicCount>;
    using E = Plain::Count<DynamicCount>;
    return paired ? IIRRoutines{P::Value, P::Bits, P::Block}
                  : IIRRoutines{E::Value, E::Bits, E::Block};
  }
  return paired ? PairedTable[static_cast<std::size_t>(count)]
                : PlainTable[static_cast<std::size_t>(count)];
}

IIRRoutines SelectSectionRoutines(IIRRoutine routine, std::int32_t sections) noexcept {
  using S = IIRSampleState;
  static constexpr auto Table =
      CascadeTable<IIRRoutines, S>(std::make_index_sequence<MaxSections + 1>{});
  if (routine != IIRRoutine::Filter || sections < 0 || sections > MaxSections)
    return SelectRoutines(routine, 0, false);
  return Table[static_cast<std::size_t>(sections)];
}

// Only the realisation in force is loaded; the other one's coefficients and
// history are 0, so that a switch between them starts from silence.
void TsigCustomIIRFilter::InstallDesign(bool keepHistory) noexcept {
  IIRSampleState& s = Sample();
  if (design_.CascadeInForce) {
    s.Count = 0;
    s.B.fill(0.0L);
    s.A.fill(0.0L);
    s.BPair.fill({});
    s.APair.fill({});
    s.Scale = 0.0L;
    s.ScalePair = {};
    s.Inputs.fill(0.0L);
    s.Outputs.fill(0.0L);
    s.Head = 1;
    s.ShownInputs.fill(0.0L);
    s.ShownOutputs.fill(0.0L);
    LoadCascade(s, CascadeFromSections(Sections()), keepHistory);
    s.Routines = SelectSectionRoutines(design_.Routine, s.SectionCount);
    value_ = s.Routines.Value;
    bits_ = s.Routines.Bits;
    return;
  }
  s.SectionCount = 0;
  s.Sections.fill({});
  ClearCascade(s);

  if (keepHistory) MaterialiseHistory();  // with the count that filled it
  int count = design_.CoefficientCount;
  if (count < 0) count = 0;
  if (count > IIRSampleState::MaxCount) count = IIRSampleState::MaxCount;
  s.Count = count;
  s.B.fill(0.0L);
  s.A.fill(0.0L);
  s.BPair.fill({});
  s.APair.fill({});
  s.Scale = design_.InputScale;
  bool paired = SplitExtended(s.Scale, s.ScalePair.High, s.ScalePair.Low);
  for (int i = 0; i < count; ++i) {
    s.B[i] = design_.InputCoefficients[i];
    s.A[i] = design_.OutputCoefficients[i];
    paired = SplitExtended(s.B[i], s.BPair[i].High, s.BPair[i].Low) && paired;
    paired = SplitExtended(s.A[i], s.APair[i].High, s.APair[i].Low) && paired;
  }
  s.Routines = SelectRoutines(design_.Routine, count, paired);
  value_ = s.Routines.Value;
  bits_ = s.Routines.Bits;

  if (!keepHistory) {
    Reset();
    return;
  }
  const std::size_t bytes = static_cast<std::size_t>(count + 1) * sizeof(Extended);
  std::memcpy(s.Inputs.data(), s.ShownInputs.data(), bytes);
  std::memcpy(s.Outputs.data(), s.ShownOutputs.data(), bytes);
  s.Head = count + 1;
}

// Const: the shown copies belong to the views, not to the filter's value.
void TsigCustomIIRFilter::MaterialiseHistory() const noexcept {
  IIRSampleState& s = Sample();
  const std::size_t from = static_cast<std::size_t>(s.Head - s.Count - 1);
  const std::size_t bytes = static_cast<std::size_t>(s.Count + 1) * sizeof(Extended);
  std::memcpy(s.ShownInputs.data(), s.Inputs.data() + from, bytes);
  std::memcpy(s.ShownOutputs.data(), s.Outputs.data() + from, bytes);
}

void TsigCustomIIRFilter::Process(std::span<const Extended> in, std::span<Extended> out) {
  if (in.size() != out.size())
    throw std::invalid_argument("Process: input has " + std::to_string(in.size()) +
                                " samples but output has room for " + std::to_string(out.size()));
  IIRSampleState& s = Sample();
  s.Routines.Block(s, in.data(), out.data(), in.size());
}

void TsigCustomIIRFilter::Reset() noexcept {
  IIRSampleState& s = Sample();
  s.Inputs.fill(0.0L);
  s.Outputs.fill(0.0L);
  s.Head = s.Count + 1;
  s.ShownInputs.fill(0.0L);
  s.ShownOutputs.fill(0.0L);
  ClearCascade(s);
}

void TsigCustomIIRFilter::Reset(Extended x0) {
  if (!std::isfinite(x0))
    throw std::invalid_argument("Reset: x0 = " + std::to_string(static_cast<double>(x0)) +
                                ": the steady input must be finite");
  Reset();
  if (design_.Routine != IIRRoutine::Filter) return;
  IIRSampleState& s = Sample();
  const FlagScope scope;
  if (design_.CascadeInForce) {
    StartCascadeSteady(s, CascadeFromSections(Sections()), x0);
    return;
  }
  const auto n = static_cast<std::size_t>(s.Count);
  const SteadyLevels levels = DirectFormSteadyState(std::span(s.B).first(n),
                                                    std::span(s.A).first(n), s.Scale, x0);
  s.Inputs.fill(levels.Input);
  s.Outputs.fill(levels.Output);
}

std::span<const Extended, PoleZeroCapacity> TsigCustomIIRFilter::InputHistory() const noexcept {
  MaterialiseHistory();
  return Sample().ShownInputs;
}

std::span<const Extended, PoleZeroCapacity> TsigCustomIIRFilter::OutputHistory() const noexcept {
  MaterialiseHistory();
  return Sample().ShownOutputs;
}

}  // namespace tessaro
