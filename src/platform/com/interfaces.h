#pragma once
// The basic COM interfaces as structs of pure virtual methods in COM slot
// order, so that the vtable has the COM layout. Interfaces have no virtual
// destructor: an object is destroyed by its own Release.

#include "platform/com/bstr.h"
#include "platform/com/guid.h"
#include "platform/com/types.h"

struct VARIANT;

inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IUnknown {
  virtual HRESULT QueryInterface(const IID& riid, void** ppv) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
  virtual HRESULT GetTypeInfo(uint32_t index, uint32_t lcid, void** typeInfo) = 0;
  virtual HRESULT GetIDsOfNames(const IID& riid, OLECHAR** names, uint32_t nameCount, uint32_t lcid,
                                int32_t* dispIds) = 0;
  virtual HRESULT Invoke(int32_t dispId, const IID& riid, uint32_t lcid, uint16_t flags,
                         void* params, VARIANT* result, void* excepInfo, uint32_t* argErr) = 0;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& riid, void** ppv) = 0;
  virtual HRESULT LockServer(int32_t lock) = 0;
};
