// Tables of the names an option accepts and the values they stand for:
// std::array<std::pair<std::string_view, T>, N>, names in lower case.
#pragma once

#include <cctype>
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

// The value of a name in any case, or nothing. (CLI11's IsMember check
// accepts any case but, as a check, leaves the text as typed.)
template <class Table>
auto Find(const Table& table, std::string_view name) -> std::optional<typename Table::value_type::second_type> {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& [entryName, value] : table)
    if (entryName == lower) return value;
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
