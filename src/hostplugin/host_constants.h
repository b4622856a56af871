// The host's vocabulary carried as constant data: its preference names with
// the host's number for each, and the membership test of its point-delimited
// attribute-name lists.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace hostplugin {

// One host preference: its name and the host's number for it, as passed to the
// adapter's preference read.
struct BusinessPref {
  const char* name;
  int32_t index;
};

// The 561 preferences LogSystemPrefs writes, in the order written.
std::span<const BusinessPref> LoggedBusinessPrefs();

// The host's business-preference table: the first 151 rows of
// LoggedBusinessPrefs() (the same storage). Its numbers are 0..150, each once,
// but not always at their own row.
std::span<const BusinessPref> BusinessPrefNames();

// The number of the first business-preference row whose name equals `name`
// exactly (letter case included); none when no row matches.
std::optional<int32_t> BusinessPrefValue(std::string_view name);

// Whether `name` stands in `list`, a text in which every name is preceded by a
// point and which ends with one: "." + name + "." occurs in it. An empty name,
// or one holding a point, is never a member.
bool NameInList(std::string_view list, std::string_view name);
// The same with both texts upper-cased (ASCII letters only).
bool NameInListIgnoringCase(std::string_view list, std::string_view name);

}  // namespace hostplugin
