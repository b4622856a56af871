#pragma once
// The library's nine creatable classes and their class factories.
//
// The identifiers and names are constant data here; which C++ class each row
// creates is known only to the shared library, which resolves the table at
// start-up and hands it to RegisterPluginFactories. Row 0 is the discovery
// object; rows 1..8 are the plug-ins the host creates.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/com/class_factory.h"
#include "platform/com/com_ptr.h"
#include "platform/com/guid.h"
#include "platform/com/interfaces.h"

namespace hostplugin {

inline constexpr CLSID CLSID_plugin_discover = MakeGuid("{C95595BB-0B8A-45D4-92E4-8B86DB870EAE}");
inline constexpr CLSID CLSID_vk9Configure = MakeGuid("{14A47998-FAA1-40E6-A49E-083C5CE01ACB}");
inline constexpr CLSID CLSID_vk9RcptOnUpdate = MakeGuid("{E0ACE2F0-ADFB-455E-B2A1-945FBB5FE1EF}");
inline constexpr CLSID CLSID_vk9SODepOnUpdate = MakeGuid("{3304FC57-9B39-4E86-83C2-64E8BBB56532}");
inline constexpr CLSID CLSID_vk9SOSB = MakeGuid("{A55E0854-B032-47C6-8545-7A41CB86A35F}");
inline constexpr CLSID CLSID_vk9RcptOnPrint = MakeGuid("{89AD5940-0D88-4760-A6DF-D7B9064A3437}");
inline constexpr CLSID CLSID_vk9ValuesServer = MakeGuid("{FD86D871-E1A3-47CE-9DC8-81800E4C7CBC}");
inline constexpr CLSID CLSID_vk9ReprintSideButton =
    MakeGuid("{9DE90BEC-3566-47BD-B0B8-4E33367899A5}");
inline constexpr CLSID CLSID_vk9EmailSB = MakeGuid("{A3A70862-70B4-4E39-9D25-D53FE6C20E4B}");

inline constexpr size_t kPluginClassCount = 9;

struct PluginClassInfo {
  CLSID clsid;
  const char* className;  // the C++ class created for the row
  const char* coclass;    // the class's name in the type library and ProgID
};

inline constexpr std::array<PluginClassInfo, kPluginClassCount> kPluginClassInfo = {{
    {CLSID_plugin_discover, "TPlugin_Discover", "plugin_discover"},
    {CLSID_vk9Configure, "Tvk9Configure", "vk9Configure"},
    {CLSID_vk9RcptOnUpdate, "Tvk9RcptOnUpdate", "vk9RcptOnUpdate"},
    {CLSID_vk9SODepOnUpdate, "Tvk9SODepOnUpdate", "vk9SODepOnUpdate"},
    {CLSID_vk9SOSB, "Tvk9SOSB", "vk9SOSB"},
    {CLSID_vk9RcptOnPrint, "TVK9RcptOnPrint", "vk9RcptOnPrint"},
    {CLSID_vk9ValuesServer, "Tvk9ValuesServer", "vk9ValuesServer"},
    {CLSID_vk9ReprintSideButton, "Tvk9ReprintSideButton", "vk9ReprintSideButton"},
    {CLSID_vk9EmailSB, "Tvk9EmailSB", "vk9EmailSB"},
}};

// Makes the class factory of one row (multi-instance: every CreateInstance
// makes a new object and runs its Initialize).
using FactoryMaker = ComPtr<IClassFactory> (*)();

template <class T>
ComPtr<IClassFactory> MakePluginFactory() {
  return ComPtr<IClassFactory>(MakeComObject<ClassFactory<T>>().Get());
}

struct PluginClassRow {
  const PluginClassInfo* info = nullptr;
  FactoryMaker makeFactory = nullptr;
};

using PluginClassTable = std::array<PluginClassRow, kPluginClassCount>;

// Creates one factory per row, in row order. A row whose factory cannot be
// made is shown in a message box and skipped; the others are still made.
// Replaces any factories registered before. Answers how many were made.
size_t RegisterPluginFactories(const PluginClassTable& table);

// Releases every registered factory.
void RevokePluginFactories();

// The registered factory for `clsid` asked for `iid`:
// CLASS_E_CLASSNOTAVAILABLE when there is none.
HRESULT GetPluginClassObject(const CLSID& clsid, const IID& iid, void** ppv);

// Rows whose factory is registered, in row order.
std::vector<const PluginClassInfo*> RegisteredPluginClasses();

}  // namespace hostplugin
