#include "oracle/filter/expression_errors.h"

#include <cmath>
#include <cstring>

namespace oracle::filter {

void RaiseExpression(const char* format, const std::string& arg) {
  std::string message = format;
  std::size_t at = message.find("%s");
  if (at == std::string::npos) at = message.find("%d");
  if (at != std::string::npos) message.replace(at, 2, arg);
  throw EExpression(message);
}

void RaiseExpression(const char* message) {
  throw EExpression(message);
}

int32_t TruncToInt32(double value) {
  const double whole = std::trunc(CheckedFloat(value));
  if (whole < -2147483648.0 || whole > 2147483647.0) throw EIntOverflow();
  return static_cast<int32_t>(whole);
}

}  // namespace oracle::filter
