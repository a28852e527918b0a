// The component against the step-by-step reference, bit for bit: every size,
// both directions, every window, several kinds of signal (among them
// quantised recordings and other real signals whose products are often
// exact), and inputs placed on float rounding ties where a double evaluation
// would round differently.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>
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
using ViaDouble = ReferenceFFT<double>;

void Load(TsigCustomFFT& fft, const std::vector<float>& re, const std::vector<float>& im) {
  std::ranges::copy(re, fft.RealIn().begin());
  std::ranges::copy(im, fft.ImagIn().begin());
}

// ---- every size, both directions, every window ---------------------------

class FftExactness : public ::testing::TestWithParam<std::tuple<int, Signal, TsigFFTTwiddles>> {};

TEST_P(FftExactness, MatchesTheReferenceBitForBit) {
  const auto [power, signal, twiddles] = GetParam();
  const Exact ref(power, twiddles);
  const int n = ref.Size();
  const std::vector<float> re0 = MakeSignal(signal, n, 1000u + power);
  const std::vector<float> im0 = RealSignal(signal) ? std::vector<float>(static_cast<std::size_t>(n))
                                                    : MakeSignal(signal, n, 2000u + power);
  TsigFFT fft;
  fft.SetTwiddles(twiddles);
  fft.SetPower(power);
  for (int w = fwNone; w <= fwParzen; ++w) {
    const auto window = static_cast<TsigWindow>(w);
    SCOPED_TRACE(::testing::Message() << "window " << w);
    fft.SetWindow(window);

    std::vector<float> re = re0, im = im0, outRe, outIm;
    ref.Forward(window, re, im, outRe, outIm);
    ForEachInstructionSet([&] {
      Load(fft, re0, im0);
      fft.Forward();
      EXPECT_TRUE(SameFloats(fft.RealOut(), outRe)) << "Forward RealOut";
      EXPECT_TRUE(SameFloats(fft.ImagOut(), outIm)) << "Forward ImagOut";
      EXPECT_TRUE(SameFloats(fft.RealIn(), re)) << "Forward windows RealIn in place";
      EXPECT_TRUE(SameFloats(fft.ImagIn(), im)) << "Forward leaves ImagIn";
    });

    re = re0, im = im0;
    ref.Inverse(re, im, outRe, outIm);
    ForEachInstructionSet([&] {
      Load(fft, re0, im0);
      fft.Inverse();
      EXPECT_TRUE(SameFloats(fft.RealOut(), outRe)) << "Inverse RealOut";
      EXPECT_TRUE(SameFloats(fft.ImagOut(), outIm)) << "Inverse ImagOut";
      EXPECT_TRUE(SameFloats(fft.RealIn(), re)) << "Inverse mirrors RealIn";
      EXPECT_TRUE(SameFloats(fft.ImagIn(), im)) << "Inverse mirrors ImagIn";
    });
  }
}

INSTANTIATE_TEST_SUITE_P(EverySize, FftExactness,
                         ::testing::Combine(::testing::Range(2, 16),
                                            ::testing::Values(Signal::Uniform, Signal::WideRange,
                                                              Signal::Tiny, Signal::SmallIntegers,
                                                              Signal::Int16, Signal::Int16Scaled,
                                                              Signal::Sine100, Signal::Sine3,
                                                              Signal::Sine32767, Signal::Constant,
                                                              Signal::Impulse, Signal::Burst,
                                                              Signal::TwoTones),
                                            ::testing::Values(ftRecurrence, ftExact)),
                         [](const auto& info) {
                           std::string name = "N";
                           name += std::to_string(1 << std::get<0>(info.param));
                           name += "_";
                           name += SignalName(std::get<1>(info.param));
                           if (std::get<2>(info.param) == ftExact) name += "_ExactTwiddles";
                           return name;
                         });

// ---- inputs on rounding ties -----------------------------------------------
//
// A single value z at gathered position p, with p's low `stage` bits clear
// and bit `stage` set, passes the earlier stages unchanged (it only ever
// meets zeros) and fills positions p .. p + H - 1; stage `stage` then forms
// the product of z with every twiddle of the stage. z is chosen on a tie of
// one twiddle's product (the real part, tr, or the imaginary part, ti).

enum class Part { Real, Imag };

struct Tie {
  int power;
  int stage;
  int j;
  Part part;
};

std::vector<Tie> TieCases(int minPower, int firstStage, int stagesLeftOut) {
  std::vector<Tie> cases;
  for (int power = minPower; power <= 15; ++power)
    for (int stage = firstStage; stage < power - stagesLeftOut; ++stage) {
      const int half = 1 << stage;
      std::vector<int> js{1, half / 2 + 1, half - 1};
      std::ranges::sort(js);
      // Not std::ranges::unique: Clang 14 cannot form its subrange result with GCC 12's library.
      js.erase(std::unique(js.begin(), js.end()), js.end());
      for (int j : js)
        if (j < half)
          for (Part part : {Part::Real, Part::Imag}) cases.push_back({power, stage, j, part});
    }
  return cases;
}

std::string TieName(const ::testing::TestParamInfo<Tie>& info) {
  const Tie& t = info.param;
  char name[64];
  std::snprintf(name, sizeof name, "N%d_stage%d_j%d_%s", 1 << t.power, t.stage, t.j,
                t.part == Part::Real ? "tr" : "ti");
  return name;
}

std::uint32_t Seed(const Tie& t) {
  return static_cast<std::uint32_t>(t.power * 7919 + t.stage * 104729 + t.j);
}

// Inputs on a tie of one twiddle's product whose effect reaches the output:
// later roundings can absorb the one-unit difference of a single product,
// so candidate values are tried until the evaluation in double gives a
// different result. `place` puts the value z into zeroed inputs, `run`
// applies the operation under test to them with a reference.
struct TieInput {
  std::vector<float> re, im;
};

template <class Place, class Run>
std::optional<TieInput> VisibleTie(const Tie& t, int sign, Place place, Run run) {
  const Exact ref(t.power);
  const ViaDouble viaDouble(t.power);
  const auto [wr, wi] = ref.Twiddle(t.stage, t.j, sign);
  for (std::uint32_t attempt = 0; attempt < 20; ++attempt) {
    // tr = wr·re - wi·im; ti = wr·im + wi·re = wi·re - (-wr)·im.
    const auto pair = t.part == Part::Real ? FindHardPair(wr, wi, Seed(t) + 7 * attempt)
                                           : FindHardPair(wi, -wr, Seed(t) + 7 * attempt);
    if (!pair) return std::nullopt;
    TieInput in{std::vector<float>(ref.Size(), 0.0f), std::vector<float>(ref.Size(), 0.0f)};
    place(in, pair->p, pair->q);
    std::vector<float> exactRe, exactIm, doubleRe, doubleIm;
    run(ref, in, exactRe, exactIm);
    run(viaDouble, in, doubleRe, doubleIm);
    if (!(SameFloats(exactRe, doubleRe) && SameFloats(exactIm, doubleIm))) return in;
  }
  return std::nullopt;
}

// z at the input whose gathered position is `gathered`.
auto PlaceAt(int power, int gathered) {
  return [power, gathered](TieInput& in, float re, float im) {
    const std::size_t source = static_cast<std::size_t>(ReferenceBitReverse(1 << power)[gathered]);
    in.re[source] = re;
    in.im[source] = im;
  };
}

class FftForwardTies : public ::testing::TestWithParam<Tie> {};

TEST_P(FftForwardTies, MatchTheReferenceWhereDoubleWouldNot) {
  const Tie t = GetParam();
  const auto forward = [](const auto& ref, const TieInput& in, std::vector<float>& re,
                          std::vector<float>& im) {
    std::vector<float> inRe = in.re, inIm = in.im;
    ref.Forward(fwNone, inRe, inIm, re, im);
  };
  const auto in = VisibleTie(t, +1, PlaceAt(t.power, 1 << t.stage), forward);
  ASSERT_TRUE(in) << "no input on a tie found";
  std::vector<float> outRe, outIm;
  forward(Exact(t.power), *in, outRe, outIm);

  TsigFFT fft;
  fft.SetPower(t.power);
  ForEachInstructionSet([&] {
    Load(fft, in->re, in->im);
    fft.Forward();
    EXPECT_TRUE(SameFloats(fft.RealOut(), outRe));
    EXPECT_TRUE(SameFloats(fft.ImagOut(), outIm));
  });
}

INSTANTIATE_TEST_SUITE_P(EveryStage, FftForwardTies, ::testing::ValuesIn(TieCases(2, 1, 0)), TieName);

// Inverse through the component: the value sits at gathered position 5H, so
// that its conjugate mirror lands in another block of the stage. Stage 1 is
// left to the other two tests: its twiddle (about 2.5e-20, -1) puts a tie
// only on a value 1e19 times smaller than the input, which the mirrored
// half then drowns in the output.
class FftInverseTies : public ::testing::TestWithParam<Tie> {};

TEST_P(FftInverseTies, MatchTheReferenceWhereDoubleWouldNot) {
  const Tie t = GetParam();
  const auto inverse = [](const auto& ref, const TieInput& in, std::vector<float>& re,
                          std::vector<float>& im) {
    std::vector<float> inRe = in.re, inIm = in.im;
    ref.Inverse(inRe, inIm, re, im);
  };
  ASSERT_LT(ReferenceBitReverse(1 << t.power)[5 << t.stage], (1 << t.power) / 2);
  const auto in = VisibleTie(t, -1, PlaceAt(t.power, 5 << t.stage), inverse);
  ASSERT_TRUE(in) << "no input on a tie found";
  std::vector<float> outRe, outIm;
  inverse(Exact(t.power), *in, outRe, outIm);

  TsigFFT fft;
  fft.SetPower(t.power);
  ForEachInstructionSet([&] {
    Load(fft, in->re, in->im);
    fft.Inverse();
    EXPECT_TRUE(SameFloats(fft.RealOut(), outRe));
    EXPECT_TRUE(SameFloats(fft.ImagOut(), outIm));
  });
}

INSTANTIATE_TEST_SUITE_P(EveryStageButTheLastTwo, FftInverseTies, ::testing::ValuesIn(TieCases(5, 2, 2)),
                         TieName);

// The transform itself with the inverse twiddles and the scale fused into
// its last stage, with no mirror in between: ties at every stage.
class FftScaledTransformTies : public ::testing::TestWithParam<Tie> {};

TEST_P(FftScaledTransformTies, MatchTheReferenceWhereDoubleWouldNot) {
  const Tie t = GetParam();
  const auto scaled = [](const auto& ref, const TieInput& in, std::vector<float>& re,
                         std::vector<float>& im) {
    ref.Transform(in.re, in.im, re, im, -1);
    ref.Scale(re, im);
  };
  const auto in = VisibleTie(t, -1, PlaceAt(t.power, 1 << t.stage), scaled);
  ASSERT_TRUE(in) << "no input on a tie found";
  const Exact ref(t.power);
  std::vector<float> outRe, outIm;
  scaled(ref, *in, outRe, outIm);

  const int n = ref.Size();
  std::vector<float> cosT, sinT;
  for (int s = 0; s < t.power; ++s) cosT.push_back(ref.StepCos(s)), sinT.push_back(ref.StepSin(s));
  std::vector<double> twiddles(2 * n);
  fft::BuildTwiddles(cosT, sinT, -1.0f, twiddles);
  const std::vector<std::int32_t> reverse = ReferenceBitReverse(n);
  std::vector<float> gotRe(n), gotIm(n);
  const fft::TransformTables tables{t.power, reverse.data(), twiddles.data()};
  ForEachInstructionSet([&] {
    fft::TransformScaled(tables, in->re.data(), in->im.data(), gotRe.data(), gotIm.data(),
                         1.0f / static_cast<float>(n));
    EXPECT_TRUE(SameFloats(gotRe, outRe));
    EXPECT_TRUE(SameFloats(gotIm, outIm));
  });
}

INSTANTIATE_TEST_SUITE_P(EveryStage, FftScaledTransformTies, ::testing::ValuesIn(TieCases(2, 1, 0)), TieName);

// Ties on the subnormal float grid, where the midpoints sit at other bit
// positions than in the normal range. They need a twiddle part far below 1
// that is not paired with a power of two: the near-zero real part that the
// recurrence leaves at j = H/2 from stage 3 on (about 1e-8). The stage is
// the last one, whose results are the output, so that the one-unit
// difference is not absorbed.
struct SubnormalTie {
  int power;
  Part part;
};

class FftSubnormalTies : public ::testing::TestWithParam<SubnormalTie> {};

TEST_P(FftSubnormalTies, MatchTheReferenceWhereDoubleWouldNot) {
  const auto [power, part] = GetParam();
  const Exact ref(power);
  const ViaDouble viaDouble(power);
  const int n = ref.Size();
  const int stage = power - 1;
  const int j = n / 4;
  const auto [wr, wi] = ref.Twiddle(stage, j, +1);
  const auto pair = part == Part::Real ? FindSubnormalHardPair(wr, wi, 31u * power)
                                       : FindSubnormalHardPair(wi, -wr, 31u * power);
  ASSERT_TRUE(pair) << "no subnormal tie for the twiddle (" << wr << ", " << wi << ")";
  std::vector<float> re(n, 0.0f), im(n, 0.0f);
  const std::size_t source = static_cast<std::size_t>(ReferenceBitReverse(n)[n / 2]);
  re[source] = pair->p;
  im[source] = pair->q;

  std::vector<float> inRe = re, inIm = im, outRe, outIm, dRe, dIm;
  ref.Forward(fwNone, inRe, inIm, outRe, outIm);
  inRe = re, inIm = im;
  viaDouble.Forward(fwNone, inRe, inIm, dRe, dIm);
  ASSERT_FALSE(SameFloats(dRe, outRe) && SameFloats(dIm, outIm)) << "the tie does not reach the output";

  TsigFFT fft;
  fft.SetPower(power);
  ForEachInstructionSet([&] {
    Load(fft, re, im);
    fft.Forward();
    EXPECT_TRUE(SameFloats(fft.RealOut(), outRe));
    EXPECT_TRUE(SameFloats(fft.ImagOut(), outIm));
  });
}

std::vector<SubnormalTie> SubnormalTieCases() {
  std::vector<SubnormalTie> cases;
  for (int power : {4, 5, 6, 7, 8, 9, 10, 11, 12})
    for (Part part : {Part::Real, Part::Imag}) cases.push_back({power, part});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(LastStage, FftSubnormalTies, ::testing::ValuesIn(SubnormalTieCases()),
                         [](const auto& info) {
                           char name[32];
                           std::snprintf(name, sizeof name, "N%d_%s", 1 << info.param.power,
                                         info.param.part == Part::Real ? "tr" : "ti");
                           return std::string(name);
                         });

// The internal twiddle tables hold exactly the recurrence's values.
TEST(FftTwiddles, EqualTheRecurrenceForBothSigns) {
  for (int power : {2, 5, 10, 15}) {
    const Exact ref(power);
    const int n = ref.Size();
    std::vector<float> cosT, sinT;
    for (int s = 0; s < power; ++s) cosT.push_back(ref.StepCos(s)), sinT.push_back(ref.StepSin(s));
    for (int sign : {+1, -1}) {
      std::vector<double> twiddles(2 * n);
      fft::BuildTwiddles(cosT, sinT, static_cast<float>(sign), twiddles);
      for (int stage = 0; stage < power; ++stage) {
        const int half = 1 << stage;
        const auto [wantRe, wantIm] = ref.Twiddles(stage, sign);
        std::vector<float> gotRe, gotIm;
        for (int j = 0; j < half; ++j) {
          const std::size_t at = fft::TwiddleIndex(stage, j);
          gotRe.push_back(static_cast<float>(twiddles[at]));
          gotIm.push_back(
              static_cast<float>(twiddles[at + static_cast<std::size_t>(fft::TwiddleBlock(stage))]));
        }
        EXPECT_TRUE(SameFloats(gotRe, wantRe)) << power << " " << stage;
        EXPECT_TRUE(SameFloats(gotIm, wantIm)) << power << " " << stage;
      }
    }
  }
}

// The exact tables hold the floats nearest to the true cosines and sines,
// computed with mpmath: per stage, a hash of the bit patterns of twiddles
// 0..H-1 of each sign (real part, then imaginary part, four bytes each,
// lowest first). The stages of the largest size are those of every size.
struct StageHash {
  int stage;
  std::uint64_t forward, inverse;
};

constexpr StageHash ExactTwiddleHashes[] = {
#include "exact_twiddles.inc"
};

std::uint64_t HashOfStage(const std::vector<double>& table, int stage) {
  std::uint64_t hash = 0xCBF29CE484222325u;
  const auto add = [&hash](double part) {
    const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(part));
    for (int byte = 0; byte < 4; ++byte) hash = (hash ^ ((bits >> (8 * byte)) & 0xFFu)) * 0x100000001B3u;
  };
  for (int j = 0; j < 1 << stage; ++j) {
    const std::size_t at = fft::TwiddleIndex(stage, j);
    add(table[at]);
    add(table[at + static_cast<std::size_t>(fft::TwiddleBlock(stage))]);
  }
  return hash;
}

TEST(FftTwiddles, ExactTablesHoldTheNearestFloats) {
  std::vector<double> forward(std::size_t{2} << 15), inverse(std::size_t{2} << 15);
  fft::BuildTwiddles(15, ftExact, 1.0f, forward);
  fft::BuildTwiddles(15, ftExact, -1.0f, inverse);
  for (const StageHash& h : ExactTwiddleHashes) {
    EXPECT_EQ(HashOfStage(forward, h.stage), h.forward) << "stage " << h.stage;
    EXPECT_EQ(HashOfStage(inverse, h.stage), h.inverse) << "stage " << h.stage;
  }
}

}  // namespace
}  // namespace tessaro::test
