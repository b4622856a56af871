#pragma once
// Tvk9ValuesServer: the values-server plug-in. It answers the host's question
// for named values (the default customer type) and carries a data text behind
// its own interface.

#include <cstdint>
#include <string>

#include "hostplugin/custom_server_plugin.h"

namespace dialogs {

class Tvk9ValuesServer : public hostplugin::TCustomServerPluginT<Ivk9ValuesServer> {
 public:
  const char* ClassName() const override { return "Tvk9ValuesServer"; }
  void Initialize() override;

  // Ivk9ValuesServer
  HRESULT Get_Data(BSTR* value) override;
  HRESULT Set_Data(BSTR value) override;
  HRESULT SupportsValueContext(int32_t context, WordBool* result) override;

 protected:
  void* FindInterface(const IID& iid) override;

  bool SupportsImpl(int32_t what) override { return what == 0; }
  bool GetValueImpl(int32_t handle, const std::string& valueName, int32_t valueContext,
                    VARIANT* value, WordBool* found) override;
  Variant GetValueNamesImpl() override;

  // Raised by the receipt processor around its customer pop-up.
  bool FPopupActive = false;
  // The customer business object worked on; -1 while none was created.
  int32_t FCustomerBO = -1;
  // Subsidiary number of the filter last set on that object.
  std::string FCustSbsNo;
  std::u16string FData;
};

}  // namespace dialogs
