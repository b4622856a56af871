#pragma once
// A class factory for one COM class T (a ComObject with a default
// constructor). CreateInstance refuses aggregation, builds a T, runs its
// Initialize() when T has one (set-up that must run before the caller gets
// the object) and answers the interface asked for. Failures answer an
// HRESULT; an object whose set-up fails is destroyed again.

#include "platform/com/com_object.h"
#include "platform/com/safecall.h"

template <class T>
class ClassFactory : public ComObject<IClassFactory> {
 public:
  ClassFactory() : ComObject(ComCounting::NotCounted) {}

  HRESULT CreateInstance(IUnknown* outer, const IID& riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    ComPtr<T> object;
    HRESULT hr = SafeCall([&] {
      object = MakeComObject<T>();
      if constexpr (requires(T & t) { t.Initialize(); }) object->Initialize();
    });
    if (FAILED(hr)) return hr;
    return object->QueryInterface(riid, ppv);
  }

  HRESULT LockServer(int32_t lock) override {
    ComLockServer(lock != 0);
    return S_OK;
  }

 protected:
  void* FindInterface(const IID& iid) override {
    return iid == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr;
  }
};
