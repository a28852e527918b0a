// Complex arithmetic in extended precision. Every intermediate stays in
// Extended; operands are copies, so a result may alias an operand.
#include "tessaro/sigcomplex.h"

#include <cmath>

namespace tessaro {

TsigComplex MakeComplex(Extended re, Extended im) { return {re, im}; }

TsigComplex Negate(TsigComplex z) { return {-z.Re, -z.Im}; }

TsigComplex Conjugate(TsigComplex z) { return {z.Re, -z.Im}; }

TsigComplex Add(TsigComplex a, TsigComplex b) { return {a.Re + b.Re, a.Im + b.Im}; }

TsigComplex Subtract(TsigComplex a, TsigComplex b) { return {a.Re - b.Re, a.Im - b.Im}; }

TsigComplex Multiply(TsigComplex a, TsigComplex b) {
  return {a.Re * b.Re - a.Im * b.Im, a.Re * b.Im + a.Im * b.Re};
}

// Textbook division through the squared modulus of the divisor; no scaling,
// so 0 + 0i as divisor gives 0/0.
TsigComplex Divide(TsigComplex a, TsigComplex b) {
  const Extended d = b.Re * b.Re + b.Im * b.Im;
  return {(a.Re * b.Re + a.Im * b.Im) / d, (a.Im * b.Re - a.Re * b.Im) / d};
}

TsigComplex Scale(TsigComplex z, Extended k) { return {z.Re * k, z.Im * k}; }

TsigComplex Square(TsigComplex z) { return Multiply(z, z); }

// |z| = big·sqrt(1 + (small/big)²): the ratio is at most 1, so nothing
// overflows before the final product.
Extended Magnitude(TsigComplex z) {
  const Extended p = std::fabs(z.Re);
  const Extended q = std::fabs(z.Im);
  const Extended big = p > q ? p : q;
  const Extended small = p > q ? q : p;
  if (small == 0.0L) return big;
  const Extended ratio = small / big;
  return big * std::sqrt(1.0L + ratio * ratio);
}

Extended SafeSqrt(Extended x) {
  if (0.0L >= x) return std::sqrt(0.0L);
  return std::sqrt(x);
}

// Re = sqrt((|z| + Re z)/2), Im = ±sqrt((|z| - Re z)/2). SafeSqrt absorbs a
// last-digit negative sum; only a strictly negative Im z takes the lower
// half plane, so -0 stays on the upper side of the cut.
TsigComplex SquareRoot(TsigComplex z) {
  const Extended r = Magnitude(z);
  TsigComplex root{SafeSqrt((r + z.Re) * 0.5L), SafeSqrt((r - z.Re) * 0.5L)};
  if (z.Im < 0.0L) root.Im = -root.Im;
  return root;
}

TsigComplex ExpImaginary(Extended x) { return {std::cos(x), std::sin(x)}; }

}  // namespace tessaro
