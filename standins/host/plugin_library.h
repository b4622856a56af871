#pragma once
// Loading an in-process server library the way the host does: dlopen, the four
// exported entry points, objects made through the library's class factories,
// dlclose.

#include <stdexcept>
#include <string>

#include "platform/com/com_ptr.h"
#include "platform/com/interfaces.h"

namespace hostsim {

class PluginLibraryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PluginLibrary {
 public:
  using GetClassObjectFn = HRESULT (*)(const CLSID& clsid, const IID& iid, void** ppv);
  using CanUnloadNowFn = HRESULT (*)();
  using RegisterFn = HRESULT (*)();

  // Loads the library; throws PluginLibraryError naming the file and the
  // loader's reason when it cannot be loaded or lacks an entry point.
  explicit PluginLibrary(const std::string& path);
  // Unloads the library (the caller must have released every object first).
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  const std::string& Path() const { return path_; }

  HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** ppv) const;
  HRESULT DllCanUnloadNow() const;
  HRESULT DllRegisterServer() const;
  HRESULT DllUnregisterServer() const;

  // An object of `clsid` through the class's factory, asked for `iid`.
  HRESULT CreateObject(const CLSID& clsid, const IID& iid, void** ppv) const;
  template <class T>
  ComPtr<T> Create(const CLSID& clsid, const IID& iid, HRESULT* result = nullptr) const {
    ComPtr<T> object;
    HRESULT hr = CreateObject(clsid, iid, object.PutVoid());
    if (result != nullptr) *result = hr;
    return object;
  }

  // Unloads now; later calls throw. Safe to call twice.
  void Unload();

 private:
  void* Symbol(const char* name);
  void RequireLoaded() const;

  std::string path_;
  void* handle_ = nullptr;
  GetClassObjectFn get_class_object_ = nullptr;
  CanUnloadNowFn can_unload_now_ = nullptr;
  RegisterFn register_server_ = nullptr;
  RegisterFn unregister_server_ = nullptr;
};

}  // namespace hostsim
