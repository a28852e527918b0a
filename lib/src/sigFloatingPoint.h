// Floating-point helpers of the IIR sources: the larger and smaller of two
// values with a fixed tie rule, and a scope that keeps the floating-point
// flags a computation raises apart from the caller's.
#pragma once

#include <cfenv>

#include "tessaro/sigTypes.h"

namespace tessaro {

// The second operand wins a tie (so Larger(+0, -0) is -0) and a NaN second
// operand comes back.
inline Extended Larger(Extended a, Extended b) { return a > b ? a : b; }
inline Extended Smaller(Extended a, Extended b) { return a < b ? a : b; }

// Saves the caller's floating-point flags and clears them; puts the saved
// flags back on the way out, whatever was raised in between. Read what the
// scope raised with std::fetestexcept before it ends.
class FlagScope {
 public:
  FlagScope() {
    std::fegetexceptflag(&saved_, FE_ALL_EXCEPT);
    std::feclearexcept(FE_ALL_EXCEPT);
  }
  ~FlagScope() { std::fesetexceptflag(&saved_, FE_ALL_EXCEPT); }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  std::fexcept_t saved_{};
};

}  // namespace tessaro
