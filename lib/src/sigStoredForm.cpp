#include "tessaro/sigStoredForm.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cmath>
#include <memory>
#include <system_error>

#include "sigIdentifier.h"

namespace tessaro {

namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// from_chars reports a subnormal value as out of range without storing it;
// strtold in the C locale reads it (and reports a true overflow as infinity).
std::errc ParseSubnormal(const std::string& text, Extended& v) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
  v = strtold_l(text.c_str(), nullptr, c);
  return std::isfinite(v) ? std::errc() : std::errc::result_out_of_range;
}

std::string Quote(std::string_view s) { return "\"" + std::string(s) + "\""; }

TPropertyValue ParseValue(const TPropertyInfo& prop, std::string_view text, int line) {
  const std::string name(prop.Name);
  switch (prop.Type) {
    case TPropertyType::Enumeration:
      for (std::size_t i = 0; i < prop.EnumNames.size(); ++i)
        if (prop.EnumNames[i] == text) return static_cast<std::int64_t>(i);
      throw TStoredFormError(line, "unknown value " + Quote(text) + " for " + name);
    case TPropertyType::Integer: {
      std::int64_t v = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
      if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        throw TStoredFormError(line, "malformed integer " + Quote(text) + " for " + name);
      return v;
    }
    case TPropertyType::Extended: {
      // Finite numbers and infinities; NaN is never stored. The number is
      // read from a terminated copy: libstdc++ 12 measures a text that
      // begins like "inf" or "nan" with strlen, past the end of the view.
      const std::string copy(text);
      const char* last = copy.c_str() + copy.size();
      Extended v = 0.0L;
      auto [end, ec] = std::from_chars(copy.c_str(), last, v);
      if (ec == std::errc::result_out_of_range && end == last) ec = ParseSubnormal(copy, v);
      if (copy.empty() || ec != std::errc() || end != last || std::isnan(v))
        throw TStoredFormError(line, "malformed number " + Quote(text) + " for " + name);
      return v;
    }
    case TPropertyType::Boolean:
      if (text == "True") return true;
      if (text == "False") return false;
      throw TStoredFormError(line, "malformed Boolean " + Quote(text) + " for " + name);
  }
  throw TStoredFormError(line, "property " + name + " has an unknown type");
}

std::string FormatValue(const TPropertyInfo& prop, const TPropertyValue& value) {
  switch (prop.Type) {
    case TPropertyType::Enumeration: {
      const auto v = std::get<std::int64_t>(value);
      if (v >= 0 && static_cast<std::size_t>(v) < prop.EnumNames.size())
        return std::string(prop.EnumNames[static_cast<std::size_t>(v)]);
      return std::to_string(v);  // cannot be read back: no setter stores such a value
    }
    case TPropertyType::Integer:
      return std::to_string(std::get<std::int64_t>(value));
    case TPropertyType::Extended: {
      // The shortest decimal that reads back to the identical bits.
      char buf[64];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::get<Extended>(value));
      return ec == std::errc() ? std::string(buf, end) : std::string("nan");
    }
    case TPropertyType::Boolean:
      return std::get<bool>(value) ? "True" : "False";
  }
  return {};
}

// Assigns the values of one parsed block; on failure the component is put back.
void Apply(TComponent& component, const TStoredObject& object) {
  const std::string oldName = component.Name();
  component.BeginLoad();
  try {
    component.SetName(object.Name);
    for (const auto& [prop, value] : object.Values) prop->Set(component, value);
    component.EndLoad();
  } catch (...) {
    component.CancelLoad();
    component.SetName(oldName);
    throw;
  }
}

}  // namespace

TStoredFormError::TStoredFormError(int line, const std::string& problem)
    : std::runtime_error("Stored form, line " + std::to_string(line) + ": " + problem), line_(line) {}

std::vector<TStoredObject> ParseStoredForm(std::string_view text) {
  std::vector<TStoredObject> objects;
  TStoredObject* open = nullptr;
  int line = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    ++line;
    const std::size_t eol = std::min(text.find('\n', pos), text.size());
    const std::string_view s = Trim(text.substr(pos, eol - pos));
    pos = eol + 1;
    if (s.empty()) continue;

    if (!open) {
      if (!s.starts_with("object "))
        throw TStoredFormError(line, "expected \"object\", found " + Quote(s));
      const std::string_view head = Trim(s.substr(7));
      std::string_view name, cls = head;
      if (const auto colon = head.find(':'); colon != std::string_view::npos) {
        name = Trim(head.substr(0, colon));
        cls = Trim(head.substr(colon + 1));
        if (!IsIdentifier(name)) throw TStoredFormError(line, "malformed object name " + Quote(name));
      }
      if (!IsIdentifier(cls)) throw TStoredFormError(line, "malformed class name " + Quote(cls));
      const TComponentClass* c = FindClass(cls);
      if (!c) throw TStoredFormError(line, "unknown class " + std::string(cls));
      objects.push_back({std::string(name), c, {}, line});
      open = &objects.back();
    } else if (s == "end") {
      open = nullptr;
    } else {
      const auto eq = s.find('=');
      if (eq == std::string_view::npos)
        throw TStoredFormError(line, "expected \"Name = value\" or \"end\", found " + Quote(s));
      const std::string_view prop = Trim(s.substr(0, eq));
      const TPropertyInfo* info = open->Class->FindProperty(prop);
      if (!info)
        throw TStoredFormError(line, std::string(open->Class->Name) + " has no property " + Quote(prop));
      open->Values.emplace_back(info, ParseValue(*info, Trim(s.substr(eq + 1)), line));
    }
  }
  if (open)
    throw TStoredFormError(line, "missing \"end\" of the object begun on line " + std::to_string(open->Line));
  return objects;
}

std::string WriteComponent(const TComponent& component) {
  const TComponentClass& cls = component.ClassType();
  std::string out = "object ";
  if (!component.Name().empty()) out += component.Name() + ": ";
  out += std::string(cls.Name) + "\n";
  for (const auto& prop : cls.Properties) {
    if (prop.IsStored && !prop.IsStored(component)) continue;
    out += "  " + std::string(prop.Name) + " = " + FormatValue(prop, prop.Get(component)) + "\n";
  }
  out += "end\n";
  return out;
}

void ReadComponent(TComponent& component, std::string_view text) {
  const std::vector<TStoredObject> objects = ParseStoredForm(text);
  if (objects.size() != 1)
    throw TStoredFormError(objects.empty() ? 1 : objects[1].Line,
                           "expected exactly one object, found " + std::to_string(objects.size()));
  const TStoredObject& object = objects.front();
  if (object.Class->Name != component.ClassType().Name)
    throw TStoredFormError(object.Line, "object of class " + std::string(object.Class->Name) +
                                            " cannot be read into a " +
                                            std::string(component.ClassType().Name));
  Apply(component, object);
}

std::vector<TComponent*> LoadComponents(std::string_view text, TComponent& owner) {
  const std::vector<TStoredObject> objects = ParseStoredForm(text);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const TStoredObject& object = objects[i];
    if (!object.Class->Create)
      throw TStoredFormError(object.Line, "class " + std::string(object.Class->Name) + " cannot be created");
    if (object.Name.empty()) continue;
    bool taken = owner.FindComponent(object.Name) != nullptr;
    for (std::size_t j = 0; j < i; ++j) taken = taken || objects[j].Name == object.Name;
    if (taken) throw TStoredFormError(object.Line, "a component named " + Quote(object.Name) + " already exists");
  }

  // Until every block is loaded the new components belong to this function.
  std::vector<std::unique_ptr<TComponent>> made;
  for (const auto& object : objects) {
    made.emplace_back(object.Class->Create(nullptr));
    Apply(*made.back(), object);
  }
  std::vector<TComponent*> result;
  for (auto& c : made) {
    result.push_back(c.get());
    owner.InsertComponent(c.release());
  }
  return result;
}

}  // namespace tessaro
