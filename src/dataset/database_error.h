#pragma once
// The exception of the dataset framework. It keeps the server's error number
// when the error came from the database (0 otherwise), so that a translated
// server message still tells which error it was.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dataset {

class EDatabaseError : public std::runtime_error {
 public:
  explicit EDatabaseError(const std::string& message, int32_t errorCode = 0)
      : std::runtime_error(message), errorCode_(errorCode) {}
  int32_t ErrorCode() const { return errorCode_; }

 private:
  int32_t errorCode_;
};

// A silent exception: the operation was abandoned on purpose and nobody
// should show a message for it.
class EAbort : public std::runtime_error {
 public:
  EAbort() : std::runtime_error("Operation aborted") {}
};

// Raises EDatabaseError. With a non-empty component name the message is
// prefixed by that name and ": ".
[[noreturn]] void DatabaseError(const std::string& message, const std::string& componentName = {},
                                int32_t errorCode = 0);

}  // namespace dataset
