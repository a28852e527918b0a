// The components a stored form creates, owned together and found by name:
// how a window (or a test, or a benchmark) gets the non-visual components of
// its stored description. Needs no Qt.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "tessaro/sigComponent.h"
#include "tessaro/sigStoredForm.h"

class TStoredComponents {
 public:
  // Creates one component per block of form (tessaro::LoadComponents: all or
  // nothing; TStoredFormError or the setters' exceptions on a bad form).
  explicit TStoredComponents(std::string_view form) { tessaro::LoadComponents(form, owner_); }

  // The component called name, of class T; std::logic_error naming it when
  // the form has no such component.
  template <class T>
  T& Find(std::string_view name) const {
    auto* component = dynamic_cast<T*>(owner_.FindComponent(name));
    if (component == nullptr)
      throw std::logic_error("The stored form lacks component " + std::string(name) + " of the expected class");
    return *component;
  }

  const tessaro::TComponent& Owner() const noexcept { return owner_; }

 private:
  tessaro::TComponent owner_;
};
