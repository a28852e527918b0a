// Many channels through one IIR design: the design snapshot, the size
// checks and the choice of routine. The routine is in
// sigIIRChannelsProcess.h.
#include "tessaro/sigIIRChannels.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include "sigFloatingPoint.h"
#include "sigIIRCascadeProcess.h"
#include "sigIIRChannelsDesign.h"
#include "sigIIRChannelsProcess.h"
#include "sigIIRDesign.h"
#include "sigIIRProcess.h"
#include "tessaro/sigIIRFilters.h"

namespace tessaro {

namespace {

// Channels filtered together: the accumulators of a group, one tap's two
// coefficients and the operands of a step fill the eight x87 registers.
constexpr int GroupSize = 4;

template <class T>
using ChannelRoutine = void (*)(const IIRChannelDesign&, Extended*, std::int32_t&, int, const T*, T*,
                                std::size_t);

// Every channel of the frames, a group of GroupSize after another and the
// rest as one smaller group. Group k's histories start at channel
// k·GroupSize's share of the history array, so a channel count always
// splits the same way.
template <int N, template <class> class C, class T>
void FilterChannelsMany(const IIRChannelDesign& d, Extended* history, std::int32_t& head, int channels,
                        const T* in, T* out, std::size_t frames) {
  const std::size_t stride = static_cast<std::size_t>(channels);
  std::int32_t next = head;
  int c = 0;
  for (; c + GroupSize <= channels; c += GroupSize)
    next = FilterChannelGroup<N, GroupSize, C>(d, history + ChannelGroupEntries(c), head, in + c,
                                               out + c, frames, stride);
  Extended* const rest = history + ChannelGroupEntries(c);
  switch (channels - c) {
    case 1: next = FilterChannelGroup<N, 1, C>(d, rest, head, in + c, out + c, frames, stride); break;
    case 2: next = FilterChannelGroup<N, 2, C>(d, rest, head, in + c, out + c, frames, stride); break;
    case 3: next = FilterChannelGroup<N, 3, C>(d, rest, head, in + c, out + c, frames, stride); break;
    default: break;
  }
  head = next;
}

// One coefficient per side: a channel at a time, its newest entries kept in
// registers. Two channels at once overflow the x87 registers by one value,
// whose 80-bit spill costs more than the overlap gains.
template <template <class> class C, class T>
void FilterChannelsOneTap(const IIRChannelDesign& d, Extended* history, std::int32_t& head, int channels,
                          const T* in, T* out, std::size_t frames) {
  const std::size_t stride = static_cast<std::size_t>(channels);
  for (int c = 0; c < channels; ++c)
    FilterChannelGroupOneTap<1, C>(d, history + ChannelGroupEntries(c), head, in + c, out + c,
                                   frames, stride);
}

template <int N, template <class> class C, class T>
void FilterChannels(const IIRChannelDesign& d, Extended* history, std::int32_t& head, int channels,
                    const T* in, T* out, std::size_t frames) {
  if constexpr (N == 1)
    FilterChannelsOneTap<C>(d, history, head, channels, in, out, frames);
  else
    FilterChannelsMany<N, C>(d, history, head, channels, in, out, frames);
}

// A design has 1..8 or, for a band, the even counts up to 16 coefficients;
// those are unrolled, the others share the counted loop.
constexpr int TabledCounts = 16;
constexpr bool Designed(int count) {
  return count >= 1 && count <= 2 * 8 && (count <= 8 || count % 2 == 0);
}

// The cascade: one channel after another through all frames, each with
// the filter's own per-sample step on its stages (the flat layout of the
// filter's state, at the channel's share of the history array) and the
// phase they share. Groups of channels sharing each section's coefficient
// loads measured slower than this: the cascade's pace is set by its
// 80-bit loads and stores, not by the chain of dependent operations.
template <int K, class T>
void CascadeChannels(const IIRChannelDesign& d, Extended* history, std::int32_t& phase, int channels,
                     const T* in, T* out, std::size_t frames) {
  const std::size_t stride = static_cast<std::size_t>(channels);
  for (int c = 0; c < channels; ++c) {
    Extended* const stages = history + ChannelGroupEntries(c);
    int p = phase;
    for (std::size_t f = 0; f < frames; ++f) {
      const std::size_t at = f * stride + static_cast<std::size_t>(c);
      out[at] = static_cast<T>(
          CascadeThrough<K>(d.Sections.data(), stages, p, d.SectionCount, static_cast<Extended>(in[at])));
      p = 1 - p;
    }
  }
  phase ^= static_cast<std::int32_t>(frames & 1);
}

template <class T, std::size_t... K>
constexpr std::array<ChannelRoutine<T>, sizeof...(K)> CascadeChannelTable(
    std::index_sequence<K...>) {
  return {&CascadeChannels<static_cast<int>(K), T>...};
}

template <class T>
ChannelRoutine<T> SelectCascadeChannelRoutine(int sections) {
  static constexpr auto Table = CascadeChannelTable<T>(
      std::make_index_sequence<IIRChannelDesign::SectionCapacity + 1>{});
  if (sections < 0 || sections > IIRChannelDesign::SectionCapacity)
    return &CascadeChannels<DynamicCount, T>;
  return Table[static_cast<std::size_t>(sections)];
}

template <template <class> class C, class T, std::size_t... N>
constexpr std::array<ChannelRoutine<T>, sizeof...(N)> ChannelTable(std::index_sequence<N...>) {
  return {&FilterChannels<Designed(static_cast<int>(N)) ? static_cast<int>(N) : DynamicCount, C,
                          T>...};
}

template <class T>
ChannelRoutine<T> SelectChannelRoutine(int count, bool paired) {
  constexpr auto Counts = std::make_index_sequence<TabledCounts + 1>{};
  static constexpr auto PairedTable = ChannelTable<PairedCoefficients, T>(Counts);
  static constexpr auto PlainTable = ChannelTable<ExtendedCoefficients, T>(Counts);
  if (count < 0 || count > TabledCounts)
    return paired ? &FilterChannels<DynamicCount, PairedCoefficients, T>
                  : &FilterChannels<DynamicCount, ExtendedCoefficients, T>;
  return paired ? PairedTable[static_cast<std::size_t>(count)]
                : PlainTable[static_cast<std::size_t>(count)];
}

}  // namespace

TsigIIRChannels::TsigIIRChannels(const TsigCustomIIRFilter& design, int channels)
    : design_(std::make_unique<IIRChannelDesign>()) {
  if (channels < 1 || channels > MaxChannels)
    throw std::invalid_argument("TsigIIRChannels: " + std::to_string(channels) +
                                " channels, the count must lie in 1.." +
                                std::to_string(MaxChannels));
  channels_ = channels;
  history_.assign(ChannelGroupEntries(channels), 0.0L);
  SetDesign(design);
  Reset();
}

TsigIIRChannels::TsigIIRChannels(const TsigIIRChannels& other)
    : design_(std::make_unique<IIRChannelDesign>(*other.design_)),
      route_(other.route_),
      order_(other.order_),
      response_(other.response_),
      count_(other.count_),
      channels_(other.channels_),
      head_(other.head_),
      phase_(other.phase_),
      history_(other.history_) {}

TsigIIRChannels& TsigIIRChannels::operator=(const TsigIIRChannels& other) {
  std::vector<Extended> history = other.history_;  // the one step that may throw
  *design_ = *other.design_;
  history_ = std::move(history);
  route_ = other.route_;
  order_ = other.order_;
  response_ = other.response_;
  count_ = other.count_;
  channels_ = other.channels_;
  head_ = other.head_;
  phase_ = other.phase_;
  return *this;
}

TsigIIRChannels::~TsigIIRChannels() = default;

TsigIIRStructure TsigIIRChannels::Structure() const noexcept {
  return design_->Cascade ? fsCascade : fsDirect;
}

std::int32_t TsigIIRChannels::SectionCount() const noexcept { return design_->SectionCount; }

void TsigIIRChannels::SetDesign(const TsigCustomIIRFilter& design) {
  const FlagScope scope;  // splitting the coefficients may round
  IIRChannelDesign next;
  const std::int32_t count =
      std::clamp<std::int32_t>(design.CoefficientCount(), 0, IIRChannelDesign::CoefficientCapacity);
  next.Count = count;
  next.Scale = design.InputScale();
  bool paired = SplitExtended(next.Scale, next.ScalePair.High, next.ScalePair.Low);
  for (int i = 0; i < count; ++i) {
    next.B[i] = design.InputCoefficients()[i];
    next.A[i] = design.OutputCoefficients()[i];
    paired = SplitExtended(next.B[i], next.BPair[i].High, next.BPair[i].Low) && paired;
    paired = SplitExtended(next.A[i], next.APair[i].High, next.APair[i].Low) && paired;
  }
  next.Paired = paired;
  next.Cascade = design.design_.CascadeInForce;
  if (next.Cascade) {
    const auto sections = design.Sections();
    next.SectionCount = static_cast<std::int32_t>(
        std::min<std::size_t>(sections.size(), static_cast<std::size_t>(IIRChannelDesign::SectionCapacity)));
    for (int i = 0; i < next.SectionCount; ++i) {
      next.Sections[static_cast<std::size_t>(i)] = sections[static_cast<std::size_t>(i)];
    }
  }
  Route route = Route::Filter;
  if (design.design_.Routine == IIRRoutine::Mute) route = Route::Mute;
  if (design.design_.Routine == IIRRoutine::Pass) route = Route::Pass;

  const bool keep = design.ManualReset() && count == count_ && design.Order() == order_ &&
                    design.Response() == response_ && next.Cascade == design_->Cascade &&
                    next.SectionCount == design_->SectionCount;
  *design_ = next;
  order_ = design.Order();
  response_ = design.Response();
  route_ = route;
  count_ = count;
  if (!keep) Reset();
}

void TsigIIRChannels::Reset() noexcept {
  std::fill(history_.begin(), history_.end(), 0.0L);
  head_ = count_ + 1;
  phase_ = 0;
}

void TsigIIRChannels::CheckSizes(std::size_t in, std::size_t out) const {
  if (in != out)
    throw std::invalid_argument("Process: input has " + std::to_string(in) +
                                " samples but output has room for " + std::to_string(out));
  if (in % static_cast<std::size_t>(channels_) != 0)
    throw std::invalid_argument("Process: " + std::to_string(in) +
                                " samples are not whole frames of " + std::to_string(channels_) +
                                " channels");
}

template <class T>
void TsigIIRChannels::Run(const T* in, T* out, std::size_t size) {
  if (size == 0) return;
  switch (route_) {
    case Route::Mute:
      // +0 is all zero bits in every format.
      std::memset(static_cast<void*>(out), 0, size * sizeof(T));
      return;
    case Route::Pass:
      if constexpr (std::is_same_v<T, Extended>) {
        // Whole 16-byte slots, as the filter's own block copies them.
        std::memmove(static_cast<void*>(out), in, size * sizeof(T));
      } else {
        for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<T>(static_cast<Extended>(in[i]));
      }
      return;
    case Route::Filter: break;
  }
  const std::size_t frames = size / static_cast<std::size_t>(channels_);
  if (design_->Cascade) {
    SelectCascadeChannelRoutine<T>(design_->SectionCount)(*design_, history_.data(), phase_,
                                                         channels_, in, out, frames);
    return;
  }
  SelectChannelRoutine<T>(count_, design_->Paired)(*design_, history_.data(), head_, channels_, in,
                                                  out, frames);
}

void TsigIIRChannels::Process(std::span<const Extended> in, std::span<Extended> out) {
  CheckSizes(in.size(), out.size());
  Run(in.data(), out.data(), in.size());
}

void TsigIIRChannels::Process(std::span<const double> in, std::span<double> out) {
  CheckSizes(in.size(), out.size());
  Run(in.data(), out.data(), in.size());
}

void TsigIIRChannels::Process(std::span<const float> in, std::span<float> out) {
  CheckSizes(in.size(), out.size());
  Run(in.data(), out.data(), in.size());
}

}  // namespace tessaro
