// The e-mail capture dialog driven by the scripted user over a sale staged in
// the simulated host: the choices' flags, the address checks, the domain
// buttons, the customer look-up, the required fields of a new customer and
// its record in the host, and the refused ways out.

#include "dialogs/email_capture_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "customer_dialog_fixture.h"
#include "dialogs/customer_capture.h"
#include "hostplugin/bo_fields.h"
#include "scripted_user/qt_test_app.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using namespace customerdialogs;
using receipt::fAuth;
using receipt::FTransControl;

ScriptedUser& Message(ScriptedUser& user, const std::string& text) {
  return customerdialogs::Message(user, text, "TfrmAskForVesk");
}

class CaptureDialogTest : public CustomerDialogTest {
 protected:
  CaptureDialogTest() : CustomerDialogTest("capture_dialog") {}

  // Shows the dialog as the receipt processor does, before the save.
  void Ask(ScriptedUser& user, bool inBefore = true) {
    user.Start();
    dialogs::AskVeskNotValidated(&host_.Adapter(), kSidAttr, custBO_, inBefore);
    EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
  }
  std::string Document(const char* attribute) {
    return hostplugin::GetBOFieldValue(host_.Adapter(), 0, attribute);
  }
};

TEST_F(CaptureDialogTest, EachChoiceSetsTheSaleFlags) {
  struct Flags {
    bool printPaper, printEFT, defaultQuenlo, digitalWanted, printVeskMessage, emailChanged;
    std::string email, card;
    bool operator==(const Flags&) const = default;
  };
  struct Case {
    const char* button;
    const char* typed;
    Flags expected;
  } cases[] = {
      {"btnDigitalOnly",
       "a@b.example",
       {false, false, true, true, false, true, "a@b.example", "C1"}},
      {"btnDigitalPrint", "", {true, true, true, true, false, false, "old@example.com", "C1"}},
      {"btnPrintOnly", "", {true, false, false, false, true, false, "old@example.com", ""}},
      {"btnPrintOnly",
       "New@Example.com",
       {true, false, false, false, true, true, "new@example.com", ""}},
  };
  foundation::WSPrefs.DefaultEFTReceiptPrintingOn = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    receipt::ResetTransControl();
    receipt::ResetAuth();
    fAuth.EmailAddress = "old@example.com";
    fAuth.QuenlosCardNumber = "C1";
    fAuth.IsTemp = true;
    FTransControl.PrintVeskMessage = true;
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk");
    if (*c.typed != '\0') user.Fill("edtEmail", c.typed);
    user.Press(c.button).WaitForClose();
    Ask(user);
    const Flags now{
        FTransControl.PrintPaper,    FTransControl.PrintEFT,         fAuth.DefaultQuenlo,
        FTransControl.DigitalWanted, FTransControl.PrintVeskMessage, FTransControl.EmailChanged,
        fAuth.EmailAddress,          fAuth.QuenlosCardNumber};
    EXPECT_EQ(now, c.expected);
  }
  fAuth.EmailAddress.clear();
  ScriptedUser user;
  user.WaitForDialog("TfrmAskForVesk").Press("btnPrintOnly").WaitForClose();
  Ask(user);
  EXPECT_FALSE(FTransControl.EmailChanged) << "Paper Only closes at once on an empty address";
  EXPECT_EQ(JournalCount(""), 0u) << "neither SaveEmail nor AlwaysCreate: no look-up";
}

TEST_F(CaptureDialogTest, AddressChecksDomainsAndTheRefusedWaysOut) {
  struct Case {
    std::vector<std::string> domains;
    std::vector<int> lefts;
  } cases[] = {
      {{}, {}},
      {{"@a.com", "@b.com", "@c.com"}, {127, 243, 359}},
      {{"@gmail.com", "@yahoo.com", "@outlook.com", "@aol.com", "@icloud.com", "@x.com", "@y.com"},
       {11, 127, 243, 359, 475}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.domains.size());
    foundation::EmailProviders = c.domains;
    // With OffsetForm the dialog opens in the upper-left corner, else centred.
    foundation::MainPrefs.OffsetForm = c.lefts.size() == 3;
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk").Check([&](QDialog& d) {
      if ((d.pos() == QPoint(1, 1)) != foundation::MainPrefs.OffsetForm) {
        return QString("placed at %1,%2").arg(d.x()).arg(d.y());
      }
      return DomainButtonsAt(d, c.domains, c.lefts);
    });
    if (c.domains.empty()) {
      user.Grab(Shot("first_show")).CloseBox().PressEscape();
      Message(user.Press("btnDigitalOnly"), "Email is required.");
      user.Fill("edtEmail", "Someone@");
      Message(user.Press("btnDigitalPrint"), "Invalid Email address.");
      user.Fill("edtEmail", "Someone@nowhere").Press("btnPrintOnly");
      user.WaitForDialog("TfrmDispMess").Grab(Shot("invalid_address")).Press("btnOK");
      user.WaitForDialog("TfrmAskForVesk").Fill("edtEmail", "Someone@nowhere.example");
    } else if (c.lefts.size() == 3) {
      // Enter in the address presses no domain button; a button pressed appends.
      user.Grab(Shot("three_domains"));
      user.Fill("edtEmail", "me").TypeKey("Return").Press("btnEM2");
    } else {
      // Enter on a focused domain button presses it.
      user.Grab(Shot("five_domains"));
      user.Fill("edtEmail", "me").TypeKey("Tab").TypeKey("Return");
    }
    user.Check([](QDialog& d) {
      return d.isVisible() ? QString() : QString("closed before a choice completed");
    });
    user.Press("btnDigitalOnly").WaitForClose();
    Ask(user);
    EXPECT_EQ(fAuth.EmailAddress, c.domains.empty()     ? "someone@nowhere.example"
                                  : c.lefts.size() == 3 ? "me" + c.domains[1]
                                                        : "me" + c.domains[0]);
  }
  foundation::MainPrefs.OffsetForm = false;
}

// Whether or not the lower-case form differs from what was typed, a valid
// address leaves the edit alike: that form, the caret at its end, nothing
// selected, the modified flag kept or cleared as asked.
TEST(EmailEditCheck, AValidAddressLeavesTheEditAlikeWhetherItsFormChangedOrNot) {
  for (const char* typed : {"Ann@Example.com", "ann@example.com"}) {
    for (const bool keepModified : {true, false}) {
      SCOPED_TRACE(std::string(typed) + (keepModified ? " kept" : " cleared"));
      QLineEdit edit;
      edit.setText(typed);
      edit.setModified(true);
      edit.setSelection(0, 3);
      ASSERT_TRUE(dialogs::ValidateEmailEdit(edit, keepModified));
      EXPECT_EQ(edit.text(), "ann@example.com");
      EXPECT_EQ(edit.isModified(), keepModified);
      EXPECT_EQ(edit.cursorPosition(), edit.text().size());
      EXPECT_FALSE(edit.hasSelectedText());
    }
  }
}

TEST_F(CaptureDialogTest, ACustomerFoundByEmailSetsTheBoxesFromItsColumns) {
  struct Case {
    const char *optIn, *loyalty, *tracking, *email;
    bool optInChecked, loyaltyChecked;
  } cases[] = {
      {"Allow Email", "Info1", "UDF1 Date", "ANN.LEE@example.com", true, true},
      {"Info1", "Info2", "UDF2 Date", "Bob@Example.com", false, true},
      {"Info2", "Notes", "Address6", "Ann.Lee@example.com", false, true},
      {"Notes", "UDF5", "Info1", "bob@example.com", false, false},
      {"Allow Email", "UDF5", "Info2", "ann.lee@EXAMPLE.com", true, true},
      {"Allow Email", "None", "Notes", "cy@example.com", false, false},  // NULL: as it was
      // The user-defined fields the setup offers for the opt-in: the text of
      // the list entry the database keeps (9001: UDF5 "YES"; 9002: "NO").
      {"UDF5", "Info1", "UDF1 Date", "ann.lee@example.com", true, true},
      {"UDF6", "UDF5", "Info2", "bob@example.com", false, false},
  };
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.SaveEmail = false;
  prefs.AlwaysCreateCustForUniqueEmail = true;
  prefs.EnableLoyaltyTracking = true;
  prefs.PromptForEmailMarketingOptIn = true;
  // Boxes the cashier clicked keep the cashier's choice whatever the columns
  // hold (the opt-in ticked, the loyalty box ticked and unticked); boxes left
  // alone show the columns.
  for (const bool touched : {false, true})
    for (const Case& c : cases) {
      SCOPED_TRACE(c.optIn + std::string("/") + c.loyalty + "/" + c.tracking +
                   (touched ? " touched" : ""));
      prefs.EmailOptInField = c.optIn;
      prefs.LoyaltyStatusField = c.loyalty;
      prefs.LoyaltyTrackingDateField = c.tracking;
      fAuth.StoredEmail.clear();
      host_.ClearJournal();
      dialogs::TfrmAskForVesk form;
      form.SetCaller(&host_.Adapter(), kSidAttr, custBO_, false);
      ScriptedUser user;
      user.WaitForDialog("TfrmAskForVesk");
      if (touched) {
        user.Tick("chkOptInToEmailMarketing").Tick("chkEnableLoyaltyTracking");
        user.Tick("chkEnableLoyaltyTracking", false);
      }
      user.Fill("edtEmail", c.email).Press("btnDigitalOnly").WaitForClose();
      user.Start();
      form.exec();
      ASSERT_TRUE(user.Finish()) << user.Failure().toStdString();
      EXPECT_EQ(form.findChild<QCheckBox*>("chkOptInToEmailMarketing")->isChecked(),
                touched || c.optInChecked);
      EXPECT_EQ(form.findChild<QCheckBox*>("chkEnableLoyaltyTracking")->isChecked(),
                !touched && c.loyaltyChecked);
      std::string lower = c.email;
      std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
      EXPECT_EQ(JournalCount("upper( :email_addr )"), 1u);
      EXPECT_EQ(JournalCount("upper( :email_addr ) and cu.sbs_no = :sbs_no [EMAIL_ADDR=" +
                             stagedhost::Quoted(lower) + ", SBS_NO='1']"),
                1u)
          << "the address and the till's subsidiary bound as strings";
      EXPECT_EQ(fAuth.StoredEmail, lower) << "found, modified, SaveEmail off";
    }
}

TEST_F(CaptureDialogTest, AnUnknownAddressAsksForTheRequiredFieldsAndCreatesTheCustomer) {
  PrepareValuesServer();
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.AlwaysCreateCustForUniqueEmail = true;
  prefs.EnableLoyaltyTracking = true;
  prefs.PromptForEmailMarketingOptIn = true;
  prefs.EmailOptInField = "Allow Email";
  prefs.LoyaltyStatusField = "Info1";
  prefs.LoyaltyTrackingDateField = "UDF2 Date";
  AddUdfValues(3, 150);
  // Required user-defined fields without an active value: the date field
  // "Birthday" (no value list) is asked for in an edit row; a value list
  // whose only value is inactive gets no row, as it could not be filled.
  host_.Database().AddRow({"udf",
                           {{"udf_id", Variant(8)},
                            {"sbs_no", Variant(1)},
                            {"udf_no", Variant(7)},
                            {"udf_name", Variant("Retired list")},
                            {"udf_type", Variant(1)},
                            {"required", Variant(1)}}});
  host_.Database().AddRow({"udf_val",
                           {{"udf_val_id", Variant(80)},
                            {"udf_id", Variant(8)},
                            {"udf_value", Variant("Gone")},
                            {"active", Variant(0)}}});
  host_.Adapter().BOEdit(0, &status_);

  int heightBefore = 0;
  ScriptedUser user;
  user.WaitForDialog("TfrmAskForVesk")
      .Check([&](QDialog& d) {
        heightBefore = d.height();
        return QString();
      })
      .Fill("edtEmail", "New.Person@Example.com")
      .Tick("chkEnableLoyaltyTracking")
      .Tick("chkOptInToEmailMarketing");
  Message(user.Press("btnDigitalOnly"),
          "Customer not found.  Please enter additional information to create new customer "
          "record.");
  user.Grab(Shot("required_rows")).Check([&](QDialog& d) {
    const auto* email = d.findChild<QLineEdit*>("edtEmail");
    const auto* first = d.findChild<QLineEdit*>("edtRequired1");
    const int delta = d.height() - heightBefore;
    if (EditsAndCombos(d) != 7 || first->y() != 56 || delta != 6 * 30 || email->y() != 56 + delta ||
        d.findChild<QWidget*>("lblVersion")->y() != 330 + delta ||
        d.findChild<QWidget*>("btnPrintOnly")->y() != 228 + delta) {
      return QString("rows %1, grown by %2").arg(EditsAndCombos(d)).arg(delta);
    }
    return QString();
  });
  Message(user.Press("btnDigitalOnly"), "Value required for Last Name");
  user.Fill("edtRequired1", "Nguyen").Fill("edtRequired2", "555-0199");
  user.Fill("edtRequired3", "1990-01-02").Fill("cbxRequired4", "Bluish").TypeKey("Return");
  user.Check([](QDialog& d) {
    const auto* colour = d.findChild<QComboBox*>("cbxRequired4");
    return colour->count() == 2 && colour->currentIndex() == -1 && d.isVisible()
               ? QString()
               : QString("Enter in the list: %1 entries").arg(colour->count());
  });
  user.Choose("cbxRequired4", "Blue");
  Message(user.Press("btnDigitalOnly"), "Value required for Size");
  user.Choose("cbxRequired5", "L140").Choose("cbxRequired6", "A1");
  user.Check(
      [&](QDialog& d) { return EditsAndCombos(d) == 7 ? QString() : QString("rows again"); });
  user.Press("btnDigitalOnly").WaitForClose();
  Ask(user);

  const Rows created = Query(
      "select cust_sid, last_name, allow_email, info1 from customer where email_addr = "
      "'new.person@example.com' and udf2_date > '2020'");
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0], (std::vector<std::string>{created[0][0], "Nguyen", "1", "YES"}));
  EXPECT_EQ(Document(kSidAttr), created[0][0]) << "linked to the document";
  EXPECT_EQ(fAuth.StoredEmail, "new.person@example.com");
  bool found = false;
  for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(5)) {
    if (record->attributes.count("EMail") &&
        record->attributes.at("EMail").ToString() == "new.person@example.com") {
      found = true;
      EXPECT_EQ(record->attributes.at("UDF 3 Val Id").ToString(), "11");
      EXPECT_EQ(record->attributes.at("UDF 4 Val Id").ToString(), "1140");
      EXPECT_EQ(record->attributes.at("Phone1").ToString(), "555-0199");
    }
  }
  EXPECT_TRUE(found);
}

// A list entry typed whole (case aside) is chosen when the cashier moves on
// (Tab) or presses a choice; a text that is no entry is not. A date field
// takes only a date, and the customer keeps the date typed.
TEST_F(CaptureDialogTest, TypedListEntriesAreChosenAndADateFieldTakesOnlyADate) {
  PrepareValuesServer();
  foundation::MainPrefs.AlwaysCreateCustForUniqueEmail = true;
  host_.Adapter().BOEdit(0, &status_);
  const auto chosen = [](const char* combo, const char* entry) {
    return [combo, entry](QDialog& d) {
      const auto* box = d.findChild<QComboBox*>(combo);
      return box->currentIndex() >= 0 && box->itemText(box->currentIndex()) == entry
                 ? QString()
                 : QString("%1 holds %2 at %3")
                       .arg(combo, box->currentText())
                       .arg(box->currentIndex());
    };
  };
  struct Attempt {
    const char* birthday;
    const char* colour;
    bool tab;             // leaves the colour with Tab
    const char* message;  // nullptr: the customer is made
  } attempts[] = {
      {"02/01/1990", "Blue", true, "Invalid date for Birthday (yyyy-mm-dd)"},
      {"1990-02-30", "Blue", false, "Invalid date for Birthday (yyyy-mm-dd)"},
      {"1990-01-02", "Bleu", true, "Value required for Favourite Colour"},
      {"1990-01-02", "blue", false, nullptr},
  };
  ScriptedUser user;
  user.WaitForDialog("TfrmAskForVesk").Fill("edtEmail", "typed.rows@example.com");
  Message(user.Press("btnDigitalOnly"),
          "Customer not found.  Please enter additional information to create new customer "
          "record.");
  user.Fill("edtRequired1", "Nguyen").Fill("edtRequired2", "555-0199");
  // Focus moves (and a row is left) only in the active window.
  user.Check([](QDialog& d) {
    d.activateWindow();
    return QString();
  });
  for (const Attempt& a : attempts) {
    user.Fill("edtRequired3", a.birthday).Fill("cbxRequired4", a.colour);
    if (a.tab) {
      user.TypeKey("Tab");
      if (std::string(a.colour) == "Blue") user.Check(chosen("cbxRequired4", "Blue"));
    }
    user.Fill("cbxRequired5", "M").Fill("cbxRequired6", "A1");
    if (a.message != nullptr) Message(user.Press("btnDigitalOnly"), a.message);
  }
  user.Press("btnDigitalOnly").WaitForClose();
  Ask(user);
  EXPECT_EQ(Query("select c.udf1_date, v.udf_3, v.udf_4 from customer c join cust_udf_v v on "
                  "v.cust_sid = c.cust_sid where c.email_addr = 'typed.rows@example.com'"),
            (Rows{{"1990-01-02 00:00:00", "Blue", "M"}}))
      << "the birthday typed and the entries chosen by their text";
}

// Blanks around the address are no part of it: trimmed before the check on
// every choice, the modified flag as it was.
TEST_F(CaptureDialogTest, BlanksAroundTheAddressAreDropped) {
  struct Case {
    const char* button;
    const char* shown;  // the customer's address when the dialog opens
    const char* typed;
    const char* kept;
    bool changed;
    const char* message;  // nullptr: the dialog closes
  } cases[] = {
      {"btnDigitalOnly", "", "  ann@example.com", "ann@example.com", true, nullptr},
      {"btnDigitalPrint", "", "\tAnn@Example.com ", "ann@example.com", true, nullptr},
      {"btnDigitalOnly", "ann@example.com", " ann@example.com ", "ann@example.com", false, nullptr},
      {"btnDigitalPrint", "ann@example.com", "ann@example.com\t", "ann@example.com", false,
       nullptr},
      {"btnPrintOnly", "", "   ", "", false, nullptr},
      {"btnDigitalOnly", "", "   ", "", false, "Email is required."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.button) + " [" + c.typed + "]");
    receipt::ResetAuth();
    fAuth.EmailAddress = c.shown;
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk").Fill("edtEmail", c.typed);
    if (c.message != nullptr) {
      Message(user.Press(c.button), c.message).Press("btnPrintOnly");
    } else {
      user.Press(c.button);
    }
    user.WaitForClose();
    Ask(user);
    EXPECT_EQ(fAuth.EmailAddress, c.kept);
    EXPECT_EQ(FTransControl.EmailChanged, c.changed);
  }
  QLineEdit edit;
  edit.setText(" a@b.example\t");
  edit.setModified(true);
  dialogs::TrimEmailEdit(edit);
  EXPECT_EQ(edit.text(), "a@b.example");
  EXPECT_TRUE(edit.isModified()) << "trimming is no typing";
}

// The document's customer's opt-in is read from his own record only: a
// filter the host answers as done but leaving the object on another
// customer (opted in) shows the box unticked, as his own record would.
TEST_F(CaptureDialogTest, TheDocumentsCustomerIsReadFromHisOwnRecordOnly) {
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.PromptForEmailMarketingOptIn = true;
  prefs.EmailOptInField = "Allow Email";
  prefs.LoyaltyTrackingDateField = "UDF1 Date";
  auto other = std::make_shared<hostsim::BORecord>();
  other->attributes = {{"Cust Sid", Variant(9101)},
                       {"Sbs No", Variant(1)},
                       {"EMail", Variant("eve@example.com")},
                       {"Allow Email", Variant(1)}};
  host_.Adapter().Store().Table(5)->push_back(other);
  host_.Adapter().BOEdit(0, &status_);
  SetDocumentSid("9100");
  for (const bool stray : {false, true}) {
    SCOPED_TRACE(stray ? "filter left on another customer" : "filter on the customer");
    if (stray) host_.Adapter().AddFault({"stray filter", 5, "Cust Sid", 0, "", ""});
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk").Check([](QDialog& d) {
      return d.findChild<QCheckBox*>("chkOptInToEmailMarketing")->isChecked()
                 ? QString("another customer's opt-in shown")
                 : QString();
    });
    user.Press("btnPrintOnly").WaitForClose();
    Ask(user);
    EXPECT_EQ(log_.Text().find("The record of customer 9100 was not found") != std::string::npos,
              stray);
  }
  host_.Adapter().ClearFaults();
}

// Paper needs no address: the customer's stored address goes unchecked,
// only one the cashier typed instead must be valid.
TEST_F(CaptureDialogTest, PaperOnlyChecksOnlyATypedAddress) {
  struct Case {
    const char* shown;  // the customer's address when the dialog opens
    const char* typed;  // nullptr: left as shown
    bool refused;
    const char* kept;
    bool changed;
  } cases[] = {
      {"uma@localhost", nullptr, false, "uma@localhost", false},
      {"uma@localhost", " uma@localhost\t", false, "uma@localhost", false},
      {"uma@localhost", "vic@localhost", true, "uma@localhost", false},
      {"", "vic@localhost", true, "", false},
      {"uma@localhost", "Vic@Example.com", false, "vic@example.com", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.shown) + " / " + (c.typed != nullptr ? c.typed : "(as shown)"));
    receipt::ResetAuth();
    fAuth.EmailAddress = c.shown;
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk");
    if (c.typed != nullptr) user.Fill("edtEmail", c.typed);
    if (c.refused) {
      // Put back as it was shown, paper goes.
      Message(user.Press("btnPrintOnly"), "Invalid Email address.").Fill("edtEmail", c.shown);
    }
    user.Press("btnPrintOnly").WaitForClose();
    Ask(user);
    EXPECT_EQ(fAuth.EmailAddress, c.kept);
    EXPECT_EQ(FTransControl.EmailChanged, c.changed);
    EXPECT_TRUE(FTransControl.PrintPaper);
  }
}

TEST_F(CaptureDialogTest, KnownCustomersAreUpdatedOnlyWhenAskedAndFailuresLinkNothing) {
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  struct Case {
    bool saveEmail, prepared, failPost, alwaysCreate;
    const char* sid;  // on the document
    const char* stored;
    const char* sbs;  // "3" has no required fields
  } cases[] = {
      {true, true, false, false, "9100", "dana@new.example", "1"},
      {false, true, false, false, "9100", "dana@new.example", "1"},
      {true, false, false, false, "9100", "", "1"},
      {false, false, false, true, "", "", "3"},
      {false, true, true, true, "", "", "3"},
  };
  host_.Adapter().BOEdit(0, &status_);
  // The opt-in box shows the document's customer's choice.
  prefs.PromptForEmailMarketingOptIn = true;
  prefs.EmailOptInField = "Info1";
  for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(5)) {
    record->attributes["Info1"] = Variant("YES");
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.saveEmail) + std::to_string(c.prepared) +
                 std::to_string(c.failPost));
    if (c.prepared && !server_) PrepareValuesServer();
    if (!c.prepared && server_) {
      server_->CleanUp();
      server_.Reset();
    }
    if (c.failPost) {
      host_.Adapter().AddFault({"post", 5, "", 7, "Record locked", "TBOCustomer.Post"});
    }
    prefs.SaveEmail = c.saveEmail;
    prefs.SBS = c.sbs;
    prefs.AlwaysCreateCustForUniqueEmail = c.alwaysCreate;
    SetDocumentSid(c.sid);
    fAuth.StoredEmail.clear();
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk").Check([&](QDialog& d) {
      const bool checked = d.findChild<QCheckBox*>("chkOptInToEmailMarketing")->isChecked();
      return checked == (*c.sid != '\0') ? QString() : QString("opt-in box %1").arg(checked);
    });
    user.Fill("edtEmail", "Dana@New.Example").Press("btnDigitalPrint").WaitForClose();
    Ask(user);
    EXPECT_EQ(fAuth.StoredEmail, c.stored);
    EXPECT_EQ(Document(kSidAttr), c.sid) << "nothing new is linked";
    EXPECT_EQ(Query("select email_addr from customer where cust_sid = 9100"),
              (Rows{{c.saveEmail && c.prepared ? "dana@new.example" : "dana@example.com"}}));
    if (c.saveEmail && c.prepared) {
      Query("update customer set email_addr = 'dana@example.com' where cust_sid = 9100");
    }
  }
}

// The customer the caller read for the sale (a sales order's payer) is the
// one whose choices the cashier changes, whoever the document names; a
// customer found by his address is linked only to a document naming nobody.
TEST_F(CaptureDialogTest, TheSaleCustomerTheCallerGivesIsTheOneStored) {
  PrepareValuesServer();
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.SaveEmail = true;
  prefs.PromptForEmailMarketingOptIn = true;
  prefs.EmailOptInField = "Allow Email";
  auto bob = std::make_shared<hostsim::BORecord>();
  host_.Adapter().Store().Table(5)->push_back(bob);
  host_.Adapter().BOEdit(0, &status_);
  struct Case {
    const char* document;      // the customer the document names
    const char* saleCustomer;  // the caller's
    const char* typed;         // nullptr: his address as shown
    const char* linked;        // the document's customer afterwards
  } cases[] = {
      {"9100", "9002", nullptr, "9100"},
      {"9100", "", "bob@example.com", "9100"},
      {"", "", "bob@example.com", "9002"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.document) + " / " + c.saleCustomer);
    bob->attributes = {{"Cust Sid", Variant(9002)},
                       {"Sbs No", Variant(1)},
                       {"EMail", Variant("bob@example.com")},
                       {"Allow Email", Variant(0)}};
    Query("update customer set allow_email = 0 where cust_sid = 9002");
    SetDocumentSid(c.document);
    receipt::ResetAuth();
    if (*c.saleCustomer != '\0') fAuth.EmailAddress = fAuth.StoredEmail = "bob@example.com";
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk");
    if (c.typed != nullptr) user.Fill("edtEmail", c.typed);
    user.Tick("chkOptInToEmailMarketing").Press("btnDigitalOnly").WaitForClose();
    user.Start();
    dialogs::AskVeskNotValidated(&host_.Adapter(), kSidAttr, custBO_, true,
                                 std::string(c.saleCustomer));
    ASSERT_TRUE(user.Finish()) << user.Failure().toStdString();
    EXPECT_EQ(Query("select allow_email from customer where cust_sid = 9002"), (Rows{{"1"}}));
    EXPECT_EQ(Query("select email_addr, allow_email from customer where cust_sid = 9100"),
              (Rows{{"dana@example.com", "0"}}))
        << "the document's customer keeps his record";
    EXPECT_EQ(Document(kSidAttr), c.linked);
  }
}

// "Paper Only" for the document's customer: a box the cashier changed is
// stored under SaveEmail as on the e-mail choices; a box ticked and unticked
// again, or SaveEmail off, writes nothing. His address is not part of it:
// the road saves a typed address after the dialog, by the address last
// stored, which stays as it was.
TEST_F(CaptureDialogTest, PaperOnlyStoresTheBoxesTheCashierChanged) {
  PrepareValuesServer();
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.PromptForEmailMarketingOptIn = true;
  prefs.EmailOptInField = "Allow Email";
  host_.Adapter().BOEdit(0, &status_);
  SetDocumentSid("9100");
  struct Case {
    bool saveEmail;
    int ticks;          // clicks on the opt-in box
    const char* typed;  // nullptr: his address as shown
    const char* stored;
  } cases[] = {
      {true, 1, nullptr, "1"},
      {true, 2, nullptr, "0"},
      {false, 1, nullptr, "0"},
      {true, 1, "Dana.New@example.com", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.saveEmail) + std::to_string(c.ticks) + (c.typed ? " typed" : ""));
    prefs.SaveEmail = c.saveEmail;
    receipt::ResetAuth();
    fAuth.EmailAddress = fAuth.StoredEmail = "dana@example.com";
    host_.Adapter().ClearTrace();
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk");
    for (int i = 0; i < c.ticks; ++i) user.Tick("chkOptInToEmailMarketing", i % 2 == 0);
    if (c.typed != nullptr) user.Fill("edtEmail", c.typed);
    user.Press("btnPrintOnly").WaitForClose();
    Ask(user);
    EXPECT_EQ(Query("select email_addr, allow_email from customer where cust_sid = 9100"),
              (Rows{{"dana@example.com", c.stored}}));
    EXPECT_EQ(fAuth.StoredEmail, "dana@example.com");
    EXPECT_EQ(FTransControl.EmailChanged, c.typed != nullptr);
    Query("update customer set allow_email = 0 where cust_sid = 9100");
    for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(5)) {
      if (hostsim::ValueText(record->attributes["Cust Sid"]) == "9100") {
        record->attributes["Allow Email"] = Variant(0);
      }
    }
  }
}

// An address mistyped, then corrected to a known customer's after the rows
// for a new record came up: the sale is his, the rows (left empty) are
// neither checked nor written, no record is made, and every choice button
// stores the cashier's ticked box for him.
TEST_F(CaptureDialogTest, AnAddressCorrectedToAKnownCustomersMakesNoNewRecord) {
  PrepareValuesServer();
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.SaveEmail = true;
  prefs.AlwaysCreateCustForUniqueEmail = true;
  prefs.EnableLoyaltyTracking = true;
  prefs.PromptForEmailMarketingOptIn = false;
  prefs.LoyaltyStatusField = "Info1";
  prefs.LoyaltyTrackingDateField = "None";
  host_.Adapter().BOEdit(0, &status_);
  const size_t customers = host_.Adapter().Store().Table(5)->size();
  // Every choice stores the ticked box for Dana, Paper Only too.
  const std::pair<const char*, const char*> cases[] = {
      {"btnDigitalOnly", "YES"}, {"btnDigitalPrint", "YES"}, {"btnPrintOnly", "YES"}};
  for (const auto& [button, info1] : cases) {
    SCOPED_TRACE(button);
    SetDocumentSid("");
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk").Fill("edtEmail", "dana@exampel.com");
    user.Tick("chkEnableLoyaltyTracking");
    Message(user.Press(button),
            "Customer not found.  Please enter additional information to create new customer "
            "record.");
    user.Fill("edtEmail", "Dana@Example.com").Press(button).WaitForClose();
    Ask(user);
    EXPECT_EQ(Document(kSidAttr), "9100");
    EXPECT_EQ(host_.Adapter().Store().Table(5)->size(), customers) << "no new record";
    EXPECT_EQ(Query("select count(*) from customer"), (Rows{{"4"}})) << "the fixture's four";
    EXPECT_EQ(Query("select last_name, info1 from customer where cust_sid = 9100"),
              (Rows{{"Moss", info1}}))
        << "the empty Last Name row is not written";
    Query("update customer set info1 = 'NO' where cust_sid = 9100");
  }
}

// The document's customer's stored choices the host cannot read: the box
// over one comes up clear and, left alone, is not written (nor is the date
// when the stored one cannot be read); a box the cashier clicked stores the
// cashier's choice; what could be read is shown and stored as before.
TEST_F(CaptureDialogTest, AStoredChoiceThatCannotBeReadIsNotOverwritten) {
  PrepareValuesServer();
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.SaveEmail = true;
  prefs.EnableLoyaltyTracking = true;
  prefs.PromptForEmailMarketingOptIn = true;
  prefs.EmailOptInField = "Allow Email";
  prefs.LoyaltyStatusField = "Info1";
  prefs.LoyaltyTrackingDateField = "UDF1 Date";
  struct Case {
    const char* unreadable;  // the field the host fails to read
    bool clickOptIn;         // ticked and unticked again
    const char* optInShown;
    const char* loyaltyShown;
    Rows stored;  // allow_email, info1, udf1_date
  } cases[] = {
      {"Allow Email", false, "[ ]", "[x]", {{"1", "YES", "2020-01-15 00:00:00"}}},
      {"Allow Email", true, "[ ]", "[x]", {{"0", "YES", "2020-01-15 00:00:00"}}},
      {"Info1", false, "[x]", "[ ]", {{"1", "YES", "2020-01-15 00:00:00"}}},
      {"UDF1 Date", false, "[x]", "[x]", {{"1", "YES", "2020-01-15 00:00:00"}}},
      {"Phone9", false, "[x]", "[x]", {{"1", "YES", "2020-01-15 00:00:00"}}},
  };
  host_.Adapter().BOEdit(0, &status_);
  SetDocumentSid("9100");
  hostsim::BORecord* dana = nullptr;
  for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(5)) {
    if (hostsim::ValueText(record->attributes["Cust Sid"]) == "9100") dana = record.get();
  }
  ASSERT_NE(dana, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.unreadable) + (c.clickOptIn ? " clicked" : ""));
    receipt::ResetAuth();
    Query(
        "update customer set email_addr = 'dana@example.com', allow_email = 1, info1 = 'YES', "
        "udf1_date = '2020-01-15 00:00:00' where cust_sid = 9100");
    dana->attributes["EMail"] = Variant("dana@example.com");
    dana->attributes["Allow Email"] = Variant(1);
    dana->attributes["Info1"] = Variant("YES");
    dana->attributes["UDF1 Date"] = Variant("2020-01-15 00:00:00");
    host_.Adapter().ClearFaults();
    host_.Adapter().AddFault({"read", 5, c.unreadable, 5, "Read failed", "BOGetAttrValue"});
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk").Check([&](QDialog& d) {
      const auto box = [&](const char* name) {
        return QString(d.findChild<QCheckBox*>(name)->isChecked() ? "[x]" : "[ ]");
      };
      const QString shown = box("chkOptInToEmailMarketing") + box("chkEnableLoyaltyTracking");
      return shown == QString(c.optInShown) + c.loyaltyShown ? QString() : "boxes " + shown;
    });
    if (c.clickOptIn) {
      user.Tick("chkOptInToEmailMarketing").Tick("chkOptInToEmailMarketing", false);
    }
    user.Fill("edtEmail", "dana@new.example").Press("btnDigitalOnly").WaitForClose();
    Ask(user);
    EXPECT_EQ(Query("select email_addr from customer where cust_sid = 9100"),
              (Rows{{"dana@new.example"}}))
        << "the address is stored";
    EXPECT_EQ(Query("select allow_email, info1, udf1_date from customer where cust_sid = 9100"),
              c.stored);
  }
  host_.Adapter().ClearFaults();
}

// A loyalty member found by e-mail keeps the tracking date stored on it; one
// without a date gets the current time.
TEST_F(CaptureDialogTest, AFoundMembersTrackingDateIsStoredOnlyWhenItHasNone) {
  PrepareValuesServer();
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.SaveEmail = true;
  prefs.EnableLoyaltyTracking = true;
  prefs.PromptForEmailMarketingOptIn = false;
  prefs.LoyaltyStatusField = "None";
  prefs.LoyaltyTrackingDateField = "UDF1 Date";
  hostsim::BORecord* dana = nullptr;
  for (const hostsim::RecordPtr& record : *host_.Adapter().Store().Table(5)) {
    if (hostsim::ValueText(record->attributes["Cust Sid"]) == "9100") dana = record.get();
  }
  ASSERT_NE(dana, nullptr);
  for (const std::string stored : {"2024-01-02 00:00:00", ""}) {
    SCOPED_TRACE(stored);
    dana->attributes["UDF1 Date"] = stored.empty() ? Variant::Null() : Variant(stored);
    Query("update customer set udf1_date = " + (stored.empty() ? "NULL" : "'" + stored + "'") +
          " where cust_sid = 9100");
    ScriptedUser user;
    user.WaitForDialog("TfrmAskForVesk").Fill("edtEmail", "Dana@Example.com");
    user.Tick("chkEnableLoyaltyTracking").Press("btnDigitalOnly").WaitForClose();
    Ask(user, false);
    const Variant& date = dana->attributes["UDF1 Date"];
    if (stored.empty()) {
      EXPECT_EQ(date.vt(), VT_DATE) << "the time of the update";
    } else {
      EXPECT_EQ(hostsim::ValueText(date), stored) << "left as it was";
    }
    EXPECT_EQ(hostsim::ValueText(dana->attributes["EMail"]), "dana@example.com");
  }
}

TEST_F(CaptureDialogTest, AMisconfiguredFieldIsShownAndTheDialogStaysOpen) {
  foundation::TMainPrefs& prefs = foundation::MainPrefs;
  prefs.SaveEmail = true;
  prefs.EnableLoyaltyTracking = true;
  prefs.PromptForEmailMarketingOptIn = true;
  prefs.LoyaltyStatusField = "Phone9";
  prefs.SBS = "3";
  const auto setLoyaltyField = [&](const char* field) {
    return [&prefs, field](QDialog&) {
      prefs.LoyaltyStatusField = field;
      return QString();
    };
  };
  ScriptedUser user;
  user.WaitForDialog("TfrmAskForVesk").Fill("edtEmail", "who@example.com");
  Message(user.Press("btnDigitalOnly"),
          "Unrecognized field name \"Phone9\" configured for loyalty status field");
  user.Check([](QDialog& d) {
    return d.findChild<QWidget*>("btnDigitalOnly")->isEnabled() ? QString()
                                                                : QString("buttons off");
  });
  user.Tick("chkEnableLoyaltyTracking").Tick("chkOptInToEmailMarketing");
  user.Grab(Shot("loyalty_and_opt_in")).Check(setLoyaltyField("UDF"));
  Message(user.Press("btnPrintOnly"),
          "Unrecognized field name \"UDF\" configured for loyalty status field");
  user.Check(setLoyaltyField("None"))
      .CloseBox()
      .PressEscape()
      .Press("btnDigitalPrint")
      .WaitForClose();
  Ask(user);
  EXPECT_TRUE(FTransControl.PrintPaper);
  EXPECT_NE(log_.Text().find("User will NOT be permitted to close form"), std::string::npos);
  EXPECT_NE(log_.Text().find("TProofOfLife.PostActivate"), std::string::npos)
      << "the watchdog runs once the dialog is active";
}

}  // namespace
