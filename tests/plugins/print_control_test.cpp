// The print control's answers from the sale's print flags, the receipt-ID
// message it writes into the host's print document, and the reprint button
// that re-arms paper, driven through their host interfaces over a staged
// invoice.

#include <gtest/gtest.h>

#include <vector>

#include "common/app_log_capture.h"
#include "plugins/vk9_rcpt_on_print.h"
#include "plugins/vk9_reprint_side_button.h"
#include "print_document.h"
#include "receipt/records.h"
#include "sales/staged_host.h"

namespace {

using receipt::FTransControl;

struct Flags {
  bool printingEFT, printEFT, printingPaper, printPaper;
  bool operator==(const Flags&) const = default;
};

Flags Current() {
  const receipt::TransControl& c = FTransControl;
  return {c.PrintingEFT, c.PrintEFT, c.PrintingPaper, c.PrintPaper};
}

void SetDocument(stagedhost::StagedHost& host, int32_t status, int32_t type) {
  hostsim::BORecord* record = host.Adapter().Store().Find(0)->Current();
  record->attributes["Status"] = Variant(status);
  record->attributes["Invoice Type"] = Variant(type);
}

class PrintControl : public ::testing::Test {
 protected:
  void SetUp() override {
    print_->Initialize();
    ASSERT_EQ(print_->Set_Adapter(&host_.Adapter()), S_OK);
    receipt::ResetTransControl();
  }
  void TearDown() override { receipt::ResetTransControl(); }

  // One print event: S_OK is required whatever the context.
  bool Print() {
    WordBool result = 7;
    EXPECT_EQ(print_->HandleEvent(&result), S_OK);
    return result != 0;
  }

  testsupport::AppLogCapture log_{"print_control", 9};
  stagedhost::StagedHost host_{stagedhost::ReadScenario("sale_queued.yaml")};
  ComPtr<plugins::TVK9RcptOnPrint> print_ = MakeComObject<plugins::TVK9RcptOnPrint>();
};

TEST_F(PrintControl, AnswersFromTheFlagsFirstMatchWins) {
  struct Case {
    const char* name;
    Flags before;
    bool answer;
    Flags after;
  } cases[] = {
      {"card slip pending, not wanted",
       {true, false, true, false},
       false,
       {false, false, true, false}},
      {"card slip pending, wanted", {true, true, true, true}, true, {false, true, true, true}},
      {"paper suppressed, then re-armed",
       {false, true, true, false},
       false,
       {false, true, true, true}},
      {"neither (no decision taken): it prints, paper re-armed",
       {false, true, false, false},
       true,
       {false, true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FTransControl.PrintingEFT = c.before.printingEFT;
    FTransControl.PrintEFT = c.before.printEFT;
    FTransControl.PrintingPaper = c.before.printingPaper;
    FTransControl.PrintPaper = c.before.printPaper;
    EXPECT_EQ(Print(), c.answer);
    EXPECT_EQ(Current(), c.after);
  }
}

// The host prints a card slip for each card tender, then the paper receipt:
// every slip follows the card-slip decision, the paper the paper decision.
TEST_F(PrintControl, EveryCardSlipOfTheSaleFollowsTheCardSlipDecision) {
  struct Case {
    const char* name;
    int32_t cards;
    bool printEFT, printPaper;
    std::vector<bool> answers;  // the slips, then the paper receipt
  } cases[] = {
      {"two cards, slips wanted, no paper", 2, true, false, {true, true, false}},
      {"two cards, no slips, paper", 2, false, true, {false, false, true}},
      {"three cards, slips and paper", 3, true, true, {true, true, true, true}},
      {"slip pending, count unknown: one slip", 0, true, false, {true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    receipt::ResetTransControl();
    FTransControl.PrintingPaper = FTransControl.PrintingEFT = true;
    FTransControl.CardTenders = c.cards;
    FTransControl.PrintEFT = c.printEFT;
    FTransControl.PrintPaper = c.printPaper;
    std::vector<bool> answers;
    for (size_t i = 0; i < c.answers.size(); ++i) answers.push_back(Print());
    EXPECT_EQ(answers, c.answers);
    EXPECT_FALSE(FTransControl.PrintingEFT);
    EXPECT_TRUE(Print()) << "a reprint after the sale prints paper";
  }
}

TEST_F(PrintControl, ReceiptIdMessageOnSalesAndReturnsOnlyAndNeverAFailure) {
  const std::string withRoot = "<Document><Header/><RootItemReceipt/><RootItemReceipt/></Document>";
  struct Case {
    const char* name;
    int32_t status, type;
    const char* xml;    // null: a context that is no print document
    const char* owner;  // the invoice the receipt ID belongs to
    const char* message;
    bool logged;  // the failed message step is in the log
  } cases[] = {
      {"status 0, type 5", 0, 5, withRoot.c_str(), "7311", "R-1", false},
      {"status 5, type 2", 5, 2, withRoot.c_str(), "7311", "R-1", false},
      {"status 5, type 5", 5, 5, withRoot.c_str(), "7311", "", false},
      {"no RootItemReceipt", 0, 0, "<Document/>", "7311", "", false},
      {"another invoice printed", 0, 0, withRoot.c_str(), "7310", "", false},
      {"the sale's invoice not known", 0, 0, withRoot.c_str(), "", "", false},
      {"no print document", 0, 0, nullptr, "7311", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetDocument(host_, c.status, c.type);
    FTransControl.PrintingPaper = FTransControl.PrintPaper = true;
    FTransControl.PrintVeskMessagePrint = true;
    FTransControl.ReceiptID = "R-1";
    FTransControl.ReceiptIDInvoiceSid = c.owner;  // the staged document is invoice 7311
    ComPtr<hostsim::PrintDocument> document =
        MakeComObject<hostsim::PrintDocument>(c.xml != nullptr ? c.xml : "<Document/>");
    IUnknown* context = c.xml != nullptr ? document->GetUnknown() : host_.Adapter().GetUnknown();
    ASSERT_EQ(print_->Set_PrintContext(context), S_OK);
    EXPECT_TRUE(Print()) << "the decision is answered";
    const std::string expected = *c.message ? plugins::ReceiptIdMessage() + c.message : "";
    EXPECT_EQ(document->ReceiptMessage(), expected);
    EXPECT_EQ(log_.Text().find("no XML document") != std::string::npos, c.logged);
    print_->Set_PrintContext(nullptr);
  }
}

// A reprint is paper, whatever card slip an earlier road left pending (the
// e-mail button marks its invoice's, which the host never prints): every
// document the host prints for the reprint prints, the paper receipt alone
// or a card slip with it.
TEST_F(PrintControl, AReprintPrintsWhateverCardSlipWasLeftPending) {
  ComPtr<plugins::Tvk9ReprintSideButton> button = MakeComObject<plugins::Tvk9ReprintSideButton>();
  button->Initialize();
  ASSERT_EQ(button->Set_Adapter(&host_.Adapter()), S_OK);
  struct Case {
    const char* name;
    bool printingEFT, printEFT;
    int32_t cards, printed;
    size_t documents;  // the reprint's: the paper receipt, or a slip and it
  } cases[] = {
      {"a card slip pending, not wanted", true, false, 1, 0, 1},
      {"two card slips pending, not wanted", true, false, 2, 0, 1},
      {"the second of two slips pending", true, false, 2, 1, 2},
      {"nothing pending", false, false, 0, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    receipt::ResetTransControl();
    FTransControl.PrintingEFT = c.printingEFT;
    FTransControl.PrintEFT = c.printEFT;
    FTransControl.CardTenders = c.cards;
    FTransControl.CardSlipsPrinted = c.printed;
    WordBool result = 0;
    ASSERT_EQ(button->HandleEvent(&result), S_OK);
    for (size_t i = 0; i < c.documents; ++i) EXPECT_TRUE(Print()) << "document " << i + 1;
  }
  button->CleanUp();
}

TEST_F(PrintControl, ReprintRearmsPaperAndLeavesTheHostsResult) {
  ComPtr<plugins::Tvk9ReprintSideButton> button = MakeComObject<plugins::Tvk9ReprintSideButton>();
  button->Initialize();
  ASSERT_EQ(button->Set_Adapter(&host_.Adapter()), S_OK);
  int32_t status = 0;
  ASSERT_EQ(host_.Adapter().BOOpen(0, &status), S_OK);
  WordBool enabled = 0;
  ASSERT_EQ(button->Get_ButtonEnabled(&enabled), S_OK);
  EXPECT_NE(enabled, 0) << "an active document";

  FTransControl.PrintingPaper = true;  // after an e-mail-only sale
  EXPECT_FALSE(Print());
  FTransControl.PrintPaper = false;
  WordBool result = 7;
  EXPECT_EQ(button->HandleEvent(&result), S_OK);
  EXPECT_EQ(result, 7) << "the host's own value stands";
  EXPECT_EQ(host_.Adapter().ReprintCount(0), 1);
  EXPECT_TRUE(Print());

  ASSERT_EQ(host_.Adapter().BOClose(0, &status), S_OK);
  ASSERT_EQ(button->Get_ButtonEnabled(&enabled), S_OK);
  EXPECT_EQ(enabled, 0) << "no active document";
  button->CleanUp();
}

}  // namespace
