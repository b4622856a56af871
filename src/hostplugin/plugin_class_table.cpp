#include "hostplugin/plugin_class_table.h"

#include <exception>
#include <mutex>
#include <stdexcept>

#include "hostplugin/message_box.h"

namespace hostplugin {
namespace {

struct RegisteredFactory {
  const PluginClassInfo* info;
  ComPtr<IClassFactory> factory;
};

std::mutex& FactoriesMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<RegisteredFactory>& Factories() {
  static std::vector<RegisteredFactory> factories;
  return factories;
}

}  // namespace

size_t RegisterPluginFactories(const PluginClassTable& table) {
  std::vector<RegisteredFactory> made;
  for (const PluginClassRow& row : table) {
    const char* className = row.info != nullptr ? row.info->className : "(unresolved)";
    try {
      if (row.info == nullptr || row.makeFactory == nullptr) {
        throw std::logic_error("the class table row is not resolved");
      }
      ComPtr<IClassFactory> factory = row.makeFactory();
      if (!factory) throw std::runtime_error("no factory was made");
      made.push_back({row.info, std::move(factory)});
    } catch (const std::exception& error) {
      ShowMessageBox(ExceptionClassName(error) + " exception registering the " + className +
                     " class: " + error.what());
    }
  }
  size_t count = made.size();
  std::vector<RegisteredFactory> old;
  {
    std::lock_guard lock(FactoriesMutex());
    old.swap(Factories());
    Factories() = std::move(made);
  }
  return count;
}

void RevokePluginFactories() {
  std::vector<RegisteredFactory> old;
  {
    std::lock_guard lock(FactoriesMutex());
    old.swap(Factories());
  }
  // The factories are released here, outside the lock.
}

HRESULT GetPluginClassObject(const CLSID& clsid, const IID& iid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IClassFactory> factory;
  {
    std::lock_guard lock(FactoriesMutex());
    for (const RegisteredFactory& entry : Factories()) {
      if (entry.info->clsid == clsid) {
        factory = entry.factory;
        break;
      }
    }
  }
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(iid, ppv);
}

std::vector<const PluginClassInfo*> RegisteredPluginClasses() {
  std::lock_guard lock(FactoriesMutex());
  std::vector<const PluginClassInfo*> result;
  for (const RegisteredFactory& entry : Factories()) result.push_back(entry.info);
  return result;
}

}  // namespace hostplugin
