// Card tenders: whether the host's tenders hold one, and the card text built
// from a tender's values.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "host_adapter.h"
#include "receipt/debug_emv_dialog.h"
#include "receipt/records.h"
#include "receipt/sale_workflow.h"
#include "sales/invoice_builder.h"

namespace {

using hostsim::BORecord;
using hostsim::HostAdapter;

class TenderWalkTest : public ::testing::Test {
 protected:
  int32_t Tenders(const std::vector<Variant>& types) {
    hostsim::RecordList records;
    for (const Variant& type : types) {
      auto record = std::make_shared<BORecord>();
      record->attributes["TENDER_TYPE"] = type;
      records.push_back(record);
    }
    return adapter_->Store().Create(hostsim::kKindTender, records);
  }

  ComPtr<HostAdapter> adapter_ = MakeComObject<HostAdapter>();
};

TEST_F(TenderWalkTest, FindsACardTenderAnywhereInTheWalk) {
  receipt::FTransControl.HasCardTender = true;
  EXPECT_TRUE(receipt::InvoiceHasTenderType2(*adapter_, Tenders({0, 1, 2, 0})));
  EXPECT_FALSE(receipt::FTransControl.HasCardTender) << "cleared; the caller sets it";
  EXPECT_TRUE(receipt::InvoiceHasTenderType2(*adapter_, Tenders({"2"})));
}

// The host prints a card slip per card tender: all of them are counted.
TEST_F(TenderWalkTest, CountsEveryCardTender) {
  const struct {
    std::vector<Variant> types;
    int32_t cards;
  } cases[] = {{{2, 0, 2}, 2}, {{2}, 1}, {{0, 1}, 0}, {{2, 2, 2, 11}, 3}};
  for (const auto& c : cases) {
    receipt::FTransControl.CardTenders = 7;
    EXPECT_EQ(receipt::InvoiceHasTenderType2(*adapter_, Tenders(c.types)), c.cards > 0);
    EXPECT_EQ(receipt::FTransControl.CardTenders, c.cards);
  }
  receipt::ResetTransControl();
}

TEST_F(TenderWalkTest, NoCardTenderNoTendersOrNoObjectAnswerFalse) {
  EXPECT_FALSE(receipt::InvoiceHasTenderType2(*adapter_, Tenders({0, 1, 11, 20})));
  EXPECT_FALSE(receipt::InvoiceHasTenderType2(*adapter_, Tenders({})));
  EXPECT_FALSE(receipt::InvoiceHasTenderType2(*adapter_, 999));
}

class CardTextTest : public ::testing::Test {
 protected:
  void TearDown() override { receipt::DebugEMV = false; }
};

// The text uses literal backslash-n separators; a tender without an
// authorisation code gives none; off the user-interface thread the switch
// shows no dialog.
TEST_F(CardTextTest, TheTextFromATendersValues) {
  receipt::TInvoiceContainer invoice;
  const receipt::TContainer& tender = preparationtest::AddCardTender(invoice, 5.0);
  const std::string text = receipt::GetEMV(tender);
  EXPECT_EQ(text, preparationtest::CardTenderEmvText());
  EXPECT_EQ(text.find('\n'), std::string::npos) << "no line feed";
  EXPECT_EQ(text.find("4111111111111111"), std::string::npos) << "only the last four digits";

  receipt::TContainer noAuth;
  noAuth.AddField("Doc_No", std::string("4111111111111111"));
  noAuth.AddField("emv_aid", std::string("A0000000031010"));
  EXPECT_EQ(receipt::GetEMV(noAuth), "");

  receipt::DebugEMV = true;
  std::string fromWorker;
  std::thread worker([&] { fromWorker = receipt::GetEMV(tender); });
  worker.join();
  EXPECT_EQ(fromWorker, text);
}

TEST(IgnoreBO, DoesNothingWithTheHostObjects) {
  ComPtr<HostAdapter> adapter = MakeComObject<HostAdapter>();
  receipt::IgnoreBO(adapter.Get(), 1, 2, 3);
  receipt::IgnoreBO(nullptr, -1, -1, -1);
  EXPECT_TRUE(adapter->Trace().empty());
}

}  // namespace
