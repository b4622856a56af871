#pragma once
// Storage for a process-wide object that must stay usable until the very end:
// it is built in place on first use and never destroyed. Unlike an object
// allocated with new and never freed, it lives in the library's own static
// storage, so unloading the library leaves nothing behind on the heap (the
// object itself must then hold no heap memory of its own after shut-down).

#include <new>
#include <utility>

namespace foundation {

template <class T>
class NoDestructor {
 public:
  template <class... Args>
  explicit NoDestructor(Args&&... args) {
    new (storage_) T(std::forward<Args>(args)...);
  }
  NoDestructor(const NoDestructor&) = delete;
  NoDestructor& operator=(const NoDestructor&) = delete;

  T& operator*() { return *std::launder(reinterpret_cast<T*>(storage_)); }
  T* operator->() { return &**this; }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace foundation
