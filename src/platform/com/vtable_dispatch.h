#pragma once
// Base class of COM objects whose IDispatch interfaces are called through the
// vtable only: the object offers no type information and no late binding, so
// GetTypeInfoCount answers 0 and the other IDispatch methods E_NOTIMPL.

#include "platform/com/com_object.h"

template <class First, class... Rest>
class VtableDispatchObject : public ComObject<First, Rest...> {
 public:
  HRESULT GetTypeInfoCount(uint32_t* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(uint32_t, uint32_t, void** typeInfo) override {
    if (typeInfo != nullptr) *typeInfo = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetIDsOfNames(const IID&, OLECHAR**, uint32_t, uint32_t, int32_t*) override {
    return E_NOTIMPL;
  }
  HRESULT Invoke(int32_t, const IID&, uint32_t, uint16_t, void*, VARIANT*, void*,
                 uint32_t*) override {
    return E_NOTIMPL;
  }

 protected:
  using ComObject<First, Rest...>::ComObject;
};
