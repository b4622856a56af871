// An in-memory host adapter for the field-reader tests: attributes of any
// business object by name, preferences by number, a status to fail with, and
// a record of what was asked.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host_interfaces/host_interfaces.h"
#include "platform/com/com.h"

namespace bofields_test {

class FakeAdapter : public IPluginAdapter {
 public:
  std::map<std::string, Variant> fields;
  std::map<int32_t, Variant> prefs;
  HRESULT failWith = S_OK;
  std::vector<std::pair<int32_t, std::string>> fieldReads;  // handle, name
  std::vector<std::pair<int32_t, int32_t>> prefReads;       // number, subsidiary

  HRESULT BOGetAttrValue(int32_t handle, BSTR attrName, VARIANT* value) override {
    const std::string name = Utf8FromBstr(attrName);
    fieldReads.emplace_back(handle, name);
    if (FAILED(failWith)) return failWith;
    VariantInit(value);
    auto it = fields.find(name);
    if (it == fields.end()) return S_OK;
    return VariantCopy(value, &it->second.Get());
  }
  HRESULT GetPreference(int32_t number, int32_t subsidiary, VARIANT* value) override {
    prefReads.emplace_back(number, subsidiary);
    if (FAILED(failWith)) return failWith;
    VariantInit(value);
    auto it = prefs.find(number);
    if (it == prefs.end()) return S_OK;
    return VariantCopy(value, &it->second.Get());
  }

  // Lives on the test's stack: no counting, no other interfaces.
  HRESULT QueryInterface(const IID&, void** ppv) override {
    if (ppv != nullptr) *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(uint32_t*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(uint32_t, uint32_t, void**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(const IID&, OLECHAR**, uint32_t, uint32_t, int32_t*) override {
    return E_NOTIMPL;
  }
  HRESULT Invoke(int32_t, const IID&, uint32_t, uint16_t, void*, VARIANT*, void*,
                 uint32_t*) override {
    return E_NOTIMPL;
  }

  HRESULT Reserved000() override { return E_NOTIMPL; }
  HRESULT BOSetAttrValue(int32_t, BSTR, const VARIANT*, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved003() override { return E_NOTIMPL; }
  HRESULT Reserved004() override { return E_NOTIMPL; }
  HRESULT Reserved005() override { return E_NOTIMPL; }
  HRESULT BOIsOpen(int32_t, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved007() override { return E_NOTIMPL; }
  HRESULT Reserved008() override { return E_NOTIMPL; }
  HRESULT Reserved009() override { return E_NOTIMPL; }
  HRESULT Reserved010() override { return E_NOTIMPL; }
  HRESULT BOIsActive(int32_t, WordBool*) override { return E_NOTIMPL; }
  HRESULT Reserved012() override { return E_NOTIMPL; }
  HRESULT Reserved013() override { return E_NOTIMPL; }
  HRESULT Reserved014() override { return E_NOTIMPL; }
  HRESULT Reserved015() override { return E_NOTIMPL; }
  HRESULT Reserved016() override { return E_NOTIMPL; }
  HRESULT BOOperation17(int32_t, WordBool, const VARIANT*, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved018() override { return E_NOTIMPL; }
  HRESULT Reserved019() override { return E_NOTIMPL; }
  HRESULT Reserved020() override { return E_NOTIMPL; }
  HRESULT Reserved021() override { return E_NOTIMPL; }
  HRESULT Reserved022() override { return E_NOTIMPL; }
  HRESULT Reserved023() override { return E_NOTIMPL; }
  HRESULT Reserved024() override { return E_NOTIMPL; }
  HRESULT Reserved025() override { return E_NOTIMPL; }
  HRESULT BOOpen(int32_t, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved027() override { return E_NOTIMPL; }
  HRESULT BOClose(int32_t, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved029() override { return E_NOTIMPL; }
  HRESULT BOEdit(int32_t, int32_t*) override { return E_NOTIMPL; }
  HRESULT BOInsert(int32_t, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved032() override { return E_NOTIMPL; }
  HRESULT BOPost(int32_t, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved034() override { return E_NOTIMPL; }
  HRESULT Reserved035() override { return E_NOTIMPL; }
  HRESULT Reserved036() override { return E_NOTIMPL; }
  HRESULT BOFirst(int32_t, int32_t*) override { return E_NOTIMPL; }
  HRESULT BONext(int32_t, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved039() override { return E_NOTIMPL; }
  HRESULT Reserved040() override { return E_NOTIMPL; }
  HRESULT Reserved041() override { return E_NOTIMPL; }
  HRESULT Reserved042() override { return E_NOTIMPL; }
  HRESULT BOEof(int32_t, WordBool*) override { return E_NOTIMPL; }
  HRESULT Reserved044() override { return E_NOTIMPL; }
  HRESULT Reserved045() override { return E_NOTIMPL; }
  HRESULT Reserved046() override { return E_NOTIMPL; }
  HRESULT Reserved047() override { return E_NOTIMPL; }
  HRESULT Reserved048() override { return E_NOTIMPL; }
  HRESULT Reserved049() override { return E_NOTIMPL; }
  HRESULT Reserved050() override { return E_NOTIMPL; }
  HRESULT Reserved051() override { return E_NOTIMPL; }
  HRESULT Reserved052() override { return E_NOTIMPL; }
  HRESULT Reserved053() override { return E_NOTIMPL; }
  HRESULT Reserved054() override { return E_NOTIMPL; }
  HRESULT Reserved055() override { return E_NOTIMPL; }
  HRESULT Reserved056() override { return E_NOTIMPL; }
  HRESULT Reserved057() override { return E_NOTIMPL; }
  HRESULT Reserved058() override { return E_NOTIMPL; }
  HRESULT Reserved059() override { return E_NOTIMPL; }
  HRESULT Reserved060() override { return E_NOTIMPL; }
  HRESULT Reserved061() override { return E_NOTIMPL; }
  HRESULT Reserved062() override { return E_NOTIMPL; }
  HRESULT Reserved063() override { return E_NOTIMPL; }
  HRESULT Reserved064() override { return E_NOTIMPL; }
  HRESULT Reserved065() override { return E_NOTIMPL; }
  HRESULT BOCreate(int32_t, int32_t*, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved067() override { return E_NOTIMPL; }
  HRESULT Reserved068() override { return E_NOTIMPL; }
  HRESULT Reserved069() override { return E_NOTIMPL; }
  HRESULT Reserved070() override { return E_NOTIMPL; }
  HRESULT Reserved071() override { return E_NOTIMPL; }
  HRESULT Reserved072() override { return E_NOTIMPL; }
  HRESULT Reserved073() override { return E_NOTIMPL; }
  HRESULT Reserved074() override { return E_NOTIMPL; }
  HRESULT Reserved075() override { return E_NOTIMPL; }
  HRESULT Reserved076() override { return E_NOTIMPL; }
  HRESULT Reserved077() override { return E_NOTIMPL; }
  HRESULT BOGetChild(int32_t, BSTR, int32_t*, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved080() override { return E_NOTIMPL; }
  HRESULT Reserved081() override { return E_NOTIMPL; }
  HRESULT Reserved082() override { return E_NOTIMPL; }
  HRESULT BOIncludeAttrForced(int32_t, BSTR, WordBool, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved084() override { return E_NOTIMPL; }
  HRESULT Reserved085() override { return E_NOTIMPL; }
  HRESULT Reserved086() override { return E_NOTIMPL; }
  HRESULT Reserved087() override { return E_NOTIMPL; }
  HRESULT Reserved088() override { return E_NOTIMPL; }
  HRESULT Reserved089() override { return E_NOTIMPL; }
  HRESULT Reserved090() override { return E_NOTIMPL; }
  HRESULT BOSetFilterAttr(int32_t, BSTR, const VARIANT*, int32_t, int32_t, int32_t,
                          int32_t*) override {
    return E_NOTIMPL;
  }
  HRESULT Reserved092() override { return E_NOTIMPL; }
  HRESULT Reserved093() override { return E_NOTIMPL; }
  HRESULT Reserved094() override { return E_NOTIMPL; }
  HRESULT BOOperation95(int32_t, const VARIANT*, int32_t*) override { return E_NOTIMPL; }
  HRESULT Reserved096() override { return E_NOTIMPL; }
  HRESULT Reserved097() override { return E_NOTIMPL; }
  HRESULT Reserved098() override { return E_NOTIMPL; }
  HRESULT Reserved099() override { return E_NOTIMPL; }
  HRESULT Reserved100() override { return E_NOTIMPL; }
  HRESULT Reserved101() override { return E_NOTIMPL; }
  HRESULT Reserved102() override { return E_NOTIMPL; }
  HRESULT Reserved103() override { return E_NOTIMPL; }
  HRESULT Reserved104() override { return E_NOTIMPL; }
  HRESULT Reserved105() override { return E_NOTIMPL; }
  HRESULT Reserved106() override { return E_NOTIMPL; }
  HRESULT Reserved107() override { return E_NOTIMPL; }
  HRESULT Reserved108() override { return E_NOTIMPL; }
  HRESULT Reserved109() override { return E_NOTIMPL; }
  HRESULT Reserved110() override { return E_NOTIMPL; }
  HRESULT Reserved111() override { return E_NOTIMPL; }
  HRESULT Reserved112() override { return E_NOTIMPL; }
  HRESULT Reserved113() override { return E_NOTIMPL; }
  HRESULT Reserved114() override { return E_NOTIMPL; }
  HRESULT Reserved115() override { return E_NOTIMPL; }
  HRESULT Reserved116() override { return E_NOTIMPL; }
  HRESULT Reserved117() override { return E_NOTIMPL; }
  HRESULT Reserved118() override { return E_NOTIMPL; }
  HRESULT Reserved119() override { return E_NOTIMPL; }
  HRESULT Reserved120() override { return E_NOTIMPL; }
  HRESULT Reserved121() override { return E_NOTIMPL; }
  HRESULT GetLastErrorMessage(BSTR*) override { return E_NOTIMPL; }
  HRESULT GetLastErrorCode(int32_t*) override { return E_NOTIMPL; }
  HRESULT GetLastErrorFunction(BSTR*) override { return E_NOTIMPL; }
  HRESULT Operation125(int32_t*) override { return E_NOTIMPL; }
  HRESULT BOReprint(int32_t, int32_t, BSTR, int32_t*) override { return E_NOTIMPL; }
};

}  // namespace bofields_test
