#include "foundation/email_validation.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using foundation::ValidateEmailAddress;

TEST(ValidateEmailAddress, JudgesTheStructureAndEachPart) {
  const struct {
    const char* email;
    bool valid;
    const char* why;
  } cases[] = {
      {"a@b.c", true, "the shortest well-formed address"},
      {"first.last+tag@mail.example.co.uk", true, ""},
      {"1@2.3", true, "digits count as letters"},
      {"-x-@b.c", true, "other characters may stand beside a letter"},
      {"@b.c", false, "at sign in first place"},
      {"ab.c", false, "no at sign"},
      {"a@b@c.d", false, "two at signs"},
      {"a.b@cd", false, "only dot before the at sign"},
      {"a@b.c.", false, "ends with a dot"},
      {"a@.c", false, "empty host part"},
      {"", false, ""},
      {"-@b.c", false, "user part holds only a hyphen"},
      {"a@-.c", false, "host part holds only a hyphen"},
      {"a@b.-", false, "top-level part holds only a hyphen"},
      {"\xC3\xA9@b.c", false, "non-ASCII letters do not count"},
  };
  for (const auto& c : cases) {
    std::string email = c.email;
    EXPECT_EQ(ValidateEmailAddress(email), c.valid) << c.email << ": " << c.why;
  }
}

TEST(ValidateEmailAddress, LowerCasesOnlyOnceTheStructureTestPassed) {
  std::string good = "John.Doe@Example.COM";
  EXPECT_TRUE(ValidateEmailAddress(good));
  EXPECT_EQ(good, "john.doe@example.com");

  std::string noDot = "John@Example";
  EXPECT_FALSE(ValidateEmailAddress(noDot));
  EXPECT_EQ(noDot, "John@Example") << "failed the structure test: unchanged";

  std::string badPart = "-@Example.COM";
  EXPECT_FALSE(ValidateEmailAddress(badPart));
  EXPECT_EQ(badPart, "-@example.com") << "structure passed, part test failed: lower-cased";
}

}  // namespace
