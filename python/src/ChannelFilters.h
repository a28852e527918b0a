// The filters behind one Python IIRFilter: one TsigIIRFilter per channel,
// all designed identically.
//
// Channel 0 exists from the start; channel c is created when a block with
// more than c channels first arrives. A new channel replays what channel 0
// went through, its initial properties (or stored form) and then every
// later assignment in the order made, so that its stored properties (the
// hidden second frequency of a lowpass included) are the same as channel
// 0's, and it starts from a silent history. An assignment goes to every
// channel, channel 0 first: if channel 0 rejects it, nothing has changed.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "tessaro/sigIIRFilters.h"

namespace tessaro::python {

// The values a filter is constructed with, applied together as a stored
// form is read: clamped against the final sample rate, designed once.
struct InitialProperties {
  TsigIIRFilterKind Kind = fkButterworth;
  TsigIIRFilterResponse Response = ftLowpass;
  int Order = 1;
  Extended Frequency1 = 300.0L;
  Extended Frequency2 = 3000.0L;
  Extended SampleRate = 44100.0L;
  Extended Ripple = 0.0L;
  bool ManualReset = false;
  TsigIIRStructure Structure = fsAuto;
};

// One property assignment. Enumerations, the order and Booleans travel as
// small whole numbers in Value.
struct Assignment {
  enum class Property {
    Kind,
    Response,
    Order,
    Frequency1,
    Frequency2,
    SampleRate,
    Ripple,
    ManualReset,
    Structure,
  };
  Property Which = Property::Kind;
  Extended Value = 0.0L;
};

class ChannelFilters {
 public:
  explicit ChannelFilters(const InitialProperties& initial);
  // Reads a stored form of one TsigIIRFilter (TStoredFormError when it is
  // not one).
  explicit ChannelFilters(std::string storedForm);

  // Channel 0, whose properties and design every channel shares.
  const TsigIIRFilter& First() const noexcept { return *channels_.front(); }
  std::size_t Count() const noexcept { return channels_.size(); }
  TsigIIRFilter& Channel(std::size_t index) noexcept { return *channels_[index]; }

  // Creates channels up to count (none are removed).
  void Provide(std::size_t count);
  // Assigns to every channel. Throws what channel 0's setter throws, and
  // then nothing has changed.
  void Assign(const Assignment& assignment);
  // Silences every channel's history.
  void Reset() noexcept;
  // Starts every channel in the steady state of the constant input x0.
  // Throws what channel 0 throws for x0 (not finite), and then nothing has
  // changed.
  void Reset(Extended x0);

 private:
  std::unique_ptr<TsigIIRFilter> Replay() const;
  static void Apply(TsigCustomIIRFilter& filter, const Assignment& assignment);
  static void Load(TsigCustomIIRFilter& filter, const InitialProperties& initial);

  std::variant<InitialProperties, std::string> origin_;
  // Two successive assignments of one property keep only the second, which
  // stores the same value either way; a sample rate is kept each time, as
  // it also lowers the frequencies.
  std::vector<Assignment> assignments_;
  std::vector<std::unique_ptr<TsigIIRFilter>> channels_;
};

}  // namespace tessaro::python
