#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/com.h"

namespace {

TEST(Guid, RoundTripsThroughTheRegistryForm) {
  const char* text = "{C95595BB-0B8A-45D4-92E4-8B86DB870EAE}";
  GUID g{};
  ASSERT_TRUE(GuidFromString(text, g));
  EXPECT_EQ(g.Data1, 0xC95595BBu);
  EXPECT_EQ(g.Data2, 0x0B8A);
  EXPECT_EQ(g.Data3, 0x45D4);
  EXPECT_EQ(g.Data4[0], 0x92);
  EXPECT_EQ(g.Data4[7], 0xAE);
  EXPECT_EQ(GuidToString(g), text);

  // Lower case is read, upper case is written.
  GUID lower{};
  ASSERT_TRUE(GuidFromString("{c95595bb-0b8a-45d4-92e4-8b86db870eae}", lower));
  EXPECT_EQ(lower, g);
  EXPECT_EQ(GuidToString(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
  EXPECT_EQ(GuidToString(GUID_NULL).size(), 38u);
}

TEST(Guid, RejectsMalformedTextAndLeavesTheOutputAlone) {
  const char* bad[] = {
      "",
      "C95595BB-0B8A-45D4-92E4-8B86DB870EAE",     // no braces
      "{C95595BB-0B8A-45D4-92E4-8B86DB870EAE",    // no closing brace
      "{C95595BB-0B8A-45D4-92E48B86DB870EAE}",    // missing hyphen
      "{C95595BB-0B8A-45D4-92E4-8B86DB870EAG}",   // not hexadecimal
      "{C95595B-B0B8A-45D4-92E4-8B86DB870EAE}",   // hyphen in the wrong place
      "{C95595BB-0B8A-45D4-92E4-8B86DB870EAE} ",  // trailing text
      " {C95595BB-0B8A-45D4-92E4-8B86DB870EAE}",  // leading text
      "{C95595BB-0B8A-45D4-92E4-8B86DB870EAE0}",  // too long
      "{+95595BB-0B8A-45D4-92E4-8B86DB870EAE}",   // sign is no digit
  };
  for (const char* text : bad) {
    GUID g = IID_IUnknown;
    EXPECT_FALSE(GuidFromString(text, g)) << text;
    EXPECT_EQ(g, IID_IUnknown) << text;
    EXPECT_THROW(MakeGuid(text), std::invalid_argument) << text;
  }
  EXPECT_THROW(MakeGuid(nullptr), std::invalid_argument);
}

TEST(Bstr, KeepsLengthPrefixZeroTerminatorAndEmbeddedZeros) {
  const char16_t raw[] = {u'a', 0, u'b'};
  BSTR s = SysAllocStringLen(raw, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(s[1], 0);
  EXPECT_EQ(s[3], 0);
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<char*>(s) - 4, 4);
  EXPECT_EQ(bytes, 6u);  // the prefix counts bytes, not characters
  SysFreeString(s);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);

  BSTR zeroed = SysAllocStringLen(nullptr, 4);
  ASSERT_NE(zeroed, nullptr);
  EXPECT_EQ(SysStringLen(zeroed), 4u);
  EXPECT_EQ(zeroed[0], 0);
  SysFreeString(zeroed);

  BSTR copy = SysAllocString(u"hello");
  EXPECT_EQ(SysStringLen(copy), 5u);
  SysFreeString(copy);
}

TEST(Bstr, ConvertsUtf8BothWaysAndReplacesBrokenSequences) {
  std::string text = "Zoë – 😀";
  BStr s(text);
  EXPECT_EQ(s.Length(), 8u);  // the emoji takes a surrogate pair
  EXPECT_EQ(s.ToUtf8(), text);
  EXPECT_EQ(Utf8FromBstr(nullptr), "");

  EXPECT_EQ(Utf16FromUtf8("a\xFF"
                          "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf16FromUtf8("\xE2\x82"), u"\uFFFD\uFFFD");            // cut short
  EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // surrogate
  const char16_t lone[] = {u'x', 0xD800, 0};
  EXPECT_EQ(Utf8FromUtf16(lone), "x\xEF\xBF\xBD");
}

TEST(Bstr, OwnerMovesAndFreesExactlyOnce) {
  BStr a("one");
  BStr b(std::move(a));
  EXPECT_EQ(a.Get(), nullptr);
  EXPECT_EQ(b.ToUtf8(), "one");
  a = std::move(b);
  EXPECT_EQ(a.ToUtf8(), "one");
  *a.Put() = BstrFromUtf8("two");
  EXPECT_EQ(a.ToUtf8(), "two");
  BSTR detached = a.Detach();
  EXPECT_EQ(a.Get(), nullptr);
  BStr owner = BStr::Attach(detached);
  EXPECT_EQ(owner.Length(), 3u);
}

TEST(WordBoolValues, TrueIsMinusOneOutAndAnyNonZeroIn) {
  EXPECT_EQ(ToWordBool(true), -1);
  EXPECT_EQ(ToWordBool(false), 0);
  EXPECT_TRUE(FromWordBool(1));
  EXPECT_TRUE(FromWordBool(-1));
  EXPECT_TRUE(FromWordBool(2));
  EXPECT_FALSE(FromWordBool(0));
}

}  // namespace
