#include "foundation/helpers_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace foundation;

TEST(XmlEscape, MarkupLineEndsNonAsciiAndForbiddenCharacters) {
  const struct {
    std::string text, escaped;
    const char* why;
  } rows[] = {
      {"a<b", "a&lt;b", "markup"},
      {"Tom & Jerry", "Tom &amp; Jerry", "markup"},
      {"O'Neil", "O&apos;Neil", "markup"},
      {"\"x\" > y", "&quot;x&quot; &gt; y", "markup"},
      {"&amp;", "&amp;amp;", "an existing reference is escaped again"},
      {"a\r\n\tb", "a&#013;&#010;&#009;b", "line ends and tabs"},
      {"Plain 0123456789 ~!@#$%^*()_+-=[]{}|;:,./?`", "Plain 0123456789 ~!@#$%^*()_+-=[]{}|;:,./?`",
       "printable ASCII"},
      {"", "", "empty"},
      {"Caf\xC3\xA9", "Caf&#233;", "two bytes"},
      {"\xE2\x82\xAC"
       "5",
       "&#8364;5", "three bytes"},
      {"\xF0\x9F\x98\x80", "&#128512;", "four bytes"},
      {"\x7F", "&#127;", "DEL"},
      {std::string("a\0b", 3), "ab", "NUL dropped"},
      {"a\x01\x08\x0B\x0C\x1F"
       "b",
       "ab", "control characters dropped"},
      {"a\xEF\xBF\xBF"
       "b",
       "ab", "U+FFFF is not an XML character"},
      {"Caf\xE9", "Caf&#233;", "a lone Latin-1 byte"},
      {"\xC3", "&#195;", "a truncated sequence"},
      {"\xC0\xAF", "&#192;&#175;", "an overlong form"},
      {"\xED\xA0\x80", "&#237;&#160;&#128;", "an encoded surrogate"},
  };
  for (const auto& row : rows) EXPECT_EQ(XmlEscape(row.text), row.escaped) << row.why;
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
    ASSERT_EQ(helpers::SameText(same, needle), helpers::LowerAscii(same) == lowNeedle)
        << same << " / " << needle;
  }
}

TEST(GetXMLTagAndAttrValue, FindInAnyCaseAndGiveTheXmlForm) {
  const struct {
    const char* xml;
    const char* tag;
    const char* attr;  // nullptr: the tag's content
    bool found;
    const char* value;
  } rows[] = {
      {"<Resp><ReceiptID>R-42</ReceiptID></Resp>", "receiptid", nullptr, true, "R-42"},
      {"<a:Status xmlns:a=\"u\">OK</a:Status>", "A:STATUS", nullptr, true, "OK"},
      {"<ErrorCode>E1</ErrorCode><Error>x</Error>", "Error", nullptr, true, "E1"},
      {"<m>a &amp; b</m>", "m", nullptr, true, "a &amp; b"},
      {"<m>open to the end", "m", nullptr, true, "open to the end"},
      {"<a>1</a>", "b", nullptr, false, ""},
      {"<Status></Status>", "status", nullptr, false, ""},
      {"<Status/>", "Status", nullptr, false, ""},
      {"<Status", "Status", nullptr, false, ""},
      {"", "Status", nullptr, false, ""},
      {"<Root><Item Code=\"A1\" NAME=\"Widget\">x</Item></Root>", "item", "name", true, "Widget"},
      {"<Root><Item Code=\"A1\" NAME=\"Widget\">x</Item></Root>", "ITEM", "code", true, "A1"},
      {"<i a=\"\">", "i", "a", true, ""},
      {"<i a=\"open>", "i", "a", true, "open"},
      {"<i a=\"1\">", "j", "a", false, ""},
      {"<i a=\"1\">", "i", "b", false, ""},
      {"<i a=\"1\"", "i", "a", false, ""},
      {"<i>x a=\"1\"</i>", "i", "a", false, ""},
      {"<i a='1'>", "i", "a", false, ""},
      {"<i xa=\"1\">", "i", "a", false, ""},
  };
  for (const auto& row : rows) {
    std::string value = "stale";
    const bool found = row.attr == nullptr ? GetXMLTagValue(row.xml, row.tag, value)
                                           : GetXMLAttrValue(row.xml, row.tag, row.attr, value);
    EXPECT_EQ(found, row.found) << row.xml;
    EXPECT_EQ(value, row.value) << row.xml;
  }
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
