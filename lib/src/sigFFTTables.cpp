#include "sigFFTTables.h"

#include <cmath>
#include <utility>
#include <vector>

#include "sigFFTTransform.h"
#include "tessaro/sigTypes.h"

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

namespace {

float PlusZero(float v) { return v == 0.0f ? 0.0f : v; }

// cos and sin of pi·j/h (0 <= j < h, h a power of two), each rounded to
// float once from its extended value. The angle is first reduced to pi·k/h
// in [0, pi/4] (k = j, h/2 - j, j - h/2 or h - j), which the extended product
// pi·k and the division by h give to within a unit of the 64-bit
// significand, so that cosine and sine are accurate to a few such units,
// about 2^-38 of a float's unit. No true value of the largest size's angles
// comes closer than 2^-13.7 units to a float midpoint
// (tests/lib/fft/reference), so each result is the float nearest to it.
void ExactTwiddle(int j, int h, float& c, float& s) {
  const auto angle = [h](int k) { return Pi * static_cast<Extended>(k) / static_cast<Extended>(h); };
  const auto cosine = [&](int k) { return static_cast<float>(std::cos(angle(k))); };
  const auto sine = [&](int k) { return static_cast<float>(std::sin(angle(k))); };
  switch (4 * j / h) {  // the octant of the angle
    case 0:
      c = cosine(j), s = sine(j);
      break;
    case 1:  // pi/2 - angle
      c = sine(h / 2 - j), s = cosine(h / 2 - j);
      break;
    case 2:  // angle - pi/2
      c = -sine(j - h / 2), s = cosine(j - h / 2);
      break;
    default:  // pi - angle
      c = -cosine(h - j), s = sine(h - j);
      break;
  }
}

// The steps of the recurrence: cos and sin of pi / 2^t, the angle formed
// in extended precision.
void RecurrenceTwiddles(int power, float sign, std::span<double> table) {
  std::vector<float> cosTable(static_cast<std::size_t>(power)), sinTable(static_cast<std::size_t>(power));
  for (int t = 0; t < power; ++t) {
    const Extended angle = Pi / static_cast<Extended>(std::int32_t{1} << t);
    cosTable[static_cast<std::size_t>(t)] = static_cast<float>(std::cos(angle));
    sinTable[static_cast<std::size_t>(t)] = static_cast<float>(std::sin(angle));
  }
  BuildTwiddles(cosTable, sinTable, sign, table);
}

void ExactTwiddles(int power, float sign, std::span<double> table) {
  for (int t = 0; t < power; ++t) {
    const int h = 1 << t;
    const auto block = static_cast<std::size_t>(TwiddleBlock(t));
    for (int j = 0; j < h; ++j) {
      float c = 0.0f, s = 0.0f;
      ExactTwiddle(j, h, c, s);
      table[TwiddleIndex(t, j)] = PlusZero(c);
      table[TwiddleIndex(t, j) + block] = PlusZero(sign * s);
    }
  }
}

}  // namespace

void BuildTwiddles(int power, TsigFFTTwiddles kind, float sign, std::span<double> table) {
  if (kind == ftExact)
    ExactTwiddles(power, sign, table);
  else
    RecurrenceTwiddles(power, sign, table);
}

}  // namespace tessaro::fft
