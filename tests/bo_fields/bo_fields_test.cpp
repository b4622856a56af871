#include "hostplugin/bo_fields.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/app_log_capture.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "host_adapter.h"
#include "platform/com/com.h"

namespace {

using namespace hostplugin;

constexpr HRESULT kHostFailure = static_cast<HRESULT>(0x80040201);

// The simulated host's adapter that answers every attribute and preference
// read with a failure status.
class FailingHost : public hostsim::HostAdapter {
 public:
  HRESULT BOGetAttrValue(int32_t handle, BSTR name, VARIANT* value) override {
    HostAdapter::BOGetAttrValue(handle, name, value);
    return kHostFailure;
  }
  HRESULT GetPreference(int32_t number, int32_t subsidiary, VARIANT* value) override {
    HostAdapter::GetPreference(number, subsidiary, value);
    return kHostFailure;
  }
};

// One open customer in the simulated host (handle `handle`) whose attributes
// a test sets, and the host's record of the reads.
template <class Adapter = hostsim::HostAdapter>
struct FakeHost {
  ComPtr<Adapter> adapter = MakeComObject<Adapter>();
  int32_t handle = [this] {
    int32_t h = adapter->Store().Create(2, {std::make_shared<hostsim::BORecord>()});
    adapter->Store().Find(h)->Open();
    return h;
  }();

  operator IPluginAdapter&() { return *adapter; }
  void Set(const std::string& name, Variant value) {
    adapter->Store().Find(handle)->Current()->attributes[name] = std::move(value);
  }
  // The methods and arguments the plug-in called, in order.
  std::vector<std::string> Calls(const std::string& method) const {
    std::vector<std::string> calls;
    for (const std::string& call : adapter->Trace()) {
      if (call.rfind(method + "(", 0) == 0) calls.push_back(call);
    }
    return calls;
  }
};

TEST(GetBOFieldValue, GivesTheFieldAsText) {
  FakeHost host;
  host.Set("Last Name", Variant("Nguy\xE1\xBB\x85n"));
  host.Set("Cust Id", Variant(int32_t{1042}));
  host.Set("Active", Variant(true));
  host.Set("Gone", Variant::Null());
  EXPECT_EQ(GetBOFieldValue(host, host.handle, "Last Name"), "Nguy\xE1\xBB\x85n");
  EXPECT_EQ(GetBOFieldValue(host, host.handle, "Cust Id"), "1042");
  EXPECT_EQ(GetBOFieldValue(host, host.handle, "Active"), "True");
  EXPECT_EQ(GetBOFieldValue(host, host.handle, "Missing"), "") << "an empty variant";
  EXPECT_EQ(GetBOFieldValue(host, host.handle, "Gone"), "");
  const auto reads = host.Calls("BOGetAttrValue");
  ASSERT_EQ(reads.size(), 5u);
  EXPECT_EQ(reads[0], "BOGetAttrValue(" + std::to_string(host.handle) + ", Last Name)");
}

TEST(GetBOFieldValue, AHostFailureRaisesWithItsStatus) {
  FakeHost<FailingHost> host;
  try {
    GetBOFieldValue(host, host.handle, "Invoice Number");
    FAIL() << "no error raised";
  } catch (const ComError& e) {
    EXPECT_EQ(e.code, kHostFailure);
    EXPECT_NE(std::string(e.what()).find("\"Invoice Number\" of business object " +
                                         std::to_string(host.handle)),
              std::string::npos)
        << e.what();
  }
  EXPECT_THROW(GetBOFieldInt(host, host.handle, "Held"), ComError);
  EXPECT_THROW(GetBOFieldFloat(host, host.handle, "Total"), ComError);
  EXPECT_THROW(GetBOFieldDateTime(host, host.handle, "Created Date"), ComError);
}

TEST(GetBOFieldNumbers, NumbersOrZero) {
  FakeHost host;
  const struct {
    Variant value;
    int32_t asInt;
    std::optional<double> asFloat;
  } cases[] = {
      {Variant("42"), 42, 42.0},
      {Variant(" -7 "), -7, {}},
      {Variant("12abc"), 0, {}},
      {Variant("1.5"), 0, 1.5},
      {Variant("12.75"), 0, 12.75},
      {Variant(2.5), 0, 2.5},
      {Variant(int32_t{3}), 3, 3.0},
      {Variant("99999999999"), 0, {}},  // out of range is not an integer
      {Variant("n/a"), 0, 0.0},
      {Variant(), 0, 0.0},
  };
  for (const auto& c : cases) {
    host.Set("f", c.value);
    EXPECT_EQ(GetBOFieldInt(host, host.handle, "f"), c.asInt) << c.value.ToString();
    if (c.asFloat) {
      EXPECT_DOUBLE_EQ(GetBOFieldFloat(host, host.handle, "f"), *c.asFloat) << c.value.ToString();
    }
  }
}

TEST(GetBOFieldDateTime, ConvertsTheVariantDirectly) {
  FakeHost host;
  host.Set("Created Date", Variant::Date(46361.75));
  host.Set("Text", Variant("not a date"));
  EXPECT_DOUBLE_EQ(GetBOFieldDateTime(host, host.handle, "Created Date"), 46361.75);
  EXPECT_THROW(GetBOFieldDateTime(host, host.handle, "Text"), ComError);
}

class CustomerRules : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = foundation::MainPrefs; }
  void TearDown() override { foundation::MainPrefs = saved_; }
  foundation::TMainPrefs saved_;
  FakeHost<> host;
};

TEST_F(CustomerRules, AllowEmailFlagMustBeTrueAnyOtherOptInFieldMustSayYes) {
  const struct {
    const char* field;
    Variant value;
    bool allows;
    const char* attribute = nullptr;  // the host field read, when not `field`
  } cases[] = {
      {"Allow Email", Variant(int32_t{1}), true},
      {"Allow Email", Variant("1"), true},
      {"Allow Email", Variant(int32_t{0}), false},
      {"Allow Email", Variant("YES"), false},  // the flag field is numeric
      // What a host may hand back for a true Boolean.
      {"Allow Email", Variant(true), true},
      {"Allow Email", Variant(int32_t{-1}), true},
      {"Allow Email", Variant(" true "), true},
      {"Allow Email", Variant(false), false},
      {"Allow Email", Variant(int32_t{2}), false},
      {"UDF 2 Value", Variant("  yes "), true},
      {"UDF 2 Value", Variant("Y"), false},
      // A user-defined field as the setup offers it: its list entry's text.
      {"UDF6", Variant("YES"), true, "UDF 6 Value"},
      {"UDF6", Variant("NO"), false, "UDF 6 Value"},
      {"Info1", Variant("Yes"), true},
  };
  for (const auto& c : cases) {
    foundation::MainPrefs.EmailOptInField = c.field;
    const std::string attribute = c.attribute != nullptr ? c.attribute : c.field;
    host.Set(attribute, c.value);
    host.adapter->ClearTrace();
    EXPECT_EQ(CustomerAllowsEmail(host, host.handle), c.allows)
        << c.field << " " << c.value.ToString();
    EXPECT_NE(host.Calls("BOGetAttrValue").back().find(", " + attribute + ")"), std::string::npos)
        << c.field;
  }
  foundation::MainPrefs.EmailOptInField = "";
  host.adapter->ClearTrace();
  EXPECT_FALSE(CustomerAllowsEmail(host, host.handle));
  EXPECT_TRUE(host.adapter->Trace().empty()) << "nothing configured: the host is not asked";
}

// One reading of a yes/no value for every reader: "YES" in any case, blanks
// around it ignored.
TEST(TextSaysYes, YesInAnyCaseWithBlanksAround) {
  for (const char* yes : {"YES", "Yes", "yes", " yes\t", "  YeS  "}) {
    EXPECT_TRUE(hostplugin::TextSaysYes(yes)) << "[" << yes << "]";
  }
  for (const char* no : {"", "NO", "No", "Y", "YES!", "Y E S", "1", "True"}) {
    EXPECT_FALSE(hostplugin::TextSaysYes(no)) << "[" << no << "]";
  }
}

TEST_F(CustomerRules, LoyaltyStatusFromTheUdfValueField) {
  foundation::MainPrefs.LoyaltyStatusField = "UDF5";
  host.Set("UDF 5 Value", Variant("Yes"));
  EXPECT_TRUE(CustomerIsLoyaltyMember(host, host.handle));
  EXPECT_NE(host.Calls("BOGetAttrValue").back().find(", UDF 5 Value)"), std::string::npos);
  host.Set("UDF 5 Value", Variant("No"));
  EXPECT_FALSE(CustomerIsLoyaltyMember(host, host.handle));

  foundation::MainPrefs.LoyaltyStatusField = "Loyalty";
  host.Set("Loyalty", Variant("YES"));
  EXPECT_TRUE(CustomerIsLoyaltyMember(host, host.handle));

  for (const char* setting : {"", "UDF", "UDFX"}) {
    foundation::MainPrefs.LoyaltyStatusField = setting;
    host.adapter->ClearTrace();
    EXPECT_FALSE(CustomerIsLoyaltyMember(host, host.handle)) << setting;
    EXPECT_TRUE(host.adapter->Trace().empty()) << "not configured, nothing asked: " << setting;
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
  FakeHost host;
  host.adapter->Store().SetPreference(1, 3, Variant(true));
  host.adapter->Store().SetPreference(73, 3, Variant("clerk"));
  host.adapter->Store().SetPreference(10, 3, Variant(int32_t{25}));
  foundation::MainPrefs.SBS = "3";
  LogSystemPrefs(0, host);
  const std::string text = LogText();

  const auto reads = host.Calls("GetPreference");
  ASSERT_EQ(reads.size(), 561u);
  const auto prefs = LoggedBusinessPrefs();
  for (size_t i = 0; i < prefs.size(); ++i) {
    ASSERT_EQ(reads[i], "GetPreference(" + std::to_string(prefs[i].index) + ", 3)")
        << i << ": read for the document's subsidiary";
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
  FakeHost host;
  LogSystemPrefs(2, host);
  EXPECT_TRUE(host.Calls("GetPreference").empty());
  EXPECT_EQ(LogText().find("System preferences"), std::string::npos);
}

TEST_F(LogSystemPrefsTest, AHostFailureStopsTheDumpWithAnError) {
  FakeHost<FailingHost> host;
  foundation::MainPrefs.SBS = "";
  try {
    LogSystemPrefs(0, host);
    FAIL() << "no error raised";
  } catch (const ComError& e) {
    EXPECT_EQ(e.code, kHostFailure);
    EXPECT_NE(std::string(e.what()).find("bpCustFullName"), std::string::npos) << e.what();
  }
  EXPECT_EQ(host.Calls("GetPreference"), std::vector<std::string>{"GetPreference(0, 1)"})
      << "no subsidiary set: the first";
}

}  // namespace
