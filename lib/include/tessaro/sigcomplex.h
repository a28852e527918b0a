// Complex arithmetic on TsigComplex, all in extended precision.
//
// Every operation takes its complex operands by value and returns a new
// value, so a result may be stored into one of its own operands. Nothing is
// checked: Divide by 0 + 0i is 0/0 and yields NaN parts, and a result beyond
// the extended range overflows. Sign changes flip the sign bit, so a zero
// part becomes a zero of the other sign.
#pragma once

#include "tessaro/sigTypes.h"

namespace tessaro {

TsigComplex MakeComplex(Extended re, Extended im);
TsigComplex Negate(TsigComplex z);                 // (-Re, -Im)
TsigComplex Conjugate(TsigComplex z);              // (Re, -Im)
TsigComplex Add(TsigComplex a, TsigComplex b);
TsigComplex Subtract(TsigComplex a, TsigComplex b);
TsigComplex Multiply(TsigComplex a, TsigComplex b);
TsigComplex Divide(TsigComplex a, TsigComplex b);  // a / b, unscaled
TsigComplex Scale(TsigComplex z, Extended k);      // (Re·k, Im·k)
TsigComplex Square(TsigComplex z);                 // Multiply(z, z)

// Principal square root, branch cut on the negative real axis. The result's
// imaginary part is negative only for a strictly negative z.Im (a z.Im of
// -0 gives a non-negative root).
TsigComplex SquareRoot(TsigComplex z);

// Modulus without overflow of the intermediate squares.
Extended Magnitude(TsigComplex z);

// The unit phasor e^(ix) = (cos x, sin x).
TsigComplex ExpImaginary(Extended x);

// sqrt(max(x, 0)); NaN stays NaN.
Extended SafeSqrt(Extended x);

}  // namespace tessaro
