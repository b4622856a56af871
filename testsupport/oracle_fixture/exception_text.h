#pragma once
// The text of the exception a call throws, for tests that compare error
// texts.

#include <exception>
#include <string>

namespace oracle_test_support {

// Runs `fn` and returns what() of the exception it throws, or "<no error>".
template <class Fn>
std::string ErrorOf(Fn&& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no error>";
}

}  // namespace oracle_test_support
