// VariantChangeType: conversions between the value types of a VARIANT.

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "platform/com/ole_date.h"
#include "platform/com/variant.h"
#include "platform/text.h"

namespace {

// A value on its way from one type to another.
struct Number {
  enum Kind { Integer, Unsigned, Real, Currency } kind = Integer;
  int64_t i = 0;   // Integer, Currency (scaled by 10,000)
  uint64_t u = 0;  // Unsigned above the range of int64_t
  double r = 0;    // Real
};

using platform::Trim;

// Reads a decimal number: optional sign, digits with an optional fraction,
// optional exponent. Whole numbers that fit stay integers.
std::optional<Number> ParseNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  size_t pos = 0;
  if (pos < text.size() && text[pos] == '-') ++pos;
  size_t digits = 0;
  bool real = false;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos, ++digits;
  if (pos < text.size() && text[pos] == '.') {
    real = true;
    ++pos;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
      ++pos, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    real = true;
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    size_t expDigits = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
      ++pos, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  Number n;
  if (!real) {
    if (std::from_chars(first, last, n.i).ec == std::errc()) return n;
    if (text.front() != '-' && std::from_chars(first, last, n.u).ec == std::errc()) {
      n.kind = Number::Unsigned;
      return n;
    }
  }
  n.kind = Number::Real;
  auto result = std::from_chars(first, last, n.r);
  if (result.ec == std::errc::result_out_of_range) {
    n.r = text.front() == '-' ? -HUGE_VAL : HUGE_VAL;  // reported as overflow later
  } else if (result.ec != std::errc()) {
    return std::nullopt;
  }
  return n;
}

// Rounds half to even.
double RoundEven(double value) {
  return value - std::remainder(value, 1.0);
}

int64_t DivideRoundEven(int64_t value, int64_t divisor) {
  int64_t q = value / divisor;
  int64_t rem = value % divisor;
  int64_t twice = 2 * (rem < 0 ? -rem : rem);
  if (twice > divisor || (twice == divisor && (q % 2 != 0))) q += value < 0 ? -1 : 1;
  return q;
}

// The value as a whole number in [lo, hi].
HRESULT ToInteger(const Number& n, int64_t lo, int64_t hi, int64_t& out) {
  switch (n.kind) {
    case Number::Integer:
      out = n.i;
      break;
    case Number::Unsigned:
      return DISP_E_OVERFLOW;
    case Number::Currency:
      out = DivideRoundEven(n.i, 10000);
      break;
    case Number::Real: {
      if (std::isnan(n.r)) return DISP_E_OVERFLOW;
      double rounded = RoundEven(n.r);
      // 2^63 is exact in a double; int64_t covers [-2^63, 2^63).
      if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0)) {
        return DISP_E_OVERFLOW;
      }
      out = static_cast<int64_t>(rounded);
      break;
    }
  }
  return out < lo || out > hi ? DISP_E_OVERFLOW : S_OK;
}

HRESULT ToUnsigned64(const Number& n, uint64_t& out) {
  if (n.kind == Number::Unsigned) {
    out = n.u;
    return S_OK;
  }
  if (n.kind == Number::Real) {
    if (std::isnan(n.r)) return DISP_E_OVERFLOW;
    double rounded = RoundEven(n.r);
    if (!(rounded >= 0 && rounded < 18446744073709551616.0)) return DISP_E_OVERFLOW;
    out = static_cast<uint64_t>(rounded);
    return S_OK;
  }
  int64_t value = 0;
  HRESULT hr = ToInteger(n, 0, std::numeric_limits<int64_t>::max(), value);
  out = static_cast<uint64_t>(value);
  return hr;
}

double ToReal(const Number& n) {
  switch (n.kind) {
    case Number::Integer:
      return static_cast<double>(n.i);
    case Number::Unsigned:
      return static_cast<double>(n.u);
    case Number::Currency:
      return static_cast<double>(n.i) / 10000.0;
    case Number::Real:
      break;
  }
  return n.r;
}

HRESULT ToCurrency(const Number& n, int64_t& out) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  switch (n.kind) {
    case Number::Currency:
      out = n.i;
      return S_OK;
    case Number::Integer:
      if (n.i > kMax / 10000 || n.i < -(kMax / 10000)) return DISP_E_OVERFLOW;
      out = n.i * 10000;
      return S_OK;
    case Number::Unsigned:
      return DISP_E_OVERFLOW;
    case Number::Real: {
      if (std::isnan(n.r)) return DISP_E_OVERFLOW;
      double scaled = RoundEven(n.r * 10000.0);
      if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0)) {
        return DISP_E_OVERFLOW;
      }
      out = static_cast<int64_t>(scaled);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

// General number form with `precision` significant digits: "0.5", "1234",
// "1E20", "1.5E-7".
std::string FormatReal(double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", precision, value);
  std::string s = text;
  size_t e = s.find('e');
  if (e == std::string::npos) return s;
  std::string mantissa = s.substr(0, e);
  std::string exponent = s.substr(e + 1);
  bool negative = exponent[0] == '-';
  size_t digits = exponent.find_first_not_of("+-0");
  return mantissa + "E" + (negative ? "-" : "") +
         (digits == std::string::npos ? "0" : exponent.substr(digits));
}

std::string FormatCurrency(int64_t scaled) {
  bool negative = scaled < 0;
  // Work in unsigned to keep the most negative value.
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string text = std::to_string(magnitude / 10000);
  auto fraction = static_cast<unsigned>(magnitude % 10000);
  if (fraction != 0) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04u", fraction);
    std::string f = digits;
    f.erase(f.find_last_not_of('0') + 1);
    text += "." + f;
  }
  return negative ? "-" + text : text;
}

bool IsInterface(VARTYPE vt) {
  return vt == VT_UNKNOWN || vt == VT_DISPATCH;
}

// The number a scalar variant holds; type mismatch for text that is no number.
HRESULT ReadNumber(const VARIANT& v, Number& n) {
  switch (v.vt) {
    case VT_EMPTY:
      n.i = 0;
      return S_OK;
    case VT_I1:
      n.i = v.cVal;
      return S_OK;
    case VT_UI1:
      n.i = v.bVal;
      return S_OK;
    case VT_I2:
      n.i = v.iVal;
      return S_OK;
    case VT_UI2:
      n.i = v.uiVal;
      return S_OK;
    case VT_I4:
    case VT_INT:
      n.i = v.lVal;
      return S_OK;
    case VT_UI4:
    case VT_UINT:
      n.i = v.ulVal;
      return S_OK;
    case VT_I8:
      n.i = v.llVal;
      return S_OK;
    case VT_UI8:
      if (v.ullVal > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        n.kind = Number::Unsigned;
        n.u = v.ullVal;
      } else {
        n.i = static_cast<int64_t>(v.ullVal);
      }
      return S_OK;
    case VT_BOOL:
      n.i = v.boolVal != 0 ? -1 : 0;
      return S_OK;
    case VT_R4:
      n.kind = Number::Real;
      n.r = v.fltVal;
      return S_OK;
    case VT_R8:
    case VT_DATE:
      n.kind = Number::Real;
      n.r = v.dblVal;
      return S_OK;
    case VT_CY:
      n.kind = Number::Currency;
      n.i = v.cyVal.int64;
      return S_OK;
    case VT_BSTR: {
      auto parsed = ParseNumber(Utf8FromBstr(v.bstrVal));
      if (!parsed) return DISP_E_TYPEMISMATCH;
      n = *parsed;
      return S_OK;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToText(const VARIANT& v, uint16_t flags, std::string& out) {
  switch (v.vt) {
    case VT_EMPTY:
      out.clear();
      return S_OK;
    case VT_BOOL:
      if (flags & VARIANT_ALPHABOOL) {
        out = v.boolVal ? "True" : "False";
      } else {
        out = v.boolVal ? "-1" : "0";
      }
      return S_OK;
    case VT_R4:
      out = FormatReal(v.fltVal, 7);
      return S_OK;
    case VT_R8:
      out = FormatReal(v.dblVal, 15);
      return S_OK;
    case VT_CY:
      out = FormatCurrency(v.cyVal.int64);
      return S_OK;
    case VT_DATE:
      out = FormatOleDate(v.date);
      return out.empty() ? DISP_E_OVERFLOW : S_OK;
    case VT_UI8:
      out = std::to_string(v.ullVal);
      return S_OK;
    default: {
      Number n;
      HRESULT hr = ReadNumber(v, n);
      if (FAILED(hr)) return hr;
      out = std::to_string(n.i);
      return S_OK;
    }
  }
}

HRESULT ToDate(const VARIANT& v, double& out) {
  if (v.vt == VT_BSTR) {
    std::string text(Trim(Utf8FromBstr(v.bstrVal)));
    if (auto date = ParseOleDate(text)) {
      out = *date;
      return S_OK;
    }
  }
  Number n;
  HRESULT hr = ReadNumber(v, n);
  if (FAILED(hr)) return hr;
  out = ToReal(n);
  return OleDateToParts(out) ? S_OK : DISP_E_OVERFLOW;
}

HRESULT ToBool(const VARIANT& v, WordBool& out) {
  if (v.vt == VT_BSTR) {
    std::string text = Utf8FromBstr(v.bstrVal);
    std::string_view trimmed = Trim(text);
    if (platform::SameText(trimmed, "true")) {
      out = VARIANT_TRUE;
      return S_OK;
    }
    if (platform::SameText(trimmed, "false")) {
      out = VARIANT_FALSE;
      return S_OK;
    }
  }
  Number n;
  HRESULT hr = ReadNumber(v, n);
  if (FAILED(hr)) return hr;
  out = ToWordBool(ToReal(n) != 0 || n.kind == Number::Unsigned);
  return S_OK;
}

// Converts a scalar (non-array, non-null) variant; `out` is written only on
// success and owns what it holds.
HRESULT ConvertScalar(const VARIANT& src, uint16_t flags, VARTYPE vt, VARIANT& out) {
  VARIANT result;
  VariantInit(&result);
  result.vt = vt;
  if (IsInterface(src.vt) || IsInterface(vt)) {
    if (!IsInterface(src.vt) || !IsInterface(vt)) return DISP_E_TYPEMISMATCH;
    if (src.punkVal == nullptr) {
      out = result;
      return S_OK;
    }
    void* asked = nullptr;
    HRESULT hr =
        src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &asked);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    result.punkVal = static_cast<IUnknown*>(asked);
    out = result;
    return S_OK;
  }
  if (src.vt == VT_ERROR || vt == VT_ERROR) return DISP_E_TYPEMISMATCH;

  Number n;
  int64_t whole = 0;
  HRESULT hr = S_OK;
  auto integer = [&](int64_t lo, int64_t hi) {
    hr = ReadNumber(src, n);
    if (SUCCEEDED(hr)) hr = ToInteger(n, lo, hi, whole);
    return SUCCEEDED(hr);
  };
  switch (vt) {
    case VT_I1:
      if (integer(INT8_MIN, INT8_MAX)) result.cVal = static_cast<int8_t>(whole);
      break;
    case VT_UI1:
      if (integer(0, UINT8_MAX)) result.bVal = static_cast<uint8_t>(whole);
      break;
    case VT_I2:
      if (integer(INT16_MIN, INT16_MAX)) result.iVal = static_cast<int16_t>(whole);
      break;
    case VT_UI2:
      if (integer(0, UINT16_MAX)) result.uiVal = static_cast<uint16_t>(whole);
      break;
    case VT_I4:
    case VT_INT:
      if (integer(INT32_MIN, INT32_MAX)) result.lVal = static_cast<int32_t>(whole);
      break;
    case VT_UI4:
    case VT_UINT:
      if (integer(0, UINT32_MAX)) result.ulVal = static_cast<uint32_t>(whole);
      break;
    case VT_I8:
      if (integer(INT64_MIN, INT64_MAX)) result.llVal = whole;
      break;
    case VT_UI8:
      hr = ReadNumber(src, n);
      if (SUCCEEDED(hr)) hr = ToUnsigned64(n, result.ullVal);
      break;
    case VT_R4:
      hr = ReadNumber(src, n);
      if (SUCCEEDED(hr)) {
        double value = ToReal(n);
        if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
          hr = DISP_E_OVERFLOW;
        } else {
          result.fltVal = static_cast<float>(value);
        }
      }
      break;
    case VT_R8:
      hr = ReadNumber(src, n);
      if (SUCCEEDED(hr)) result.dblVal = ToReal(n);
      break;
    case VT_CY:
      hr = ReadNumber(src, n);
      if (SUCCEEDED(hr)) hr = ToCurrency(n, result.cyVal.int64);
      break;
    case VT_DATE:
      hr = ToDate(src, result.date);
      break;
    case VT_BOOL:
      hr = ToBool(src, result.boolVal);
      break;
    case VT_BSTR: {
      std::string text;
      hr = ToText(src, flags, text);
      if (SUCCEEDED(hr)) {
        result.bstrVal = BstrFromUtf8(text);
        if (result.bstrVal == nullptr) hr = E_OUTOFMEMORY;
      }
      break;
    }
    default:
      return DISP_E_BADVARTYPE;
  }
  if (FAILED(hr)) return hr;
  out = result;
  return S_OK;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dst, const VARIANT* src, uint16_t flags, VARTYPE vt) {
  if (dst == nullptr || src == nullptr) return E_INVALIDARG;
  VARIANT result;
  VariantInit(&result);
  if (src->vt == vt) {
    HRESULT hr = VariantCopy(&result, src);
    if (FAILED(hr)) return hr;
  } else if (vt == VT_EMPTY) {
    // Anything can be emptied.
  } else if (vt == VT_NULL || src->vt == VT_NULL || (vt & VT_ARRAY) || (src->vt & VT_ARRAY)) {
    return DISP_E_TYPEMISMATCH;
  } else if (!IsScalarValueType(vt)) {
    return DISP_E_BADVARTYPE;
  } else {
    HRESULT hr = ConvertScalar(*src, flags, vt, result);
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = VariantClear(dst);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *dst = result;
  return S_OK;
}
