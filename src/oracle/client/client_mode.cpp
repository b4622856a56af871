#include "oracle/client/client_mode.h"

#include <string>

#include "oracle/client/client_settings.h"
#include "oracle/client/oci_loader_state.h"

namespace oracle {

namespace {

// The number right after `marker` (blanks allowed between), or 0.
int NumberAfter(const std::string& upper, std::string_view marker) {
  for (std::size_t at = upper.find(marker); at != std::string::npos;
       at = upper.find(marker, at + 1)) {
    std::size_t i = at + marker.size();
    while (i < upper.size() && upper[i] == ' ') ++i;
    int value = 0;
    std::size_t digits = 0;
    while (i < upper.size() && upper[i] >= '0' && upper[i] <= '9' && digits < 6) {
      value = value * 10 + (upper[i] - '0');
      ++i;
      ++digits;
    }
    if (digits > 0) return value;
  }
  return 0;
}

}  // namespace

int ServerMajorRelease(std::string_view versionText) {
  const std::string upper = UpperCase(versionText);
  if (int release = NumberAfter(upper, "RELEASE"); release > 0) return release;
  return NumberAfter(upper, "ORACLE");
}

bool ServerVersionSupportsOCI8(std::string_view versionText) {
  const int release = ServerMajorRelease(versionText);
  return release == 0 || release >= 8;
}

bool OCI7ModeUsable() {
  return OCI7Available;
}

}  // namespace oracle
