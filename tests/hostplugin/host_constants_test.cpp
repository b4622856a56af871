#include "hostplugin/host_constants.h"

#include <gtest/gtest.h>

#include <algorithm>
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

namespace {

using hostplugin::AttributeList;

TEST(SystemPrefValue, GoesByNameToTheKnownRows) {
  const struct {
    const char* name;
    std::optional<int32_t> value;
  } cases[] = {
      {"spClerks", 0},
      {"spDefaultAsnLNTrackingLevel", 523},  // row 516
      {"spRequireRecordSaleWebSO", 885},
      {"bpRequireRecordSaleWebSO", std::nullopt},  // a business preference
      {"spclerks", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(hostplugin::SystemPrefValue(c.name), c.value) << c.name;
  int32_t lastRow = -1;
  for (const auto& row : hostplugin::KnownSystemPrefRows()) {
    EXPECT_GT(row.row, lastRow) << row.name;
    EXPECT_LT(row.row, hostplugin::kSystemPrefRowCount);
    EXPECT_EQ(std::string(row.name).substr(0, 2), "sp");
    lastRow = row.row;
  }
}

TEST(AttributeLists, HoldTheirNamesWholeWithOrWithoutTheUpperCaseCopies) {
  auto count = [](std::string_view list) { return std::count(list.begin(), list.end(), '.') - 1; };
  EXPECT_EQ(count(hostplugin::AttributeNames(AttributeList::Coupon)), 4);
  EXPECT_EQ(count(hostplugin::AttributeNames(AttributeList::TransferSlip)), 3);

  const struct {
    AttributeList list;
    const char* name;
    bool exact;
    bool caseBlind;
  } cases[] = {
      {AttributeList::Coupon, "Coupon #", true, true},
      {AttributeList::Coupon, "Promo Name", true, true},
      {AttributeList::Coupon, "INVC SID", false, true},
      {AttributeList::Coupon, "Coupon", false, false},
      {AttributeList::Coupon, "Slip SID", false, false},
      {AttributeList::TransferSlip, "From SbsNo", true, true},
      {AttributeList::TransferSlip, "slip items", false, true},
      {AttributeList::TransferSlip, "SbsNo", false, false},
  };
  for (bool made : {false, true, false}) {
    made ? hostplugin::MakeUpperCaseAttributeLists() : hostplugin::ReleaseUpperCaseAttributeLists();
    EXPECT_EQ(hostplugin::UpperCaseAttributeListsMade(), made);
    for (const auto& c : cases) {
      EXPECT_EQ(hostplugin::IsAttributeOf(c.list, c.name, false), c.exact) << c.name;
      EXPECT_EQ(hostplugin::IsAttributeOf(c.list, c.name, true), c.caseBlind) << c.name;
    }
  }
}

}  // namespace
