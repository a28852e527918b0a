// IIR filter component: Butterworth, Chebyshev and Bessel designs of order
// 1..8 in lowpass, highpass, bandpass and bandstop form, and per-sample
// filtering in extended precision, realised as one direct-form difference
// equation or as a cascade of second-order sections.
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
//
// Realisations. Structure() chooses how the design runs:
//   fsDirect   one difference equation over the expanded polynomials
//              (CoefficientCount taps a side), exactly as the coefficient
//              views show it;
//   fsCascade  second-order sections built from ZPlane(), each pole pair
//              with its nearest zeros, the sections whose poles lie nearest
//              the unit circle last, and the overall gain set by the pole-zero
//              set at the response's reference point (0 Hz for a lowpass,
//              the Nyquist frequency for a highpass, the band centre for a
//              bandpass, their geometric mean for a bandstop);
//   fsAuto     (the default) the direct form where it is sound, bit for bit,
//              and the cascade where it is not.
// Rounding the expanded polynomial to 80 bits moves a cluster of m poles by
// about (2^-64)^(1/m): order-8 band designs at low corners then grow without
// bound. The direct form is sound when every root of its stored denominator
// lies within radius 1 - 2^-40, its response is within 1e-9 of the
// design's pole-zero response relative to the largest gain (65 uniform
// frequencies and the angles of every design pole and realised root), and
// started in the steady state of a constant input (Reset(x0)) it stays
// within 1e-13 of its exact level for 10 000 samples, relative to the input
// times the largest gain, for two test inputs: its own rounding noise, fed
// back by the recursion, stays small. Under fsAuto every design takes this
// verdict, up to about 3 ms for 16 poles.
// Realisation() reports the verdict and the structure in force. A redesign
// that keeps the structure in force keeps the history under ManualReset; one
// that switches between the structures clears it.
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

// One section of the cascade, run in direct form I as
//   y[t] = B0·x[t] + B1·x[t-1] + B2·x[t-2] + A1·y[t-1] + A2·y[t-2];
// a first-order section has B2 = A2 = 0. The first section takes the
// unscaled input; the gain is spread over the numerators.
struct TsigIIRSection {
  Extended B0 = 0.0L;
  Extended B1 = 0.0L;
  Extended B2 = 0.0L;
  Extended A1 = 0.0L;
  Extended A2 = 0.0L;
  std::int32_t Order = 0;  // 1 or 2
};

// What runs the current design and why.
struct TsigIIRRealisation {
  TsigIIRStructure Structure = fsDirect;  // in force: fsDirect or fsCascade
  std::int32_t SectionCount = 0;          // sections in force, 0 under the direct form
  // The direct form's verdict: the largest radius of the roots of its
  // stored 80-bit denominator, its response's deviation from the design's
  // pole-zero response (relative to the largest gain), its steady-state
  // drift over 10 000 samples from the steady state of a constant input
  // (relative likewise; 0 when the first two already fail), and whether it
  // is sound.
  Extended LargestRadius = 0.0L;
  Extended ResponseDeviation = 0.0L;
  Extended SteadyDeviation = 0.0L;
  bool DirectFormSound = false;
};

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
  TsigIIRStructure Structure() const noexcept;
  void SetStructure(TsigIIRStructure value);       // others ignored; reinstalls the design

  // --- filtering -------------------------------------------------------------
  // Filters one sample of a stream; samples of one stream in time order.
  Extended Process(Extended x);
  // The same as calling Process(in[i]) for i in order, written to out[i].
  // in and out may be the same span. invalid_argument when the sizes differ.
  void Process(std::span<const Extended> in, std::span<Extended> out);
  // Zeroes the history of the realisation in force; the design is kept.
  void Reset() noexcept;
  // Sets the history of the realisation in force to the steady state of the
  // constant input x0, so that feeding x0 gives its steady output from the
  // first sample. invalid_argument when x0 is not finite.
  void Reset(Extended x0);

  // --- the current design, read only ------------------------------------------
  // Complex response of the realisation in force at a frequency in Hz, gain
  // included: a lowpass reads 1 at 0 Hz. The direct form's is that of its
  // stored polynomials and input scale. The equal-edge band cases read 0
  // (bandpass) and 1 (bandstop) at every frequency, as Process behaves.
  TsigComplex FrequencyResponse(Extended hertz) const;
  // Group delay of the design in samples at a frequency in Hz, in closed
  // form from ZPlane(); 0 for the equal-edge band cases.
  Extended GroupDelay(Extended hertz) const;
  // The structure in force and the direct form's verdict. Under fsDirect and
  // fsCascade the verdict is computed on the first call after a design.
  TsigIIRRealisation Realisation() const;
  // The cascade's sections in running order: those in force under the
  // cascade, and those fsCascade would run otherwise.
  std::span<const TsigIIRSection> Sections() const noexcept;
  const std::string& DesignMessage() const noexcept;
  std::int32_t CoefficientCount() const noexcept;
  Extended InputScale() const noexcept;
  std::span<const Extended, PoleZeroCapacity> InputCoefficients() const noexcept;
  std::span<const Extended, PoleZeroCapacity> OutputCoefficients() const noexcept;
  // Past scaled inputs and outputs of the direct form, oldest first; entry
  // CoefficientCount() is the newest; 0 while the cascade is in force. The
  // span holds a copy made by the call: call again after Process to see the
  // new history.
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
    std::array<TsigIIRSection, PoleZeroCapacity / 2> Sections{};
    std::int32_t SectionCount = 0;
    bool CascadeInForce = false;
    // The direct form's verdict, once computed.
    std::optional<TsigIIRRealisation> Verdict;
  };

  // While a stored form loads: the properties before BeginLoad.
  struct LoadState {
    Properties Saved;
  };

  void SetFrequency(int index, Extended hertz);
  // Designs next into scratch space and, when the arithmetic stayed finite,
  // makes next, the design and the routine current, then clears the history
  // when reset is set or ManualReset is off. Otherwise throws naming
  // property and changes nothing.
  void Redesign(const Properties& next, bool reset, const char* property);
  // Stores a checked, changed value of field: as it is while a stored form
  // loads, otherwise through Redesign.
  template <class T>
  void Assign(T Properties::*field, T value, bool reset, const char* property);
  // The direct form's verdict on the current design.
  TsigIIRRealisation Assess() const;

  Properties properties_;
  // Mutable for the verdict computed on request.
  mutable Design design_;
  std::optional<LoadState> load_;
  // The sample path: the two forms of the routine in force that Process
  // calls, and the state the routines work on. The state's type is internal
  // to the library; it lives here rather than behind a pointer, which would
  // cost Process a load, and its source checks that it fits.
  static constexpr std::size_t SampleStateSize = 7056;
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
// Frequency2, SampleRate, Ripple, ManualReset, Structure, streamed in that
// order. Kind and Response are always stored, Order when not 1, ManualReset
// when true, Structure when not fsAuto, the extended properties when not 0.
class TsigIIRFilter : public TsigCustomIIRFilter {
 public:
  using TsigCustomIIRFilter::TsigCustomIIRFilter;
  const TComponentClass& ClassType() const override;
  static const TComponentClass& StaticClass();
};

}  // namespace tessaro
