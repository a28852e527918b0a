// The stored-form reader on any text: ParseStoredForm, ReadComponent into a
// filter and an FFT that are not in their default state, and LoadComponents
// into an owner that already holds components.
//
// Invariants:
// - every failure is an exception derived from std::exception;
// - a failed read or load changes nothing: the whole stored form, the
//   filter's design and histories and the FFT's tables and data are as
//   before, and the owner holds the same components;
// - a parsed block names a registered class and holds values of its
//   properties' types;
// - a component that loaded writes a form that reads back into a new
//   component of its class and writes the identical text again, and a filter
//   read back has the identical design.
#include "FuzzSupport.h"

#include <tessaro/sigStoredForm.h>

#include <cmath>
#include <exception>
#include <string>
#include <string_view>
#include <variant>

namespace tessaro::fuzz {

namespace {

// A Chebyshev bandpass at 8 kHz that has run for a few samples, with the
// history kept across redesigns, so that a load which goes wrong half way
// would show.
void Configure(TsigCustomIIRFilter& f) {
  f.SetName("configured");
  f.SetSampleRate(8000.0L);
  f.SetKind(fkChebyshev);
  f.SetResponse(ftBandpass);
  f.SetOrder(3);
  f.SetRipple(1.0L);
  f.SetFrequency1(100.0L);
  f.SetFrequency2(2000.0L);
  f.SetManualReset(true);
  for (int i = 0; i < 40; ++i) f.Process(i % 7 == 0 ? 1.0L : -0.25L);
}

// 64 points under a Hanning window with exact twiddles, with data in all
// four arrays.
void Configure(TsigCustomFFT& fft) {
  fft.SetName("configured");
  fft.SetBufferSize(64);
  fft.SetWindow(fwHanning);
  fft.SetTwiddles(ftExact);
  for (std::size_t i = 0; i < fft.RealIn().size(); ++i) {
    fft.RealIn()[i] = static_cast<float>(i % 13) - 6.0f;
    fft.ImagIn()[i] = static_cast<float>(i % 5);
  }
  fft.Forward();
}

void CheckParse(std::string_view text) {
  std::vector<TStoredObject> objects;
  try {
    objects = ParseStoredForm(text);
  } catch (const TStoredFormError& e) {
    Require(e.Line() >= 1, "an error names line " + std::to_string(e.Line()));
    return;
  }
  for (const TStoredObject& object : objects) {
    Require(object.Class != nullptr && FindClass(object.Class->Name) == object.Class,
            "a parsed block's class is not the registered one");
    for (const auto& [property, value] : object.Values) {
      Require(object.Class->FindProperty(property->Name) == property,
              "a parsed value belongs to another class's property");
      switch (property->Type) {
        case TPropertyType::Enumeration: {
          const auto v = std::get<std::int64_t>(value);
          Require(v >= 0 && static_cast<std::size_t>(v) < property->EnumNames.size(),
                  "a parsed enumeration value is out of range");
          break;
        }
        case TPropertyType::Integer:
          Require(std::holds_alternative<std::int64_t>(value), "an integer parsed as another type");
          break;
        case TPropertyType::Extended:
          Require(std::holds_alternative<Extended>(value) && !std::isnan(std::get<Extended>(value)),
                  "an extended value parsed as another type or as NaN");
          break;
        case TPropertyType::Boolean:
          Require(std::holds_alternative<bool>(value), "a Boolean parsed as another type");
          break;
      }
    }
  }
}

template <class Component, class Snapshot>
void CheckRead(std::string_view text) {
  Component component;
  Configure(component);
  const Snapshot before(component);
  try {
    ReadComponent(component, text);
  } catch (const std::exception& e) {
    Require(Snapshot(component) == before,
            std::string("a failed read changed the component (") + e.what() + ")");
    return;
  }
  RequireRoundTrip(component);
}

void CheckLoad(std::string_view text) {
  TComponent owner;
  owner.SetName("owner");
  auto* filter = new TsigIIRFilter(&owner);
  Configure(*filter);
  filter->SetName("sigIIRFilter1");
  auto* fft = new TsigFFT(&owner);
  Configure(*fft);
  fft->SetName("sigFFT1");
  const FilterSnapshot filterBefore(*filter);
  const FftSnapshot fftBefore(*fft);

  std::vector<TComponent*> made;
  try {
    made = LoadComponents(text, owner);
  } catch (const std::exception& e) {
    const std::string why = std::string(" (") + e.what() + ")";
    Require(owner.Components().size() == 2 && owner.Components()[0] == filter &&
                owner.Components()[1] == fft,
            "a failed load changed the owner's components" + why);
    Require(FilterSnapshot(*filter) == filterBefore && FftSnapshot(*fft) == fftBefore,
            "a failed load changed a component already owned" + why);
    return;
  }
  Require(owner.Components().size() == 2 + made.size(), "the owner does not hold every loaded component");
  Require(FilterSnapshot(*filter) == filterBefore && FftSnapshot(*fft) == fftBefore,
          "a load changed a component already owned");
  for (std::size_t i = 0; i < made.size(); ++i) {
    Require(owner.Components()[2 + i] == made[i], "loaded components are out of order");
    RequireRoundTrip(*made[i]);
  }
}

}  // namespace

}  // namespace tessaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaro;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzz::CheckParse(text);
  fuzz::CheckRead<TsigIIRFilter, fuzz::FilterSnapshot>(text);
  fuzz::CheckRead<TsigFFT, fuzz::FftSnapshot>(text);
  fuzz::CheckLoad(text);
  return 0;
}
