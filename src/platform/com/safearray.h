#pragma once
// SAFEARRAY: one-dimensional arrays with a lower bound, of any VARIANT value
// type (VT_BSTR, VT_VARIANT, VT_UNKNOWN, VT_DISPATCH and the scalar types).
//
// Element transfer follows the platform's conventions:
//  - PutElement copies in: for VT_BSTR `value` is the BSTR itself, for
//    VT_UNKNOWN/VT_DISPATCH the interface pointer itself, for VT_VARIANT a
//    VARIANT*, otherwise a pointer to the value. The element's old contents
//    are freed.
//  - GetElement copies out into `*value`: a new BSTR, an added reference, a
//    VariantCopy (the destination VARIANT must be initialised: it is cleared
//    first) or the plain value.
// Out-of-range indices answer DISP_E_BADINDEX, a null array E_INVALIDARG.

#include "platform/com/variant.h"

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};

constexpr uint16_t FADF_HAVEVARTYPE = 0x0080;
constexpr uint16_t FADF_BSTR = 0x0100;
constexpr uint16_t FADF_UNKNOWN = 0x0200;
constexpr uint16_t FADF_DISPATCH = 0x0400;
constexpr uint16_t FADF_VARIANT = 0x0800;

struct SAFEARRAY {
  uint16_t cDims;
  uint16_t fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
  VARTYPE vt;  // the element type (kept before the header on the platform)
};

// Null for an unsupported element type, or when lbound + count - 1 does not
// fit a LONG, or when memory runs out. Elements start zeroed (VT_EMPTY,
// null strings and interfaces).
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lbound, ULONG count);
// Frees the elements and the array; DISP_E_ARRAYISLOCKED while it is locked.
HRESULT SafeArrayDestroy(SAFEARRAY* array);
// Deep copy.
HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy);
UINT SafeArrayGetDim(SAFEARRAY* array);
UINT SafeArrayGetElemsize(SAFEARRAY* array);
HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
// `dim` counts from 1; only 1 exists.
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* ubound);
HRESULT SafeArrayGetElement(SAFEARRAY* array, const LONG* index, void* value);
HRESULT SafeArrayPutElement(SAFEARRAY* array, const LONG* index, void* value);
// Direct access to the element storage; the array stays locked until
// SafeArrayUnaccessData.
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
HRESULT SafeArrayLock(SAFEARRAY* array);
HRESULT SafeArrayUnlock(SAFEARRAY* array);
