// Window weights against 40-digit references, the documented exact values,
// and the checks of FillWindow and WindowValue.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "Near.h"
#include "tessaro/sigWindow.h"

namespace tessaro::test {
namespace {

struct ReferenceWeight {
  int kind;
  std::int32_t n;
  std::int32_t i;
  long double weight;
};

constexpr ReferenceWeight Reference[] = {
#include "window_reference.inc"
};

// Correct rounding to float is within half a unit of the float, 2^-24
// relative; the extended constants add about 1e-19 absolute.
constexpr long double Abs = 1e-18L;
constexpr long double Rel = 0x1p-24L * (1.0L + 1e-9L);

TEST(WindowValue, MatchesTheReferenceWeights) {
  for (const ReferenceWeight& r : Reference) {
    const float w = WindowValue(static_cast<TsigWindow>(r.kind), r.i, r.n);
    EXPECT_TRUE(Near(w, r.weight, Abs, Rel)) << "kind " << r.kind << " n " << r.n << " i " << r.i;
  }
}

struct ExactWeight {
  TsigWindow kind;
  std::int32_t i;
  std::int32_t n;
  float weight;
};

// Values that the evaluation gives exactly.
constexpr ExactWeight Exact[] = {
    {fwHanning, 0, 4, 0.0f},         {fwHanning, 1, 4, 0.5f},
    {fwHanning, 2, 4, 1.0f},         {fwHanning, 3, 4, 0.5f},
    {fwHamming, 0, 512, 0.08f},      {fwHamming, 256, 512, 1.0f},
    {fwWelch, 0, 4, 0.36f},          {fwParzen, 0, 4, 0.2f},
    {fwGaussian, 0, 4, 0.60653066f}, {fwGaussian, 0, 1000, 0.60653066f},
    {fwNone, 17, 3, 1.0f},           {fwParzen, 2, 4, 1.0f},
};

TEST(WindowValue, GivesTheDocumentedValuesExactly) {
  for (const ExactWeight& e : Exact)
    EXPECT_EQ(WindowValue(e.kind, e.i, e.n), e.weight)
        << "kind " << int{e.kind} << " n " << e.n << " i " << e.i;
}

TEST(WindowValue, IsOneAtTheCentreForEveryKind) {
  for (std::int32_t n : {2, 4, 64, 1000, 32768, 100000})
    for (int kind = fwNone; kind <= fwParzen; ++kind)
      EXPECT_EQ(WindowValue(static_cast<TsigWindow>(kind), n / 2, n), 1.0f) << "kind " << kind << " n " << n;
}

TEST(WindowValue, BlackmanStartsAtZeroUpToItsConstants) {
  for (std::int32_t n : {4, 512, 32768}) {
    const float w = WindowValue(fwBlackman, 0, n);
    EXPECT_LT(std::fabs(w), 1e-16f) << n;
  }
}

TEST(WindowValue, CosineWindowsArePeriodic) {
  // w(N - i) = w(i) up to rounding, and the last index is not a second zero.
  for (TsigWindow kind : {fwHamming, fwHanning, fwBlackman})
    for (std::int32_t n : {8, 100, 4096}) {
      for (std::int32_t i = 1; i < n; i += 7)
        EXPECT_TRUE(Near(WindowValue(kind, n - i, n), WindowValue(kind, i, n), 1e-7L, 0x1p-23L))
            << n << " " << i;
      EXPECT_GT(WindowValue(kind, n - 1, n), 0.0f);
    }
}

TEST(WindowValue, KindsOutsideTheEnumerationGiveOne) {
  for (int kind : {7, 8, 200, 255})
    for (std::int32_t i : {0, 1, 5, 63}) EXPECT_EQ(WindowValue(static_cast<TsigWindow>(kind), i, 64), 1.0f);
}

TEST(WindowValue, AcceptsIndicesAndLengthsAtTheEndsOfTheIntRange) {
  constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
  for (int kind = fwNone; kind <= fwParzen; ++kind)
    for (std::int32_t n : {1, 46341, Max})
      for (std::int32_t i : {Min, -1, 0, Max}) {
        const float w = WindowValue(static_cast<TsigWindow>(kind), i, n);
        EXPECT_TRUE(std::isfinite(w)) << kind << " " << n << " " << i;
        EXPECT_LE(w, 1.0f) << kind << " " << n << " " << i;
      }
}

TEST(WindowValue, RejectsALengthBelowOne) {
  for (std::int32_t n : {0, -1, -64, std::numeric_limits<std::int32_t>::min()}) {
    try {
      WindowValue(fwHanning, 0, n);
      ADD_FAILURE() << "no exception for n = " << n;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(std::to_string(n)), std::string::npos) << e.what();
    }
  }
}

TEST(FillWindow, WritesEveryWeightInOrder) {
  for (int kind = fwNone; kind <= fwParzen; ++kind)
    for (std::int32_t n : {1, 4, 33, 512}) {
      std::vector<float> table(static_cast<std::size_t>(n) + 3, -5.0f);
      FillWindow(static_cast<TsigWindow>(kind), table, n);
      for (std::int32_t i = 0; i < n; ++i)
        EXPECT_EQ(table[static_cast<std::size_t>(i)], WindowValue(static_cast<TsigWindow>(kind), i, n));
      for (std::size_t k = static_cast<std::size_t>(n); k < table.size(); ++k) EXPECT_EQ(table[k], -5.0f);
    }
}

TEST(FillWindow, WritesNothingForALengthBelowOne) {
  std::vector<float> table(8, -5.0f);
  for (std::int32_t n : {0, -1, -100}) {
    FillWindow(fwHanning, table, n);
    FillWindow(fwHanning, std::span<float>(), n);
  }
  for (float w : table) EXPECT_EQ(w, -5.0f);
}

TEST(FillWindow, RejectsAShortTableAndLeavesItAlone) {
  std::vector<float> table(7, -5.0f);
  try {
    FillWindow(fwHamming, table, 8);
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find('8'), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find('7'), std::string::npos) << e.what();
  }
  for (float w : table) EXPECT_EQ(w, -5.0f);
}

}  // namespace
}  // namespace tessaro::test
