#include "oracle/values/text_convert.h"

#include <gtest/gtest.h>

#include <array>

namespace oracle {
namespace {

TEST(LineEnds, ToTheServerLoseCarriageReturnsFromItGainThemAndWindowsTextRoundTrips) {
  EXPECT_EQ(LineEndsToServer(std::string_view("a\r\nb\rc\n\r\n")), "a\nbc\n\n");
  EXPECT_EQ(LineEndsToServer(std::u16string_view(u"x\r\ny\r")), u"x\ny");
  EXPECT_EQ(LineEndsToServer(std::string_view("")), "");
  EXPECT_EQ(LineEndsFromServer(std::string_view("a\nb\rc\r\nd")), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(LineEndsFromServer(std::string_view("\n\n")), "\r\n\r\n");
  EXPECT_EQ(LineEndsFromServer(std::string_view("\r\r\n")), "\r\n\r\n");
  EXPECT_EQ(LineEndsFromServer(std::u16string_view(u"\u00e9\n\r")), u"\u00e9\r\n\r\n");
  const std::string windows = "line 1\r\nline 2\r\n\r\nend";
  EXPECT_EQ(LineEndsFromServer(LineEndsToServer(windows)), windows);
}

TEST(Utf8, FourByteSequencesRoundTripThroughSurrogatePairs) {
  const std::string text = "A\u00e9\u20ac\U0001F600\U0010FFFF";  // 1, 2, 3, 4 and 4 bytes
  const auto wide = Utf8ToUtf16(text);
  ASSERT_TRUE(wide);
  EXPECT_EQ(*wide, u"A\u00e9\u20ac\U0001F600\U0010FFFF");
  EXPECT_EQ(wide->size(), 7u);
  EXPECT_EQ((*wide)[3], 0xD83D);
  EXPECT_EQ((*wide)[4], 0xDE00);
  EXPECT_EQ(Utf8ToUtf16Length(text), 7);
  EXPECT_EQ(Utf16ToUtf8(*wide), text);
}

TEST(Utf8, MalformedSequencesAndLoneSurrogatesAreRefused) {
  for (std::string bad :
       {"\x80", "\xC3", "\xC3(", "\xE2\x82", "\xF0\x9F\x98", "\xC0\xAF", "\xE0\x80\xAF",
        "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "ok\xF8\x88\x80\x80\x80"}) {
    EXPECT_EQ(Utf8ToUtf16Length(bad), -1) << testing::PrintToString(bad);
    EXPECT_FALSE(Utf8ToUtf16(bad)) << testing::PrintToString(bad);
  }
  EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))));
  EXPECT_FALSE(Utf16ToUtf8(std::u16string{u'a', char16_t(0xDC00), u'b'}));
  EXPECT_FALSE(Utf16ToUtf8(std::u16string{char16_t(0xD83D), u'x'}));
}

TEST(Utf8, EncoderStopsBeforeACharacterThatDoesNotFit) {
  std::array<char, 5> out{};
  // "ab" fits, the euro sign (3 bytes) would need 5 bytes in all and fits,
  // the next "c" does not.
  EXPECT_EQ(Utf16ToUtf8(u"ab\u20acc", out), 5);
  EXPECT_EQ(std::string(out.data(), 5), "ab\u20ac");
  std::array<char, 3> small{};
  EXPECT_EQ(Utf16ToUtf8(u"a\U0001F600", small), 1);  // the pair needs 4 bytes
  EXPECT_EQ(MaxUtf8Bytes(2), 6u);
}

TEST(CharacterSets, IdsAndNationalByteOrder) {
  for (int id : {870, 871, 872, 873}) EXPECT_TRUE(IsUtf8CharSet(id));
  EXPECT_FALSE(IsUtf8CharSet(869));
  EXPECT_FALSE(IsUtf8CharSet(874));
  EXPECT_TRUE(IsUtf16CharSet(1000));
  EXPECT_TRUE(IsUtf16CharSet(kCharSetAL16UTF16));
  EXPECT_FALSE(IsUtf16CharSet(873));
  std::u16string national = {char16_t(0x4100), char16_t(0x0042)};
  SwapUtf16Bytes(national);
  EXPECT_EQ(national, u"A\u4200");
}

TEST(TextHelpers, UpperCasingWideCharSetsAndCounts) {
  EXPECT_EQ(UpperCaseIdentifier("emp_no$1", false), "EMP_NO$1");
  // Byte-wise upper-casing leaves multi-byte characters alone.
  EXPECT_EQ(UpperCaseIdentifier("gr\u00fc\u00dfe", false), "GR\u00fc\u00dfE");
  EXPECT_EQ(UpperCaseIdentifier("abc", true), "ABC");
  std::bitset<256> set;
  set.set('a');
  EXPECT_TRUE(WideCharInSet(u'a', set));
  EXPECT_FALSE(WideCharInSet(u'b', set));
  EXPECT_FALSE(WideCharInSet(u'\u0100', set));
  set.set(255);
  EXPECT_TRUE(WideCharInSet(u'\u0100', set));
  EXPECT_TRUE(WideCharInSet(u'\uFFFF', set));
  EXPECT_EQ(CountText(1, "record"), "1 record");
  EXPECT_EQ(CountText(0, "record"), "0 records");
  EXPECT_EQ(CountText(25, "record"), "25 records");
}

}  // namespace
}  // namespace oracle
