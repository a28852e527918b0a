// The IIR filter component: properties, setters, design and the published
// class. The sample path is in sigIIRProcess.cpp.
#include "tessaro/sigIIRFilters.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "sigFloatingPoint.h"
#include "sigIIRCascade.h"
#include "sigIIRDesign.h"
#include "sigIIRGroupDelay.h"
#include "sigIIRRealisation.h"
#include "sigIIRSampleState.h"
#include "tessaro/sigcomplex.h"

namespace tessaro {

namespace {

// The smallest frequency a setter stores, in Hz.
constexpr Extended MinimumFrequency = 1e-10L;

constexpr const char* KindNames[] = {"fkButterworth", "fkChebyshev", "fkBessel"};
constexpr const char* ResponseNames[] = {"ftLowpass", "ftHighpass", "ftBandpass", "ftBandstop"};
constexpr const char* StructureNames[] = {"fsDirect", "fsCascade", "fsAuto"};

// Highest frequency a setter stores at a sample rate.
Extended UpperFrequency(Extended sampleRate) { return sampleRate / 2.0L - 0.0001L; }

// The shortest decimal that reads back to the same value, without an
// exponent for magnitudes from 1e-5 up to 1e21.
std::string Decimal(Extended value) {
  char text[128];
  const Extended magnitude = std::fabs(value);
  const auto format = magnitude >= 1e-5L && magnitude < 1e21L ? std::chars_format::fixed
                                                               : std::chars_format::general;
  const auto result = std::to_chars(text, text + sizeof text, value, format);
  return std::string(text, result.ptr);
}

void RejectNaN(const char* property, Extended value) {
  if (std::isnan(value))
    throw std::invalid_argument(std::string(property) + " = nan: the value must be a number");
}

// The direct form's verdict on stored coefficients; the structure fields
// are left to the caller.
TsigIIRRealisation Judge(std::span<const Extended> b, std::span<const Extended> a, Extended scale,
                         const PoleZeroSet& zplane) {
  const FlagScope scope;
  const DirectFormAssessment assessment = AssessDirectForm(b, a, scale, zplane);
  TsigIIRRealisation verdict;
  verdict.LargestRadius = assessment.LargestRadius;
  verdict.ResponseDeviation = assessment.ResponseDeviation;
  verdict.SteadyDeviation = assessment.SteadyDeviation;
  verdict.DirectFormSound = assessment.Sound;
  return verdict;
}

bool Finite(const IIRCascade& c) {
  for (int i = 0; i < c.SectionCount; ++i) {
    const IIRSection& s = c.Sections[i];
    for (Extended v : {s.B0, s.B1, s.B2, s.A1, s.A2})
      if (!std::isfinite(v)) return false;
  }
  return true;
}


}  // namespace

// --- construction and the published class ------------------------------------

TsigCustomIIRFilter::TsigCustomIIRFilter(TComponent* owner) : TComponent(owner) {
  static_assert(sizeof(IIRSampleState) <= SampleStateSize && alignof(IIRSampleState) <= 16,
                "raise SampleStateSize in sigIIRFilters.h to hold the sample state");
  static_assert(std::is_trivially_destructible_v<IIRSampleState>,
                "the filter never destroys its sample state");
  ::new (static_cast<void*>(sampleState_)) IIRSampleState{};
  Redesign(properties_, true, nullptr);
}

const TComponentClass& TsigIIRFilter::StaticClass() {
  using F = TsigCustomIIRFilter;
  static const TComponentClass cls{
      "TsigIIRFilter",
      [](TComponent* owner) -> TComponent* { return new TsigIIRFilter(owner); },
      {
          EnumProperty<F, TsigIIRFilterKind>("Kind", {KindNames[0], KindNames[1], KindNames[2]},
                                             &F::Kind, &F::SetKind,
                                             [](const F&) { return true; }),
          EnumProperty<F, TsigIIRFilterResponse>(
              "Response", {ResponseNames[0], ResponseNames[1], ResponseNames[2], ResponseNames[3]},
              &F::Response, &F::SetResponse, [](const F&) { return true; }),
          IntegerProperty<F, int, int>("Order", &F::Order, &F::SetOrder,
                                       [](const F& f) { return f.Order() != 1; }),
          ExtendedProperty<F>("Frequency1", &F::Frequency1, &F::SetFrequency1,
                              [](const F& f) { return f.Frequency1() != 0.0L; }),
          ExtendedProperty<F>("Frequency2", &F::Frequency2, &F::SetFrequency2,
                              [](const F& f) { return f.Frequency2() != 0.0L; }),
          ExtendedProperty<F>("SampleRate", &F::SampleRate, &F::SetSampleRate,
                              [](const F& f) { return f.SampleRate() != 0.0L; }),
          ExtendedProperty<F>("Ripple", &F::Ripple, &F::SetRipple,
                              [](const F& f) { return f.Ripple() != 0.0L; }),
          BooleanProperty<F>("ManualReset", &F::ManualReset, &F::SetManualReset,
                             [](const F& f) { return f.ManualReset(); }),
          EnumProperty<F, TsigIIRStructure>(
              "Structure", {StructureNames[0], StructureNames[1], StructureNames[2]},
              &F::Structure, &F::SetStructure, [](const F& f) { return f.Structure() != fsAuto; }),
      }};
  return cls;
}

const TComponentClass& TsigIIRFilter::ClassType() const { return StaticClass(); }

// --- design ------------------------------------------------------------------

void TsigCustomIIRFilter::Redesign(const Properties& next, bool reset, const char* property) {
  // The scratch starts from the current design: entries a design does not
  // write, and the message, carry over as they would in place.
  IIRDesignState scratch;
  scratch.InputCoefficients = design_.InputCoefficients;
  scratch.OutputCoefficients = design_.OutputCoefficients;
  scratch.DesignMessage = design_.DesignMessage;

  int raised = 0;
  {
    const FlagScope scope;
    DesignIIRFilter(next, scratch);
    raised = std::fetestexcept(FE_OVERFLOW | FE_DIVBYZERO | FE_INVALID);
  }
  if (raised != 0) {
    std::string what;
    if (property != nullptr) {
      const std::string name = property;
      std::string value;
      if (name == "Kind") value = KindNames[next.Kind];
      else if (name == "Response") value = ResponseNames[next.Response];
      else if (name == "Order") value = std::to_string(next.Order);
      else if (name == "Frequency1") value = Decimal(next.Frequency1);
      else if (name == "Frequency2") value = Decimal(next.Frequency2);
      else if (name == "SampleRate") value = Decimal(next.SampleRate);
      else if (name == "Structure") value = StructureNames[next.Structure];
      else value = Decimal(next.Ripple);
      what = name + " = " + value;
    } else {
      what = "The properties (Kind = " + std::string(KindNames[next.Kind]) +
             ", Response = " + ResponseNames[next.Response] +
             ", Order = " + std::to_string(next.Order) +
             ", Frequency1 = " + Decimal(next.Frequency1) +
             ", Frequency2 = " + Decimal(next.Frequency2) +
             ", SampleRate = " + Decimal(next.SampleRate) + ", Ripple = " + Decimal(next.Ripple) +
             ", Structure = " + StructureNames[next.Structure] + ")";
    }
    if (raised & FE_OVERFLOW) throw std::overflow_error(what + " overflows the filter design");
    if (raised & FE_DIVBYZERO)
      throw std::domain_error(what + " makes the filter design divide by zero");
    throw std::domain_error(what + " makes the filter design take an invalid operation");
  }

  // The cascade is cheap to build and always there for Sections(); the
  // direct form's verdict costs up to a millisecond and is taken here only
  // when it decides the structure.
  IIRCascade cascade;
  std::optional<TsigIIRRealisation> verdict;
  bool cascadeInForce = false;
  {
    const FlagScope scope;
    const Extended gain =
        PoleZeroScale(scratch.ZPlane, next.Response, scratch.A1, scratch.A2);
    cascade = BuildCascade(scratch.ZPlane, gain);
    if (!Finite(cascade)) cascade = IIRCascade{};
    const bool filters = scratch.Routine == IIRRoutine::Filter;
    if (next.Structure == fsAuto && filters) {
      const auto n = static_cast<std::size_t>(
          std::clamp<std::int32_t>(scratch.CoefficientCount, 0, PoleZeroCapacity - 1));
      verdict = Judge(std::span(scratch.InputCoefficients).first(n),
                      std::span(scratch.OutputCoefficients).first(n), scratch.InputScale,
                      scratch.ZPlane);
      cascadeInForce = !verdict->DirectFormSound && cascade.SectionCount > 0;
    } else {
      cascadeInForce = next.Structure == fsCascade && filters && cascade.SectionCount > 0;
    }
  }
  const bool sameStructure = cascadeInForce == design_.CascadeInForce;

  properties_ = next;
  design_.SPlane = scratch.SPlane;
  design_.ZPlane = scratch.ZPlane;
  design_.InputCoefficients = scratch.InputCoefficients;
  design_.OutputCoefficients = scratch.OutputCoefficients;
  design_.CoefficientCount = scratch.CoefficientCount;
  design_.InputScale = scratch.InputScale;
  design_.DesignMessage.swap(scratch.DesignMessage);
  design_.Routine = scratch.Routine;
  design_.SectionCount = cascade.SectionCount;
  design_.Sections = {};
  for (int i = 0; i < cascade.SectionCount; ++i) {
    const IIRSection& c = cascade.Sections[i];
    design_.Sections[i] = {c.B0, c.B1, c.B2, c.A1, c.A2, c.Order};
  }
  design_.CascadeInForce = cascadeInForce;
  design_.Verdict = verdict;
  const FlagScope scope;  // splitting the coefficients may round
  InstallDesign(!reset && next.ManualReset && sameStructure);
}

TsigIIRRealisation TsigCustomIIRFilter::Assess() const {
  const auto n = static_cast<std::size_t>(
      std::clamp<std::int32_t>(design_.CoefficientCount, 0, PoleZeroCapacity - 1));
  return Judge(std::span(design_.InputCoefficients).first(n),
               std::span(design_.OutputCoefficients).first(n), design_.InputScale,
               design_.ZPlane);
}

TsigIIRRealisation TsigCustomIIRFilter::Realisation() const {
  if (!design_.Verdict) design_.Verdict = Assess();
  TsigIIRRealisation r = *design_.Verdict;
  r.Structure = design_.CascadeInForce ? fsCascade : fsDirect;
  r.SectionCount = design_.CascadeInForce ? design_.SectionCount : 0;
  return r;
}

std::span<const TsigIIRSection> TsigCustomIIRFilter::Sections() const noexcept {
  return std::span(design_.Sections).first(static_cast<std::size_t>(design_.SectionCount));
}

// --- properties ----------------------------------------------------------------

template <class T>
void TsigCustomIIRFilter::Assign(T Properties::*field, T value, bool reset, const char* property) {
  if (load_) {
    properties_.*field = value;
    return;
  }
  Properties next = properties_;
  next.*field = value;
  Redesign(next, reset, property);
}

TsigIIRFilterKind TsigCustomIIRFilter::Kind() const noexcept { return properties_.Kind; }

void TsigCustomIIRFilter::SetKind(TsigIIRFilterKind value) {
  if (value > fkBessel || value == properties_.Kind) return;
  Assign(&Properties::Kind, value, false, "Kind");
}

TsigIIRFilterResponse TsigCustomIIRFilter::Response() const noexcept { return properties_.Response; }

void TsigCustomIIRFilter::SetResponse(TsigIIRFilterResponse value) {
  if (value > ftBandstop || value == properties_.Response) return;
  Assign(&Properties::Response, value, true, "Response");
}

int TsigCustomIIRFilter::Order() const noexcept { return properties_.Order; }

void TsigCustomIIRFilter::SetOrder(int value) {
  if (value < 1 || value > 8 || value == properties_.Order) return;
  Assign(&Properties::Order, static_cast<TsigIIRFilterOrder>(value), true, "Order");
}

Extended TsigCustomIIRFilter::Frequency1() const noexcept { return properties_.Frequency1; }

Extended TsigCustomIIRFilter::Frequency2() const noexcept {
  const bool band = properties_.Response == ftBandpass || properties_.Response == ftBandstop;
  return band ? properties_.Frequency2 : properties_.Frequency1;
}

void TsigCustomIIRFilter::SetFrequency1(Extended hertz) { SetFrequency(1, hertz); }

void TsigCustomIIRFilter::SetFrequency2(Extended hertz) { SetFrequency(2, hertz); }

// The upper bound goes first, so a sample rate too small for both bounds
// leaves the lower one.
void TsigCustomIIRFilter::SetFrequency(int index, Extended hertz) {
  const char* property = index == 1 ? "Frequency1" : "Frequency2";
  RejectNaN(property, hertz);
  if (load_) {
    (index == 1 ? properties_.Frequency1 : properties_.Frequency2) = hertz;
    return;
  }
  Extended v = Smaller(hertz, UpperFrequency(properties_.SampleRate));
  v = Larger(MinimumFrequency, v);
  Properties next = properties_;
  Extended& stored = index == 1 ? next.Frequency1 : next.Frequency2;
  if (v == stored) return;
  stored = v;
  Redesign(next, false, property);
}

Extended TsigCustomIIRFilter::SampleRate() const noexcept { return properties_.SampleRate; }

// A lower rate pulls both frequencies under its Nyquist bound, the floor
// still holding when the bound falls below it; nothing is raised.
void TsigCustomIIRFilter::SetSampleRate(Extended hertz) {
  RejectNaN("SampleRate", hertz);
  if (!(hertz > 0.0L) || hertz == properties_.SampleRate) return;
  if (load_) {
    properties_.SampleRate = hertz;
    return;
  }
  Properties next = properties_;
  next.SampleRate = hertz;
  const Extended upper = UpperFrequency(hertz);
  next.Frequency1 = Larger(MinimumFrequency, Smaller(next.Frequency1, upper));
  next.Frequency2 = Larger(MinimumFrequency, Smaller(next.Frequency2, upper));
  Redesign(next, false, "SampleRate");
}

Extended TsigCustomIIRFilter::Ripple() const noexcept { return properties_.Ripple; }

void TsigCustomIIRFilter::SetRipple(Extended decibels) {
  RejectNaN("Ripple", decibels);
  const Extended value = std::fabs(decibels);
  if (value == properties_.Ripple) return;
  if (load_ || properties_.Kind != fkChebyshev) {
    properties_.Ripple = value;
    return;
  }
  Properties next = properties_;
  next.Ripple = value;
  Redesign(next, false, "Ripple");
}

bool TsigCustomIIRFilter::ManualReset() const noexcept { return properties_.ManualReset; }

void TsigCustomIIRFilter::SetManualReset(bool value) noexcept { properties_.ManualReset = value; }

TsigIIRStructure TsigCustomIIRFilter::Structure() const noexcept { return properties_.Structure; }

void TsigCustomIIRFilter::SetStructure(TsigIIRStructure value) {
  if (value > fsAuto || value == properties_.Structure) return;
  Assign(&Properties::Structure, value, false, "Structure");
}

// --- loading -------------------------------------------------------------------

void TsigCustomIIRFilter::BeginLoad() { load_ = LoadState{properties_}; }

// The stored values arrive raw; here they are clamped against the final
// sample rate and designed once. A frequency the form did not assign is
// lowered as a sample-rate change would, to no less than the floor; a new
// response or order restarts the history even with ManualReset, as their
// setters do.
void TsigCustomIIRFilter::EndLoad() {
  if (!load_) return;
  const LoadState load = *load_;
  Properties next = properties_;
  const Extended upper = UpperFrequency(next.SampleRate);
  next.Frequency1 = Larger(MinimumFrequency, Smaller(next.Frequency1, upper));
  next.Frequency2 = Larger(MinimumFrequency, Smaller(next.Frequency2, upper));
  const bool reset = next.Response != load.Saved.Response || next.Order != load.Saved.Order;
  try {
    Redesign(next, reset, nullptr);
  } catch (...) {
    CancelLoad();
    throw;
  }
  load_.reset();
}

void TsigCustomIIRFilter::CancelLoad() noexcept {
  if (!load_) return;
  properties_ = load_->Saved;
  load_.reset();
}

// --- response -----------------------------------------------------------------

// H(z) = g·(z^N + Σ B[i] z^i) / (z^N - Σ A[i] z^i): the difference equation
// of the filter routine multiplied through by z^N.
TsigComplex TsigCustomIIRFilter::FrequencyResponse(Extended hertz) const {
  if (design_.Routine == IIRRoutine::Mute) return MakeComplex(0.0L, 0.0L);
  if (design_.Routine == IIRRoutine::Pass) return MakeComplex(1.0L, 0.0L);
  const TsigComplex z = ExpImaginary(2.0L * Pi * hertz / properties_.SampleRate);
  if (design_.CascadeInForce) return CascadeResponse(CascadeFromSections(Sections()), z);
  const int n = design_.CoefficientCount;
  TsigComplex top = MakeComplex(1.0L, 0.0L);
  TsigComplex bottom = MakeComplex(1.0L, 0.0L);
  for (int k = n - 1; k >= 0; --k) {
    top = Add(Multiply(top, z), MakeComplex(design_.InputCoefficients[k], 0.0L));
    bottom = Add(Multiply(bottom, z), MakeComplex(-design_.OutputCoefficients[k], 0.0L));
  }
  return Scale(Divide(top, bottom), design_.InputScale);
}

Extended TsigCustomIIRFilter::GroupDelay(Extended hertz) const {
  if (design_.Routine != IIRRoutine::Filter) return 0.0L;
  return tessaro::GroupDelay(design_.ZPlane, 2.0L * Pi * hertz / properties_.SampleRate);
}

// --- views ---------------------------------------------------------------------

const std::string& TsigCustomIIRFilter::DesignMessage() const noexcept {
  return design_.DesignMessage;
}
std::int32_t TsigCustomIIRFilter::CoefficientCount() const noexcept {
  return design_.CoefficientCount;
}
Extended TsigCustomIIRFilter::InputScale() const noexcept { return design_.InputScale; }
std::span<const Extended, PoleZeroCapacity> TsigCustomIIRFilter::InputCoefficients()
    const noexcept {
  return design_.InputCoefficients;
}
std::span<const Extended, PoleZeroCapacity> TsigCustomIIRFilter::OutputCoefficients()
    const noexcept {
  return design_.OutputCoefficients;
}
const PoleZeroSet& TsigCustomIIRFilter::SPlane() const noexcept { return design_.SPlane; }
const PoleZeroSet& TsigCustomIIRFilter::ZPlane() const noexcept { return design_.ZPlane; }

}  // namespace tessaro
