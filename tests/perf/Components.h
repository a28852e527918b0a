// The Perfomance window's components, loaded from its stored form, for the
// tests of the measuring code.
#pragma once

#include <stdexcept>

#include "MainComponents.h"
#include "Near.h"
#include "tessaro/sigFFT.h"
#include "tessaro/sigIIRFilters.h"
#include "tessaro/sigStoredForm.h"

namespace test {

struct TMainComponents {
  tessaro::TComponent owner;
  tessaro::TsigIIRFilter* filter = nullptr;
  tessaro::TsigFFT* fft = nullptr;

  TMainComponents() {
    tessaro::LoadComponents(perf::MainComponents, owner);
    filter = dynamic_cast<tessaro::TsigIIRFilter*>(owner.FindComponent("sigIIRFilter"));
    fft = dynamic_cast<tessaro::TsigFFT*>(owner.FindComponent("sigFFT1"));
    if (!filter || !fft) throw std::logic_error("stored components missing");
  }
};

}  // namespace test
