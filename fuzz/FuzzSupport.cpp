#include "FuzzSupport.h"

#include <tessaro/sigStoredForm.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <limits>
#include <memory>

namespace tessaro::fuzz {

namespace {

using Limits = std::numeric_limits<Extended>;

// Values on the edges of the filter's ranges and of the extended type.
const Extended EdgeValues[] = {
    0.0L,         -0.0L,         1e-10L,           0.99999999999e-10L, 0.0001L,
    0.0002L,      0.00020001L,   1.0L,             -1.0L,              0.5L,
    3.0L,         40.0L,         300.0L,           1000.0L,            22049.9999L,
    44100.0L,     96000.0L,      1e-20L,           1e300L,             1e-300L,
    1e2000L,      -1e2000L,      Limits::max(),    -Limits::max(),     Limits::min(),
    Limits::denorm_min(),        Limits::epsilon(), Limits::infinity(), -Limits::infinity(),
    Limits::quiet_NaN(),         1e4000L,          100.0L,
};

void AppendPlane(std::vector<Extended>& values, const PoleZeroSet& plane) {
  for (const TsigComplex& c : plane.Poles) values.insert(values.end(), {c.Re, c.Im});
  for (const TsigComplex& c : plane.Zeros) values.insert(values.end(), {c.Re, c.Im});
}

// Filters with equal properties have the identical design: counts, scale,
// the coefficients in use and both planes.
void RequireSameDesign(const TsigCustomIIRFilter& a, const TsigCustomIIRFilter& b,
                       const std::string& form) {
  const std::string where = " after reading back\n" + form;
  Require(a.CoefficientCount() == b.CoefficientCount(), "coefficient count differs" + where);
  const auto n = static_cast<std::size_t>(a.CoefficientCount());
  Require(SameBits(a.InputScale(), b.InputScale()), "input scale differs" + where);
  Require(SameBits(a.InputCoefficients().first(n), b.InputCoefficients().first(n)),
          "input coefficients differ" + where);
  Require(SameBits(a.OutputCoefficients().first(n), b.OutputCoefficients().first(n)),
          "output coefficients differ" + where);
  const FilterSnapshot sa(a), sb(b);
  Require(std::equal(std::begin(sa.Counts), std::end(sa.Counts), std::begin(sb.Counts)) &&
              SameBits(sa.Planes, sb.Planes),
          "poles or zeros differ" + where);
}


}  // namespace

bool Strict() {
  static const bool strict = std::getenv("TESSARO_FUZZ_STRICT") != nullptr;
  return strict;
}

void RequireRoundTrip(const TComponent& loaded) {
  const std::string first = WriteComponent(loaded);
  std::unique_ptr<TComponent> fresh(CreateComponent(loaded.ClassType().Name, nullptr));
  try {
    ReadComponent(*fresh, first);
  } catch (const std::exception& e) {
    Fail("a written form does not read back (" + std::string(e.what()) + ")\n" + first);
  }
  const std::string second = WriteComponent(*fresh);
  Require(second == first, "write, read, write differs:\n" + first + "---\n" + second);
  if (const auto* filter = dynamic_cast<const TsigCustomIIRFilter*>(&loaded))
    RequireSameDesign(*filter, dynamic_cast<const TsigCustomIIRFilter&>(*fresh), first);
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

bool SameBits(Extended a, Extended b) {
  return std::memcmp(&a, &b, 10) == 0 || (std::isnan(a) && std::isnan(b));
}

bool SameBits(std::span<const Extended> a, std::span<const Extended> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!SameBits(a[i], b[i])) return false;
  return true;
}

bool SameBits(std::span<const float> a, std::span<const float> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0 && !(std::isnan(a[i]) && std::isnan(b[i])))
      return false;
  return true;
}

std::int32_t ByteReader::Int32() {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(Byte()) << (8 * i);
  return static_cast<std::int32_t>(v);
}

float ByteReader::Float() {
  const auto bits = static_cast<std::uint32_t>(Int32());
  float f = 0.0f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

Extended ByteReader::AnyExtended() {
  const std::uint8_t pick = Byte();
  if (pick < 0x80) return EdgeValues[pick % std::size(EdgeValues)];
  Extended v = 0.0L;
  unsigned char bytes[sizeof(Extended)] = {};
  for (int i = 0; i < 10; ++i) bytes[i] = Byte();
  std::memcpy(&v, bytes, sizeof v);
  return v;
}

FilterSnapshot::FilterSnapshot(const TsigCustomIIRFilter& filter)
    : Stored(WriteComponent(filter)),
      Kind(filter.Kind()),
      Response(filter.Response()),
      Order(filter.Order()),
      CoefficientCount(filter.CoefficientCount()),
      Counts{filter.SPlane().PoleCount, filter.SPlane().ZeroCount, filter.ZPlane().PoleCount,
             filter.ZPlane().ZeroCount},
      DesignMessage(filter.DesignMessage()),
      ManualReset(filter.ManualReset()) {
  Properties = {filter.Frequency1(), filter.Frequency2(), filter.SampleRate(), filter.Ripple(),
                filter.InputScale()};
  for (const auto view : {filter.InputCoefficients(), filter.OutputCoefficients()})
    Coefficients.insert(Coefficients.end(), view.begin(), view.end());
  for (const auto view : {filter.InputHistory(), filter.OutputHistory()})
    Histories.insert(Histories.end(), view.begin(), view.end());
  for (const TsigIIRSection& s : filter.Sections())
    Coefficients.insert(Coefficients.end(), {s.B0, s.B1, s.B2, s.A1, s.A2});
  InForce = filter.Realisation().Structure;
  AppendPlane(Planes, filter.SPlane());
  AppendPlane(Planes, filter.ZPlane());
}

bool FilterSnapshot::operator==(const FilterSnapshot& other) const {
  return Stored == other.Stored && Kind == other.Kind && Response == other.Response &&
         InForce == other.InForce &&
         Order == other.Order && SameBits(Properties, other.Properties) &&
         SameBits(Coefficients, other.Coefficients) && SameBits(Histories, other.Histories) &&
         SameBits(Planes, other.Planes) &&
         CoefficientCount == other.CoefficientCount &&
         std::memcmp(Counts, other.Counts, sizeof Counts) == 0 &&
         DesignMessage == other.DesignMessage && ManualReset == other.ManualReset;
}

FftSnapshot::FftSnapshot(const TsigCustomFFT& fft)
    : Stored(WriteComponent(fft)),
      Power(fft.Power()),
      BufferSize(fft.BufferSize()),
      Window(fft.Window()),
      BitReverse(fft.BitReverseTable().begin(), fft.BitReverseTable().end()) {
  for (const auto array : {fft.RealIn(), fft.ImagIn(), fft.RealOut(), fft.ImagOut(), fft.WindowTable()})
    Floats.insert(Floats.end(), array.begin(), array.end());
}

bool FftSnapshot::operator==(const FftSnapshot& other) const {
  return Stored == other.Stored && Power == other.Power && BufferSize == other.BufferSize &&
         Window == other.Window && SameBits(Floats, other.Floats) && BitReverse == other.BitReverse;
}

}  // namespace tessaro::fuzz
