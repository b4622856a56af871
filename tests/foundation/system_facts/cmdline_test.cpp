// The two command-line scanners and their different rules, and environment
// variables.

#include <gtest/gtest.h>

#include <cstdlib>

#include "foundation/cmdline.h"
#include "foundation/environment.h"
#include "platform/process.h"

namespace {

using foundation::FindCmdLineSwitchValue;
using foundation::GetCmdLineSwitchValue;

class Switches : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetCommandLineProvider(nullptr); }
  void CommandLine(std::vector<std::string> args) {
    platform::SetCommandLineProvider([args] { return args; });
  }
};

TEST_F(Switches, ColonValueIsFoundOnlyByFind) {
  CommandLine({"host", "-loglevel:5"});
  std::string value = "untouched";
  EXPECT_FALSE(GetCmdLineSwitchValue("loglevel", "-/", true, value));
  EXPECT_EQ(value, "untouched");
  EXPECT_TRUE(FindCmdLineSwitchValue("loglevel", "-/", true, value));
  EXPECT_EQ(value, "5");
}

TEST_F(Switches, BareSwitchEndsGetWithEmptyValueAndIsPassedOverByFind) {
  CommandLine({"host", "-loglevel", "-loglevel=7"});
  std::string value = "x";
  EXPECT_TRUE(GetCmdLineSwitchValue("loglevel", "-/", true, value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(FindCmdLineSwitchValue("loglevel", "-/", true, value));
  EXPECT_EQ(value, "7");  // the bare one was passed over
}

TEST_F(Switches, CaseAndSwitchCharactersDecide) {
  CommandLine({"host", "/LOGLEVEL=5", "+logmachine=yes"});
  std::string value;
  EXPECT_TRUE(GetCmdLineSwitchValue("loglevel", "-/", true, value));
  EXPECT_EQ(value, "5");
  EXPECT_FALSE(GetCmdLineSwitchValue("loglevel", "-/", false, value));
  EXPECT_FALSE(FindCmdLineSwitchValue("loglevel", "-/", false, value));
  EXPECT_FALSE(GetCmdLineSwitchValue("logmachine", "-/", true, value));  // '+' is no switch char
  EXPECT_TRUE(GetCmdLineSwitchValue("logmachine", "", true, value));     // any parameter counts
  EXPECT_EQ(value, "yes");
}

TEST_F(Switches, GetPassesOverLongerNamesAndStopsAtTheFirstMatch) {
  CommandLine({"host", "-logmachinex=1", "-logmachine=yes", "-logmachine=no"});
  std::string value;
  EXPECT_TRUE(GetCmdLineSwitchValue("logmachine", "-", true, value));
  EXPECT_EQ(value, "yes");
  EXPECT_TRUE(GetCmdLineSwitchValue("logmachinex", "-", true, value));
  EXPECT_EQ(value, "1");
}

TEST_F(Switches, EmptyValuesAndSeparatorsInValues) {
  CommandLine({"host", "-a=", "-b=x:y", "-c:p=q"});
  std::string value = "x";
  EXPECT_TRUE(GetCmdLineSwitchValue("a", "-", true, value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(FindCmdLineSwitchValue("a", "-", true, value));
  EXPECT_EQ(value, "");
  // Find takes the first ':' before any '=', so "-b=x:y" is named "b=x".
  EXPECT_FALSE(FindCmdLineSwitchValue("b", "-", true, value));
  EXPECT_TRUE(GetCmdLineSwitchValue("b", "-", true, value));
  EXPECT_EQ(value, "x:y");
  EXPECT_TRUE(FindCmdLineSwitchValue("c", "-", true, value));
  EXPECT_EQ(value, "p=q");
}

TEST_F(Switches, ProgramNameIsNotAParameter) {
  CommandLine({"-loglevel=3"});
  std::string value;
  EXPECT_FALSE(GetCmdLineSwitchValue("loglevel", "-", true, value));
  EXPECT_FALSE(FindCmdLineSwitchValue("loglevel", "-", true, value));
  CommandLine({});
  EXPECT_FALSE(GetCmdLineSwitchValue("loglevel", "", true, value));
}

TEST(EnvVar, TrimmedCutAndEmptyWhenUnset) {
  ::setenv("NORVANE_TEST_VAR", "  some value \t", 1);
  EXPECT_EQ(foundation::GetEnvVar("NORVANE_TEST_VAR"), "some value");
  ::setenv("NORVANE_TEST_VAR", std::string(300, 'v').c_str(), 1);
  EXPECT_EQ(foundation::GetEnvVar("NORVANE_TEST_VAR"), std::string(254, 'v'));
  ::unsetenv("NORVANE_TEST_VAR");
  EXPECT_EQ(foundation::GetEnvVar("NORVANE_TEST_VAR"), "");
}

}  // namespace
