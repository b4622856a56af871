// The receipt processor's road before the save, run in process over a sale
// staged in the simulated host with the real dialogs driven by the scripted
// user: which branch shows a dialog, the print and receipt flags each leaves,
// the customer filter's second try, the guarded customer save, the values
// server's pop-up flag, and the information box.

#include "plugins/digital_receipt_processor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <algorithm>
#include <functional>

#include "common/app_log_capture.h"
#include "dialogs/capture/customer_dialog_fixture.h"
#include "dialogs/info_box.h"
#include "dialogs/vk9_values_server.h"
#include "foundation/prefs_records.h"
#include "hostplugin/bo_fields.h"
#include "receipt/records.h"
#include "sales/staged_host.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using receipt::fAuth;
using receipt::FTransControl;
using testsupport::ScriptedUser;

class ReceiptProcessorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    receipt::ResetTransControl();
    receipt::ResetAuth();
    // The staged settings are read already; the preferences dump is not
    // what these tests look at.
    plugins::ConfigurationChecked = true;
    plugins::SystemPreferencesLogged = true;
  }
  void TearDown() override {
    if (server_) server_->CleanUp();
    plugins::ConfigurationChecked = false;
    receipt::ResetTransControl();
    receipt::ResetAuth();
  }

  void SetAttr(int32_t bo, const char* attribute, const Variant& value) {
    BStr name(attribute);
    int32_t status = 0;
    hostsim::HostAdapter& adapter = host_.Adapter();
    ASSERT_EQ(adapter.BOEdit(bo, &status), S_OK);
    ASSERT_EQ(adapter.BOSetAttrValue(bo, name.Get(), &value.Get(), &status), S_OK);
    ASSERT_EQ(status, kAdapterSuccess) << attribute;
    ASSERT_EQ(adapter.BOPost(bo, &status), S_OK);
  }
  std::string CustomerEmail(const char* sid) {
    const auto rows = host_.Database().Query(
        std::string("select email_addr from customer where cust_sid = ") + sid);
    return rows.empty() ? std::string() : rows[0][0];
  }
  size_t TraceCount(const std::string& call) {
    const auto& trace = host_.Adapter().Trace();
    return std::count(trace.begin(), trace.end(), call);
  }

  testsupport::AppLogCapture log_{"receipt_processor", 9, true};
  stagedhost::StagedHost host_{stagedhost::ReadScenario("before_update_customers.yaml")};
  ComPtr<dialogs::Tvk9ValuesServer> server_;
  plugins::TDigitalReceiptProcessor processor_{&host_.Adapter()};
};

// Each road through the pop-up, from the invoice's bill-to customer (none, or
// one the staged host holds) and what the service said of it.
TEST_F(ReceiptProcessorTest, PopupRoadsLeaveTheirFlags) {
  struct Flags {
    bool digitalWanted, printPaper, printingEFT, veskCancelled;
    bool operator==(const Flags&) const = default;
  };
  struct Case {
    const char* name;
    const char* billTo;   // empty: no bill-to customer
    bool card;            // the tender is a card tender
    bool digitalDefault;  // the service already said: authenticated, digital by default
    bool resend;          // resend mode, as the e-mail button sets it
    bool valuesServer;    // a values server was prepared
    bool filterFails;     // the host fails every filter on "Cust Sid"
    const char* dialog;   // the first dialog shown; null: no dialog may appear
    std::function<void(ScriptedUser&)> cashier;  // the cashier's steps from there
    Flags expected;
    const char* logged;
  } cases[] = {
      {"digital default",
       "9201",
       true,
       true,
       false,
       true,
       false,
       nullptr,
       nullptr,
       {true, false, true, false},
       "Authenticated, digital by default: no dialog"},
      {"no customer, paper",
       "",
       false,
       false,
       false,
       true,
       false,
       "TfrmAskForVesk",
       [](ScriptedUser& u) { u.Press("btnPrintOnly"); },
       {false, true, false, false},
       "Bill To Cust Sid = []"},
      {"resend cancelled",
       "9201",
       true,
       false,
       true,
       true,
       false,
       "TfrmResendEmail",
       [](ScriptedUser& u) { u.Fill("edtEmail", "x@y.example").Press("btnCancel"); },
       {false, true, true, true},
       "USER SELECTED CANCEL"},
      {"customer not found",
       "9201",
       false,
       false,
       false,
       true,
       true,
       "TfrmDispMess",
       [](ScriptedUser& u) {
         u.Press("btnOK").WaitForDialog("TfrmAskForVesk").Press("btnPrintOnly");
       },
       {false, true, false, false},
       "Filter answered 0: closing, filtering and opening again"},
      {"no values server",
       "",
       false,
       false,
       false,
       false,
       false,
       "TfrmAskForVesk",
       [](ScriptedUser& u) { u.Press("btnPrintOnly"); },
       {false, true, false, false},
       "No values server prepared"},
  };
  const int32_t tenders = host_.Child(0, "tenders");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.valuesServer && !server_)
      server_ = customerdialogs::PreparedValuesServer(host_.Adapter());
    if (!c.valuesServer && server_) {
      server_->CleanUp();
      server_ = nullptr;
    }
    host_.Adapter().ClearFaults();
    if (c.filterFails)
      host_.Adapter().AddFault({"filter", kBOKindCustomer, "Cust Sid", 3, "No", "BOSetFilterAttr"});
    SetAttr(0, plugins::kBillToCustSidAttr, Variant(c.billTo));
    int32_t status = 0;
    host_.Adapter().BOFirst(tenders, &status);
    SetAttr(tenders, "TENDER_TYPE", Variant(c.card ? 2 : 0));
    processor_.fResend = c.resend;
    processor_.fAuthCustomer = !c.resend && !c.digitalDefault;
    // The service's answer as the authentication would have read it.
    receipt::ResetAuth();
    fAuth.IsAuth = fAuth.DefaultQuenlo = c.digitalDefault;
    host_.Adapter().ClearTrace();

    bool flagRaised = false;
    ScriptedUser user;
    if (c.dialog != nullptr) {
      user.WaitForDialog(c.dialog).Check([&](QDialog&) {
        flagRaised = server_ && server_->PopupActive();
        return QString();
      });
      c.cashier(user);
      user.Start();
    }
    EXPECT_TRUE(processor_.ProcessUnpostedInvoice());
    if (c.dialog != nullptr) {
      EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
    }

    EXPECT_EQ(processor_.WindowDisplayed, c.dialog != nullptr);
    const Flags got{FTransControl.DigitalWanted, FTransControl.PrintPaper,
                    FTransControl.PrintingEFT, FTransControl.VeskCancelled};
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(flagRaised, c.valuesServer && c.dialog != nullptr);
    if (server_) {
      EXPECT_FALSE(server_->PopupActive()) << "the flag is lowered after the pop-up";
    }
    EXPECT_NE(log_.Text().find(c.logged), std::string::npos) << c.logged;
    EXPECT_EQ(CustomerEmail("9201"), "ada@example.com") << "no customer save";
    const std::string filter =
        "(" + std::to_string(processor_.intCustBO) + ", Cust Sid, " + c.billTo + ", 1, -1, -1)";
    EXPECT_EQ(TraceCount("BOSetFilterAttr" + filter), std::string(c.billTo).empty() ? 0u
                                                      : c.filterFails               ? 2u
                                                                                    : 1u)
        << "a filter answering 0 is tried once more";
  }
  EXPECT_EQ(log_.Text().find("authenticating again"), std::string::npos)
      << "no road here changed the e-mail, a cancelled resend least of all";
}

// The changed e-mail is saved only on the bill-to customer's own record.
TEST_F(ReceiptProcessorTest, CustomerSaveNeedsTheBillToRecord) {
  ASSERT_TRUE(processor_.InitializeEnvironment());
  for (bool stray : {false, true}) {
    SCOPED_TRACE(stray ? "filter on another customer" : "filter on the customer");
    if (stray) host_.Adapter().AddFault({"stray filter", kBOKindCustomer, "Cust Sid", 1, "", ""});
    processor_.FBillToCustSid = "9202";
    processor_.FCustomerModified = true;
    fAuth.EmailAddress = stray ? "ben.other@example.com" : "ben.new@example.com";
    processor_.SaveCustomerIfNeeded();
    EXPECT_EQ(CustomerEmail("9202"), "ben.new@example.com");
    EXPECT_EQ(CustomerEmail("9201"), "ada@example.com");
    EXPECT_EQ(log_.Text().find("Customer record was not found.") != std::string::npos, stray);
  }
}

// The changed address is written only to a customer not marked "No Update"
// in the field the settings name (read through the processor's customer
// object, which includes it), and only when it is another address than the
// stored one, letter case aside. A mark that cannot be read writes nothing.
TEST_F(ReceiptProcessorTest, TheAddressSaveLeavesMarkedCustomersAndRecasedAddresses) {
  struct Case {
    const char* setting;  // CustNoUpdateField
    const char* field;    // Ben's field holding `mark`
    const char* mark;
    const char* stored;
    const char* sent;
    bool unreadable;  // the host fails to read `field`
    bool saved;
  } cases[] = {
      {"Info1", "Info1", " no update ", "ben@example.com", "ben.new@example.com", false, false},
      {"Notes", "Notes", "NO UPDATE", "ben@example.com", "ben.new@example.com", false, false},
      {"UDF7", "UDF 7 Value", "No Update", "ben@example.com", "ben.new@example.com", false, false},
      {"Info2", "Info2", "Update", "ben@example.com", "ben.new@example.com", false, true},
      {"None", "Info1", "No Update", "ben@example.com", "ben.new@example.com", false, true},
      {"Info1", "Info1", "", "Ben@Example.COM", "ben@example.com", false, false},
      {"Info1", "Info1", "", "ben@example.com", "ben.new@example.com", true, false},
  };
  hostsim::BORecord* ben = nullptr;
  for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(kBOKindCustomer)) {
    if (hostsim::ValueText(record->attributes["Cust Sid"]) == "9202") ben = record.get();
  }
  ASSERT_NE(ben, nullptr);
  foundation::MainPrefs.CustNoUpdateField = "Notes";
  ASSERT_TRUE(processor_.InitializeEnvironment());
  const std::string bo = std::to_string(processor_.intCustBO);
  EXPECT_EQ(TraceCount("BOIncludeAttrForced(" + bo + ", Notes, -1)"), 1u)
      << "the mark's field is fetched with the customer";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.setting) + " [" + c.mark + "] " + c.stored);
    foundation::MainPrefs.CustNoUpdateField = c.setting;
    for (const char* field : {"Info1", "Info2", "Notes", "UDF 7 Value"}) {
      ben->attributes.erase(field);
    }
    ben->attributes["EMail"] = Variant(c.stored);
    ben->attributes[c.field] = Variant(c.mark);
    host_.Adapter().ClearFaults();
    if (c.unreadable) {
      host_.Adapter().AddFault(
          {"read", kBOKindCustomer, c.field, 5, "Read failed", "BOGetAttrValue"});
    }
    host_.Adapter().ClearTrace();
    processor_.FBillToCustSid = "9202";
    processor_.FCustomerModified = true;
    fAuth.EmailAddress = c.sent;
    processor_.SaveCustomerIfNeeded();
    EXPECT_EQ(hostsim::ValueText(ben->attributes["EMail"]), c.saved ? c.sent : c.stored);
    EXPECT_EQ(TraceCount("BOEdit(" + bo + ")"), c.saved ? 1u : 0u);
  }
  host_.Adapter().ClearFaults();
  foundation::MainPrefs.CustNoUpdateField.clear();
}

// A stored choice the host cannot read leaves the rest of the bill-to
// customer read: he is still the sale's bill-to customer, named and a
// member, and only the unread choice stays unset.
TEST_F(ReceiptProcessorTest, AnUnreadableChoiceLeavesTheRestOfTheCustomerRead) {
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.EmailOptInField = "Allow Email";
  prefs.LoyaltyStatusField = "Info1";
  ASSERT_TRUE(processor_.InitializeEnvironment());
  processor_.fAuthCustomer = false;
  for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(kBOKindCustomer)) {
    if (hostsim::ValueText(record->attributes["Cust Sid"]) == "9202") {
      record->attributes["Allow Email"] = Variant(1);
      record->attributes["Info1"] = Variant("YES");
    }
  }
  host_.Adapter().AddFault(
      {"read", kBOKindCustomer, "Allow Email", 5, "Read failed", "BOGetAttrValue"});
  processor_.FBillToCustSid = "9202";
  processor_.ReadCustomerInformation();
  host_.Adapter().ClearFaults();
  EXPECT_TRUE(FTransControl.HaveBillTo);
  EXPECT_EQ(processor_.FCustomer.FirstName, "Ben");
  EXPECT_FALSE(fAuth.OptIn);
  EXPECT_TRUE(fAuth.LoyaltyMember);
  EXPECT_NE(log_.Text().find("The customer's opt-in could not be read"), std::string::npos);
  prefs.EmailOptInField.clear();
  prefs.LoyaltyStatusField.clear();
}

// Blanks around the bill-to customer's stored address are no part of it: the
// address asked about, shown, compared and sent is the bare one, and the
// record is left as it is.
TEST_F(ReceiptProcessorTest, TheStoredAddressIsReadWithoutBlanksAround) {
  ASSERT_TRUE(processor_.InitializeEnvironment());
  processor_.fAuthCustomer = false;
  for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(kBOKindCustomer)) {
    if (hostsim::ValueText(record->attributes["Cust Sid"]) == "9201") {
      record->attributes["EMail"] = Variant(" \tada@example.com  ");
    }
  }
  processor_.FBillToCustSid = "9201";
  processor_.ReadCustomerInformation();
  EXPECT_TRUE(FTransControl.HaveBillTo);
  EXPECT_EQ(fAuth.EmailAddress, "ada@example.com");
  EXPECT_EQ(fAuth.StoredEmail, "ada@example.com") << "so an unchanged address is no change";
  EXPECT_EQ(processor_.FCustomer.Email, "ada@example.com");
  EXPECT_EQ(TraceCount("BOEdit(" + std::to_string(processor_.intCustBO) + ")"), 0u);
}

// The customer object stays open from one document to the next; its
// subsidiary filter follows each document's subsidiary, and a filter the host
// refused is set again at the next document.
TEST_F(ReceiptProcessorTest, CustomerFilterFollowsTheDocumentsSubsidiary) {
  const struct {
    const char* name;
    const char* subsidiary;
    bool refused;    // the host fails the filter on "Sbs No"
    size_t filters;  // how often the customer object is filtered on it
  } documents[] = {
      {"first document: object opened", "1", false, 1},
      {"same subsidiary", "1", false, 0},
      {"another subsidiary", "2", false, 1},
      {"back to the first", "1", false, 1},
      {"filter refused", "2", true, 1},
      {"the subsidiary filtered before the refusal", "1", false, 1},
      {"filter refused again", "2", true, 1},
      {"the refused subsidiary", "2", false, 1},
      {"same subsidiary once filtered", "2", false, 0},
  };
  for (const auto& document : documents) {
    SCOPED_TRACE(document.name);
    SetAttr(0, "Subsidiary Number", Variant(document.subsidiary));
    host_.Adapter().ClearFaults();
    if (document.refused)
      host_.Adapter().AddFault({"filter", kBOKindCustomer, "Sbs No", 3, "No", "BOSetFilterAttr"});
    host_.Adapter().ClearTrace();
    processor_.CheckBOHandles();
    const std::string call = "BOSetFilterAttr(" + std::to_string(processor_.intCustBO) +
                             ", Sbs No, " + document.subsidiary + ", 1, -1, -1)";
    EXPECT_EQ(TraceCount(call), document.filters);
  }
  host_.Adapter().ClearFaults();
}

TEST(InformationBox, ShowsItsTextAtOnceAndGoesWithItsOwner) {
  QPointer<dialogs::TfrmInfoBox> window;
  {
    dialogs::TInfoBox box("Reading customer information for sid [9201]...");
    window = box.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->objectName(), "frmInfoBox");
    EXPECT_EQ(window->windowTitle(), "Norvane");
    EXPECT_EQ(window->lblInfo()->text(), "Reading customer information for sid [9201]...");
    ASSERT_TRUE(QDir().mkpath(SCREENSHOT_FOLDER));
    EXPECT_TRUE(window->grab().save(QString(SCREENSHOT_FOLDER) + "/info_box.png"));
  }
  EXPECT_EQ(window, nullptr);
}

}  // namespace

// The settings name other customer fields mid-day (the opt-in moved to
// Notes, the loyalty status to UDF5, the no-update mark to Info2): the next
// sale includes each in the customer object made earlier, and opens the
// object again after that, before the sale reads its customer. A sale with
// nothing newly named includes nothing and leaves the object open.
TEST_F(ReceiptProcessorTest, FieldsNamedMidDayAreIncludedAndFetchedBeforeTheNextSale) {
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  const foundation::TMainPrefs kept = prefs;
  prefs.EmailOptInField = "Allow Email";
  prefs.LoyaltyStatusField = "None";
  prefs.CustNoUpdateField = "None";
  ASSERT_TRUE(processor_.InitializeEnvironment());
  const std::string bo = std::to_string(processor_.intCustBO);
  const std::vector<std::string>& trace = host_.Adapter().Trace();
  const auto at = [&](const std::string& call) {
    return static_cast<size_t>(std::find(trace.begin(), trace.end(), call) - trace.begin());
  };
  const auto includes = [&] {
    return std::count_if(trace.begin(), trace.end(), [&](const std::string& call) {
      return call.rfind("BOIncludeAttrForced(" + bo + ", ", 0) == 0;
    });
  };
  prefs.EmailOptInField = "Notes";
  prefs.LoyaltyStatusField = "UDF5";
  prefs.CustNoUpdateField = "Info2";
  host_.Adapter().ClearTrace();
  ASSERT_TRUE(processor_.InitializeEnvironment());
  const size_t open = at("BOOpen(" + bo + ")");
  ASSERT_LT(open, trace.size()) << "the object is opened again";
  for (const char* field : {"Notes", "UDF 5 Val Id", "UDF 5 Value", "Info2"}) {
    EXPECT_LT(at("BOIncludeAttrForced(" + bo + ", " + field + ", -1)"), open) << field;
  }
  EXPECT_EQ(includes(), 4);
  host_.Adapter().ClearTrace();
  ASSERT_TRUE(processor_.InitializeEnvironment());
  EXPECT_EQ(includes(), 0);
  EXPECT_EQ(TraceCount("BOOpen(" + bo + ")"), 0u);
  prefs = kept;
}
