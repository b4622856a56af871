#include "hostplugin/custom_print_plugin.h"

namespace hostplugin {

HRESULT TCustomPrintPlugin::Get_PrintContext(IUnknown** value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    out = Get_PrintContextImpl().Detach();
  });
}

HRESULT TCustomPrintPlugin::Set_PrintContext(IUnknown* value) {
  return SafeCall([&] { Set_PrintContextImpl(value); });
}

HRESULT TCustomPrintPlugin::Supports(int32_t what, WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(SupportsImpl(what));
  });
}

void* TCustomPrintPlugin::FindInterface(const IID& iid) {
  if (iid == IID_IPrintPlugin) return static_cast<IPrintPlugin*>(this);
  return TCustomBOPluginT::FindInterface(iid);
}

}  // namespace hostplugin
