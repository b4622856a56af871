#include "platform/com/com_error.h"

#include <cstdio>

std::string ComError::DefaultMessage(HRESULT hr) {
  char text[32];
  std::snprintf(text, sizeof text, "COM error 0x%08X", static_cast<unsigned>(hr));
  return text;
}
