#include "sigFFTTables.h"

#include <utility>

#include "sigFFTTransform.h"

namespace tessaro::fft {

void BuildBitReverseTable(std::span<std::int32_t> table) {
  const auto n = static_cast<std::int32_t>(table.size());
  for (std::int32_t i = 0; i < n; ++i) table[static_cast<std::size_t>(i)] = i;
  std::int32_t j = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    if (j > i) std::swap(table[static_cast<std::size_t>(i)], table[static_cast<std::size_t>(j)]);
    std::int32_t k = n / 2;
    while (k > 0 && j >= k) {
      j -= k;
      k /= 2;
    }
    j += k;
  }
}

void BuildTwiddles(std::span<const float> cosTable, std::span<const float> sinTable, float sign,
                   std::span<double> table) {
  for (std::size_t stage = 0; stage < cosTable.size(); ++stage) {
    const int t = static_cast<int>(stage);
    const auto block = static_cast<std::size_t>(TwiddleBlock(t));
    const float c = cosTable[stage];
    const float d = sign * sinTable[stage];
    float wr = 1.0f;
    float wi = 0.0f;
    for (int j = 0; j < 1 << t; ++j) {
      table[TwiddleIndex(t, j)] = wr;
      table[TwiddleIndex(t, j) + block] = wi;
      const float nextR = ExtendedDifference(wr, c, wi, d);
      const float nextI = ExtendedSum(wi, c, wr, d);
      wr = nextR;
      wi = nextI;
    }
  }
}

}  // namespace tessaro::fft
