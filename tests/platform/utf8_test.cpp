#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

TEST(Utf8, DecodesEachSequenceLengthAndWritesItBack) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, e-acute, euro, emoji
  const char32_t expected[] = {U'a', 0xE9, 0x20AC, 0x1F600};
  size_t pos = 0;
  std::string again;
  for (char32_t want : expected) {
    char32_t cp = 0;
    ASSERT_TRUE(platform::DecodeUtf8(text, pos, cp));
    EXPECT_EQ(cp, want);
    platform::AppendUtf8(again, cp);
  }
  EXPECT_EQ(pos, text.size());
  EXPECT_EQ(again, text);
}

TEST(Utf8, MalformedSequencesAreRefusedWithoutMoving) {
  const std::string_view bad[] = {
      "\x80",              // stray continuation byte
      "\xC3",              // truncated
      "\xC3(",             // missing continuation byte
      "\xC0\xAF",          // overlong
      "\xED\xA0\x80",      // surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xFF",
  };
  for (std::string_view text : bad) {
    size_t pos = 0;
    char32_t cp = 0x41;
    EXPECT_FALSE(platform::DecodeUtf8(text, pos, cp)) << testing::PrintToString(std::string(text));
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(cp, 0x41u);
  }
}

}  // namespace
