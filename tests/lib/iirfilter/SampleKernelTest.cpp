// The sample routines on the library's state, against the literal routine
// bit for bit: every unrolled count, the counted loop up to 32 taps and the
// routines the component selects, both coefficient forms (with coefficients
// no design makes, including ones without an exact double pair), single
// calls by value and by bit pattern, blocks of every size across the
// history's slide back. Also the bound of the anti-denormal step and the
// coefficient pairs.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "IIRTestSupport.h"
#include "LiteralFilter.h"
#include "sigIIRProcess.h"
#include "sigIIRSampleState.h"

namespace tessaro::test {
namespace {

constexpr Extended Inf = std::numeric_limits<Extended>::infinity();

// The literal anti-denormal step.
[[gnu::noinline]] Extended Offset(Extended v) { return (v + 1e-20L) - 1e-20L; }

// --- the bound of the anti-denormal step -------------------------------------

// Every binade from 2^-2 to the largest, at its edges and inside.
std::vector<Extended> BeyondAQuarter() {
  std::vector<Extended> v = {Inf, -Inf, std::numeric_limits<Extended>::max()};
  for (int e = -2; e <= 16383; ++e) {
    const Extended p = std::ldexp(1.0L, e);
    for (Extended w : {p, std::nextafter(p, 0.0L), std::nextafter(p, Inf)})
      if (w > 0.25L) v.insert(v.end(), {w, -w});
  }
  std::mt19937_64 rng(7);
  for (int i = 0; i < 200000; ++i) {
    const Extended w = RandomExtended(rng, Field(-2), Field(16383));
    if (std::fabs(w) > 0.25L) v.push_back(w);
  }
  return v;
}

TEST(AntiDenormalBound, TheStepIsInertBeyondAQuarter) {
  for (Extended v : BeyondAQuarter()) ASSERT_TRUE(SameBits(Offset(v), v)) << v;
}

// The bound is strict: at +1/4 the subtraction lands on the value below.
TEST(AntiDenormalBound, AtAQuarterTheStepActs) {
  EXPECT_TRUE(SameBits(Offset(0.25L), 0.25L - 0x1p-66L));
  EXPECT_TRUE(SameBits(Offset(-0.25L), -0.25L));
  EXPECT_TRUE(SameBits(Offset(0.25L + 0x1p-65L), 0.25L + 0x1p-65L));
}

// Settle is the literal step wherever it acts: tiny, subnormal, signed zero,
// near the offset, at the bound, NaN, infinite.
TEST(AntiDenormalBound, SettleIsTheLiteralStep) {
  std::vector<Extended> v = {0.0L,     -0.0L,    0.25L,     -0.25L,    1e-20L, -1e-20L,
                             0x1p-130L, 0x1p-131L, -0x1p-131L, 3e-40L,   Inf,   -Inf,
                             std::numeric_limits<Extended>::quiet_NaN(),
                             std::numeric_limits<Extended>::denorm_min()};
  std::mt19937_64 rng(11);
  for (int i = 0; i < 100000; ++i) v.push_back(RandomExtended(rng, 0, Field(4)));
  for (Extended w : v) ASSERT_TRUE(SameBits(Settle(w), Offset(w))) << w;
}

// --- exact double pairs ----------------------------------------------------------

struct SplitCase {
  Extended Value;
  bool Exists;
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, PairSumsToTheValueOrIsRefused) {
  double high = 1.0, low = 1.0;
  ASSERT_EQ(SplitExtended(GetParam().Value, high, low), GetParam().Exists) << GetParam().Value;
  if (GetParam().Exists) {
    EXPECT_TRUE(SameBits(static_cast<Extended>(high) + static_cast<Extended>(low),
                          GetParam().Value));
  } else {
    EXPECT_EQ(high, 0.0);
    EXPECT_EQ(low, 0.0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, Split,
    ::testing::Values(SplitCase{0.0L, true}, SplitCase{-0.0L, true}, SplitCase{1.0L, true},
                      SplitCase{1.0L / 3.0L, true}, SplitCase{-12870.5L / 7.0L, true},
                      SplitCase{0x1p-958L, true}, SplitCase{-0x1.fffffffffffffffep1022L, true},
                      SplitCase{0x1.fffffffffffffffep-959L, false}, SplitCase{0x1p1023L, false},
                      SplitCase{1e-4000L, false}, SplitCase{Inf, false},
                      SplitCase{std::numeric_limits<Extended>::quiet_NaN(), false},
                      SplitCase{std::numeric_limits<Extended>::denorm_min(), false}));

TEST(SplitExtended, EveryValueInRangeHasAnExactPair) {
  std::mt19937_64 rng(3);
  for (int i = 0; i < 200000; ++i) {
    const Extended c = RandomExtended(rng, Field(-958), Field(1022));
    double high = 0.0, low = 0.0;
    ASSERT_TRUE(SplitExtended(c, high, low)) << c;
    ASSERT_TRUE(SameBits(static_cast<Extended>(high) + static_cast<Extended>(low), c)) << c;
  }
}

// --- the routines ------------------------------------------------------------------

using S = IIRSampleState;

template <template <class> class C, std::size_t... N>
constexpr std::array<IIRRoutines, sizeof...(N)> Unrolled(std::index_sequence<N...>) {
  return {IIRRoutines{&FilterValue<static_cast<int>(N), C, S>,
                      &FilterBits<static_cast<int>(N), C, S>,
                      &FilterBlock<static_cast<int>(N), C, S>}...};
}

template <template <class> class C>
constexpr IIRRoutines Counted() {
  return IIRRoutines{&FilterValue<DynamicCount, C, S>, &FilterBits<DynamicCount, C, S>,
                     &FilterBlock<DynamicCount, C, S>};
}

constexpr auto PairedUnrolled = Unrolled<PairedCoefficients>(std::make_index_sequence<17>{});
constexpr auto ExtendedUnrolled = Unrolled<ExtendedCoefficients>(std::make_index_sequence<17>{});

enum class Coefficients {
  Stable,  // feedback weights summing below 1 in magnitude, moderate feedforward
  Wide,    // anything finite, down to subnormal and up to 1e4900: no pairs
};

// A sample from a mixture of the interesting ranges.
Extended Draw(std::mt19937_64& rng) {
  switch (rng() % 8) {
    case 0: return RandomExtended(rng, Field(-4), Field(4));          // about unit
    case 1: return RandomExtended(rng, Field(-70), Field(-63));       // near the offset
    case 2: return RandomExtended(rng, Field(-200), Field(-120));     // far below it
    case 3: return RandomExtended(rng, 0, 0);                         // subnormal
    case 4: return rng() & 1 ? 0.0L : -0.0L;
    case 5: return rng() & 1 ? 0.25L : -0.25L;                        // at the bound
    case 6: return RandomExtended(rng, Field(-3), Field(-1));         // around the bound
    default: return RandomExtended(rng, Field(-30), Field(30));
  }
}

// Which routines run a count.
enum class Source {
  Unrolled,  // the routine unrolled for it
  Counted,   // the loop over a counted number of taps
  Selected,  // the routine the component selects for a design of that count
};

struct KernelCase {
  std::string Name;
  bool Paired;
  Source Routines;
  int LowCount, HighCount;
  Coefficients Form;
};

IIRRoutines RoutinesOf(const KernelCase& c, int count) {
  switch (c.Routines) {
    case Source::Unrolled:
      return (c.Paired ? PairedUnrolled : ExtendedUnrolled)[static_cast<std::size_t>(count)];
    case Source::Counted:
      return c.Paired ? Counted<PairedCoefficients>() : Counted<ExtendedCoefficients>();
    case Source::Selected: break;
  }
  return SelectRoutines(IIRRoutine::Filter, count, c.Paired);
}

class Kernels : public ::testing::TestWithParam<KernelCase> {};

// The window of the state against the literal histories.
::testing::AssertionResult SameHistory(const S& s, const LiteralFilter& lit) {
  for (int i = 0; i <= lit.Count; ++i) {
    const std::size_t at = static_cast<std::size_t>(s.Head - lit.Count - 1 + i);
    if (!SameBits(s.Inputs[at], lit.X[i]) || !SameBits(s.Outputs[at], lit.Y[i]))
      return ::testing::AssertionFailure() << "history entry " << i;
  }
  return ::testing::AssertionSuccess();
}

TEST_P(Kernels, MatchTheLiteralRoutine) {
  const KernelCase& c = GetParam();
  std::mt19937_64 rng(1000 + c.LowCount);
  for (int n = c.LowCount; n <= c.HighCount; ++n) {
    for (int trial = 0; trial < 3; ++trial) {
      LiteralFilter lit;
      S s;
      lit.Count = s.Count = n;
      const auto coefficient = [&](bool feedback) {
        if (c.Form == Coefficients::Wide) return RandomExtended(rng, 1, Field(16000));
        return feedback ? RandomExtended(rng, Field(-12), Field(-1)) / (n + 1)
                        : RandomExtended(rng, Field(-8), Field(13));
      };
      lit.Scale = s.Scale = coefficient(false);
      for (int i = 0; i < n; ++i) {
        lit.B[i] = s.B[i] = coefficient(false);
        lit.A[i] = s.A[i] = coefficient(true);
      }
      if (c.Paired) {
        ASSERT_TRUE(SplitExtended(s.Scale, s.ScalePair.High, s.ScalePair.Low));
        for (int i = 0; i < n; ++i) {
          ASSERT_TRUE(SplitExtended(s.B[i], s.BPair[i].High, s.BPair[i].Low));
          ASSERT_TRUE(SplitExtended(s.A[i], s.APair[i].High, s.APair[i].Low));
        }
      }
      // A live history, its window anywhere in the buffer.
      s.Head = std::uniform_int_distribution<int>(n + 1, S::Length - 1)(rng);
      for (int i = 0; i <= n; ++i) {
        lit.X[i] = s.Inputs[static_cast<std::size_t>(s.Head - n - 1 + i)] = Draw(rng);
        lit.Y[i] = s.Outputs[static_cast<std::size_t>(s.Head - n - 1 + i)] = Draw(rng);
      }
      const IIRRoutines k = RoutinesOf(c, n);
      std::vector<Extended> in, out;
      for (int call = 0; call < 60; ++call) {
        const int mode = static_cast<int>(rng() % 3);
        const std::size_t size = mode == 2 ? rng() % 71 : 1;
        in.resize(size);
        for (Extended& x : in) x = Draw(rng);
        out.assign(size, 7.0L);
        if (mode == 0) {
          out[0] = k.Value(s, in[0]);
        } else if (mode == 1) {
          std::uint64_t significand;
          std::uint16_t top;
          std::memcpy(&significand, &in[0], 8);
          std::memcpy(&top, reinterpret_cast<const unsigned char*>(&in[0]) + 8, 2);
          out[0] = k.Bits(s, significand, top);
        } else {
          k.Block(s, in.data(), out.data(), size);
        }
        for (std::size_t i = 0; i < size; ++i) {
          const Extended want = lit.Sample(in[i]);
          ASSERT_TRUE(SameBits(out[i], want))
              << "count " << n << " trial " << trial << " call " << call << " mode " << mode
              << " sample " << i << ": " << out[i] << " want " << want;
        }
        ASSERT_TRUE(SameHistory(s, lit)) << "count " << n << " call " << call;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Kernels,
    ::testing::Values(
        KernelCase{"PairedUnrolled", true, Source::Unrolled, 0, 16, Coefficients::Stable},
        KernelCase{"ExtendedUnrolled", false, Source::Unrolled, 0, 16, Coefficients::Stable},
        KernelCase{"ExtendedUnrolledWide", false, Source::Unrolled, 0, 16, Coefficients::Wide},
        KernelCase{"PairedCounted", true, Source::Counted, 0, 32, Coefficients::Stable},
        KernelCase{"ExtendedCountedWide", false, Source::Counted, 0, 32, Coefficients::Wide},
        KernelCase{"PairedSelected", true, Source::Selected, 0, 32, Coefficients::Stable},
        KernelCase{"ExtendedSelectedWide", false, Source::Selected, 0, 32, Coefficients::Wide}),
    [](const auto& info) { return info.param.Name; });

// In place, each sample is read before its output overwrites it.
TEST(Kernels, BlockInPlace) {
  std::mt19937_64 rng(5);
  for (int n : {0, 1, 2, 5, 16}) {
    LiteralFilter lit;
    S s;
    lit.Count = s.Count = n;
    s.Head = n + 1;
    lit.Scale = s.Scale = 0.75L;
    for (int i = 0; i < n; ++i) {
      lit.B[i] = s.B[i] = RandomExtended(rng, Field(-3), Field(3));
      lit.A[i] = s.A[i] = RandomExtended(rng, Field(-8), Field(-2)) / (n + 1);
    }
    std::vector<Extended> data(300);
    for (Extended& x : data) x = Draw(rng);
    std::vector<Extended> want(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) want[i] = lit.Sample(data[i]);
    ExtendedUnrolled[static_cast<std::size_t>(n)].Block(s, data.data(), data.data(), data.size());
    for (std::size_t i = 0; i < data.size(); ++i) ASSERT_TRUE(SameBits(data[i], want[i])) << i;
    EXPECT_TRUE(SameHistory(s, lit));
  }
}

}  // namespace
}  // namespace tessaro::test
