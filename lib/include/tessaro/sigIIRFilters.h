// IIR filter component: Butterworth, Chebyshev and Bessel designs of order
// 1..8 in lowpass, highpass, bandpass and bandstop form, and per-sample
// filtering with a direct-form difference equation in extended precision.
//
// Usage:
//   tessaro::TsigIIRFilter f;               // Butterworth lowpass, order 1, 300 Hz at 44100 Hz
//   f.SetSampleRate(48000.0L);
//   f.SetResponse(tessaro::ftBandpass);
//   f.SetFrequency1(500.0L);
//   f.SetFrequency2(2000.0L);
//   for (auto& s : samples) s = f.Process(s);
//
// Every setter that changes something redesigns at once, so the next Process
// call already uses the new filter; Process itself checks nothing and
// allocates nothing. Frequencies are in Hz, the ripple in dB.
//
// Errors: a NaN written to Frequency1, Frequency2, SampleRate or Ripple
// throws std::invalid_argument naming the property. A design that overflows,
// divides by zero or hits an invalid operation throws std::overflow_error or
// std::domain_error naming the cause. In both cases the component is left
// exactly as before the assignment (property, design and history).
// Out-of-range enumerations and orders are ignored, frequencies are clamped
// into [1e-10, SampleRate/2 - 0.0001], a negative ripple is stored as its
// absolute value, all silently. Problems a design can live with are
// reported as text in DesignMessage().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "tessaro/sigComponent.h"
#include "tessaro/sigTypes.h"

namespace tessaro {

// The per-sample state and the design's choice of routine, internal to the
// library.
struct IIRSampleState;
enum class IIRRoutine : std::uint8_t;
class TsigIIRChannels;

class TsigCustomIIRFilter : public TComponent {
 public:
  // A first-order Butterworth lowpass at 300 Hz for 44100 Hz sampling, with a
  // silent history.
  explicit TsigCustomIIRFilter(TComponent* owner = nullptr);

  // --- design properties ---------------------------------------------------
  TsigIIRFilterKind Kind() const noexcept;
  void SetKind(TsigIIRFilterKind value);          // redesigns
  TsigIIRFilterResponse Response() const noexcept;
  void SetResponse(TsigIIRFilterResponse value);  // redesigns, then Reset
  int Order() const noexcept;
  void SetOrder(int value);                        // 1..8, others ignored; redesigns, then Reset
  Extended Frequency1() const noexcept;
  void SetFrequency1(Extended hertz);              // clamped; redesigns
  // For lowpass and highpass this reads Frequency1; the stored second
  // frequency comes back once the response is a band type.
  Extended Frequency2() const noexcept;
  void SetFrequency2(Extended hertz);              // clamped; redesigns
  Extended SampleRate() const noexcept;
  void SetSampleRate(Extended hertz);              // > 0, others ignored; lowers the frequencies, redesigns
  Extended Ripple() const noexcept;
  void SetRipple(Extended decibels);               // |value|; redesigns a Chebyshev filter
  bool ManualReset() const noexcept;
  void SetManualReset(bool value) noexcept;        // true: redesigns keep the history

  // --- filtering -------------------------------------------------------------
  // Filters one sample of a stream; samples of one stream in time order.
  Extended Process(Extended x);
  // The same as calling Process(in[i]) for i in order, written to out[i].
  // in and out may be the same span. invalid_argument when the sizes differ.
  void Process(std::span<const Extended> in, std::span<Extended> out);
  // Zeroes both histories; the design is kept.
  void Reset() noexcept;

  // --- the current design, read only ------------------------------------------
  // Complex response of the design at a frequency in Hz, input scale
  // included: a lowpass reads 1 at 0 Hz. The equal-edge band cases read 0
  // (bandpass) and 1 (bandstop) at every frequency, as Process behaves.
  TsigComplex FrequencyResponse(Extended hertz) const;
  const std::string& DesignMessage() const noexcept;
  std::int32_t CoefficientCount() const noexcept;
  Extended InputScale() const noexcept;
  std::span<const Extended, PoleZeroCapacity> InputCoefficients() const noexcept;
  std::span<const Extended, PoleZeroCapacity> OutputCoefficients() const noexcept;
  // Past scaled inputs and outputs, oldest first; entry CoefficientCount()
  // is the newest. The span holds a copy made by the call: call again after
  // Process to see the new history.
  std::span<const Extended, PoleZeroCapacity> InputHistory() const noexcept;
  std::span<const Extended, PoleZeroCapacity> OutputHistory() const noexcept;
  const PoleZeroSet& SPlane() const noexcept;
  const PoleZeroSet& ZPlane() const noexcept;

  // Loading defers clamping and the single design to EndLoad, so that a
  // stored component comes back as it was saved.
  void BeginLoad() override;
  void EndLoad() override;
  void CancelLoad() noexcept override;

 private:
  // Takes its design snapshot from the filter's stored design.
  friend class TsigIIRChannels;

  // Loads the design's coefficients and routines into the sample state;
  // keeps the history when keepHistory is set, as the views show it, and
  // clears it otherwise.
  void InstallDesign(bool keepHistory) noexcept;
  // Copies the live history into the views.
  void MaterialiseHistory() const noexcept;

  using Properties = TsigIIRFilterProperties;

  // The result of the last design, read by the views and loaded into the
  // sample state.
  struct Design {
    PoleZeroSet SPlane;
    PoleZeroSet ZPlane;
    std::array<Extended, PoleZeroCapacity> InputCoefficients{};
    std::array<Extended, PoleZeroCapacity> OutputCoefficients{};
    std::int32_t CoefficientCount = 0;
    Extended InputScale = 0.0L;
    std::string DesignMessage;
    IIRRoutine Routine{};
  };

  // While a stored form loads: the properties before BeginLoad and which
  // frequencies the form assigned.
  struct LoadState {
    Properties Saved;
    bool Frequency1Loaded = false;
    bool Frequency2Loaded = false;
  };

  void SetFrequency(int index, Extended hertz);
  // Designs next into scratch space and, when the arithmetic stayed finite,
  // makes next, the design and the routine current, then clears the history
  // when reset is set or ManualReset is off. Otherwise throws naming
  // property and changes nothing.
  void Redesign(const Properties& next, bool reset, const char* property);

  Properties properties_;
  Design design_;
  std::optional<LoadState> load_;
  // The sample path: the two forms of the routine in force that Process
  // calls, and the state the routines work on. The state's type is internal
  // to the library; it lives here rather than behind a pointer, which would
  // cost Process a load, and its source checks that it fits.
  static constexpr std::size_t SampleStateSize = 5216;
  IIRSampleState& Sample() const noexcept;
  Extended (*value_)(IIRSampleState&, Extended) = nullptr;
  Extended (*bits_)(IIRSampleState&, std::uint64_t, std::uint32_t) = nullptr;
  alignas(16) mutable unsigned char sampleState_[SampleStateSize];
};

// --- the inline sample path ----------------------------------------------------

inline IIRSampleState& TsigCustomIIRFilter::Sample() const noexcept {
  return *reinterpret_cast<IIRSampleState*>(sampleState_);
}

// One indirect call. A compile-time constant sample goes over as its bit
// pattern in integer registers: GCC would hand it over through an 80-bit
// store and two integer reloads that partly overlap it, and the failed store
// forwarding costs about 30 cycles a call.
inline Extended TsigCustomIIRFilter::Process(Extended x) {
#if defined(__GNUC__)
  if (__builtin_constant_p(x)) {
    std::uint64_t significand = 0;
    std::uint16_t signExponent = 0;
    std::memcpy(&significand, &x, sizeof significand);
    std::memcpy(&signExponent, reinterpret_cast<const unsigned char*>(&x) + 8,
                sizeof signExponent);
    return bits_(Sample(), significand, signExponent);
  }
#endif
  return value_(Sample(), x);
}

// The published form of the filter: Kind, Response, Order, Frequency1,
// Frequency2, SampleRate, Ripple, ManualReset, streamed in that order. Kind
// and Response are always stored, Order when not 1, ManualReset when true,
// the extended properties when not 0.
class TsigIIRFilter : public TsigCustomIIRFilter {
 public:
  using TsigCustomIIRFilter::TsigCustomIIRFilter;
  const TComponentClass& ClassType() const override;
  static const TComponentClass& StaticClass();
};

}  // namespace tessaro
