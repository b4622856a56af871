// The library's four exported entry points, with C linkage. Everything else
// in the library is hidden (see exports.map).

#include "hostplugin/com_registration.h"
#include "hostplugin/plugin_class_table.h"
#include "platform/com/object_counts.h"
#include "platform/com/safecall.h"
#include "platform/version_record.h"
#include "plugin/library_lifecycle.h"

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
  HRESULT guard =
      SafeCall([&] { result = hostplugin::RegisterPluginServer(platform::OwnModulePath()); });
  return FAILED(guard) ? E_FAIL : result;
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  plugin::EnsureLibraryStarted();
  HRESULT result = E_FAIL;
  HRESULT guard = SafeCall([&] { result = hostplugin::UnregisterPluginServer(); });
  return FAILED(guard) ? E_FAIL : result;
}

}  // extern "C"
