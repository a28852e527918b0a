// The transform's fast paths against the step-by-step reference, bit for
// bit, in the situations each one was built for: the underflow flag cleared
// or already set when a transform starts (sums below the float range are
// then found afterwards or checked all along), inputs whose products cancel
// exactly (blocks sent to the exact path in large numbers), special values
// through the twiddles with a zero real part, and inputs that are mostly
// zero. Every instruction set that the processor has, at sizes that reach
// the eight- and sixteen-lane forms.

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "FftReference.h"
#include "FftTestSupport.h"
#include "InstructionSets.h"
#include "sigFFTTables.h"
#include "sigFFTTransform.h"
#include "tessaro/sigFFT.h"

namespace tessaro::test {
namespace {

using Exact = ReferenceFFT<long double>;

constexpr unsigned UnderflowFlagBit = 0x10;

// Sets or clears the sticky underflow flag of the SSE status register for
// its lifetime, then puts the register back as it was.
class UnderflowFlag {
 public:
  explicit UnderflowFlag(bool set) : saved_(_mm_getcsr()) {
    _mm_setcsr(set ? saved_ | UnderflowFlagBit : saved_ & ~UnderflowFlagBit);
  }
  ~UnderflowFlag() { _mm_setcsr(saved_); }
  UnderflowFlag(const UnderflowFlag&) = delete;
  UnderflowFlag& operator=(const UnderflowFlag&) = delete;

 private:
  unsigned saved_;
};

enum class Direction { Forward, Inverse };

// Runs the component and the reference on the same input and compares
// outputs and the inputs left behind (window, mirror).
void ExpectSameAsReference(int power, Direction direction, const std::vector<float>& re0,
                           const std::vector<float>& im0) {
  const Exact ref(power);
  std::vector<float> re = re0, im = im0, outRe, outIm;
  if (direction == Direction::Forward)
    ref.Forward(fwNone, re, im, outRe, outIm);
  else
    ref.Inverse(re, im, outRe, outIm);
  TsigFFT fft;
  fft.SetPower(power);
  ForEachInstructionSet([&] {
    std::ranges::copy(re0, fft.RealIn().begin());
    std::ranges::copy(im0, fft.ImagIn().begin());
    direction == Direction::Forward ? fft.Forward() : fft.Inverse();
    EXPECT_TRUE(SameFloats(fft.RealOut(), outRe)) << "RealOut";
    EXPECT_TRUE(SameFloats(fft.ImagOut(), outIm)) << "ImagOut";
    EXPECT_TRUE(SameFloats(fft.RealIn(), re)) << "RealIn";
    EXPECT_TRUE(SameFloats(fft.ImagIn(), im)) << "ImagIn";
  });
}

std::string DirectionName(Direction d) { return d == Direction::Forward ? "Forward" : "Inverse"; }

// A test name from its parts (built by appending: GCC 12 warns wrongly about
// chains of string +).
template <class... Part>
std::string Name(const Part&... parts) {
  std::string name;
  (name.append(parts), ...);
  return name;
}

std::string Size(int power) {
  std::string name = "N";
  name += std::to_string(1 << power);
  return name;
}

// ---- the underflow flag before the transform -------------------------------

struct FlagCase {
  int power;
  Direction direction;
  Signal signal;
  bool flagSet;
};

class FftUnderflowFlag : public ::testing::TestWithParam<FlagCase> {};

TEST_P(FftUnderflowFlag, EitherStateGivesTheReferenceResult) {
  const FlagCase c = GetParam();
  const int n = 1 << c.power;
  const std::vector<float> re = MakeSignal(c.signal, static_cast<std::size_t>(n), 300u + c.power);
  const std::vector<float> im = MakeSignal(c.signal, static_cast<std::size_t>(n), 400u + c.power);
  const UnderflowFlag flag(c.flagSet);
  ExpectSameAsReference(c.power, c.direction, re, im);
}

std::vector<FlagCase> FlagCases() {
  std::vector<FlagCase> cases;
  for (int power : {6, 7, 9, 10, 12, 15})
    for (Direction d : {Direction::Forward, Direction::Inverse})
      for (Signal s : {Signal::Uniform, Signal::Tiny, Signal::WideRange})
        for (bool set : {false, true}) cases.push_back({power, d, s, set});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(SizesDirectionsSignals, FftUnderflowFlag, ::testing::ValuesIn(FlagCases()),
                         [](const auto& info) {
                           const FlagCase& c = info.param;
                           return Name(Size(c.power), "_", DirectionName(c.direction), "_",
                                       SignalName(c.signal), c.flagSet ? "_FlagSet" : "_FlagClear");
                         });

// The status register is only read: control bits and a flag that was up
// stay as they were.
TEST(FftUnderflowFlag, TheStatusRegisterIsLeftAsItWas) {
  TsigFFT fft;
  fft.SetPower(10);
  const std::vector<float> data = MakeSignal(Signal::Uniform, 1024, 7u);
  std::ranges::copy(data, fft.RealIn().begin());
  for (bool set : {false, true}) {
    const UnderflowFlag flag(set);
    const unsigned before = _mm_getcsr();
    fft.Forward();
    fft.Inverse();
    const unsigned after = _mm_getcsr();
    EXPECT_EQ(after & ~0x3Fu, before & ~0x3Fu) << "control bits";
    if (set) {
      EXPECT_NE(after & UnderflowFlagBit, 0u) << "a raised flag stays raised";
    }
  }
}

// Sums on ties of the subnormal float grid, with the flag cleared first (the
// tie is found through the flag and the transform redone) or set first.
struct SubnormalFlagCase {
  int power;
  bool realPart;
  bool flagSet;
};

class FftSubnormalTieFlag : public ::testing::TestWithParam<SubnormalFlagCase> {};

TEST_P(FftSubnormalTieFlag, MatchesTheReference) {
  const auto [power, realPart, flagSet] = GetParam();
  const Exact ref(power);
  const int n = ref.Size();
  const int stage = power - 1;
  const auto [wr, wi] = ref.Twiddle(stage, n / 4, +1);
  const auto pair =
      realPart ? FindSubnormalHardPair(wr, wi, 53u * power) : FindSubnormalHardPair(wi, -wr, 53u * power);
  ASSERT_TRUE(pair);
  std::vector<float> re(n, 0.0f), im(n, 0.0f);
  const auto source = static_cast<std::size_t>(ReferenceBitReverse(n)[n / 2]);
  re[source] = pair->p;
  im[source] = pair->q;
  const UnderflowFlag flag(flagSet);
  ExpectSameAsReference(power, Direction::Forward, re, im);
}

std::vector<SubnormalFlagCase> SubnormalFlagCases() {
  std::vector<SubnormalFlagCase> cases;
  for (int power : {6, 7, 8, 9, 10, 11, 12})
    for (bool realPart : {true, false})
      for (bool set : {false, true}) cases.push_back({power, realPart, set});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(LastStage, FftSubnormalTieFlag, ::testing::ValuesIn(SubnormalFlagCases()),
                         [](const auto& info) {
                           const SubnormalFlagCase& c = info.param;
                           return Name(Size(c.power), c.realPart ? "_tr" : "_ti",
                                       c.flagSet ? "_FlagSet" : "_FlagClear");
                         });

// ---- exact cancellation ----------------------------------------------------

// A conjugate-symmetric input has a real transform: its products cancel
// heavily, and many of their exact results carry the trailing-zero pattern
// of a float midpoint. Forward sends those blocks to the exact path; both
// directions must still agree with the reference.
class FftCancellation : public ::testing::TestWithParam<std::tuple<int, Direction>> {};

TEST_P(FftCancellation, ConjugateSymmetricInputsMatchTheReference) {
  const auto [power, direction] = GetParam();
  const int n = 1 << power;
  std::vector<float> re = MakeSignal(Signal::Uniform, static_cast<std::size_t>(n), 500u + power);
  std::vector<float> im = MakeSignal(Signal::Uniform, static_cast<std::size_t>(n), 600u + power);
  im[0] = 0.0f;
  for (int k = 1; k < n / 2; ++k) re[n - k] = re[k], im[n - k] = -im[k];
  im[n / 2] = 0.0f;
  const UnderflowFlag flag(false);
  ExpectSameAsReference(power, direction, re, im);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FftCancellation,
                         ::testing::Combine(::testing::Values(6, 7, 8, 9, 10, 11, 13, 15),
                                            ::testing::Values(Direction::Forward, Direction::Inverse)),
                         [](const auto& info) {
                           return Name(Size(std::get<0>(info.param)), "_",
                                       DirectionName(std::get<1>(info.param)));
                         });

// ---- special values and zeros ----------------------------------------------

// Signed zeros, infinities, NaN, the largest floats and subnormals mixed into
// ordinary values: every butterfly form, including the single fused products
// of the twiddle whose real part is 0 and the unit twiddle's y - 0·z, must
// give the reference's signed zeros, infinities and NaNs (any NaN for a NaN).
std::vector<float> SpecialSignal(std::size_t n, std::uint32_t seed, int percentSpecial) {
  std::mt19937 rng(seed);
  constexpr float Inf = std::numeric_limits<float>::infinity();
  const float specials[] = {0.0f,    -0.0f,    Inf,     -Inf,    std::numeric_limits<float>::quiet_NaN(),
                            3.0e38f, -3.0e38f, 1.0e-40f, -1.0e-40f};
  std::vector<float> v = MakeSignal(Signal::Uniform, n, seed);
  for (auto& x : v)
    if (static_cast<int>(rng() % 100u) < percentSpecial) x = specials[rng() % std::size(specials)];
  return v;
}

class FftSpecialValues : public ::testing::TestWithParam<std::tuple<int, Direction, int>> {};

TEST_P(FftSpecialValues, MatchTheReference) {
  const auto [power, direction, percent] = GetParam();
  const auto n = static_cast<std::size_t>(1) << power;
  ExpectSameAsReference(power, direction, SpecialSignal(n, 700u + power, percent),
                        SpecialSignal(n, 800u + power, percent));
}

INSTANTIATE_TEST_SUITE_P(Mixes, FftSpecialValues,
                         ::testing::Combine(::testing::Values(6, 7, 10),
                                            ::testing::Values(Direction::Forward, Direction::Inverse),
                                            ::testing::Values(1, 30)),
                         [](const auto& info) {
                           return Name(Size(std::get<0>(info.param)), "_",
                                       DirectionName(std::get<1>(info.param)), "_",
                                       std::to_string(std::get<2>(info.param)), "percent");
                         });

// Signed zeros only, in every combination that reaches the first stages:
// zero products and sums whose sign the reference fixes exactly.
TEST(FftSpecialValues, SignedZerosMatchTheReference) {
  for (int power : {6, 7, 9}) {
    const auto n = static_cast<std::size_t>(1) << power;
    std::mt19937 rng(900u + static_cast<std::uint32_t>(power));
    std::vector<float> re(n), im(n);
    for (std::size_t k = 0; k < n; ++k) {
      re[k] = (rng() & 1u) ? -0.0f : 0.0f;
      im[k] = (rng() & 1u) ? -0.0f : 0.0f;
    }
    for (bool flagSet : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "N = " << n << (flagSet ? ", flag set" : ", flag clear"));
      const UnderflowFlag flag(flagSet);
      ExpectSameAsReference(power, Direction::Forward, re, im);
      ExpectSameAsReference(power, Direction::Inverse, re, im);
    }
  }
}

// A special value z at gathered position 2^s passes stages 0..s-1 unchanged
// (it meets only zeros) and fills positions 2^s .. 2^(s+1) - 1, so that
// stage s multiplies it with every twiddle of the stage: the unit twiddle
// (where 0·inf must give NaN), the twiddle whose real part is 0 (stage 2),
// the one of stage 1 with its tiny real part. An infinity against a finite
// part, and a negative zero next to a finite part.
struct StageSpecial {
  int power;
  int stage;
  float re, im;
};

class FftSpecialAtStage : public ::testing::TestWithParam<StageSpecial> {};

TEST_P(FftSpecialAtStage, MatchesTheReference) {
  const StageSpecial c = GetParam();
  const int n = 1 << c.power;
  std::vector<float> re(static_cast<std::size_t>(n), 0.0f), im(static_cast<std::size_t>(n), 0.0f);
  const auto source = static_cast<std::size_t>(ReferenceBitReverse(n)[1 << c.stage]);
  re[source] = c.re;
  im[source] = c.im;
  ExpectSameAsReference(c.power, Direction::Forward, re, im);
  ExpectSameAsReference(c.power, Direction::Inverse, re, im);
}

std::vector<StageSpecial> StageSpecialCases() {
  constexpr float Inf = std::numeric_limits<float>::infinity();
  std::vector<StageSpecial> cases;
  for (int power : {6, 7, 10})
    for (int stage : {0, 1, 2, 3, 4})
      for (const auto& [re, im] : {std::pair{Inf, 1.0f}, {1.0f, -Inf}, {-0.0f, 2.0f}, {2.0f, -0.0f}})
        cases.push_back({power, stage, re, im});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EarlyStages, FftSpecialAtStage, ::testing::ValuesIn(StageSpecialCases()),
                         [](const auto& info) {
                           const StageSpecial& c = info.param;
                           const auto part = [](float v) -> std::string {
                             if (std::isinf(v)) return v > 0 ? "inf" : "minusinf";
                             if (v == 0.0f) return std::signbit(v) ? "minus0" : "0";
                             return std::to_string(static_cast<int>(v));
                           };
                           return Name(Size(c.power), "_stage", std::to_string(c.stage), "_", part(c.re), "_",
                                       part(c.im), "_", std::to_string(info.index));
                         });

// Stage 1's twiddle (c, s) = (about -2^-66, +-1) makes tr = c·yr - s·yi a
// float plus a tiny product, done as one fused multiply-add unless one part
// of y is nonzero and at least 2^39 times smaller than the other (those lanes
// go to the exact path). Parts of every ratio around that bound, both ways,
// through Forward and through the inverse transform (without the mirror,
// which would put a second value into the stage).
class FftStageOneRatios : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(FftStageOneRatios, MatchTheReference) {
  const auto [power, exponent] = GetParam();
  const Exact ref(power);
  const int n = ref.Size();
  const auto source = static_cast<std::size_t>(ReferenceBitReverse(n)[2]);
  std::mt19937 rng(31u * static_cast<std::uint32_t>(power) + static_cast<std::uint32_t>(exponent + 100));
  std::vector<double> twiddles(2 * static_cast<std::size_t>(n));
  std::vector<float> cosT, sinT;
  for (int t = 0; t < power; ++t) cosT.push_back(ref.StepCos(t)), sinT.push_back(ref.StepSin(t));
  fft::BuildTwiddles(cosT, sinT, -1.0f, twiddles);
  const std::vector<std::int32_t> reverse = ReferenceBitReverse(n);
  const fft::TransformTables tables{power, reverse.data(), twiddles.data()};
  for (int trial = 0; trial < 8; ++trial) {
    const auto mantissa = [&rng] {
      return (rng() & 1u ? 1.0f : -1.0f) * (1.0f + static_cast<float>(rng() & 0x7FFFFFu) * 0x1p-23f);
    };
    std::vector<float> re(static_cast<std::size_t>(n), 0.0f), im(static_cast<std::size_t>(n), 0.0f);
    re[source] = mantissa() * 0x1p20f;
    im[source] = std::ldexp(mantissa() * 0x1p20f, exponent);
    if (trial % 2 == 1) std::swap(re[source], im[source]);
    SCOPED_TRACE(::testing::Message() << "y = (" << re[source] << ", " << im[source] << ")");
    ExpectSameAsReference(power, Direction::Forward, re, im);
    std::vector<float> wantRe, wantIm, gotRe(static_cast<std::size_t>(n)), gotIm(static_cast<std::size_t>(n));
    ref.Transform(re, im, wantRe, wantIm, -1);
    ref.Scale(wantRe, wantIm);
    ForEachInstructionSet([&] {
      fft::TransformScaled(tables, re.data(), im.data(), gotRe.data(), gotIm.data(),
                           1.0f / static_cast<float>(n));
      EXPECT_TRUE(SameFloats(gotRe, wantRe));
      EXPECT_TRUE(SameFloats(gotIm, wantIm));
    });
  }
}

INSTANTIATE_TEST_SUITE_P(AroundTheBound, FftStageOneRatios,
                         ::testing::Combine(::testing::Values(6, 7, 10),
                                            ::testing::Values(-60, -45, -41, -40, -39, -38, -30, 0)),
                         [](const auto& info) {
                           const int e = std::get<1>(info.param);
                           return Name(Size(std::get<0>(info.param)), e < 0 ? "_ratio2tominus" : "_ratio2to",
                                       std::to_string(e < 0 ? -e : e));
                         });

// Stage 2's twiddles j = 1 and 3 have parts of equal magnitude; with
// y = (a, b), one part about 2^-65 times the other (as stage 1's twiddle of
// about (2^-65, 1) leaves beside a zero), each product sum is the larger
// part's product, often a float midpoint for integer b, moved by less or
// more than half a unit of its extended rounding. The value at gathered
// position 8g + 4 meets only zeros in stages 0 and 1 and is y for every
// butterfly of stage 2 in group g: one (a, b) per group, b = 1..97 with
// both signs, either part the smaller, at ratios on both sides of 2^-65.
class FftStageTwoSkew : public ::testing::TestWithParam<std::tuple<int, double>> {};

TEST_P(FftStageTwoSkew, MatchesTheReference) {
  const auto [power, ratio] = GetParam();
  const int n = 1 << power;
  const std::vector<std::int32_t> reverse = ReferenceBitReverse(n);
  for (bool smallReal : {true, false}) {
    std::vector<float> re(static_cast<std::size_t>(n), 0.0f), im(static_cast<std::size_t>(n), 0.0f);
    for (int g = 0; g < n / 8; ++g) {
      const float b = static_cast<float>((g % 97 + 1) * (g % 2 == 0 ? 1 : -1));
      const auto a = static_cast<float>(static_cast<double>(b) * ratio * (g % 3 == 0 ? -1 : 1));
      const auto at = static_cast<std::size_t>(reverse[static_cast<std::size_t>(8 * g + 4)]);
      re[at] = smallReal ? a : b;
      im[at] = smallReal ? b : a;
    }
    SCOPED_TRACE(smallReal ? "real part smaller" : "imaginary part smaller");
    ExpectSameAsReference(power, Direction::Forward, re, im);
    ExpectSameAsReference(power, Direction::Inverse, re, im);
  }
}

INSTANTIATE_TEST_SUITE_P(AroundTheBound, FftStageTwoSkew,
                         ::testing::Combine(::testing::Values(6, 7, 10),
                                            ::testing::Values(0x1p-70, 0x1p-66, 0x1.fffp-66, 0x1p-65,
                                                              0x1.001p-65, 0x1.8p-65, 0x1p-64, 0x1.8p-64,
                                                              0x1p-63, 0x1p-60)),
                         [](const auto& info) {
                           return Name(Size(std::get<0>(info.param)), "_case",
                                       std::to_string(info.index % 10));
                         });

// Mostly zeros (an impulse, a zero-padded tail), the underflow flag cleared
// and set: exact zero results are no suspects and take the fast path; the
// results still match.
TEST(FftSpecialValues, MostlyZeroInputsMatchTheReference) {
  for (int power : {6, 8, 10, 12}) {
    const auto n = static_cast<std::size_t>(1) << power;
    std::vector<float> impulse(n, 0.0f), zeros(n, 0.0f);
    impulse[3] = 1.5f;
    std::vector<float> padded = MakeSignal(Signal::Uniform, n, 11u);
    std::fill(padded.begin() + static_cast<std::ptrdiff_t>(n / 4), padded.end(), 0.0f);
    for (bool flagSet : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "N = " << n << (flagSet ? ", flag set" : ", flag clear"));
      const UnderflowFlag flag(flagSet);
      ExpectSameAsReference(power, Direction::Forward, impulse, zeros);
      ExpectSameAsReference(power, Direction::Forward, padded, zeros);
      ExpectSameAsReference(power, Direction::Inverse, padded, zeros);
    }
  }
}

}  // namespace
}  // namespace tessaro::test
