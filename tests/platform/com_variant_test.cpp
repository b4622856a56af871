#include <gtest/gtest.h>

#include <limits>

#include "platform/com/com.h"

namespace {

// Converts `from` to `vt`, expecting success.
Variant Convert(const Variant& from, VARTYPE vt, uint16_t flags = 0) {
  Variant to;
  HRESULT hr = VariantChangeType(to.Put(), &from.Get(), flags, vt);
  EXPECT_EQ(hr, S_OK) << "to type " << vt;
  return to;
}

HRESULT ConvertStatus(const Variant& from, VARTYPE vt) {
  Variant to(int32_t{77});
  HRESULT hr = VariantChangeType(to.Put(), &from.Get(), 0, vt);
  return hr;
}

TEST(VariantLayout, MatchesThePlatform) {
  VARIANT v;
  EXPECT_EQ(sizeof v, 24u);
  EXPECT_EQ(reinterpret_cast<char*>(&v.lVal) - reinterpret_cast<char*>(&v), 8);
  EXPECT_EQ(VT_BSTR, 8);
  EXPECT_EQ(VT_BOOL, 11);
  EXPECT_EQ(VT_ARRAY | VT_VARIANT, 0x200C);
}

TEST(VariantToText, FollowsTheUsualRules) {
  EXPECT_EQ(Variant().ToString(), "");
  EXPECT_EQ(Variant::Null().ToString(), "");
  EXPECT_EQ(Variant(true).ToString(), "True");
  EXPECT_EQ(Variant(false).ToString(), "False");
  EXPECT_EQ(Variant(int16_t{-5}).ToString(), "-5");
  EXPECT_EQ(Variant(int64_t{9007199254740993}).ToString(), "9007199254740993");
  EXPECT_EQ(Variant(0.5).ToString(), "0.5");
  EXPECT_EQ(Variant(1234.25).ToString(), "1234.25");
  EXPECT_EQ(Variant(0.1 + 0.2).ToString(), "0.3");  // 15 significant digits
  EXPECT_EQ(Variant(1e20).ToString(), "1E20");
  EXPECT_EQ(Variant(-1.5e-7).ToString(), "-1.5E-7");
  EXPECT_EQ(Variant::Currency(125000).ToString(), "12.5");
  EXPECT_EQ(Variant::Currency(-1).ToString(), "-0.0001");
  EXPECT_EQ(Variant::Currency(std::numeric_limits<int64_t>::min()).ToString(),
            "-922337203685477.5808");
  EXPECT_EQ(Variant("Grüße").ToString(), "Grüße");

  // Without the alphabetic flag a boolean becomes a number.
  EXPECT_EQ(Convert(Variant(true), VT_BSTR).ToString(), "-1");
  EXPECT_EQ(Convert(Variant(true), VT_BSTR, VARIANT_ALPHABOOL).ToString(), "True");
}

TEST(VariantToText, WritesDatesAndReadsThemBack) {
  Variant noon = Variant::Date(46361.5);  // 2026-12-05 12:00
  EXPECT_EQ(noon.ToString(), "2026-12-05 12:00:00");
  EXPECT_EQ(Variant::Date(46361.0).ToString(), "2026-12-05");
  EXPECT_EQ(Variant::Date(0.25).ToString(), "06:00:00");
  EXPECT_EQ(Variant::Date(-1.25).ToString(), "1899-12-29 06:00:00");
  EXPECT_EQ(Variant::Date(2.0 - 1.0 / 864000000).ToString(), "1900-01-01");  // rounds up

  Variant back = Convert(Variant("2026-12-05T12:00:00"), VT_DATE);
  EXPECT_DOUBLE_EQ(back.Get().date, 46361.5);
  EXPECT_DOUBLE_EQ(Convert(Variant("1899-12-29 06:00"), VT_DATE).Get().date, -1.25);
  EXPECT_EQ(ConvertStatus(Variant("2026-02-30"), VT_DATE), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Variant::Date(-657434.0).ToString(), "0100-01-01");  // the first valid day
  EXPECT_EQ(Variant::Date(2958465.5).ToString(), "9999-12-31 12:00:00");
  EXPECT_EQ(ConvertStatus(Variant::Date(-657435.0), VT_BSTR), DISP_E_OVERFLOW);
  EXPECT_EQ(ConvertStatus(Variant::Date(1e9), VT_BSTR), DISP_E_OVERFLOW);
  EXPECT_EQ(ConvertStatus(Variant(1e9), VT_DATE), DISP_E_OVERFLOW);
}

TEST(VariantToNumber, RoundsHalfToEvenAndReportsOverflow) {
  EXPECT_EQ(Variant(2.5).ToInt(), 2);
  EXPECT_EQ(Variant(3.5).ToInt(), 4);
  EXPECT_EQ(Variant(-2.5).ToInt(), -2);
  EXPECT_EQ(Variant("12.6").ToInt(), 13);
  EXPECT_EQ(Variant(" 42 ").ToInt(), 42);
  EXPECT_EQ(Variant("+7").ToInt(), 7);
  EXPECT_EQ(Variant::Currency(25000).ToInt(), 2);    // 2.5
  EXPECT_EQ(Variant::Currency(35000).ToInt(), 4);    // 3.5
  EXPECT_EQ(Variant::Currency(-15000).ToInt(), -2);  // -1.5
  EXPECT_EQ(Variant(true).ToInt(), -1);
  EXPECT_EQ(Variant().ToInt(), 0);
  EXPECT_DOUBLE_EQ(Variant("1.5e3").ToDouble(), 1500.0);
  EXPECT_DOUBLE_EQ(Variant::Currency(12345).ToDouble(), 1.2345);

  EXPECT_EQ(ConvertStatus(Variant(int32_t{40000}), VT_I2), DISP_E_OVERFLOW);
  EXPECT_EQ(ConvertStatus(Variant(int32_t{-1}), VT_UI4), DISP_E_OVERFLOW);
  EXPECT_EQ(ConvertStatus(Variant(1e19), VT_I8), DISP_E_OVERFLOW);
  EXPECT_EQ(ConvertStatus(Variant(std::numeric_limits<double>::quiet_NaN()), VT_I4),
            DISP_E_OVERFLOW);
  EXPECT_EQ(ConvertStatus(Variant(1e300), VT_R4), DISP_E_OVERFLOW);
  EXPECT_EQ(ConvertStatus(Variant(1e300), VT_CY), DISP_E_OVERFLOW);
  EXPECT_EQ(ConvertStatus(Variant("18446744073709551615"), VT_I8), DISP_E_OVERFLOW);
  EXPECT_EQ(Convert(Variant("18446744073709551615"), VT_UI8).Get().ullVal,
            std::numeric_limits<uint64_t>::max());
  EXPECT_EQ(Convert(Variant(12.34567), VT_CY).Get().cyVal.int64, 123457);

  EXPECT_THROW(Variant("twelve").ToInt(), ComError);
  EXPECT_THROW(Variant("").ToDouble(), ComError);
  EXPECT_THROW(Variant("1e").ToDouble(), ComError);
  EXPECT_THROW(Variant("inf").ToDouble(), ComError);
  EXPECT_THROW(Variant::Null().ToInt(), ComError);
  try {
    Variant(int64_t{1} << 40).ToInt();
    FAIL() << "expected overflow";
  } catch (const ComError& e) {
    EXPECT_EQ(e.code, DISP_E_OVERFLOW);
  }
}

TEST(VariantToBool, AnyNonZeroIsTrueAndWordsAreRead) {
  EXPECT_TRUE(Variant(int32_t{2}).ToBool());
  EXPECT_TRUE(Variant(0.001).ToBool());
  EXPECT_FALSE(Variant(int32_t{0}).ToBool());
  EXPECT_TRUE(Variant("TRUE").ToBool());
  EXPECT_FALSE(Variant("false").ToBool());
  EXPECT_TRUE(Variant("-1").ToBool());
  EXPECT_EQ(Convert(Variant(int32_t{5}), VT_BOOL).Get().boolVal, VARIANT_TRUE);
  EXPECT_THROW(Variant("yes").ToBool(), ComError);
}

TEST(VariantChange, FailureLeavesTheDestinationAndInPlaceWorks) {
  Variant target("keep me");
  Variant source("not a number");
  VARIANT& out = const_cast<VARIANT&>(target.Get());
  EXPECT_EQ(VariantChangeType(&out, &source.Get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(target.ToString(), "keep me");

  Variant inPlace("123");
  VARIANT& self = const_cast<VARIANT&>(inPlace.Get());
  EXPECT_EQ(VariantChangeType(&self, &self, 0, VT_I4), S_OK);
  EXPECT_EQ(inPlace.vt(), VT_I4);
  EXPECT_EQ(inPlace.Get().lVal, 123);

  EXPECT_EQ(ConvertStatus(Variant::Null(), VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ConvertStatus(Variant(int32_t{1}), VT_NULL), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ConvertStatus(Variant(int32_t{1}), 0x7F), DISP_E_BADVARTYPE);
  EXPECT_EQ(Convert(Variant(), VT_BSTR).ToString(), "");
}

TEST(VariantOwnership, CopiesAreDeepAndClearFrees) {
  Variant a("text");
  Variant b = a;
  EXPECT_NE(a.Get().bstrVal, b.Get().bstrVal);
  EXPECT_EQ(b.ToString(), "text");
  Variant c;
  c = std::move(b);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(c.ToString(), "text");

  VARIANT raw = c.Detach();
  EXPECT_TRUE(c.IsEmpty());
  Variant back = Variant::Attach(raw);
  EXPECT_EQ(raw.vt, VT_EMPTY);
  EXPECT_EQ(back.ToString(), "text");

  VARIANT garbage;
  VariantInit(&garbage);
  garbage.vt = 0x7F;
  EXPECT_EQ(VariantClear(&garbage), DISP_E_BADVARTYPE);
}

class SafeArrayTest : public ::testing::Test {
 protected:
  // A VT_ARRAY|VT_BSTR variant with bounds 1..8, as the plug-in list is handed out.
  static Variant ListOfEight() {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 1, 8);
    for (LONG i = 1; i <= 8; ++i) {
      BStr text("entry " + std::to_string(i));
      EXPECT_EQ(SafeArrayPutElement(array, &i, text.Get()), S_OK);
    }
    return Variant::FromArray(array);
  }
};

TEST_F(SafeArrayTest, KeepsBoundsOneToEightAndRefusesOutsideThem) {
  Variant list = ListOfEight();
  EXPECT_EQ(list.vt(), VT_ARRAY | VT_BSTR);
  SAFEARRAY* array = list.Array();
  LONG lo = 0, hi = 0;
  ASSERT_EQ(SafeArrayGetLBound(array, 1, &lo), S_OK);
  ASSERT_EQ(SafeArrayGetUBound(array, 1, &hi), S_OK);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 8);
  EXPECT_EQ(SafeArrayGetDim(array), 1u);
  EXPECT_EQ(SafeArrayGetLBound(array, 2, &lo), DISP_E_BADINDEX);
  VARTYPE vt = 0;
  EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
  EXPECT_EQ(vt, VT_BSTR);

  for (LONG i = lo; i <= hi; ++i) {
    BStr element;
    ASSERT_EQ(SafeArrayGetElement(array, &i, element.Put()), S_OK);
    EXPECT_EQ(element.ToUtf8(), "entry " + std::to_string(i));
  }
  for (LONG outside : {0, 9, -1}) {
    BSTR none = nullptr;
    EXPECT_EQ(SafeArrayGetElement(array, &outside, &none), DISP_E_BADINDEX);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(SafeArrayPutElement(array, &outside, nullptr), DISP_E_BADINDEX);
  }
  EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &lo), E_INVALIDARG);

  // A copy of the variant copies the strings.
  Variant copy = list;
  LONG one = 1;
  BStr replaced("changed");
  ASSERT_EQ(SafeArrayPutElement(list.Array(), &one, replaced.Get()), S_OK);
  BStr fromCopy;
  ASSERT_EQ(SafeArrayGetElement(copy.Array(), &one, fromCopy.Put()), S_OK);
  EXPECT_EQ(fromCopy.ToUtf8(), "entry 1");
  EXPECT_THROW(list.ToString(), ComError);
}

TEST_F(SafeArrayTest, HoldsVariantsAndScalarsAndRefusesBadShapes) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, -2, 3);
  ASSERT_NE(array, nullptr);
  LONG i = -2;
  Variant text("a");
  ASSERT_EQ(SafeArrayPutElement(array, &i, const_cast<VARIANT*>(&text.Get())), S_OK);
  i = 0;
  Variant number(int32_t{5});
  ASSERT_EQ(SafeArrayPutElement(array, &i, const_cast<VARIANT*>(&number.Get())), S_OK);
  Variant list = Variant::FromArray(array);

  Variant out;
  i = -2;
  ASSERT_EQ(SafeArrayGetElement(list.Array(), &i, out.Put()), S_OK);
  EXPECT_EQ(out.ToString(), "a");
  i = -1;
  ASSERT_EQ(SafeArrayGetElement(list.Array(), &i, out.Put()), S_OK);
  EXPECT_TRUE(out.IsEmpty());

  SAFEARRAY* ints = SafeArrayCreateVector(VT_I4, 0, 2);
  int32_t value = 9;
  i = 1;
  ASSERT_EQ(SafeArrayPutElement(ints, &i, &value), S_OK);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(ints, &data), S_OK);
  EXPECT_EQ(static_cast<int32_t*>(data)[1], 9);
  EXPECT_EQ(SafeArrayDestroy(ints), DISP_E_ARRAYISLOCKED);  // still accessed
  ASSERT_EQ(SafeArrayUnaccessData(ints), S_OK);
  EXPECT_EQ(SafeArrayDestroy(ints), S_OK);

  EXPECT_EQ(SafeArrayCreateVector(VT_NULL, 0, 1), nullptr);
  EXPECT_EQ(SafeArrayCreateVector(VT_I4, std::numeric_limits<LONG>::max(), 2), nullptr);
  SAFEARRAY* empty = SafeArrayCreateVector(VT_BSTR, 1, 0);
  ASSERT_NE(empty, nullptr);
  LONG hi = 99;
  EXPECT_EQ(SafeArrayGetUBound(empty, 1, &hi), S_OK);
  EXPECT_EQ(hi, 0);
  EXPECT_EQ(SafeArrayDestroy(empty), S_OK);
}

}  // namespace
