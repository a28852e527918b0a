// Tables of the names an option accepts and the values they stand for:
// std::array<std::pair<std::string_view, T>, N>, names in lower case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cli {

template <class Table>
std::vector<std::string> Names(const Table& table) {
  std::vector<std::string> names;
  for (const auto& entry : table) names.emplace_back(entry.first);
  return names;
}

// The value of a name, or nothing.
template <class Table>
auto Find(const Table& table, std::string_view name) -> std::optional<typename Table::value_type::second_type> {
  for (const auto& [entryName, value] : table)
    if (entryName == name) return value;
  return std::nullopt;
}

// The name of a value, or "unknown".
template <class Table, class T>
std::string_view NameOf(const Table& table, const T& value) {
  for (const auto& [name, entryValue] : table)
    if (entryValue == value) return name;
  return "unknown";
}

}  // namespace cli
