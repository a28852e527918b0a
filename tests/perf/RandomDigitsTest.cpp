// The FFT input generator against the reference sequence made by
// reference/random_digits.py from its own Mersenne Twister.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <vector>

#include "RandomDigits.h"
#include "ReferenceDigits.h"

namespace {

TEST(RandomDigits, FollowsTheReferenceSequence) {
  perf::TRandomDigits random;
  const std::vector<int>& reference = test::ReferenceDigits();
  ASSERT_EQ(reference.size(), 4096u);
  for (std::size_t i = 0; i < reference.size(); ++i) ASSERT_EQ(random.Next(), reference[i]) << "digit " << i;
}

TEST(RandomDigits, EveryGeneratorStartsAlike) {
  perf::TRandomDigits first;
  for (int i = 0; i < 1000; ++i) first.Next();
  perf::TRandomDigits second;
  perf::TRandomDigits third;
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(second.Next(), third.Next());
}

TEST(RandomDigits, CoversZeroToNinetyNineEvenly) {
  // 100000 draws: each digit is expected 1000 times with a standard
  // deviation of about 31.5; five of them either way is a loose bound.
  perf::TRandomDigits random;
  std::array<int, 100> seen{};
  for (int i = 0; i < 100000; ++i) {
    const int digit = random.Next();
    ASSERT_GE(digit, 0);
    ASSERT_LE(digit, 99);
    ++seen[static_cast<std::size_t>(digit)];
  }
  for (std::size_t d = 0; d < seen.size(); ++d) {
    EXPECT_GT(seen[d], 842) << "digit " << d;
    EXPECT_LT(seen[d], 1158) << "digit " << d;
  }
}

}  // namespace
