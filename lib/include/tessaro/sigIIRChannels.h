// Many channels through one IIR design: interleaved frames of K channels
// (1..64), each channel with its own history, filtered as K separate
// TsigIIRFilter components of the same design would filter them.
//
// Usage:
//   tessaro::TsigIIRFilter design;            // set up as usual
//   design.SetOrder(4);
//   tessaro::TsigIIRChannels stereo(design, 2);
//   stereo.Process(frames, frames);           // L R L R ..., in place
//
// The object holds a snapshot of the design taken by the constructor and by
// SetDesign, in the realisation the filter has in force (the direct form or
// the cascade of second-order sections, see Realisation()); later changes
// to the filter do not reach it until SetDesign is called again. Channel k
// of the output is, bit for bit, what a TsigIIRFilter with that design
// gives when fed channel k through its Process, history included, so a
// stream may be cut into blocks anywhere on a frame boundary.
// The double and float forms convert each sample to Extended (exactly),
// filter it, and round the result to the nearest double or float.
//
// Process checks only the sizes and allocates nothing. Under the direct
// form the channels are filtered several at a time, each tap's
// coefficients formed once for them and the independent recurrences
// overlapping in the floating-point unit; the cascade runs one channel
// after another through the filter's own step. Per sample, the 80-bit
// history loads and stores set the pace for more than one coefficient a
// side: bench/bench_iir_channels compares it with one filter per channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "tessaro/sigTypes.h"

namespace tessaro {

class TsigCustomIIRFilter;
struct IIRChannelDesign;

class TsigIIRChannels {
 public:
  static constexpr int MaxChannels = 64;

  // A snapshot of design's current coefficients and routine, with silent
  // histories. invalid_argument naming the value when channels is outside
  // 1..MaxChannels.
  explicit TsigIIRChannels(const TsigCustomIIRFilter& design, int channels);
  // A copy has the same snapshot and its own copy of every history.
  TsigIIRChannels(const TsigIIRChannels& other);
  TsigIIRChannels& operator=(const TsigIIRChannels& other);
  ~TsigIIRChannels();

  // Takes a new snapshot of design. The histories are kept when design's
  // ManualReset is set, its Order and Response equal those of the snapshot
  // in force and so does its realisation (structure, and coefficient or
  // section count), as a filter keeps its own over a redesign; otherwise
  // they are cleared. A filter that went through another order or response
  // since the last snapshot has cleared its own history, which the snapshot
  // cannot see: take one after each such change to follow it exactly.
  void SetDesign(const TsigCustomIIRFilter& design);

  int Channels() const noexcept { return channels_; }
  // The realisation in force: fsDirect with CoefficientCount() taps a side,
  // or fsCascade with SectionCount() sections.
  TsigIIRStructure Structure() const noexcept;
  std::int32_t CoefficientCount() const noexcept { return count_; }
  std::int32_t SectionCount() const noexcept;
  // Zeroes every channel's history; the design is kept.
  void Reset() noexcept;

  // in holds whole frames, channel 0 first in each; out receives the
  // filtered frames in the same layout. in and out may be the same span.
  // invalid_argument naming the sizes when they differ or are not a
  // multiple of Channels(); nothing is filtered then.
  void Process(std::span<const Extended> in, std::span<Extended> out);
  void Process(std::span<const double> in, std::span<double> out);
  void Process(std::span<const float> in, std::span<float> out);

 private:
  enum class Route : std::uint8_t { Filter, Mute, Pass };

  template <class T>
  void Run(const T* in, T* out, std::size_t size);
  void CheckSizes(std::size_t in, std::size_t out) const;

  std::unique_ptr<IIRChannelDesign> design_;  // never null
  Route route_ = Route::Filter;
  // Order and Response of the snapshot's design.
  int order_ = 0;
  TsigIIRFilterResponse response_ = ftLowpass;
  std::int32_t count_ = 0;
  int channels_ = 1;
  // The position of the next entry in every channel's window; for the
  // cascade, which of each stage's two entries is the newer.
  std::int32_t head_ = 1;
  std::int32_t phase_ = 0;
  std::vector<Extended> history_;
};

}  // namespace tessaro
