#include "foundation/email_validation.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using foundation::ValidateEmailAddress;

bool Valid(std::string email) {
  return ValidateEmailAddress(email);
}

TEST(ValidateEmailAddress, AcceptsTheShortestWellFormedAddress) {
  EXPECT_TRUE(Valid("a@b.c"));
  EXPECT_TRUE(Valid("first.last+tag@mail.example.co.uk"));
  EXPECT_TRUE(Valid("1@2.3"));
}

TEST(ValidateEmailAddress, RejectsBrokenStructure) {
  EXPECT_FALSE(Valid("@b.c")) << "at sign in first place";
  EXPECT_FALSE(Valid("ab.c")) << "no at sign";
  EXPECT_FALSE(Valid("a@b@c.d")) << "two at signs";
  EXPECT_FALSE(Valid("a.b@cd")) << "only dot before the at sign";
  EXPECT_FALSE(Valid("a@b.c.")) << "ends with a dot";
  EXPECT_FALSE(Valid("a@.c")) << "empty host part";
  EXPECT_FALSE(Valid(""));
}

TEST(ValidateEmailAddress, EachPartNeedsALetterOrDigit) {
  EXPECT_FALSE(Valid("-@b.c")) << "user part holds only a hyphen";
  EXPECT_FALSE(Valid("a@-.c")) << "host part holds only a hyphen";
  EXPECT_FALSE(Valid("a@b.-")) << "top-level part holds only a hyphen";
  EXPECT_TRUE(Valid("-x-@b.c")) << "other characters may stand beside a letter";
  EXPECT_FALSE(Valid("\xC3\xA9@b.c")) << "non-ASCII letters do not count";
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
