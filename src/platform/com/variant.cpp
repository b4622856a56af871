#include "platform/com/variant.h"

#include <cstring>
#include <utility>

#include "platform/com/com_error.h"
#include "platform/com/safearray.h"

namespace {

bool IsKnown(VARTYPE vt) {
  if (vt & VT_ARRAY) return true;  // the array itself knows its element type
  return vt == VT_EMPTY || vt == VT_NULL || IsScalarValueType(vt);
}

}  // namespace

bool IsScalarValueType(VARTYPE vt) {
  switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

void VariantInit(VARIANT* v) {
  if (v == nullptr) return;
  std::memset(v, 0, sizeof *v);
  v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
  if (v == nullptr) return E_INVALIDARG;
  if (!IsKnown(v->vt)) return DISP_E_BADVARTYPE;
  if (v->vt & VT_ARRAY) {
    HRESULT hr = SafeArrayDestroy(v->parray);
    if (FAILED(hr)) return hr;
  } else if (v->vt == VT_BSTR) {
    SysFreeString(v->bstrVal);
  } else if (v->vt == VT_UNKNOWN || v->vt == VT_DISPATCH) {
    if (v->punkVal) v->punkVal->Release();
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dst, const VARIANT* src) {
  if (dst == nullptr || src == nullptr) return E_INVALIDARG;
  if (dst == src) return S_OK;
  if (!IsKnown(src->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy = *src;
  if (src->vt & VT_ARRAY) {
    if (src->parray) {
      HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
      if (FAILED(hr)) return hr;
    }
  } else if (src->vt == VT_BSTR) {
    if (src->bstrVal) {
      copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
      if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    }
  } else if (src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) {
    if (src->punkVal) src->punkVal->AddRef();
  }
  HRESULT hr = VariantClear(dst);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *dst = copy;
  return S_OK;
}

// --- Variant ---------------------------------------------------------------

Variant::Variant(bool value) : Variant() {
  v_.vt = VT_BOOL;
  v_.boolVal = ToWordBool(value);
}

Variant::Variant(int16_t value) : Variant() {
  v_.vt = VT_I2;
  v_.iVal = value;
}

Variant::Variant(int32_t value) : Variant() {
  v_.vt = VT_I4;
  v_.lVal = value;
}

Variant::Variant(int64_t value) : Variant() {
  v_.vt = VT_I8;
  v_.llVal = value;
}

Variant::Variant(double value) : Variant() {
  v_.vt = VT_R8;
  v_.dblVal = value;
}

Variant::Variant(const std::string& utf8) : Variant() {
  BSTR text = BstrFromUtf8(utf8);
  if (text == nullptr) throw ComError(E_OUTOFMEMORY);
  v_.vt = VT_BSTR;
  v_.bstrVal = text;
}

Variant::Variant(const char* utf8) : Variant(std::string(utf8 ? utf8 : "")) {}

Variant::Variant(IUnknown* object) : Variant() {
  v_.vt = VT_UNKNOWN;
  v_.punkVal = object;
  if (object) object->AddRef();
}

Variant::Variant(IDispatch* object) : Variant() {
  v_.vt = VT_DISPATCH;
  v_.pdispVal = object;
  if (object) object->AddRef();
}

Variant::Variant(const VARIANT& value) : Variant() {
  HRESULT hr = VariantCopy(&v_, &value);
  if (FAILED(hr)) throw ComError(hr, "cannot copy variant");
}

Variant::Variant(const Variant& other) : Variant(other.v_) {}

Variant::Variant(Variant&& other) noexcept : v_(other.v_) {
  VariantInit(&other.v_);
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    std::swap(v_, copy.v_);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    VariantClear(&v_);
    v_ = other.v_;
    VariantInit(&other.v_);
  }
  return *this;
}

Variant Variant::Null() {
  Variant result;
  result.v_.vt = VT_NULL;
  return result;
}

Variant Variant::Currency(int64_t scaledBy10000) {
  Variant result;
  result.v_.vt = VT_CY;
  result.v_.cyVal.int64 = scaledBy10000;
  return result;
}

Variant Variant::Date(double oleDays) {
  Variant result;
  result.v_.vt = VT_DATE;
  result.v_.date = oleDays;
  return result;
}

Variant Variant::FromArray(SAFEARRAY* array) {
  Variant result;
  if (array == nullptr) return result;
  result.v_.vt = static_cast<VARTYPE>(VT_ARRAY | array->vt);
  result.v_.parray = array;
  return result;
}

Variant Variant::Attach(VARIANT& value) {
  Variant result;
  result.v_ = value;
  VariantInit(&value);
  return result;
}

VARIANT* Variant::Put() {
  VariantClear(&v_);
  return &v_;
}

VARIANT Variant::Detach() {
  VARIANT result = v_;
  VariantInit(&v_);
  return result;
}

SAFEARRAY* Variant::Array() const {
  return (v_.vt & VT_ARRAY) ? v_.parray : nullptr;
}

VARIANT Variant::Converted(VARTYPE vt, uint16_t flags) const {
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = VariantChangeType(&result, &v_, flags, vt);
  if (FAILED(hr)) {
    throw ComError(hr, hr == DISP_E_OVERFLOW ? "variant value out of range"
                                             : "variant value has no such form");
  }
  return result;
}

std::string Variant::ToString() const {
  if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return {};
  VARIANT text = Converted(VT_BSTR, VARIANT_ALPHABOOL);
  std::string result = Utf8FromBstr(text.bstrVal);
  VariantClear(&text);
  return result;
}

int32_t Variant::ToInt() const {
  return Converted(VT_I4).lVal;
}

int64_t Variant::ToInt64() const {
  return Converted(VT_I8).llVal;
}

double Variant::ToDouble() const {
  return Converted(VT_R8).dblVal;
}

bool Variant::ToBool() const {
  return FromWordBool(Converted(VT_BOOL).boolVal);
}

Variant SingleElementArray(VARTYPE vt, LONG lbound, void* element) {
  SAFEARRAY* array = SafeArrayCreateVector(vt, lbound, 1);
  if (array == nullptr) throw ComError(E_OUTOFMEMORY);
  Variant result = Variant::FromArray(array);
  HRESULT hr = SafeArrayPutElement(array, &lbound, element);
  if (FAILED(hr)) throw ComError(hr);
  return result;
}
