// The component framework: ownership, names and the base class's empty
// published form.
#include "tessaro/sigComponent.h"

#include <algorithm>
#include <stdexcept>

#include "sigIdentifier.h"

namespace tessaro {

bool IsIdentifier(std::string_view text) noexcept {
  const auto letter = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
  };
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (text.empty() || !letter(text.front())) return false;
  return std::all_of(text.begin() + 1, text.end(), [&](char c) { return letter(c) || digit(c); });
}

const TPropertyInfo* TComponentClass::FindProperty(std::string_view name) const {
  for (const auto& p : Properties)
    if (p.Name == name) return &p;
  return nullptr;
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  // Newest first, so that a component never outlives one created before it.
  while (!components_.empty()) {
    TComponent* child = components_.back();
    components_.pop_back();
    child->owner_ = nullptr;
    delete child;
  }
  if (owner_) std::erase(owner_->components_, this);
}

TComponent* TComponent::FindComponent(std::string_view name) const noexcept {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (c->name_ == name) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component == this || component->owner_)
    throw std::invalid_argument("InsertComponent needs a component without an owner");
  if (FindComponent(component->name_))
    throw std::invalid_argument("A component named \"" + component->name_ + "\" already exists");
  component->owner_ = this;
  components_.push_back(component);
}

void TComponent::SetName(std::string name) {
  if (name == name_) return;
  if (!name.empty() && !IsIdentifier(name))
    throw std::invalid_argument("Component name \"" + name + "\" is not a valid identifier");
  if (owner_ && owner_->FindComponent(name))
    throw std::invalid_argument("A component named \"" + name + "\" already exists");
  name_ = std::move(name);
}

const TComponentClass& TComponent::ClassType() const {
  static const TComponentClass cls{"TComponent", nullptr, {}};
  return cls;
}

}  // namespace tessaro
