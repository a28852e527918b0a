// Numbers as text: the shortest decimal that reads back (strtold, strtod)
// to the same bits, as the stored forms write them; "inf", "-inf", "nan".
#pragma once

#include <charconv>
#include <string>

#include "tessaro/sigTypes.h"

namespace cli {

inline std::string Decimal(tessaro::Extended value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

inline std::string Decimal(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

}  // namespace cli
