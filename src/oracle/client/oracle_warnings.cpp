#include "oracle/client/oracle_warnings.h"

#include <algorithm>
#include <charconv>
#include <mutex>
#include <string>

#include "oracle/client/client_settings.h"
#include "platform/text.h"

namespace oracle {

namespace {

constexpr const char* kWarningsKey = "SOFTWARE\\Pellworth\\KEL\\Warnings";

std::mutex g_mutex;
bool g_loaded = false;
std::vector<std::int32_t> g_list;

std::vector<std::int32_t> ReadList() {
  std::vector<std::int32_t> list;
  for (int i = 1;; ++i) {
    const std::string value =
        ReadRegistryString(platform::registry::Root::CurrentUser, kWarningsKey, std::to_string(i));
    if (value.empty()) break;
    if (value.front() == '*') continue;
    const std::string number(platform::Trim(value));
    std::int32_t code = 0;
    const char* begin = number.data();
    const char* end = begin + number.size();
    if (!number.empty() && number.front() == '+') ++begin;
    auto [stop, ec] = std::from_chars(begin, end, code);
    if (ec == std::errc() && stop == end && begin != end) list.push_back(code);
  }
  return list;
}

void EnsureLoaded(std::unique_lock<std::mutex>&) {
  if (g_loaded) return;
  g_list = ReadList();
  g_loaded = true;
}

}  // namespace

void LoadWarningList() {
  std::vector<std::int32_t> list = ReadList();
  std::lock_guard lock(g_mutex);
  g_list = std::move(list);
  g_loaded = true;
}

std::vector<std::int32_t> OracleWarningList() {
  std::unique_lock lock(g_mutex);
  EnsureLoaded(lock);
  return g_list;
}

bool IsOracleWarning(std::int32_t errorCode) {
  std::unique_lock lock(g_mutex);
  EnsureLoaded(lock);
  return std::find(g_list.begin(), g_list.end(), errorCode) != g_list.end();
}

}  // namespace oracle
