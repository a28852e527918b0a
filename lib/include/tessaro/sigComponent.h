// The component framework: owned components with a name and a tag, and
// published properties described once per class so that a component can be
// written to a stored form and read back (see sigStoredForm.h).
//
// Ownership: a component created with an owner must be allocated with new;
// the owner deletes it in its own destructor, newest first. A component
// deleted earlier removes itself from its owner. A component without an
// owner belongs to whoever created it (a stack object is fine).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "tessaro/sigTypes.h"

namespace tessaro {

class TComponent;

// How a published property is written in a stored form: an enumeration by
// the name of its value, an integer in decimal, an extended value in the
// shortest decimal that reads back to the same bits, a Boolean as True/False.
enum class TPropertyType : std::uint8_t { Enumeration, Integer, Extended, Boolean };

// Enumeration and integer values travel as int64, extended values as
// Extended, Booleans as bool.
using TPropertyValue = std::variant<std::int64_t, Extended, bool>;

struct TPropertyInfo {
  std::string_view Name;
  TPropertyType Type = TPropertyType::Integer;
  std::vector<std::string_view> EnumNames;  // value i is named EnumNames[i]
  std::function<TPropertyValue(const TComponent&)> Get;
  std::function<void(TComponent&, const TPropertyValue&)> Set;
  std::function<bool(const TComponent&)> IsStored;  // written to a stored form?
};

// What the framework knows of a class: its name, how to create one (C++ has
// no virtual constructors) and its published properties in streaming order.
// The names are views: they must outlive the class's registration (string
// literals do).
struct TComponentClass {
  std::string_view Name;
  std::function<TComponent*(TComponent* owner)> Create;  // nullptr: not creatable
  std::vector<TPropertyInfo> Properties;

  const TPropertyInfo* FindProperty(std::string_view name) const;
};

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const noexcept { return owner_; }
  std::span<TComponent* const> Components() const noexcept { return components_; }
  // The owned component of that name, or nullptr.
  TComponent* FindComponent(std::string_view name) const noexcept;

  // Takes ownership of a component that has no owner (invalid_argument
  // otherwise, or when its name is taken among this component's).
  void InsertComponent(TComponent* component);

  const std::string& Name() const noexcept { return name_; }
  // A name is empty or an identifier (letter or '_', then letters, digits,
  // '_'), unique among the owner's components; otherwise invalid_argument.
  void SetName(std::string name);

  std::intptr_t Tag() const noexcept { return tag_; }
  void SetTag(std::intptr_t tag) noexcept { tag_ = tag; }

  // The published properties of the most derived class. The base
  // component publishes none.
  virtual const TComponentClass& ClassType() const;

  // Loading a stored form: BeginLoad, then the setters in stored order,
  // then EndLoad. If a setter or EndLoad throws, CancelLoad runs and must
  // put the component back exactly as it was before BeginLoad.
  virtual void BeginLoad() {}
  virtual void EndLoad() {}
  virtual void CancelLoad() noexcept {}

 private:
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::string name_;
  std::intptr_t tag_ = 0;
};

// The class registry. The library's own classes (TsigIIRFilter, TsigFFT)
// are always present; programs may add their own. A second class of the
// same name replaces the first.
void RegisterClass(const TComponentClass& cls);
const TComponentClass* FindClass(std::string_view name);
// A new component of the named class owned by owner; invalid_argument for
// an unknown or non-creatable class.
TComponent* CreateComponent(std::string_view className, TComponent* owner);

// Helpers that describe a property of class C through its getter and setter.
// The stored predicate decides whether the value is written.
template <class C, class E>
TPropertyInfo EnumProperty(std::string_view name, std::vector<std::string_view> names,
                           E (C::*get)() const, void (C::*set)(E),
                           std::type_identity_t<std::function<bool(const C&)>> stored) {
  return {name, TPropertyType::Enumeration, std::move(names),
          [get](const TComponent& c) -> TPropertyValue {
            return static_cast<std::int64_t>((static_cast<const C&>(c).*get)());
          },
          [set](TComponent& c, const TPropertyValue& v) {
            (static_cast<C&>(c).*set)(static_cast<E>(std::get<std::int64_t>(v)));
          },
          [stored](const TComponent& c) { return stored(static_cast<const C&>(c)); }};
}

template <class C, class I, class A>
TPropertyInfo IntegerProperty(std::string_view name, I (C::*get)() const, void (C::*set)(A),
                              std::type_identity_t<std::function<bool(const C&)>> stored) {
  return {name, TPropertyType::Integer, {},
          [get](const TComponent& c) -> TPropertyValue {
            return static_cast<std::int64_t>((static_cast<const C&>(c).*get)());
          },
          [set](TComponent& c, const TPropertyValue& v) {
            // A stored value beyond the setter's type saturates rather than
            // wrapping, so the setter's own range check sees it as too large.
            const auto lo = static_cast<std::int64_t>(std::numeric_limits<A>::min());
            const auto hi = static_cast<std::int64_t>(std::numeric_limits<A>::max());
            (static_cast<C&>(c).*set)(static_cast<A>(std::clamp(std::get<std::int64_t>(v), lo, hi)));
          },
          [stored](const TComponent& c) { return stored(static_cast<const C&>(c)); }};
}

template <class C>
TPropertyInfo ExtendedProperty(std::string_view name, Extended (C::*get)() const,
                               void (C::*set)(Extended), std::type_identity_t<std::function<bool(const C&)>> stored) {
  return {name, TPropertyType::Extended, {},
          [get](const TComponent& c) -> TPropertyValue { return (static_cast<const C&>(c).*get)(); },
          [set](TComponent& c, const TPropertyValue& v) {
            (static_cast<C&>(c).*set)(std::get<Extended>(v));
          },
          [stored](const TComponent& c) { return stored(static_cast<const C&>(c)); }};
}

template <class C>
TPropertyInfo BooleanProperty(std::string_view name, bool (C::*get)() const, void (C::*set)(bool),
                              std::type_identity_t<std::function<bool(const C&)>> stored) {
  return {name, TPropertyType::Boolean, {},
          [get](const TComponent& c) -> TPropertyValue { return (static_cast<const C&>(c).*get)(); },
          [set](TComponent& c, const TPropertyValue& v) { (static_cast<C&>(c).*set)(std::get<bool>(v)); },
          [stored](const TComponent& c) { return stored(static_cast<const C&>(c)); }};
}

}  // namespace tessaro
