#include "hostplugin/com_registration.h"

#include <exception>
#include <filesystem>

#include "host_interfaces/host_interfaces.h"
#include "hostplugin/message_box.h"
#include "hostplugin/plugin_class_table.h"
#include "platform/registry/registry.h"

namespace hostplugin {
namespace {

namespace reg = platform::registry;
constexpr reg::Root kClasses = reg::Root::ClassesRoot;

constexpr const char kLibraryName[] = "Norvane94";
constexpr const char kTypeLibVersion[] = "1.0";
constexpr const char kTypeLibHelpText[] = "Quenlos92 Library";
// The automation marshaler that serves dual interfaces described by a type
// library.
constexpr const char kAutomationProxyStub[] = "{00020424-0000-0000-C000-000000000046}";

std::string ClassKey(const CLSID& clsid) {
  return "CLSID\\" + GuidToString(clsid);
}
std::string TypeLibKey() {
  return "TypeLib\\" + GuidToString(LIBID_Norvane94);
}
std::string InterfaceKey() {
  return "Interface\\" + GuidToString(IID_IPluginDiscover);
}

void WriteClassKeys(reg::Tree& tree, const PluginClassInfo& info, const std::string& path) {
  std::string key = ClassKey(info.clsid);
  std::string progId = ProgIdOf(info.coclass);
  std::string clsidText = GuidToString(info.clsid);
  tree.WriteString(kClasses, key, "", info.coclass);
  tree.WriteString(kClasses, key + "\\InprocServer32", "", path);
  tree.WriteString(kClasses, key + "\\InprocServer32", "ThreadingModel", "Apartment");
  tree.WriteString(kClasses, key + "\\ProgID", "", progId);
  tree.WriteString(kClasses, key + "\\TypeLib", "", GuidToString(LIBID_Norvane94));
  tree.WriteString(kClasses, key + "\\Version", "", kTypeLibVersion);
  tree.WriteString(kClasses, progId, "", info.coclass);
  tree.WriteString(kClasses, progId + "\\CLSID", "", clsidText);
}

void WriteTypeLibKeys(reg::Tree& tree, const std::string& path) {
  std::string version = TypeLibKey() + "\\" + kTypeLibVersion;
  std::string folder = std::filesystem::path(path).parent_path().string();
  tree.WriteString(kClasses, version, "", kTypeLibHelpText);
  tree.WriteString(kClasses, version + "\\0\\win32", "", path);
  tree.WriteString(kClasses, version + "\\FLAGS", "", "0");
  tree.WriteString(kClasses, version + "\\HELPDIR", "", folder);

  tree.WriteString(kClasses, InterfaceKey(), "", "IPluginDiscover");
  tree.WriteString(kClasses, InterfaceKey() + "\\ProxyStubClsid32", "", kAutomationProxyStub);
  tree.WriteString(kClasses, InterfaceKey() + "\\TypeLib", "", GuidToString(LIBID_Norvane94));
  tree.WriteString(kClasses, InterfaceKey() + "\\TypeLib", "Version", kTypeLibVersion);
}

}  // namespace

std::string ProgIdOf(const char* coclass) {
  return std::string(kLibraryName) + "." + coclass;
}

HRESULT RegisterPluginServer(const std::string& libraryPath) {
  if (libraryPath.empty()) return E_FAIL;
  try {
    std::vector<const PluginClassInfo*> classes = RegisteredPluginClasses();
    reg::Update([&](reg::Tree& tree) {
      for (const PluginClassInfo* info : classes) WriteClassKeys(tree, *info, libraryPath);
      WriteTypeLibKeys(tree, libraryPath);
    });
    return S_OK;
  } catch (const std::exception& error) {
    ShowMessageBox("DllRegisterServer: " + ExceptionClassName(error) + ": " + error.what());
    return E_FAIL;
  }
}

HRESULT UnregisterPluginServer() {
  try {
    reg::Update([](reg::Tree& tree) {
      for (const PluginClassInfo& info : kPluginClassInfo) {
        tree.DeleteKey(kClasses, ClassKey(info.clsid));
        tree.DeleteKey(kClasses, ProgIdOf(info.coclass));
      }
      tree.DeleteKey(kClasses, TypeLibKey() + "\\" + kTypeLibVersion);
      // The library's key goes too unless another version of it is registered.
      if (tree.SubKeyNames(kClasses, TypeLibKey()).empty() &&
          tree.ValueNames(kClasses, TypeLibKey()).empty()) {
        tree.DeleteKey(kClasses, TypeLibKey());
      }
      tree.DeleteKey(kClasses, InterfaceKey());
    });
    return S_OK;
  } catch (const std::exception& error) {
    ShowMessageBox("DllUnregisterServer: " + ExceptionClassName(error) + ": " + error.what());
    return E_FAIL;
  }
}

}  // namespace hostplugin
