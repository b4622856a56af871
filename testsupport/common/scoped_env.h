#pragma once
// Sets (or, given nullptr, removes) an environment variable for the life of
// the object and puts the previous state back when it goes, also when an
// assertion ends the test early. For TZ the C library's zone is reread both
// times.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace testsupport {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Apply(value);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { Apply(old_ ? old_->c_str() : nullptr); }

  void Set(const char* value) { Apply(value); }

 private:
  void Apply(const char* value) {
    if (value != nullptr) {
      ::setenv(name_.c_str(), value, 1);
    } else {
      ::unsetenv(name_.c_str());
    }
    if (name_ == "TZ") ::tzset();
  }

  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace testsupport
