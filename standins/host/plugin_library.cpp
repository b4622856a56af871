#include "plugin_library.h"

#include <dlfcn.h>

namespace hostsim {

PluginLibrary::PluginLibrary(const std::string& path) : path_(path) {
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = ::dlerror();
    throw PluginLibraryError("cannot load " + path + ": " + (reason ? reason : "unknown error"));
  }
  try {
    get_class_object_ = reinterpret_cast<GetClassObjectFn>(Symbol("DllGetClassObject"));
    can_unload_now_ = reinterpret_cast<CanUnloadNowFn>(Symbol("DllCanUnloadNow"));
    register_server_ = reinterpret_cast<RegisterFn>(Symbol("DllRegisterServer"));
    unregister_server_ = reinterpret_cast<RegisterFn>(Symbol("DllUnregisterServer"));
  } catch (...) {
    Unload();
    throw;
  }
}

PluginLibrary::~PluginLibrary() {
  Unload();
}

void* PluginLibrary::Symbol(const char* name) {
  ::dlerror();
  void* symbol = ::dlsym(handle_, name);
  if (symbol == nullptr) {
    throw PluginLibraryError(path_ + " does not export " + name);
  }
  return symbol;
}

void PluginLibrary::Unload() {
  if (handle_ == nullptr) return;
  ::dlclose(handle_);
  handle_ = nullptr;
  get_class_object_ = nullptr;
  can_unload_now_ = nullptr;
  register_server_ = nullptr;
  unregister_server_ = nullptr;
}

void PluginLibrary::RequireLoaded() const {
  if (handle_ == nullptr) throw PluginLibraryError(path_ + " is not loaded");
}

HRESULT PluginLibrary::DllGetClassObject(const CLSID& clsid, const IID& iid, void** ppv) const {
  RequireLoaded();
  return get_class_object_(clsid, iid, ppv);
}

HRESULT PluginLibrary::DllCanUnloadNow() const {
  RequireLoaded();
  return can_unload_now_();
}

HRESULT PluginLibrary::DllRegisterServer() const {
  RequireLoaded();
  return register_server_();
}

HRESULT PluginLibrary::DllUnregisterServer() const {
  RequireLoaded();
  return unregister_server_();
}

HRESULT PluginLibrary::CreateObject(const CLSID& clsid, const IID& iid, void** ppv) const {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr = DllGetClassObject(clsid, IID_IClassFactory, factory.PutVoid());
  if (FAILED(hr)) return hr;
  if (!factory) return E_UNEXPECTED;
  return factory->CreateInstance(nullptr, iid, ppv);
}

}  // namespace hostsim
