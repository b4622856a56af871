// The two command-line scanners and their different rules, and environment
// variables.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

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
  // The value a scanner gives for a switch, or nothing when it finds none (a
  // switch not found leaves the value as it was).
  static std::optional<std::string> Scan(bool find, const char* name, const char* chars,
                                         bool ignoreCase = true) {
    std::string value = "untouched";
    if ((find ? FindCmdLineSwitchValue : GetCmdLineSwitchValue)(name, chars, ignoreCase, value)) {
      return value;
    }
    EXPECT_EQ(value, "untouched") << name;
    return std::nullopt;
  }
  static constexpr bool kGet = false;
  static constexpr bool kFind = true;
};

TEST_F(Switches, ColonValueIsFoundOnlyByFind) {
  CommandLine({"host", "-loglevel:5"});
  EXPECT_EQ(Scan(kGet, "loglevel", "-/"), std::nullopt);
  EXPECT_EQ(Scan(kFind, "loglevel", "-/"), "5");
}

TEST_F(Switches, BareSwitchEndsGetWithEmptyValueAndIsPassedOverByFind) {
  CommandLine({"host", "-loglevel", "-loglevel=7"});
  EXPECT_EQ(Scan(kGet, "loglevel", "-/"), "");
  EXPECT_EQ(Scan(kFind, "loglevel", "-/"), "7");  // the bare one was passed over
}

TEST_F(Switches, CaseAndSwitchCharactersDecide) {
  CommandLine({"host", "/LOGLEVEL=5", "+logmachine=yes"});
  EXPECT_EQ(Scan(kGet, "loglevel", "-/"), "5");
  EXPECT_EQ(Scan(kGet, "loglevel", "-/", false), std::nullopt);
  EXPECT_EQ(Scan(kFind, "loglevel", "-/", false), std::nullopt);
  EXPECT_EQ(Scan(kGet, "logmachine", "-/"), std::nullopt);  // '+' is no switch char
  EXPECT_EQ(Scan(kGet, "logmachine", ""), "yes");           // any parameter counts
}

TEST_F(Switches, GetPassesOverLongerNamesAndStopsAtTheFirstMatch) {
  CommandLine({"host", "-logmachinex=1", "-logmachine=yes", "-logmachine=no"});
  EXPECT_EQ(Scan(kGet, "logmachine", "-"), "yes");
  EXPECT_EQ(Scan(kGet, "logmachinex", "-"), "1");
}

TEST_F(Switches, EmptyValuesAndSeparatorsInValues) {
  CommandLine({"host", "-a=", "-b=x:y", "-c:p=q"});
  EXPECT_EQ(Scan(kGet, "a", "-"), "");
  EXPECT_EQ(Scan(kFind, "a", "-"), "");
  // Find takes the first ':' before any '=', so "-b=x:y" is named "b=x".
  EXPECT_EQ(Scan(kFind, "b", "-"), std::nullopt);
  EXPECT_EQ(Scan(kGet, "b", "-"), "x:y");
  EXPECT_EQ(Scan(kFind, "c", "-"), "p=q");
}

TEST_F(Switches, ProgramNameIsNotAParameter) {
  CommandLine({"-loglevel=3"});
  EXPECT_EQ(Scan(kGet, "loglevel", "-"), std::nullopt);
  EXPECT_EQ(Scan(kFind, "loglevel", "-"), std::nullopt);
  CommandLine({});
  EXPECT_EQ(Scan(kGet, "loglevel", ""), std::nullopt);
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
