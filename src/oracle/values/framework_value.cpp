#include "oracle/values/framework_value.h"

namespace oracle {

Variant FromFrameworkValue(const ::Variant& value) {
  switch (value.vt()) {
    case VT_EMPTY:
    case VT_NULL:
      return Variant::Null();
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_INT:
      return Variant::Int64(value.ToInt64());
    case VT_R4:
    case VT_R8:
    case VT_CY:
      return Variant::Double(value.ToDouble());
    case VT_DATE:
      return Variant::Date(value.ToDouble());
    case VT_BOOL:
      return Variant::Boolean(value.ToBool());
    default:
      return Variant::String(value.ToString());
  }
}

::Variant ToFrameworkValue(const Variant& value) {
  if (value.IsEmptyOrNull()) return ::Variant::Null();
  if (value.IsIntegral()) return ::Variant(value.ToInt64());
  if (value.IsFloat()) return ::Variant(value.ToDouble());
  if (value.Type() == VarType::Date) return ::Variant::Date(value.ToDateTime());
  return ::Variant(value.ToText());
}

}  // namespace oracle
