#include "dialogs/vk9_values_server.h"

#include "hostplugin/plugin_class_table.h"
#include "platform/com/safearray.h"

namespace dialogs {

using hostplugin::OutArg;

namespace {

constexpr const char kDefaultCustomerType[] = "DEFAULTCUSTOMERTYPE";

// A one-element array, bounds 1..1, of `vt` holding `element`.
Variant SingleElementArray(VARTYPE vt, void* element) {
  SAFEARRAY* array = SafeArrayCreateVector(vt, 1, 1);
  if (array == nullptr) throw ComError(E_OUTOFMEMORY);
  Variant result = Variant::FromArray(array);
  LONG index = 1;
  HRESULT hr = SafeArrayPutElement(array, &index, element);
  if (FAILED(hr)) throw ComError(hr);
  return result;
}

}  // namespace

void Tvk9ValuesServer::Initialize() {
  TCustomServerPluginT::Initialize();
  FDescription = "Norvane Values Server";
  FGUID = hostplugin::CLSID_vk9ValuesServer;
  FData.clear();
}

HRESULT Tvk9ValuesServer::Get_Data(BSTR* value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    BSTR text = SysAllocStringLen(FData.data(), static_cast<uint32_t>(FData.size()));
    if (text == nullptr) throw ComError(E_OUTOFMEMORY);
    out = text;
  });
}

HRESULT Tvk9ValuesServer::Set_Data(BSTR value) {
  return SafeCall([&] { FData.assign(value != nullptr ? value : u"", SysStringLen(value)); });
}

HRESULT Tvk9ValuesServer::SupportsValueContext(int32_t context, WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(context == 0);
  });
}

void* Tvk9ValuesServer::FindInterface(const IID& iid) {
  if (iid == IID_Ivk9ValuesServer) return static_cast<Ivk9ValuesServer*>(this);
  return TCustomServerPluginT::FindInterface(iid);
}

bool Tvk9ValuesServer::GetValueImpl(int32_t /*handle*/, const std::string& valueName,
                                    int32_t /*valueContext*/, VARIANT* value, WordBool* found) {
  if (valueName == kDefaultCustomerType) {
    int32_t customerType = 0;
    Variant answer = SingleElementArray(VT_I4, &customerType);
    *value = answer.Detach();
    *found = VARIANT_TRUE;
  }
  return false;
}

Variant Tvk9ValuesServer::GetValueNamesImpl() {
  BStr name(std::string(".") + kDefaultCustomerType + ".");
  return SingleElementArray(VT_BSTR, name.Get());
}

}  // namespace dialogs
