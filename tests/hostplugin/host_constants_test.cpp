#include "hostplugin/host_constants.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

namespace {

using hostplugin::BusinessPref;
using hostplugin::BusinessPrefNames;
using hostplugin::BusinessPrefValue;

TEST(BusinessPrefNames, IsTheDumpsFirstRowsNumberedByAPermutation) {
  const auto prefs = BusinessPrefNames();
  ASSERT_EQ(prefs.size(), 151u);
  EXPECT_EQ(prefs.data(), hostplugin::LoggedBusinessPrefs().data()) << "one copy of the names";

  const struct {
    size_t row;
    const char* name;
    int32_t value;
  } telling[] = {{0, "bpCustFullName", 0},
                 {10, "bpTaxedCoeff", 11},
                 {84, "bpTaxedMarkup", 10},
                 {149, "bpRequireMinPercSpecOrder", 135},
                 {150, "bpRequireMinPercLayawayOrder", 136}};
  for (const auto& t : telling) {
    EXPECT_STREQ(prefs[t.row].name, t.name) << t.row;
    EXPECT_EQ(prefs[t.row].index, t.value) << t.row;
  }

  std::set<std::string> names;
  std::set<int32_t> values;
  int atOwnRow = 0;
  for (size_t row = 0; row < prefs.size(); ++row) {
    const BusinessPref& p = prefs[row];
    EXPECT_EQ(std::string(p.name).substr(0, 2), "bp") << p.name;
    names.insert(p.name);
    if (p.index >= 0 && p.index <= 150) values.insert(p.index);
    if (p.index == static_cast<int32_t>(row)) ++atOwnRow;
  }
  EXPECT_EQ(names.size(), 151u);
  EXPECT_EQ(values.size(), 151u) << "every number 0..150 exactly once";
  EXPECT_EQ(atOwnRow, 59);
}

TEST(BusinessPrefValue, GoesByExactNameWithinTheTable) {
  const struct {
    const char* name;
    std::optional<int32_t> value;
  } cases[] = {
      {"bpTaxedCoeff", 11},
      {"bpTaxedMarkup", 10},
      {"bptaxedcoeff", std::nullopt},
      {"bpAccum_Discount", std::nullopt},  // a dump row past the table
      {"bpNoSuchPref", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(BusinessPrefValue(c.name), c.value) << c.name;
}

TEST(NameInList, MatchesWholeNamesOnly) {
  constexpr const char* kList = ".Cust Sid.Cust Id.Cust Class.Store No.";
  const struct {
    const char* name;
    bool exact;
    bool caseBlind;
  } cases[] = {
      {"Cust Id", true, true},
      {"CUST ID", false, true},
      {"Cust", false, false},
      {"Id.Cust", false, false},
      {"Cust Id.Cust Class", false, false},
      {"", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hostplugin::NameInList(kList, c.name), c.exact) << '"' << c.name << '"';
    EXPECT_EQ(hostplugin::NameInListIgnoringCase(kList, c.name), c.caseBlind)
        << '"' << c.name << '"';
  }
}

}  // namespace
