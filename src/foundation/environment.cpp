#include "foundation/environment.h"

#include <cstdlib>

#include "foundation/helpers_text.h"

namespace foundation {

std::string GetEnvVar(const std::string& name) {
  const char* raw = std::getenv(name.c_str());
  if (raw == nullptr) return {};
  std::string value(raw);
  if (value.size() > 254) value.resize(254);
  return helpers::TrimText(value);
}

}  // namespace foundation
