#include "hostplugin/plugin_class_table.h"

#include <exception>
#include <mutex>
#include <stdexcept>

#include "hostplugin/message_box.h"

namespace hostplugin {
namespace {

// The registered factories. Plain data with a trivial destructor on purpose:
// the library's finalisation revokes them, and at process exit that runs
// after the static destructors, so the table must outlive every one of them.
struct RegisteredFactory {
  const PluginClassInfo* info;
  IClassFactory* factory;  // one reference held
};

constinit std::mutex g_mutex;
constinit std::array<RegisteredFactory, kPluginClassCount> g_factories{};
constinit size_t g_count = 0;

// Empties the table and answers the references it held.
std::vector<IClassFactory*> TakeAll() {
  std::vector<IClassFactory*> taken;
  for (size_t i = 0; i < g_count; ++i) taken.push_back(g_factories[i].factory);
  g_factories = {};
  g_count = 0;
  return taken;
}

void ReleaseAll(const std::vector<IClassFactory*>& factories) {
  for (IClassFactory* factory : factories) factory->Release();
}

}  // namespace

size_t RegisterPluginFactories(const PluginClassTable& table) {
  std::array<RegisteredFactory, kPluginClassCount> made{};
  size_t count = 0;
  for (const PluginClassRow& row : table) {
    const char* className = row.info != nullptr ? row.info->className : "(unresolved)";
    try {
      if (row.info == nullptr || row.makeFactory == nullptr) {
        throw std::logic_error("the class table row is not resolved");
      }
      ComPtr<IClassFactory> factory = row.makeFactory();
      if (!factory) throw std::runtime_error("no factory was made");
      made[count++] = {row.info, factory.Detach()};
    } catch (const std::exception& error) {
      ShowMessageBox(ExceptionClassName(error) + " exception registering the " + className +
                     " class: " + error.what());
    }
  }
  std::vector<IClassFactory*> old;
  {
    std::lock_guard lock(g_mutex);
    old = TakeAll();
    g_factories = made;
    g_count = count;
  }
  ReleaseAll(old);
  return count;
}

void RevokePluginFactories() {
  std::vector<IClassFactory*> old;
  {
    std::lock_guard lock(g_mutex);
    old = TakeAll();
  }
  ReleaseAll(old);
}

HRESULT GetPluginClassObject(const CLSID& clsid, const IID& iid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IClassFactory> factory;
  {
    std::lock_guard lock(g_mutex);
    for (size_t i = 0; i < g_count; ++i) {
      if (g_factories[i].info->clsid == clsid) {
        factory = ComPtr<IClassFactory>(g_factories[i].factory);
        break;
      }
    }
  }
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(iid, ppv);
}

std::vector<const PluginClassInfo*> RegisteredPluginClasses() {
  std::lock_guard lock(g_mutex);
  std::vector<const PluginClassInfo*> result;
  for (size_t i = 0; i < g_count; ++i) result.push_back(g_factories[i].info);
  return result;
}

}  // namespace hostplugin
