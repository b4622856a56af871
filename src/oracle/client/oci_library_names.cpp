#include "oracle/client/oci_library_names.h"

#include <charconv>

#include "oracle/client/client_settings.h"

namespace oracle {

bool MatchesVersionedClientPattern(std::string_view fileName) {
  const std::string_view prefix = kVersionedClientPrefix;
  const std::string_view suffix = kVersionedClientSuffix;
  return fileName.size() >= prefix.size() + suffix.size() && fileName.starts_with(prefix) &&
         fileName.ends_with(suffix);
}

std::optional<double> ClientLibraryVersion(std::string_view fileName) {
  if (!MatchesVersionedClientPattern(fileName)) return std::nullopt;
  // Drop "lib": the rest is the name the version rule was made for, "ora..."
  std::string_view name = fileName.substr(3);
  std::size_t start = 3;
  if (name.size() >= 5 && UpperCase(name.substr(3, 2)) == "NT") start = 5;
  std::string_view rest = name.substr(start);
  std::string_view digits = rest.substr(0, rest.find('.'));
  if (digits.empty()) return std::nullopt;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const std::string text = "0." + std::string(digits);
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !(value > 0)) return std::nullopt;
  return value;
}

std::string FileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

}  // namespace oracle
