#pragma once
// Print plug-in base: notified around printing. The host hands the print
// document in as the print context before the print event.

#include "hostplugin/custom_abstract_plugin.h"

namespace hostplugin {

class TCustomPrintPlugin : public TCustomBOPluginT<IPrintPlugin> {
 public:
  const char* ClassName() const override { return "TCustomPrintPlugin"; }

  // IPrintPlugin
  HRESULT Get_PrintContext(IUnknown** value) final;
  HRESULT Set_PrintContext(IUnknown* value) final;
  HRESULT Supports(int32_t what, WordBool* result) final;

 protected:
  void* FindInterface(const IID& iid) override;

  virtual ComPtr<IUnknown> Get_PrintContextImpl() { return FPrintContext; }
  virtual void Set_PrintContextImpl(IUnknown* context) {
    FPrintContext = ComPtr<IUnknown>(context);
  }

  ComPtr<IUnknown> FPrintContext;
};

}  // namespace hostplugin
