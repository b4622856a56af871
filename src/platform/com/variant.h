#pragma once
// VARIANT: a typed value as automation passes it, laid out like the
// platform's (a 16-bit type, three reserved words and a value union).
// Supported value types: empty, null, the integer types, single, double,
// currency (64-bit integer scaled by 10,000), date (OLE days, see ole_date.h),
// BSTR, boolean (-1/0), error code, IUnknown, IDispatch, and one-dimensional
// SAFEARRAYs (VT_ARRAY | element type).

#include <cstdint>
#include <string>

#include "platform/com/bstr.h"
#include "platform/com/interfaces.h"
#include "platform/com/types.h"

using VARTYPE = uint16_t;
using DATE = double;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,
};

// True for the scalar types that carry a value (every supported type but
// VT_EMPTY, VT_NULL and arrays).
bool IsScalarValueType(VARTYPE vt);

// Flag of VariantChangeType: booleans become "True"/"False" instead of
// "-1"/"0" when converted to text.
constexpr uint16_t VARIANT_ALPHABOOL = 0x02;

struct CY {
  int64_t int64;  // the amount times 10,000
};

struct SAFEARRAY;

struct VariantRecord {
  void* pvRecord;
  void* pRecInfo;
};

struct VARIANT {
  VARTYPE vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
  union {
    int64_t llVal;
    int32_t lVal;
    uint8_t bVal;
    int16_t iVal;
    float fltVal;
    double dblVal;
    WordBool boolVal;
    HRESULT scode;
    CY cyVal;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    int8_t cVal;
    uint16_t uiVal;
    uint32_t ulVal;
    uint64_t ullVal;
    int32_t intVal;
    uint32_t uintVal;
    VariantRecord record;  // keeps the union at the platform's size
  };
};
static_assert(sizeof(VARIANT) == 8 + 2 * sizeof(void*));

// Sets the variant to VT_EMPTY without looking at its old contents.
void VariantInit(VARIANT* v);
// Frees what the variant owns (string, interface reference, array) and sets it
// to VT_EMPTY. DISP_E_BADVARTYPE, with the variant untouched, for a type this
// module does not know.
HRESULT VariantClear(VARIANT* v);
// Clears `dst`, then copies `src` deeply (new string, AddRef, array copy).
HRESULT VariantCopy(VARIANT* dst, const VARIANT* src);
// Converts `src` to type `vt` into `dst` (which is cleared first; dst may be
// src). Failures leave `dst` unchanged and answer DISP_E_TYPEMISMATCH,
// DISP_E_OVERFLOW or DISP_E_BADVARTYPE. Numbers are rounded half to even when
// they lose their fraction; text is read and written with "." as the decimal
// separator and dates in the form of FormatOleDate.
HRESULT VariantChangeType(VARIANT* dst, const VARIANT* src, uint16_t flags, VARTYPE vt);

// A VARIANT that owns its contents. Copies are deep. The To... conversions
// throw ComError (DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW) when the value has
// no such form.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(bool value);
  Variant(int16_t value);
  Variant(int32_t value);
  Variant(int64_t value);
  Variant(double value);
  Variant(const std::string& utf8);
  Variant(const char* utf8);
  Variant(IUnknown* object);               // adds a reference
  Variant(IDispatch* object);              // adds a reference
  explicit Variant(const VARIANT& value);  // deep copy
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() { VariantClear(&v_); }

  static Variant Null();
  static Variant Currency(int64_t scaledBy10000);
  static Variant Date(double oleDays);
  // Takes ownership of the array; the variant's type is VT_ARRAY | element type.
  static Variant FromArray(SAFEARRAY* array);
  // Takes ownership of the contents of `value`, which is left VT_EMPTY.
  static Variant Attach(VARIANT& value);

  VARTYPE vt() const { return v_.vt; }
  bool IsEmpty() const { return v_.vt == VT_EMPTY; }
  bool IsNull() const { return v_.vt == VT_NULL; }
  const VARIANT& Get() const { return v_; }
  // Clears the value and returns it for an out parameter.
  VARIANT* Put();
  // Hands the contents to the caller, who must clear them; this becomes empty.
  VARIANT Detach();
  // The array of a VT_ARRAY variant (still owned by this), else null.
  SAFEARRAY* Array() const;

  // Text form: empty and null give "", booleans "True"/"False", numbers and
  // dates as VariantChangeType writes them. Arrays and objects throw.
  std::string ToString() const;
  int32_t ToInt() const;
  int64_t ToInt64() const;
  double ToDouble() const;
  bool ToBool() const;

 private:
  VARIANT Converted(VARTYPE vt, uint16_t flags = 0) const;
  VARIANT v_;
};

// A one-element array of `vt`, bounds lbound..lbound, holding a copy of
// `element` (a BSTR for VT_BSTR, a pointer to the value otherwise).
Variant SingleElementArray(VARTYPE vt, LONG lbound, void* element);
