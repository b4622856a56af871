#include "hostplugin/plugin_discover.h"

#include "hostplugin/custom_abstract_plugin.h"
#include "hostplugin/plugin_class_table.h"
#include "platform/com/safearray.h"
#include "platform/com/safecall.h"

namespace hostplugin {
namespace {

constexpr const char kVersionText[] = "1.0.0";

}  // namespace

HRESULT TPlugin_Discover::GetPluginList(VARIANT* list) {
  return SafeCall([&] {
    auto& out = OutArg(list);
    constexpr LONG kCount = static_cast<LONG>(kPluginClassCount) - 1;
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 1, kCount);
    if (array == nullptr) throw ComError(E_OUTOFMEMORY);
    Variant result = Variant::FromArray(array);
    for (LONG index = 1; index <= kCount; ++index) {
      BStr text(GuidToString(kPluginClassInfo[static_cast<size_t>(index)].clsid));
      HRESULT hr = SafeArrayPutElement(array, &index, text.Get());
      if (FAILED(hr)) throw ComError(hr);
    }
    out = result.Detach();
  });
}

HRESULT TPlugin_Discover::GetInterfaceVersion(int32_t* major, int32_t* minor, int32_t* release) {
  return SafeCall([&] {
    auto& outMajor = OutArg(major);
    auto& outMinor = OutArg(minor);
    auto& outRelease = OutArg(release);
    outMajor = 1;
    outMinor = 2;
    outRelease = 0;
  });
}

HRESULT TPlugin_Discover::GetVersionText(const char** text) {
  return SafeCall([&] {
    auto& out = OutArg(text);
    out = kVersionText;
  });
}

void* TPlugin_Discover::FindInterface(const IID& iid) {
  if (iid == IID_IDispatch) return static_cast<IDispatch*>(this);
  if (iid == IID_IPluginDiscover) return static_cast<IPluginDiscover*>(this);
  return nullptr;
}

}  // namespace hostplugin
