// The rule for component and class names, shared by the component framework
// and the stored form.
#pragma once

#include <string_view>

namespace tessaro {

// A letter or '_', then letters, digits and '_' (ASCII only); the empty
// text is none.
bool IsIdentifier(std::string_view text) noexcept;

}  // namespace tessaro
