#pragma once
// TPlugin_Discover: the object the host creates first to learn which plug-in
// classes the library offers and which interface version it speaks.

#include "hostplugin/host_interfaces.h"
#include "platform/com/com_object.h"

namespace hostplugin {

class TPlugin_Discover : public ComObject<IPluginDiscover> {
 public:
  // IDispatch: the host calls through the vtable only.
  HRESULT GetTypeInfoCount(uint32_t* count) override;
  HRESULT GetTypeInfo(uint32_t index, uint32_t lcid, void** typeInfo) override;
  HRESULT GetIDsOfNames(const IID& riid, OLECHAR** names, uint32_t nameCount, uint32_t lcid,
                        int32_t* dispIds) override;
  HRESULT Invoke(int32_t dispId, const IID& riid, uint32_t lcid, uint16_t flags, void* params,
                 VARIANT* result, void* excepInfo, uint32_t* argErr) override;

  // IPluginDiscover
  HRESULT GetPluginList(VARIANT* list) override;
  HRESULT GetInterfaceVersion(int32_t* major, int32_t* minor, int32_t* release) override;
  HRESULT GetVersionText(const char** text) override;

 protected:
  void* FindInterface(const IID& iid) override;
};

}  // namespace hostplugin
