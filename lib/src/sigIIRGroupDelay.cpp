// Group delay as the sum of the roots' contributions (see the header).
#include "sigIIRGroupDelay.h"

#include <cmath>

#include "tessaro/sigcomplex.h"

namespace tessaro {

namespace {

// -d/dω arg(1 - r·e^(i(θ - ω))): the delay a root adds as a zero.
Extended RootDelay(TsigComplex root, Extended omega, bool zero) {
  Extended r = Magnitude(root);
  if (zero && std::fabs(r - 1.0L) <= OnCircle) r = 1.0L;
  if (r == 0.0L) return 0.0L;
  if (r == 1.0L) return 0.5L;
  const Extended s = std::sin((omega - std::atan2(root.Im, root.Re)) * 0.5L);
  const Extended top = r * (r - 1.0L) + 2.0L * r * s * s;
  const Extended bottom = (1.0L - r) * (1.0L - r) + 4.0L * r * s * s;
  return top / bottom;
}

}  // namespace

Extended GroupDelay(const PoleZeroSet& zplane, Extended omega) {
  Extended delay = 0.0L;
  for (int i = 0; i < zplane.ZeroCount; ++i) delay += RootDelay(zplane.Zeros[i], omega, true);
  for (int i = 0; i < zplane.PoleCount; ++i) delay -= RootDelay(zplane.Poles[i], omega, false);
  return delay;
}

}  // namespace tessaro
