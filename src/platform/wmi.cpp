#include "platform/wmi.h"

#include <mutex>
#include <netdb.h>
#include <string.h>
#include <unistd.h>

namespace platform::wmi {
namespace {

std::mutex g_mutex;
ComputerSystemProvider g_provider;

// Canonical name of this host as the resolver sees it (may hold the domain).
std::string CanonicalName(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* res = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &res) != 0 || res == nullptr) return {};
  std::string canon = res->ai_canonname ? res->ai_canonname : "";
  ::freeaddrinfo(res);
  return canon;
}

ComputerSystem FromOperatingSystem() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) throw WmiError();
  std::string host(buf);
  if (host.empty()) throw WmiError();
  ComputerSystem cs;
  auto dot = host.find('.');
  if (dot != std::string::npos) {
    cs.name = host.substr(0, dot);
    cs.domain = host.substr(dot + 1);
    return cs;
  }
  cs.name = host;
  std::string canon = CanonicalName(host);
  auto cdot = canon.find('.');
  if (cdot != std::string::npos && canon.compare(0, cdot, host) == 0) {
    cs.domain = canon.substr(cdot + 1);
  }
  return cs;
}

}  // namespace

ComputerSystem QueryComputerSystem() {
  ComputerSystemProvider provider;
  {
    std::lock_guard lock(g_mutex);
    provider = g_provider;
  }
  try {
    return provider ? provider() : FromOperatingSystem();
  } catch (const WmiError&) {
    throw;
  } catch (...) {
    throw WmiError();
  }
}

void SetComputerSystemProvider(ComputerSystemProvider provider) {
  std::lock_guard lock(g_mutex);
  g_provider = std::move(provider);
}

}  // namespace platform::wmi
