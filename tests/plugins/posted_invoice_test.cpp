// The receipt processor's road after the save, run in process over a sale
// staged in the simulated host and the stand-in service over TLS: the notice
// each outcome shows and the print flags and receipt ID it leaves for the
// print event.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "common/app_log_capture.h"
#include "foundation/prefs_records.h"
#include "plugins/digital_receipt_processor.h"
#include "receipt/progress_window.h"
#include "receipt/records.h"
#include "receipt_service/transport_fixture.h"
#include "sales/staged_host.h"
#include "scripted_user/qt_test_app.h"
#include "scripted_user/scripted_user.h"

namespace {

const bool kQtApp = testsupport::InstallQtApplication();

using receipt::fAuth;
using receipt::FTransControl;
using receiptservice::AnswerKind;

struct Left {
  bool printPaper, printEFT, printMessage;
  std::string receiptID;
  bool operator==(const Left&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Left& l) {
  return out << "paper " << l.printPaper << ", card slip " << l.printEFT << ", message "
             << l.printMessage << ", receipt ID [" << l.receiptID << "]";
}

TEST(PostedInvoice, EachOutcomeLeavesItsPrintFlagsAndReceiptID) {
  struct Case {
    const char* name;
    std::optional<receiptservice::Answer> answer;  // to the send; none: nothing is sent
    bool digitalWanted;                            // the cashier chose e-mail before the save
    bool noVesk;                                   // the sale failed before the save
    bool cancelled;                                // the cashier cancelled the dialog
    const char* expectedSid;                       // the invoice the caller loaded
    const char* notice;                            // the outcome notice; null: none
    Left left;
    bool answer_;  // ProcessPostedInvoice's answer
  } cases[] = {
      {"sent by e-mail",
       receiptservice::Answer{},
       true,
       false,
       false,
       "",
       "TfrmVeskResult",
       {false, false, false, "C-7"},
       true},
      {"paper, temporary identifier",
       receiptservice::Answer{.temporaryId = true, .customerId = "T-9"},
       false,
       false,
       false,
       "",
       nullptr,
       {true, false, true, "T-9"},
       true},
      {"server error: queued",
       receiptservice::Answer{.kind = AnswerKind::ServerError},
       true,
       false,
       false,
       "",
       "TfrmVeskQueued",
       {false, false, false, "C-7"},
       true},
      {"garbage: failed",
       receiptservice::Answer{.kind = AnswerKind::Garbage},
       true,
       false,
       false,
       "",
       "TfrmVeskFail",
       {true, true, false, "C-7"},
       true},
      {"failed before the save",
       std::nullopt,
       true,
       true,
       false,
       "",
       "TfrmVeskFail",
       {true, true, false, "C-7"},
       true},
      {"cancelled", std::nullopt, true, false, true, "", nullptr, {false, false, false, ""}, true},
      {"another invoice loaded",
       std::nullopt,
       true,
       false,
       false,
       "9999",
       nullptr,
       {false, false, false, ""},
       false},
  };
  testsupport::AppLogCapture log("posted_invoice", 9, true);
  stagedhost::StagedHost host(stagedhost::ReadScenario("sale_queued.yaml"));
  receiptservice::ReceiptService service(transporttest::TestCertificates());
  service.Start();
  ::setenv(receipt::kCaBundleEnvironment, transporttest::TestCertificates().caCert.c_str(), 1);
  plugins::ConfigurationChecked = plugins::SystemPreferencesLogged = true;
  plugins::TDigitalReceiptProcessor processor(&host.Adapter());
  ASSERT_TRUE(processor.InitializeEnvironment());
  foundation::MainPrefs.URL = service.Url();
  foundation::MainPrefs.QueueDirectory = (host.Folder() / "Queue").string();

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The state the before-save road leaves: a dialog was shown.
    receipt::ResetTransControl();
    receipt::ResetAuth();
    FTransControl.DigitalWanted = c.digitalWanted;
    FTransControl.PrintPaper = !c.digitalWanted;
    FTransControl.NoVesk = c.noVesk;
    FTransControl.VeskCancelled = c.cancelled;
    fAuth.CustID = c.answer && c.answer->temporaryId ? "" : "C-7";
    processor.WindowDisplayed = processor.fOkToPop = true;
    const size_t sentBefore = service.Requests().size();
    if (c.answer) service.Plan(*c.answer);

    testsupport::ScriptedUser user;
    if (c.notice != nullptr) {
      user.WaitForDialog(c.notice).Press("btnExit").WaitForClose();
      user.Start();
    }
    EXPECT_EQ(processor.ProcessPostedInvoice(c.expectedSid), c.answer_);
    if (c.notice != nullptr) {
      EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
    }

    const receipt::TransControl& t = FTransControl;
    EXPECT_EQ((Left{t.PrintPaper, t.PrintEFT, t.PrintVeskMessage, t.ReceiptID}), c.left);
    EXPECT_EQ(t.PrintVeskMessagePrint, c.left.printMessage);
    EXPECT_EQ(service.Requests().size() - sentBefore, c.answer ? 1u : 0u);
    EXPECT_EQ(receipt::CurrentProgressWindow(), nullptr) << "closed on every path";
    EXPECT_TRUE(fAuth.CustID.empty()) << "the authentication is cleared";
    EXPECT_FALSE(processor.WindowDisplayed);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(host.Folder() / "Queue"), {}), 1)
      << "only the server error queued its request";
  service.Stop();
  ::unsetenv(receipt::kCaBundleEnvironment);
  plugins::ConfigurationChecked = false;
  receipt::ResetTransControl();
  receipt::ResetAuth();
}

// A card sale's slip is the same whether its receipt reaches the service or
// waits in the queue: an e-mailed receipt's slip follows the workstation's
// default (the sent notice's box, which the queued notice lacks), a
// paper-only receipt's slip stays as the customer's choice left it.
TEST(PostedInvoice, AQueuedReceiptPrintsTheCardSlipASentOneWould) {
  struct Case {
    const char* name;
    bool digitalWanted, paper;
    bool slipChosen;  // the card slip as the receipt choice left it
    bool defaultOn;   // the workstation's default for card receipts
    bool slip;        // the card slip printed, sent and queued alike
  } cases[] = {
      {"e-mail only, default on", true, false, false, true, true},
      {"e-mail only, default off", true, false, false, false, false},
      {"e-mail and paper, default off", true, true, true, false, false},
      {"paper only with the slip, default off", false, true, true, false, true},
      {"paper only without the slip, default on", false, true, false, true, false},
  };
  const bool savedDefault = foundation::WSPrefs.DefaultEFTReceiptPrintingOn;
  stagedhost::StagedHost host(stagedhost::ReadScenario("sale_queued.yaml"));
  receiptservice::ReceiptService service(transporttest::TestCertificates());
  service.Start();
  ::setenv(receipt::kCaBundleEnvironment, transporttest::TestCertificates().caCert.c_str(), 1);
  plugins::ConfigurationChecked = plugins::SystemPreferencesLogged = true;
  plugins::TDigitalReceiptProcessor processor(&host.Adapter());
  ASSERT_TRUE(processor.InitializeEnvironment());
  foundation::MainPrefs.URL = service.Url();
  foundation::MainPrefs.QueueDirectory = (host.Folder() / "Queue").string();

  for (const Case& c : cases) {
    for (const bool queued : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (queued ? ", queued" : ", sent"));
      receipt::ResetTransControl();
      receipt::ResetAuth();
      receipt::TransControl& t = FTransControl;
      t.HasCardTender = t.PrintingEFT = true;
      t.DigitalWanted = c.digitalWanted;
      t.PrintPaper = t.PrintingPaper = c.paper;
      t.PrintEFT = c.slipChosen;
      fAuth.CustID = "C-7";
      foundation::WSPrefs.DefaultEFTReceiptPrintingOn = c.defaultOn;
      processor.WindowDisplayed = processor.fOkToPop = true;
      service.Plan(queued ? receiptservice::Answer{.kind = AnswerKind::ServerError}
                          : receiptservice::Answer{});

      const char* notice = queued ? "TfrmVeskQueued" : c.digitalWanted ? "TfrmVeskResult" : nullptr;
      testsupport::ScriptedUser user;
      if (notice != nullptr) {
        user.WaitForDialog(notice).Press("btnExit").WaitForClose();
        user.Start();
      }
      EXPECT_TRUE(processor.ProcessPostedInvoice(""));
      if (notice != nullptr) {
        EXPECT_TRUE(user.Finish()) << user.Failure().toStdString();
      }
      EXPECT_EQ(t.RequestQueued, queued);
      EXPECT_EQ(t.PrintEFT, c.slip);
      EXPECT_TRUE(t.PrintingEFT) << "the card slip is still to come";
      EXPECT_EQ(t.PrintPaper, c.paper);
    }
  }
  service.Stop();
  ::unsetenv(receipt::kCaBundleEnvironment);
  foundation::WSPrefs.DefaultEFTReceiptPrintingOn = savedDefault;
  plugins::ConfigurationChecked = false;
  receipt::ResetTransControl();
  receipt::ResetAuth();
}

}  // namespace
