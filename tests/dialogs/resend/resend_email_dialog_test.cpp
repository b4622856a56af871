// The resend e-mail dialog driven by the scripted user over a sale staged in
// the simulated host: the update of a known customer, the address checks, the
// domain buttons, the required fields of a new customer, the failures that
// still send, and the ways out.

#include "dialogs/resend_email_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "customer_dialog_fixture.h"
#include "foundation/helpers_text.h"
#include "scripted_user/qt_test_app.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using namespace customerdialogs;
using receipt::fAuth;
using receipt::FTransControl;

constexpr const char* kForm = "TfrmResendEmail";

ScriptedUser& Message(ScriptedUser& user, const std::string& text) {
  return customerdialogs::Message(user, text, kForm);
}

QString StillOpenAndUsable(QDialog& d) {
  return d.isVisible() && d.findChild<QWidget*>("btnSend")->isEnabled() &&
                 d.findChild<QWidget*>("btnCancel")->isEnabled()
             ? QString()
             : QString("closed or buttons off");
}

// The dialog forces itself to the foreground when shown.
QString InFront(QDialog& d) {
  return QApplication::activeWindow() == &d ? QString() : QString("not the active window");
}

class ResendDialogTest : public CustomerDialogTest {
 protected:
  ResendDialogTest() : CustomerDialogTest("resend_dialog") {}

  void SetUp() override {
    foundation::MainPrefs = {};
    CustomerDialogTest::SetUp();
    host_.Adapter().BOEdit(0, &status_);
  }
  void TearDown() override {
    CustomerDialogTest::TearDown();
    foundation::MainPrefs = {};
  }

  // Shows the dialog as the receipt processor does; its result.
  bool Resend(ScriptedUser& user) {
    user.Start();
    const bool sent = dialogs::ResendEmail(&host_.Adapter(), kSidAttr, custBO_);
    EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
    return sent;
  }
  std::string StoredCustomerEmail(const std::string& sid) {
    for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(5)) {
      if (record->attributes.count("Cust Sid") &&
          record->attributes.at("Cust Sid").ToString() == sid) {
        return record->attributes.at("EMail").ToString();
      }
    }
    return "no record " + sid;
  }
};

TEST_F(ResendDialogTest, TheDocumentsCustomerIsUpdatedOnlyWhenTheBoxIsTicked) {
  struct Case {
    bool saveEmail;  // ticks the box at show
    bool tick;       // the box as sent
    const char* typed;
    const char* sent;
    const char* stored;  // the customer's address afterwards
    bool emailChanged;   // the receipt goes elsewhere than the address shown
  } cases[] = {
      {false, false, "dana@new.example", "dana@new.example", "dana@example.com", true},
      {true, true, "Dana@New.Example", "dana@new.example", "dana@new.example", true},
      {true, false, "DANA@OTHER.EXAMPLE", "dana@other.example", "dana@new.example", true},
      {false, true, "dana@example.com", "dana@example.com", "dana@example.com", false},
      {false, false, " dana@example.com", "dana@example.com", "dana@example.com", false},
  };
  PrepareValuesServer();
  SetDocumentSid("9100");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    foundation::MainPrefs.SaveEmail = c.saveEmail;
    receipt::ResetTransControl();
    receipt::ResetAuth();
    fAuth.EmailAddress = "dana@example.com";
    host_.ClearJournal();
    ScriptedUser user;
    user.WaitForDialog(kForm).Check([&](QDialog& d) {
      const auto* box = d.findChild<QAbstractButton*>("chkUpdateCustomerRecord");
      const auto* edit = d.findChild<QLineEdit*>("edtEmail");
      return box->isChecked() == c.saveEmail && edit->text() == "dana@example.com"
                 ? QString()
                 : QString("box or address at show");
    });
    user.Tick("chkUpdateCustomerRecord", c.tick).Fill("edtEmail", c.typed);
    user.Press("btnSend").WaitForClose();
    EXPECT_TRUE(Resend(user));
    EXPECT_EQ(JournalCount("email_addr"), 0u) << "no look-up with a SID on the document";
    EXPECT_EQ(StoredCustomerEmail("9100"), c.stored);
    EXPECT_EQ(Query("select email_addr from customer where cust_sid = 9100"), (Rows{{c.stored}}));
    EXPECT_EQ(FTransControl.UpdateCustomer, c.tick);
    EXPECT_EQ(FTransControl.EmailChanged, c.emailChanged);
    EXPECT_EQ(fAuth.EmailAddress, c.sent);
    EXPECT_EQ(fAuth.CustID, foundation::helpers::TrimText(c.typed))
        << "the typed text without its blanks, before the check";
    EXPECT_EQ(fAuth.StoredEmail, c.tick ? c.sent : "") << "set only by an update";
    EXPECT_TRUE(fAuth.DefaultQuenlo && FTransControl.DigitalWanted);
    EXPECT_FALSE(FTransControl.PrintPaper || FTransControl.PrintEFT || fAuth.IsTemp ||
                 FTransControl.PrintVeskMessage);
  }
}

TEST_F(ResendDialogTest, AddressChecksDomainsAndTheWaysOut) {
  struct Case {
    std::vector<std::string> domains;
    std::vector<int> lefts;
  } cases[] = {
      {{}, {}},
      {{"@a.com", "@b.com", "@c.com"}, {130, 246, 362}},
      {{"@gmail.com", "@yahoo.com", "@outlook.com", "@aol.com", "@icloud.com"},
       {14, 130, 246, 362, 478}},
      {{"@gmail.com", "@yahoo.com", "@outlook.com", "@aol.com", "@icloud.com", "@x.com", "@y.com"},
       {14, 130, 246, 362, 478}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.domains.size());
    foundation::EmailProviders = c.domains;
    ScriptedUser user;
    user.WaitForDialog(kForm)
        .Check([&](QDialog& d) { return DomainButtonsAt(d, c.domains, c.lefts); })
        .Check(InFront);
    if (c.domains.size() == 5) user.Grab(Shot("five_domains"));
    if (!c.domains.empty()) {
      user.Fill("edtEmail", "me").Press("btnEM2").Press("btnSend").WaitForClose();
      EXPECT_TRUE(Resend(user));
      EXPECT_EQ(fAuth.EmailAddress, "me" + c.domains[1]);
      continue;
    }
    Message(user.Fill("edtEmail", "").Press("btnSend"), "Email is required.");
    user.Fill("edtEmail", "Someone@");
    Message(user.Press("btnSend"), "Invalid Email address.").Check(StillOpenAndUsable);
    user.CloseBox().WaitForClose();
    EXPECT_FALSE(Resend(user)) << "close box";
  }
  ScriptedUser escape;
  escape.WaitForDialog(kForm).PressEscape().WaitForClose();
  EXPECT_FALSE(Resend(escape)) << "Escape";
  ScriptedUser cancel;
  cancel.WaitForDialog(kForm).Press("btnCancel").WaitForClose();
  EXPECT_FALSE(Resend(cancel)) << "Cancel";
}

TEST_F(ResendDialogTest, AnUnknownAddressCreatesACustomerOnlyWhenAsked) {
  PrepareValuesServer();
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.PromptForEmailMarketingOptIn = true;
  prefs.EmailOptInField = "Info2";
  prefs.EnableLoyaltyTracking = true;
  prefs.LoyaltyStatusField = "Info1";
  prefs.LoyaltyTrackingDateField = "UDF2 Date";
  const auto created = [&] {
    return Query(
        "select last_name, info1, info2, udf2_date from customer where email_addr = "
        "'new.person@example.com'");
  };
  {
    ScriptedUser user;
    user.WaitForDialog(kForm).Fill("edtEmail", "New.Person@Example.com");
    user.Press("btnSend").WaitForClose();
    EXPECT_TRUE(Resend(user));
    EXPECT_EQ(JournalCount("upper( :email_addr )"), 1u) << "looked up without any setting";
    EXPECT_EQ(JournalCount("decode( upper( trim( cu.info2 ) ), 'YES', 1, 0 ) as allow_email"), 1u);
    EXPECT_EQ(JournalCount("loyalty_status") + JournalCount("tracking_date"), 0u);
    EXPECT_TRUE(created().empty());
    EXPECT_EQ(fAuth.EmailAddress, "new.person@example.com");
    EXPECT_EQ(fAuth.StoredEmail, "");
  }
  prefs.AlwaysCreateCustForUniqueEmail = true;
  foundation::EmailProviders = {"@a.com", "@b.com", "@c.com", "@d.com", "@e.com"};
  AddUdfValues(3, 150);

  ScriptedUser user;
  user.WaitForDialog(kForm).Fill("edtEmail", "New.Person@Example.com");
  Message(user.Press("btnSend"),
          "Customer not found.  Please enter additional information to create new customer "
          "record.");
  user.Grab(Shot("required_rows")).Check([&](QDialog& d) {
    const int delta = d.height() - dialogs::TfrmResendEmail::kClientHeight;
    if (EditsAndCombos(d) != 7 || d.findChild<QLineEdit*>("edtRequired1")->y() != 44 ||
        delta != 6 * 30 || d.findChild<QWidget*>("edtEmail")->y() != 44 + delta ||
        d.findChild<QWidget*>("btnSend")->y() != 176 + delta ||
        d.findChild<QWidget*>("btnEM5")->y() != 80 + delta ||
        d.findChild<QWidget*>("lblVersion")->y() != 255 + delta) {
      return QString("rows %1, grown by %2").arg(EditsAndCombos(d)).arg(delta);
    }
    return QString();
  });
  Message(user.Press("btnSend"), "Value required for Last Name").Check(StillOpenAndUsable);
  user.Fill("edtRequired1", "Nguyen").Fill("edtRequired2", "555-0199");
  user.Fill("edtRequired3", "1990-01-02").Choose("cbxRequired4", "Blue");
  Message(user.Press("btnSend"), "Value required for Size");
  user.Choose("cbxRequired5", "L149").Choose("cbxRequired6", "A1");
  user.Check(
      [&](QDialog& d) { return EditsAndCombos(d) == 7 ? QString() : QString("rows again"); });
  user.Press("btnSend").WaitForClose();
  EXPECT_TRUE(Resend(user));
  EXPECT_EQ(created(), (Rows{{"Nguyen", "(null)", "(null)", "(null)"}}))
      << "no opt-in, loyalty or date value";
  EXPECT_EQ(fAuth.StoredEmail, "new.person@example.com");
}

// An address mistyped, then corrected to a known customer's after the rows
// for a new record came up: the known customer is updated (the rows, left
// empty, are neither checked nor written) and no record is made. His stored
// address has blanks around it, which the look-up ignores.
TEST_F(ResendDialogTest, AnAddressCorrectedToAKnownCustomersMakesNoNewRecord) {
  PrepareValuesServer();
  foundation::MainPrefs.AlwaysCreateCustForUniqueEmail = true;
  foundation::MainPrefs.SaveEmail = true;  // "Update customer record" ticked
  Query("update customer set email_addr = '  dana@example.com ' where cust_sid = 9100");
  ScriptedUser user;
  user.WaitForDialog(kForm).Fill("edtEmail", "dana@exampel.com");
  Message(user.Press("btnSend"),
          "Customer not found.  Please enter additional information to create new customer "
          "record.");
  user.Fill("edtEmail", "DANA@example.com").Press("btnSend").WaitForClose();
  EXPECT_TRUE(Resend(user));
  EXPECT_EQ(Query("select last_name, email_addr from customer where email_addr like '%dana%'"),
            (Rows{{"Moss", "dana@example.com"}}));
  EXPECT_EQ(StoredCustomerEmail("9100"), "dana@example.com");
  EXPECT_EQ(fAuth.StoredEmail, "dana@example.com") << "updated";
}

TEST_F(ResendDialogTest, FailuresStillSendToTheTypedAddress) {
  struct Case {
    bool prepared, failPost;
    const char* optInField;
    const char* logged;
  } cases[] = {
      {false, false, "None", "No values server is prepared; the customer is not updated"},
      {true, true, "None", "Record locked"},
      {true, false, "Phone9", "Unrecognized field name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logged);
    if (c.prepared && !server_) PrepareValuesServer();
    if (c.failPost) {
      host_.Adapter().AddFault({"post", 5, "", 7, "Record locked", "TBOCustomer.Post"});
    }
    foundation::MainPrefs.PromptForEmailMarketingOptIn = true;
    foundation::MainPrefs.EmailOptInField = c.optInField;
    foundation::MainPrefs.SaveEmail = true;  // "Update customer record" ticked
    SetDocumentSid(*c.optInField == 'P' ? "" : "9100");
    fAuth.StoredEmail = "kept@example.com";
    ScriptedUser user;
    user.WaitForDialog(kForm).Fill("edtEmail", "Dana@New.Example");
    if (*c.optInField == 'P') {
      Message(user.Press("btnSend"),
              "Unrecognized field name \"Phone9\" configured for email opt-in field")
          .Check(StillOpenAndUsable)
          .Check([](QDialog&) {
            foundation::MainPrefs.EmailOptInField = "None";
            return QString();
          });
    }
    user.Press("btnSend");
    if (c.failPost) {
      // The values server tells the cashier; the receipt is still sent.
      user.WaitForDialog("ShowMessage").Press("btnOK");
    }
    user.WaitForClose();
    EXPECT_TRUE(Resend(user));
    EXPECT_EQ(fAuth.EmailAddress, "dana@new.example");
    EXPECT_EQ(fAuth.StoredEmail, "kept@example.com");
    EXPECT_EQ(Query("select email_addr from customer where cust_sid = 9100"),
              (Rows{{"dana@example.com"}}));
    EXPECT_NE(log_.Text().find(c.logged), std::string::npos);
  }
}

}  // namespace
