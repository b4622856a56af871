#include "platform/com/safearray.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Size of one element, 0 for a type arrays cannot hold.
ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

uint16_t Features(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_UNKNOWN:
      return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    case VT_DISPATCH:
      return FADF_HAVEVARTYPE | FADF_DISPATCH;
    case VT_VARIANT:
      return FADF_HAVEVARTYPE | FADF_VARIANT;
    default:
      return FADF_HAVEVARTYPE;
  }
}

void* ElementAt(SAFEARRAY* a, ULONG offset) {
  return static_cast<unsigned char*>(a->pvData) + static_cast<size_t>(offset) * a->cbElements;
}

// Frees what one element owns and zeroes it.
void ReleaseElement(SAFEARRAY* a, void* element) {
  switch (a->vt) {
    case VT_BSTR: {
      auto* slot = static_cast<BSTR*>(element);
      SysFreeString(*slot);
      *slot = nullptr;
      break;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      auto* slot = static_cast<IUnknown**>(element);
      if (*slot) (*slot)->Release();
      *slot = nullptr;
      break;
    }
    case VT_VARIANT:
      VariantClear(static_cast<VARIANT*>(element));
      break;
    default:
      break;
  }
}

// Offset of `index` in the array, or DISP_E_BADINDEX.
HRESULT Offset(SAFEARRAY* a, const LONG* index, ULONG& offset) {
  if (a == nullptr || index == nullptr) return E_INVALIDARG;
  int64_t relative = static_cast<int64_t>(*index) - a->rgsabound[0].lLbound;
  if (relative < 0 || relative >= static_cast<int64_t>(a->rgsabound[0].cElements)) {
    return DISP_E_BADINDEX;
  }
  offset = static_cast<ULONG>(relative);
  return S_OK;
}

// Copies an element into a zeroed or owned destination slot of the same type.
HRESULT CopyElementOut(VARTYPE vt, const void* element, void* out) {
  switch (vt) {
    case VT_BSTR: {
      BSTR source = *static_cast<const BSTR*>(element);
      BSTR copy = source ? SysAllocStringLen(source, SysStringLen(source)) : nullptr;
      if (source && !copy) return E_OUTOFMEMORY;
      *static_cast<BSTR*>(out) = copy;
      return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      IUnknown* object = *static_cast<IUnknown* const*>(element);
      if (object) object->AddRef();
      *static_cast<IUnknown**>(out) = object;
      return S_OK;
    }
    case VT_VARIANT:
      return VariantCopy(static_cast<VARIANT*>(out), static_cast<const VARIANT*>(element));
    default:
      std::memcpy(out, element, ElementSize(vt));
      return S_OK;
  }
}

}  // namespace

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lbound, ULONG count) {
  ULONG size = ElementSize(vt);
  if (size == 0) return nullptr;
  int64_t ubound = static_cast<int64_t>(lbound) + count - 1;
  if (ubound > std::numeric_limits<LONG>::max() || ubound < std::numeric_limits<LONG>::min()) {
    return nullptr;
  }
  if (count > std::numeric_limits<size_t>::max() / size) return nullptr;
  auto* array = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
  if (array == nullptr) return nullptr;
  if (count > 0) {
    array->pvData = std::calloc(count, size);
    if (array->pvData == nullptr) {
      std::free(array);
      return nullptr;
    }
  }
  array->cDims = 1;
  array->fFeatures = Features(vt);
  array->cbElements = size;
  array->rgsabound[0] = {count, lbound};
  array->vt = vt;
  return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i) {
    ReleaseElement(array, ElementAt(array, i));
  }
  std::free(array->pvData);
  std::free(array);
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy) {
  if (array == nullptr || copy == nullptr) return E_INVALIDARG;
  *copy = nullptr;
  SAFEARRAY* result =
      SafeArrayCreateVector(array->vt, array->rgsabound[0].lLbound, array->rgsabound[0].cElements);
  if (result == nullptr) return E_OUTOFMEMORY;
  for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i) {
    HRESULT hr = CopyElementOut(array->vt, ElementAt(array, i), ElementAt(result, i));
    if (FAILED(hr)) {
      SafeArrayDestroy(result);
      return hr;
    }
  }
  *copy = result;
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array) {
  return array ? array->cDims : 0;
}

UINT SafeArrayGetElemsize(SAFEARRAY* array) {
  return array ? array->cbElements : 0;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
  if (array == nullptr || vt == nullptr) return E_INVALIDARG;
  *vt = array->vt;
  return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lbound) {
  if (array == nullptr || lbound == nullptr) return E_INVALIDARG;
  if (dim != 1) return DISP_E_BADINDEX;
  *lbound = array->rgsabound[0].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* ubound) {
  if (array == nullptr || ubound == nullptr) return E_INVALIDARG;
  if (dim != 1) return DISP_E_BADINDEX;
  *ubound = static_cast<LONG>(static_cast<int64_t>(array->rgsabound[0].lLbound) +
                              array->rgsabound[0].cElements - 1);
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* index, void* value) {
  if (value == nullptr) return E_INVALIDARG;
  ULONG offset = 0;
  HRESULT hr = Offset(array, index, offset);
  if (FAILED(hr)) return hr;
  ++array->cLocks;
  hr = CopyElementOut(array->vt, ElementAt(array, offset), value);
  --array->cLocks;
  return hr;
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* index, void* value) {
  ULONG offset = 0;
  HRESULT hr = Offset(array, index, offset);
  if (FAILED(hr)) return hr;
  void* element = ElementAt(array, offset);
  ++array->cLocks;
  switch (array->vt) {
    case VT_BSTR: {
      auto source = static_cast<BSTR>(value);
      BSTR copy = source ? SysAllocStringLen(source, SysStringLen(source)) : nullptr;
      if (source && !copy) {
        hr = E_OUTOFMEMORY;
        break;
      }
      ReleaseElement(array, element);
      *static_cast<BSTR*>(element) = copy;
      break;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      auto* object = static_cast<IUnknown*>(value);
      if (object) object->AddRef();
      ReleaseElement(array, element);
      *static_cast<IUnknown**>(element) = object;
      break;
    }
    case VT_VARIANT:
      if (value == nullptr) {
        hr = E_INVALIDARG;
        break;
      }
      hr = VariantCopy(static_cast<VARIANT*>(element), static_cast<const VARIANT*>(value));
      break;
    default:
      if (value == nullptr) {
        hr = E_INVALIDARG;
        break;
      }
      std::memcpy(element, value, array->cbElements);
      break;
  }
  --array->cLocks;
  return hr;
}

HRESULT SafeArrayLock(SAFEARRAY* array) {
  if (array == nullptr) return E_INVALIDARG;
  ++array->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* array) {
  if (array == nullptr) return E_INVALIDARG;
  if (array->cLocks == 0) return E_UNEXPECTED;
  --array->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
  if (array == nullptr || data == nullptr) return E_INVALIDARG;
  ++array->cLocks;
  *data = array->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
  return SafeArrayUnlock(array);
}
