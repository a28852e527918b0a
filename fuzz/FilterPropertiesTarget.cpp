// The filter's property assignments with any values: the input is read as a
// program of up to 24 steps, each a setter call with a value of any bit
// pattern, a run of samples through Process, Reset, or Reset to the steady
// state of any value; then a few samples
// more. Two filters run the program side by side: one filters sample by
// sample, the other in blocks.
//
// Invariants:
// - an assignment either succeeds on both filters or throws on both, and a
//   throw is derived from std::exception and leaves the filter exactly as
//   before (stored form, properties, design, message and histories);
// - after a successful assignment the coefficients and the input scale are
//   finite, the coefficient count is 1..16, the properties lie in their
//   ranges, and assigning the same value again changes nothing;
// - the block form of Process gives bit for bit what the sample form gives,
//   with the identical histories after it;
// - the state the program reached writes a stored form that reads back into
//   the identical form and design;
// - Reset to a steady state throws for a non-finite value, on both twins,
//   changing nothing, and otherwise leaves the twins identical.
#include "FuzzSupport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <exception>
#include <functional>
#include <string>

namespace tessaro::fuzz {

namespace {

using F = TsigCustomIIRFilter;

constexpr int MaxSteps = 24;
constexpr std::size_t MaxBlock = 48;
// A step's first byte: below 0xF0 the setter of that number (modulo their
// count, so that a new setter leaves the meaning of the small numbers),
// 0xF0..0xF7 a run of samples, 0xF8..0xFB Reset, 0xFC..0xFF Reset to the
// steady state of the value that follows.
constexpr std::uint8_t SamplesStep = 0xF0;
constexpr std::uint8_t ResetStep = 0xF8;
constexpr std::uint8_t SteadyResetStep = 0xFC;

// One setter call, bound to its value, and how it reads in a report.
struct Assignment {
  std::string Text;
  std::function<void(F&)> Apply;
};

std::string Describe(Extended v) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::hex).ptr;
  return std::string(text, end);
}
std::string Describe(bool v) { return v ? "True" : "False"; }
template <class T>
std::string Describe(T v) {
  return std::to_string(static_cast<long long>(v));
}

template <class T>
Assignment Assign(const char* property, void (F::*set)(T), T value) {
  return {std::string(property) + " = " + Describe(value), [set, value](F& f) { (f.*set)(value); }};
}

// The setters the program calls, one line each.
const std::function<Assignment(ByteReader&)> Setters[] = {
    [](ByteReader& in) { return Assign("Kind", &F::SetKind, TsigIIRFilterKind(in.Byte())); },
    [](ByteReader& in) { return Assign("Response", &F::SetResponse, TsigIIRFilterResponse(in.Byte())); },
    [](ByteReader& in) { return Assign("Order", &F::SetOrder, static_cast<int>(in.Int32())); },
    [](ByteReader& in) { return Assign("Frequency1", &F::SetFrequency1, in.AnyExtended()); },
    [](ByteReader& in) { return Assign("Frequency2", &F::SetFrequency2, in.AnyExtended()); },
    [](ByteReader& in) { return Assign("SampleRate", &F::SetSampleRate, in.AnyExtended()); },
    [](ByteReader& in) { return Assign("Ripple", &F::SetRipple, in.AnyExtended()); },
    [](ByteReader& in) { return Assign("ManualReset", &F::SetManualReset, in.Bool()); },
    [](ByteReader& in) { return Assign("Structure", &F::SetStructure, TsigIIRStructure(in.Byte())); },
};

bool AllFinite(std::span<const Extended> values) {
  return std::all_of(values.begin(), values.end(), [](Extended v) { return std::isfinite(v); });
}

// The first range a filter's state breaks after a successful assignment, or
// nullptr.
const char* OutOfRange(const F& f) {
  if (!AllFinite(f.InputCoefficients()) || !AllFinite(f.OutputCoefficients()))
    return "a coefficient is not finite";
  if (!std::isfinite(f.InputScale())) return "the input scale is not finite";
  for (const TsigIIRSection& s : f.Sections())
    if (!AllFinite(std::array{s.B0, s.B1, s.B2, s.A1, s.A2})) return "a section is not finite";
  if (f.Structure() > fsAuto) return "the structure is out of range";
  if (f.Realisation().Structure == fsCascade && f.Sections().empty())
    return "the cascade is in force without sections";
  if (f.CoefficientCount() < 1 || f.CoefficientCount() > 16) return "the coefficient count is not 1..16";
  if (f.Kind() > fkBessel || f.Response() > ftBandstop || f.Order() < 1 || f.Order() > 8)
    return "an enumeration or the order is out of range";
  if (!(f.SampleRate() > 0.0L)) return "the sample rate is not positive";
  if (!(f.Ripple() >= 0.0L)) return "the ripple is negative or NaN";
  // No setter takes a frequency above the Nyquist bound or 1e-10, whichever
  // is larger.
  const Extended bound = std::max(1e-10L, f.SampleRate() / 2.0L - 0.0001L);
  if (!(f.Frequency1() <= bound && f.Frequency2() <= bound)) return "a frequency lies above its bound";
  return nullptr;
}

class Program {
 public:
  void Run(ByteReader& in) {
    for (int step = 0; step < MaxSteps && !in.Empty(); ++step) {
      const std::uint8_t op = in.Byte();
      if (op < SamplesStep) {
        Set(Setters[op % std::size(Setters)](in));
      } else if (op < ResetStep) {
        Samples(in);
      } else if (op < SteadyResetStep) {
        log_ += "Reset\n";
        bySample_.Reset();
        byBlock_.Reset();
        RequireTwins("Reset");
      } else {
        const Extended x0 = in.AnyExtended();
        const bool threw = Set({"Reset(" + Describe(x0) + ")", [x0](F& f) { f.Reset(x0); }}, false);
        Check(threw == !std::isfinite(x0),
              "Reset to a steady state throws for a finite value or not for a non-finite one");
      }
    }
    Finish();
  }

 private:
  // An assignment on both twins; a repeatable one (every setter) must
  // change nothing when made again. True when it threw.
  bool Set(const Assignment& a, bool repeatable = true) {
    log_ += a.Text + "\n";
    const FilterSnapshot before(bySample_);
    const bool failed = Throws(a, bySample_);
    Check(Throws(a, byBlock_) == failed, "the twins disagree on whether it throws");
    if (failed) {
      Check(FilterSnapshot(bySample_) == before, "a failed assignment changed the filter");
    } else {
      const char* problem = OutOfRange(bySample_);
      Check(problem == nullptr, problem);
      if (repeatable) {
        const FilterSnapshot after(bySample_);
        Check(!Throws(a, bySample_) && FilterSnapshot(bySample_) == after,
              "assigning the same value again changed the filter");
      }
    }
    RequireTwins("an assignment");
    return failed;
  }

  // Runs the assignment; true when it threw, which must be a std::exception.
  static bool Throws(const Assignment& a, F& f) {
    try {
      a.Apply(f);
    } catch (const std::exception&) {
      return true;
    }
    return false;
  }

  // A run of samples: one filter takes them one at a time, the other as a
  // block, in place when the run's length is odd.
  void Samples(ByteReader& in) {
    const std::size_t n = 1 + in.Byte() % MaxBlock;
    std::array<Extended, MaxBlock> samples{}, single{}, block{};
    for (std::size_t i = 0; i < n; ++i) samples[i] = in.AnyExtended();
    log_ += "Process " + std::to_string(n) + " samples\n";
    for (std::size_t i = 0; i < n; ++i) single[i] = bySample_.Process(samples[i]);
    if (n % 2 == 1) {
      block = samples;
      byBlock_.Process(std::span<const Extended>(block.data(), n), std::span<Extended>(block.data(), n));
    } else {
      byBlock_.Process(std::span<const Extended>(samples.data(), n), std::span<Extended>(block.data(), n));
    }
    Check(SameBits(std::span<const Extended>(single.data(), n), std::span<const Extended>(block.data(), n)),
          "the block form of Process differs from the sample form");
    RequireTwins("Process");
  }

  // A constant sample travels in integer registers; it must filter as the
  // same value passed at run time does.
  void Finish() {
    volatile Extended one = 1.0L;
    for (int i = 0; i < 4; ++i) {
      const Extended constant = bySample_.Process(1.0L);
      const Extended value = byBlock_.Process(one);
      Check(SameBits(constant, value), "a constant sample filters differently");
    }
    RequireTwins("the last samples");
    RequireRoundTrip(bySample_);
  }

  void RequireTwins(const char* step) const {
    if (!(FilterSnapshot(bySample_) == FilterSnapshot(byBlock_)))
      Fail(std::string("the twins differ after ") + step + Where());
  }

  std::string Where() const { return " after:\n" + log_; }
  void Check(bool holds, const char* what) const {
    if (!holds) Fail(what + Where());
  }

  TsigIIRFilter bySample_;
  TsigIIRFilter byBlock_;
  std::string log_;
};

}  // namespace

}  // namespace tessaro::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessaro::fuzz::ByteReader in(data, size);
  tessaro::fuzz::Program().Run(in);
  return 0;
}
