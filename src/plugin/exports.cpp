// The library's four exported entry points, with C linkage. Everything else
// in the library is hidden (see exports.map).

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "hostplugin/com_registration.h"
#include "hostplugin/plugin_class_table.h"
#include "platform/com/object_counts.h"
#include "platform/com/safecall.h"
#include "plugin/library_lifecycle.h"

namespace {

// Full path of the file this library was loaded from.
std::string LoadedLibraryPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&LoadedLibraryPath), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  // The loader keeps the name as the host passed it, which may be relative.
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(info.dli_fname, error);
  if (error) return info.dli_fname;
  return path.lexically_normal().string();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid,
                                                                 void** ppv) {
  plugin::EnsureLibraryStarted();
  HRESULT result = E_UNEXPECTED;
  HRESULT guard = SafeCall([&] { result = hostplugin::GetPluginClassObject(clsid, iid, ppv); });
  return FAILED(guard) ? guard : result;
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  plugin::EnsureLibraryStarted();
  return ComCanUnloadNow();
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  plugin::EnsureLibraryStarted();
  HRESULT result = E_FAIL;
  HRESULT guard = SafeCall([&] { result = hostplugin::RegisterPluginServer(LoadedLibraryPath()); });
  return FAILED(guard) ? E_FAIL : result;
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  plugin::EnsureLibraryStarted();
  HRESULT result = E_FAIL;
  HRESULT guard = SafeCall([&] { result = hostplugin::UnregisterPluginServer(); });
  return FAILED(guard) ? E_FAIL : result;
}

}  // extern "C"
