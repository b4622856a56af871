// Converts arbitrary text held in a VARIANT to every value type. Conversions
// may fail with a status but must never crash, leak or leave the destination
// half written.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/com/variant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = BstrFromUtf8(text);
  constexpr VARTYPE kTargets[] = {VT_I1, VT_UI1,  VT_I2,   VT_UI2,  VT_I4,   VT_UI4,
                                  VT_I8, VT_UI8,  VT_INT,  VT_UINT, VT_R4,   VT_R8,
                                  VT_CY, VT_DATE, VT_BOOL, VT_BSTR, VT_EMPTY};
  for (VARTYPE vt : kTargets) {
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = VariantChangeType(&result, &source, VARIANT_ALPHABOOL, vt);
    if (FAILED(hr) && result.vt != VT_EMPTY) std::abort();
    if (SUCCEEDED(hr)) {
      if (result.vt != vt) std::abort();
      // Whatever converted must also convert back to text.
      VARIANT back;
      VariantInit(&back);
      if (vt != VT_EMPTY && FAILED(VariantChangeType(&back, &result, 0, VT_BSTR))) std::abort();
      VariantClear(&back);
    }
    VariantClear(&result);
  }
  VariantClear(&source);
  return 0;
}
