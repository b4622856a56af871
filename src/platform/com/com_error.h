#pragma once
// The exception that carries its own HRESULT through the safecall guard.

#include <stdexcept>
#include <string>

#include "platform/com/types.h"

class ComError : public std::runtime_error {
 public:
  ComError(HRESULT hr, const std::string& message) : std::runtime_error(message), code(hr) {}
  explicit ComError(HRESULT hr) : ComError(hr, DefaultMessage(hr)) {}

  // The status the safecall guard returns for this error.
  HRESULT code;

 private:
  static std::string DefaultMessage(HRESULT hr);
};
