// A receipt the service holds more than once (a request it took whose
// answer never reached its sender, sent again) must be named by the
// scenario with how many times it is held: `received twice` means exactly
// twice, `received more than once` names the count.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "accounting.h"
#include "scenario.h"

namespace {

using namespace hostsim;

TEST(ReceiptsHeldMoreThanOnce, EachIsNamedWithHowManyTimesItIsHeld) {
  Accounting accounting;
  accounting.heldMoreThanOnce = {{"641", 2}, {"643", 3}};
  const struct {
    const char* name;
    std::map<std::string, int> named;
    std::vector<std::string> failures;
  } cases[] = {
      {"each with its count", {{"641", 2}, {"643", 3}}, {}},
      {"one held three times named as twice",
       {{"641", 2}, {"643", 2}},
       {"receipt \"643\" is held 3 times by the service's records, not twice"}},
      {"one not named",
       {{"641", 2}},
       {"receipt \"643\" is held 3 times by the service's records: it took a request whose "
        "answer did not reach its sender, and the receipt was sent again"}},
      {"one named that is held once",
       {{"641", 2}, {"643", 3}, {"645", 2}},
       {"receipt \"645\" is named as held twice, but the service's records do not hold it more "
        "than once"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> failures;
    CheckReceipts(accounting, {}, c.named, failures);
    EXPECT_EQ(failures, c.failures);
  }
}

TEST(ReceiptsHeldMoreThanOnce, TheScenarioNamesThemTwiceOrWithACount) {
  const Scenario scenario = ParseScenario(
      "expect:\n  received twice: [\"642\"]\n  received more than once: {\"643\": 3}\n", "t.yaml");
  EXPECT_EQ(scenario.expect.receivedMoreThanOnce,
            (std::map<std::string, int>{{"642", 2}, {"643", 3}}));
  const struct {
    const char* text;
    const char* message;
  } bad[] = {
      {"expect:\n  received more than once: {\"643\": 1}\n",
       "t.yaml:2:36: a receipt received more than once is held 2 or more times"},
      {"expect:\n  received twice: [\"643\"]\n  received more than once: {\"643\": 3}\n",
       "receipt \"643\" is named more than once"},
  };
  for (const auto& c : bad) {
    try {
      ParseScenario(c.text, "t.yaml");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ScenarioError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos)
          << error.what() << "\nexpected: " << c.message;
    }
  }
}

}  // namespace
