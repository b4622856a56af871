#pragma once
// Configure plug-in base: the host's configuration entry. It answers IPlugin
// for the common calls and IConfigurePlugin for configuring.

#include "hostplugin/custom_abstract_plugin.h"

namespace hostplugin {

class TCustomConfigurePlugin : public TCustomAbstractPluginT<IPlugin, IConfigurePlugin> {
 public:
  const char* ClassName() const override { return "TCustomConfigurePlugin"; }

  // IConfigurePlugin
  HRESULT ConfigureAll() final;
  HRESULT ConfigureReserved(int32_t argument) final;
  HRESULT Supports(int32_t what, WordBool* result) final;

 protected:
  void* FindInterface(const IID& iid) override;

  virtual void ConfigureAllImpl() {}
};

}  // namespace hostplugin
