#include "hostplugin/custom_configure_plugin.h"

namespace hostplugin {

HRESULT TCustomConfigurePlugin::ConfigureAll() {
  return SafeCall([&] { ConfigureAllImpl(); });
}

HRESULT TCustomConfigurePlugin::ConfigureReserved(int32_t /*argument*/) {
  return S_OK;
}

HRESULT TCustomConfigurePlugin::Supports(int32_t what, WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(SupportsImpl(what));
  });
}

void* TCustomConfigurePlugin::FindInterface(const IID& iid) {
  if (iid == IID_IConfigurePlugin) return static_cast<IConfigurePlugin*>(this);
  return TCustomAbstractPluginT::FindInterface(iid);
}

}  // namespace hostplugin
