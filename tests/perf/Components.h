// The Perfomance window's components, loaded from its stored form, for the
// tests of the measuring code.
#pragma once

#include "ComponentsStoredForm.h"
#include "Near.h"
#include "StoredComponents.h"
#include "tessaro/sigFFT.h"
#include "tessaro/sigIIRFilters.h"

namespace test {

struct TMainComponents {
  TStoredComponents Stored{perf::ComponentsStoredForm};
  tessaro::TsigIIRFilter& Filter = Stored.Find<tessaro::TsigIIRFilter>("sigIIRFilter");
  tessaro::TsigFFT& FFT = Stored.Find<tessaro::TsigFFT>("sigFFT1");
};

}  // namespace test
