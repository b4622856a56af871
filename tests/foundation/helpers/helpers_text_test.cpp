#include "foundation/helpers_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace foundation;

TEST(XmlEscape, EscapesTheFiveMarkupCharacters) {
  EXPECT_EQ(XmlEscape("a<b"), "a&lt;b");
  EXPECT_EQ(XmlEscape("Tom & Jerry"), "Tom &amp; Jerry");
  EXPECT_EQ(XmlEscape("O'Neil"), "O&apos;Neil");
  EXPECT_EQ(XmlEscape("\"x\" > y"), "&quot;x&quot; &gt; y");
  EXPECT_EQ(XmlEscape("&amp;"), "&amp;amp;") << "an existing reference is escaped again";
}

TEST(XmlEscape, WritesLineBreaksAndTabsAsReferences) {
  EXPECT_EQ(XmlEscape("a\nb"), "a&#010;b");
  EXPECT_EQ(XmlEscape("a\r\n\tb"), "a&#013;&#010;&#009;b");
}

TEST(XmlEscape, LeavesPrintableAsciiUnchanged) {
  const std::string ascii = "Plain text 0123456789 ~!@#$%^*()_+-=[]{}|;:,./?`";
  EXPECT_EQ(XmlEscape(ascii), ascii);
  EXPECT_EQ(XmlEscape(""), "");
}

TEST(XmlEscape, WritesEachUtf8CharacterAsOneReference) {
  EXPECT_EQ(XmlEscape("Caf\xC3\xA9"), "Caf&#233;") << "e acute, two bytes";
  EXPECT_EQ(XmlEscape("\xE2\x82\xAC"
                      "5"),
            "&#8364;5")
      << "euro sign, three bytes";
  EXPECT_EQ(XmlEscape("\xF0\x9F\x98\x80"), "&#128512;") << "emoji, four bytes";
  EXPECT_EQ(XmlEscape("\x7F"), "&#127;");
}

TEST(XmlEscape, DropsControlCharactersXmlForbids) {
  EXPECT_EQ(XmlEscape(std::string("a\0b", 3)), "ab");
  EXPECT_EQ(XmlEscape("a\x01\x08\x0B\x0C\x1F"
                      "b"),
            "ab");
  EXPECT_EQ(XmlEscape("a\xEF\xBF\xBF"
                      "b"),
            "ab")
      << "U+FFFF is not an XML character";
}

TEST(XmlEscape, KeepsBytesThatAreNotUtf8AsLatin1) {
  EXPECT_EQ(XmlEscape("Caf\xE9"), "Caf&#233;") << "a lone Latin-1 byte";
  EXPECT_EQ(XmlEscape("\xC3"), "&#195;") << "a truncated sequence";
  EXPECT_EQ(XmlEscape("\xC0\xAF"), "&#192;&#175;") << "an overlong form";
  EXPECT_EQ(XmlEscape("\xED\xA0\x80"), "&#237;&#160;&#128;") << "an encoded surrogate";
}

TEST(ReplaceAllText, ReplacesEveryOccurrenceWithoutRegardToCase) {
  EXPECT_EQ(ReplaceAllText("Cat cAT cat", "cat", "dog"), "dog dog dog");
  EXPECT_EQ(ReplaceAllText("aaa", "a", "aa"), "aaaaaa") << "replacements are not rescanned";
  EXPECT_EQ(ReplaceAllText("abc", "x", "y"), "abc");
  EXPECT_EQ(ReplaceAllText("a-b-c", "-", ""), "abc");
  EXPECT_EQ(ReplaceAllText("abc", "", "x"), "abc") << "an empty pattern changes nothing";
}

// The case-blind search and comparison against their plain definition
// (lower-case both, then compare), on texts mixing letters in both cases
// with the bytes that differ from a letter or from each other only in bit
// 0x20 ('@' '`', '[' '{', '_' DEL, '0' DLE), long enough for the eight-byte
// steps and their overlapping tail.
TEST(CaseBlindSearch, AgreesWithLowerCasingBothSides) {
  const std::string alphabet = std::string(
      "aAbB@`[{_\x7f"
      "0\x10");
  uint32_t seed = 12345;
  const auto next = [&seed](size_t n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<size_t>((seed >> 16) % n);
  };
  const auto randomText = [&](size_t length) {
    std::string t;
    for (size_t i = 0; i < length; ++i) t += alphabet[next(alphabet.size())];
    return t;
  };
  for (int round = 0; round < 4000; ++round) {
    const std::string hay = randomText(next(40));
    const std::string needle = round % 2 == 0
                                   ? randomText(1 + next(12))
                                   : helpers::UpperAscii(hay.substr(next(hay.size() + 1)));
    const size_t from = next(4);
    const std::string lowHay = helpers::LowerAscii(hay);
    const std::string lowNeedle = helpers::LowerAscii(needle);
    ASSERT_EQ(helpers::FindNoCase(hay, needle, from), lowHay.find(lowNeedle, from))
        << hay << " / " << needle;
    const std::string same = hay.substr(0, needle.size());
    ASSERT_EQ(helpers::EqualsNoCase(same, needle), helpers::LowerAscii(same) == lowNeedle)
        << same << " / " << needle;
  }
}

TEST(GetXMLTagValue, FindsATagInAnyCase) {
  std::string value;
  EXPECT_TRUE(GetXMLTagValue("<Resp><ReceiptID>R-42</ReceiptID></Resp>", "receiptid", value));
  EXPECT_EQ(value, "R-42");
  EXPECT_TRUE(GetXMLTagValue("<a:Status xmlns:a=\"u\">OK</a:Status>", "A:STATUS", value));
  EXPECT_EQ(value, "OK");
}

TEST(GetXMLTagValue, MatchesTheFirstTagThatBeginsWithTheName) {
  std::string value;
  EXPECT_TRUE(GetXMLTagValue("<ErrorCode>E1</ErrorCode><Error>x</Error>", "Error", value));
  EXPECT_EQ(value, "E1");
}

TEST(GetXMLTagValue, GivesTheContentInItsXmlForm) {
  std::string value;
  EXPECT_TRUE(GetXMLTagValue("<m>a &amp; b</m>", "m", value));
  EXPECT_EQ(value, "a &amp; b");
  EXPECT_TRUE(GetXMLTagValue("<m>open to the end", "m", value));
  EXPECT_EQ(value, "open to the end");
}

TEST(GetXMLTagValue, FalseAndEmptyWhenMissingUnclosedOrEmpty) {
  std::string value = "stale";
  EXPECT_FALSE(GetXMLTagValue("<a>1</a>", "b", value));
  EXPECT_EQ(value, "");
  value = "stale";
  EXPECT_FALSE(GetXMLTagValue("<Status></Status>", "status", value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(GetXMLTagValue("<Status/>", "Status", value));
  EXPECT_FALSE(GetXMLTagValue("<Status", "Status", value));
  EXPECT_FALSE(GetXMLTagValue("", "Status", value));
}

TEST(GetXMLAttrValue, ReadsAnAttributeInAnyCase) {
  const std::string xml = "<Root><Item Code=\"A1\" NAME=\"Widget\">x</Item></Root>";
  std::string value;
  EXPECT_TRUE(GetXMLAttrValue(xml, "item", "name", value));
  EXPECT_EQ(value, "Widget");
  EXPECT_TRUE(GetXMLAttrValue(xml, "ITEM", "code", value));
  EXPECT_EQ(value, "A1");
}

TEST(GetXMLAttrValue, EmptyValueAndUnclosedQuote) {
  std::string value = "stale";
  EXPECT_TRUE(GetXMLAttrValue("<i a=\"\">", "i", "a", value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(GetXMLAttrValue("<i a=\"open>", "i", "a", value));
  EXPECT_EQ(value, "open") << "the value ends with the tag";
}

TEST(GetXMLAttrValue, FalseWhenAnyPartIsMissing) {
  std::string value = "stale";
  EXPECT_FALSE(GetXMLAttrValue("<i a=\"1\">", "j", "a", value)) << "no such tag";
  EXPECT_EQ(value, "");
  EXPECT_FALSE(GetXMLAttrValue("<i a=\"1\">", "i", "b", value)) << "no such attribute";
  EXPECT_FALSE(GetXMLAttrValue("<i a=\"1\"", "i", "a", value)) << "no end of tag";
  EXPECT_FALSE(GetXMLAttrValue("<i>x a=\"1\"</i>", "i", "a", value)) << "outside the tag";
  EXPECT_FALSE(GetXMLAttrValue("<i a='1'>", "i", "a", value)) << "single quotes";
  EXPECT_FALSE(GetXMLAttrValue("<i xa=\"1\">", "i", "a", value)) << "only a longer name";
}

TEST(SmallTextRoutines, BoolPadDigits) {
  EXPECT_EQ(BoolToText(true), "TRUE");
  EXPECT_EQ(BoolToText(false), "FALSE");

  EXPECT_EQ(PadLeftWith("42", 5, "0"), "00042");
  EXPECT_EQ(PadLeftWith("12345", 3, "0"), "12345");
  EXPECT_EQ(PadLeftWith("7", 4, "ab"), "abab7") << "whole pads until wide enough";
  EXPECT_EQ(PadLeftWith("7", 4, ""), "7") << "an empty pad cannot widen anything";
  EXPECT_EQ(PadLeftWith("\xC3\xA9", 3, "0"), "00\xC3\xA9") << "width counts characters";

  EXPECT_EQ(DigitsOnly("(555) 123-4567 ext. 8"), "55512345678");
  EXPECT_EQ(DigitsOnly("none"), "");
}

TEST(FormatPhone, TenDigitsAreGroupedOthersStayBare) {
  EXPECT_EQ(FormatPhone("(555) 123-4567"), "555-1234567");
  EXPECT_EQ(FormatPhone("555.123.4567"), "555-1234567");
  EXPECT_EQ(FormatPhone("123-4567"), "1234567");
  EXPECT_EQ(FormatPhone("+1 (555) 123-4567"), "15551234567") << "eleven digits";
  EXPECT_EQ(FormatPhone(""), "");
}

TEST(PathJoin, JoinsWithOneSeparator) {
  EXPECT_EQ(PathJoin({"/opt/host", "VeskRcpts", "Queue"}), "/opt/host/VeskRcpts/Queue");
  EXPECT_EQ(PathJoin({"/opt/host/", "/VeskRcpts"}), "/opt/host/VeskRcpts");
  EXPECT_EQ(PathJoin({"a", "//b"}), "a//b") << "only one leading separator is dropped";
  EXPECT_EQ(PathJoin({"a"}), "a");
  EXPECT_EQ(PathJoin({"a", ""}), "a/");
}

}  // namespace
