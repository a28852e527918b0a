// The IIR filter's sample path: choosing the routine for a design, loading
// the design into the sample state, the block form of Process, Reset and
// the history views.
#include "sigIIRProcess.h"

#include <array>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "tessaro/sigIIRFilters.h"

namespace tessaro {

namespace {

// Counts up to this one have a routine unrolled for them; larger ones (no
// design makes them) share one with a loop.
constexpr int UnrolledCounts = 16;

// The routines of every unrolled count for one routine record type, state
// and coefficient form.
template <class R, class S, template <class> class C, std::size_t... N>
constexpr std::array<R, sizeof...(N)> FilterTable(std::index_sequence<N...>) {
  return {R{&FilterValue<static_cast<int>(N), C, S>, &FilterBits<static_cast<int>(N), C, S>,
            &FilterBlock<static_cast<int>(N), C, S>}...};
}

template <class R, class S, template <class> class C>
constexpr R DynamicRoutines() {
  return R{&FilterValue<DynamicCount, C, S>, &FilterBits<DynamicCount, C, S>,
           &FilterBlock<DynamicCount, C, S>};
}

}  // namespace

TsigCustomIIRFilter::Routines TsigCustomIIRFilter::SelectRoutines(Route route, std::int32_t count,
                                                                  bool paired) noexcept {
  using S = SampleState;
  using R = Routines;
  constexpr auto Counts = std::make_index_sequence<UnrolledCounts + 1>{};
  static constexpr auto PairedTable = FilterTable<R, S, PairedCoefficients>(Counts);
  static constexpr auto ExtendedTable = FilterTable<R, S, ExtendedCoefficients>(Counts);
  switch (route) {
    case Route::Pass: return R{&PassValue<S>, &PassBits<S>, &PassBlock<S>};
    case Route::Mute: return R{&MuteValue<S>, &MuteBits<S>, &MuteBlock<S>};
    case Route::Filter: break;
  }
  if (count > UnrolledCounts)
    return paired ? DynamicRoutines<R, S, PairedCoefficients>()
                  : DynamicRoutines<R, S, ExtendedCoefficients>();
  return paired ? PairedTable[static_cast<std::size_t>(count)]
                : ExtendedTable[static_cast<std::size_t>(count)];
}

void TsigCustomIIRFilter::InstallDesign(Route route, bool keepHistory) noexcept {
  if (keepHistory) MaterialiseHistory();  // with the count that filled it

  SampleState& s = sample_;
  int count = design_.CoefficientCount;
  if (count < 0) count = 0;
  if (count > SampleState::MaxCount) count = SampleState::MaxCount;
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
  route_ = route;
  routine_ = SelectRoutines(route, count, paired);

  if (!keepHistory) {
    Reset();
    return;
  }
  const std::size_t bytes = static_cast<std::size_t>(count + 1) * sizeof(Extended);
  std::memcpy(s.Inputs.data(), inputHistory_.data(), bytes);
  std::memcpy(s.Outputs.data(), outputHistory_.data(), bytes);
  s.Head = count + 1;
}

void TsigCustomIIRFilter::MaterialiseHistory() const noexcept {
  const SampleState& s = sample_;
  const std::size_t from = static_cast<std::size_t>(s.Head - s.Count - 1);
  const std::size_t bytes = static_cast<std::size_t>(s.Count + 1) * sizeof(Extended);
  std::memcpy(inputHistory_.data(), s.Inputs.data() + from, bytes);
  std::memcpy(outputHistory_.data(), s.Outputs.data() + from, bytes);
}

void TsigCustomIIRFilter::Process(std::span<const Extended> in, std::span<Extended> out) {
  if (in.size() != out.size())
    throw std::invalid_argument("Process: input has " + std::to_string(in.size()) +
                                " samples but output has room for " + std::to_string(out.size()));
  routine_.Block(sample_, in.data(), out.data(), in.size());
}

void TsigCustomIIRFilter::Reset() noexcept {
  sample_.Inputs.fill(0.0L);
  sample_.Outputs.fill(0.0L);
  sample_.Head = sample_.Count + 1;
  inputHistory_.fill(0.0L);
  outputHistory_.fill(0.0L);
}

std::span<const Extended, PoleZeroCapacity> TsigCustomIIRFilter::InputHistory() const noexcept {
  MaterialiseHistory();
  return inputHistory_;
}

std::span<const Extended, PoleZeroCapacity> TsigCustomIIRFilter::OutputHistory() const noexcept {
  MaterialiseHistory();
  return outputHistory_;
}

}  // namespace tessaro
