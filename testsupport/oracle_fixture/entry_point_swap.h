#pragma once
// Puts a test's own function in place of a bound OCI entry point for the life
// of the object and the bound one back when it goes. The bound function stays
// callable as EntryPointSwap<slot>::real, so a spy can count a call and pass
// it on.
//
//   static sword Fetch2(...) { ++fetches; return EntryPointSwap<oracle::OCIStmtFetch2>::real(...);
//   } EntryPointSwap<oracle::OCIStmtFetch2> swap{&Fetch2};

#include <type_traits>
#include <utility>

namespace oracle_test_support {

template <auto& Slot>
class EntryPointSwap {
 public:
  using Function = std::remove_reference_t<decltype(Slot)>;
  static inline Function real = nullptr;

  explicit EntryPointSwap(Function replacement) { real = std::exchange(Slot, replacement); }
  ~EntryPointSwap() {
    Slot = real;
    real = nullptr;
  }
  EntryPointSwap(const EntryPointSwap&) = delete;
  EntryPointSwap& operator=(const EntryPointSwap&) = delete;
};

}  // namespace oracle_test_support
