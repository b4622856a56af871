#pragma once
// TPlugin_Discover: the object the host creates first to learn which plug-in
// classes the library offers and which interface version it speaks.

#include "host_interfaces/host_interfaces.h"
#include "platform/com/vtable_dispatch.h"

namespace hostplugin {

// The host calls it through the vtable only (see VtableDispatchObject).
class TPlugin_Discover : public VtableDispatchObject<IPluginDiscover> {
 public:
  // IPluginDiscover
  HRESULT GetPluginList(VARIANT* list) override;
  HRESULT GetInterfaceVersion(int32_t* major, int32_t* minor, int32_t* release) override;
  HRESULT GetVersionText(const char** text) override;

 protected:
  void* FindInterface(const IID& iid) override;
};

}  // namespace hostplugin
