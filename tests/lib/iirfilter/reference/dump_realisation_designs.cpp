// Writes the designs of the realisation tests exactly, for
// make_realisation_reference.py: one line per design with its properties,
// fingerprint, route, relative corners, input scale, z-plane poles and
// zeros and output coefficients, every value as a hexadecimal float.
#include <cinttypes>
#include <cstdio>

#include "RealisationGrid.h"

int main() {
  using namespace tessaro;
  for (const test::GridDesign& d : test::RealisationGrid()) {
    TsigIIRFilter f;
    test::Configure(f, d);
    const PoleZeroSet& z = f.ZPlane();
    // The relative corners as the design forms them.
    const Extended floor = d.order * 0.0001L;
    const Extended r1 = f.Frequency1() / d.sampleRate;
    const Extended r2 = f.Frequency2() / d.sampleRate;
    const Extended a1 = floor > r1 ? floor : r1;
    const Extended a2 = floor > r2 ? floor : r2;
    const bool band = d.response >= ftBandpass;
    std::printf("%d %d %d %La %La %La %La %016" PRIx64 " %d %La %La %La %d", d.kind, d.response,
                d.order, d.frequency1, d.frequency2, d.sampleRate, d.ripple,
                test::DesignFingerprint(f), band && a1 == a2 ? 1 : 0, a1, a2, f.InputScale(),
                f.CoefficientCount());
    for (int i = 0; i < z.PoleCount; ++i) std::printf(" %La %La", z.Poles[i].Re, z.Poles[i].Im);
    for (int i = 0; i < z.ZeroCount; ++i) std::printf(" %La %La", z.Zeros[i].Re, z.Zeros[i].Im);
    for (int i = 0; i < f.CoefficientCount(); ++i) std::printf(" %La", f.OutputCoefficients()[i]);
    std::printf("\n");
  }
  return 0;
}
