#include "hostplugin/bo_fields.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "bo_fields/fake_adapter.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "support/app_log_capture.h"

namespace {

using bofields_test::FakeAdapter;
using namespace hostplugin;

constexpr HRESULT kHostFailure = static_cast<HRESULT>(0x80040201);

TEST(GetBOFieldValue, GivesTheFieldAsText) {
  FakeAdapter host;
  host.fields["Last Name"] = Variant("Nguy\xE1\xBB\x85n");
  host.fields["Cust Id"] = Variant(int32_t{1042});
  host.fields["Active"] = Variant(true);
  EXPECT_EQ(GetBOFieldValue(host, 5, "Last Name"), "Nguy\xE1\xBB\x85n");
  EXPECT_EQ(GetBOFieldValue(host, 5, "Cust Id"), "1042");
  EXPECT_EQ(GetBOFieldValue(host, 5, "Active"), "True");
  EXPECT_EQ(GetBOFieldValue(host, 5, "Missing"), "") << "an empty variant";
  host.fields["Gone"] = Variant::Null();
  EXPECT_EQ(GetBOFieldValue(host, 5, "Gone"), "");
  ASSERT_EQ(host.fieldReads.size(), 5u);
  EXPECT_EQ(host.fieldReads[0], std::make_pair(int32_t{5}, std::string("Last Name")));
}

TEST(GetBOFieldValue, AHostFailureRaisesWithItsStatus) {
  FakeAdapter host;
  host.failWith = kHostFailure;
  try {
    GetBOFieldValue(host, 8, "Invoice Number");
    FAIL() << "no error raised";
  } catch (const ComError& e) {
    EXPECT_EQ(e.code, kHostFailure);
    EXPECT_NE(std::string(e.what()).find("\"Invoice Number\" of business object 8"),
              std::string::npos)
        << e.what();
  }
  EXPECT_THROW(GetBOFieldInt(host, 8, "Held"), ComError);
  EXPECT_THROW(GetBOFieldFloat(host, 8, "Total"), ComError);
  EXPECT_THROW(GetBOFieldDateTime(host, 8, "Created Date"), ComError);
}

TEST(GetBOFieldInt, NumbersOrZero) {
  FakeAdapter host;
  host.fields["a"] = Variant("42");
  host.fields["b"] = Variant(" -7 ");
  host.fields["c"] = Variant("12abc");
  host.fields["d"] = Variant("1.5");
  host.fields["e"] = Variant(int32_t{3});
  host.fields["f"] = Variant("99999999999");
  EXPECT_EQ(GetBOFieldInt(host, 0, "a"), 42);
  EXPECT_EQ(GetBOFieldInt(host, 0, "b"), -7);
  EXPECT_EQ(GetBOFieldInt(host, 0, "c"), 0);
  EXPECT_EQ(GetBOFieldInt(host, 0, "d"), 0);
  EXPECT_EQ(GetBOFieldInt(host, 0, "e"), 3);
  EXPECT_EQ(GetBOFieldInt(host, 0, "f"), 0) << "out of range is not a number";
  EXPECT_EQ(GetBOFieldInt(host, 0, "missing"), 0);
}

TEST(GetBOFieldFloat, NumbersOrZero) {
  FakeAdapter host;
  host.fields["a"] = Variant("12.75");
  host.fields["b"] = Variant(2.5);
  host.fields["c"] = Variant("n/a");
  EXPECT_DOUBLE_EQ(GetBOFieldFloat(host, 0, "a"), 12.75);
  EXPECT_DOUBLE_EQ(GetBOFieldFloat(host, 0, "b"), 2.5);
  EXPECT_DOUBLE_EQ(GetBOFieldFloat(host, 0, "c"), 0.0);
}

TEST(GetBOFieldDateTime, ConvertsTheVariantDirectly) {
  FakeAdapter host;
  host.fields["Created Date"] = Variant::Date(46361.75);
  host.fields["Text"] = Variant("not a date");
  EXPECT_DOUBLE_EQ(GetBOFieldDateTime(host, 0, "Created Date"), 46361.75);
  EXPECT_THROW(GetBOFieldDateTime(host, 0, "Text"), ComError);
}

class CustomerRules : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = foundation::MainPrefs; }
  void TearDown() override { foundation::MainPrefs = saved_; }
  foundation::TMainPrefs saved_;
  FakeAdapter host;
};

TEST_F(CustomerRules, AllowEmailFlagMustBeOne) {
  foundation::MainPrefs.EmailOptInField = "Allow Email";
  host.fields["Allow Email"] = Variant(int32_t{1});
  EXPECT_TRUE(CustomerAllowsEmail(host, 5));
  host.fields["Allow Email"] = Variant("1");
  EXPECT_TRUE(CustomerAllowsEmail(host, 5));
  host.fields["Allow Email"] = Variant(int32_t{0});
  EXPECT_FALSE(CustomerAllowsEmail(host, 5));
  host.fields["Allow Email"] = Variant("YES");
  EXPECT_FALSE(CustomerAllowsEmail(host, 5)) << "the flag field is numeric";
}

TEST_F(CustomerRules, AnyOtherOptInFieldMustSayYes) {
  foundation::MainPrefs.EmailOptInField = "UDF 2 Value";
  host.fields["UDF 2 Value"] = Variant("  yes ");
  EXPECT_TRUE(CustomerAllowsEmail(host, 5));
  host.fields["UDF 2 Value"] = Variant("Y");
  EXPECT_FALSE(CustomerAllowsEmail(host, 5));
  foundation::MainPrefs.EmailOptInField = "";
  host.fieldReads.clear();
  EXPECT_FALSE(CustomerAllowsEmail(host, 5));
  EXPECT_TRUE(host.fieldReads.empty()) << "nothing configured: the host is not asked";
}

TEST_F(CustomerRules, LoyaltyStatusFromTheUdfValueField) {
  foundation::MainPrefs.LoyaltyStatusField = "UDF5";
  host.fields["UDF 5 Value"] = Variant("Yes");
  EXPECT_TRUE(CustomerIsLoyaltyMember(host, 5));
  EXPECT_EQ(host.fieldReads.back().second, "UDF 5 Value");
  host.fields["UDF 5 Value"] = Variant("No");
  EXPECT_FALSE(CustomerIsLoyaltyMember(host, 5));

  foundation::MainPrefs.LoyaltyStatusField = "Loyalty";
  host.fields["Loyalty"] = Variant("YES");
  EXPECT_TRUE(CustomerIsLoyaltyMember(host, 5));
}

TEST_F(CustomerRules, LoyaltyNotConfiguredAsksNothing) {
  for (const char* setting : {"", "UDF", "UDFX"}) {
    foundation::MainPrefs.LoyaltyStatusField = setting;
    host.fieldReads.clear();
    EXPECT_FALSE(CustomerIsLoyaltyMember(host, 5)) << setting;
    EXPECT_TRUE(host.fieldReads.empty()) << setting;
  }
}

TEST(PrefLogLine, NameOverDotsThenTheValue) {
  EXPECT_EQ(PrefLogLine("bpUseVat", Variant(true).Get()),
            "bpUseVat" + std::string(30, '.') + "TRUE");
  EXPECT_EQ(PrefLogLine("bpPOPrefix", Variant().Get()),
            "bpPOPrefix" + std::string(28, '.') + "[null]");
  EXPECT_EQ(PrefLogLine("bpTillName", Variant::Null().Get()),
            "bpTillName" + std::string(28, '.') + "[null]");
  EXPECT_EQ(PrefLogLine("bpUpdateAdditionalInfoInDeltaBuild", Variant(int32_t{2}).Get()),
            "bpUpdateAdditionalInfoInDeltaBuild....2");
  EXPECT_EQ(PrefLogLine(std::string(40, 'n'), Variant("v").Get()), std::string(40, 'n') + "v")
      << "an overlong name is kept whole";
}

// Runs the application log in a private folder.
class LogSystemPrefsTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = foundation::MainPrefs; }
  void TearDown() override { foundation::MainPrefs = saved_; }
  std::string LogText() { return log_.Text(); }

  testsupport::AppLogCapture log_{"BoFields", 1};
  foundation::TMainPrefs saved_;
};

TEST_F(LogSystemPrefsTest, Writes561LinesInOrder) {
  FakeAdapter host;
  host.prefs[1] = Variant(true);
  host.prefs[73] = Variant("clerk");
  host.prefs[10] = Variant(int32_t{25});
  foundation::MainPrefs.SBS = "3";
  LogSystemPrefs(0, host);
  const std::string text = LogText();

  ASSERT_EQ(host.prefReads.size(), 561u);
  const auto prefs = LoggedBusinessPrefs();
  for (size_t i = 0; i < prefs.size(); ++i) {
    ASSERT_EQ(host.prefReads[i].first, prefs[i].index) << i;
    ASSERT_EQ(host.prefReads[i].second, 3) << "read for the document's subsidiary";
  }

  const size_t banner = text.find("System preferences");
  ASSERT_NE(banner, std::string::npos);
  EXPECT_NE(text.rfind(std::string(58, '='), banner), std::string::npos);
  std::vector<std::string> written;
  const std::regex pref(R"((bp\w+)\.+(\S.*)$)");
  std::istringstream lines(text.substr(banner));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::smatch m;
    if (std::regex_search(line, m, pref)) written.push_back(m[1].str() + "=" + m[2].str());
  }
  ASSERT_EQ(written.size(), 561u);
  for (size_t i = 0; i < prefs.size(); ++i) {
    ASSERT_EQ(written[i].substr(0, written[i].find('=')), prefs[i].name) << i;
  }
  EXPECT_EQ(written[1], "bpUseVat=TRUE");
  EXPECT_EQ(written[84], "bpTaxedMarkup=25");
  EXPECT_EQ(written[0], "bpCustFullName=[null]");
}

TEST_F(LogSystemPrefsTest, NothingAboveTheLogLevel) {
  FakeAdapter host;
  LogSystemPrefs(2, host);
  EXPECT_TRUE(host.prefReads.empty());
  EXPECT_EQ(LogText().find("System preferences"), std::string::npos);
}

TEST_F(LogSystemPrefsTest, AHostFailureStopsTheDumpWithAnError) {
  FakeAdapter host;
  host.failWith = kHostFailure;
  foundation::MainPrefs.SBS = "";
  try {
    LogSystemPrefs(0, host);
    FAIL() << "no error raised";
  } catch (const ComError& e) {
    EXPECT_EQ(e.code, kHostFailure);
    EXPECT_NE(std::string(e.what()).find("bpCustFullName"), std::string::npos) << e.what();
  }
  ASSERT_EQ(host.prefReads.size(), 1u);
  EXPECT_EQ(host.prefReads[0].second, 1) << "no subsidiary set: the first";
}

}  // namespace
