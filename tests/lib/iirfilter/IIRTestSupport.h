// Helpers shared by the IIR filter tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "Near.h"
#include "tessaro/sigTypes.h"

namespace tessaro::test {

inline Extended Decibels(Extended magnitude) { return 20.0L * std::log10(magnitude); }

}  // namespace tessaro::test
