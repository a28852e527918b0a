// Runs a check once with each instruction set of the transform that the
// processor has.
#pragma once

#include <gtest/gtest.h>

#include "sigFFTTransform.h"

namespace tessaro::test {

// The widest set runs last and stays selected.
template <class Check>
void ForEachInstructionSet(Check check) {
  using fft::InstructionSet;
  for (InstructionSet isa : {InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512}) {
    if (static_cast<int>(isa) > static_cast<int>(fft::SupportedInstructionSet())) break;
    fft::LimitInstructionSet(isa);
    SCOPED_TRACE(::testing::Message() << "instruction set " << static_cast<int>(isa));
    check();
  }
}

}  // namespace tessaro::test
