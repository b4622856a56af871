// Document extraction on staged sales: every container compared field by
// field (name, type, value, order) with its expected listing, the failures
// that leave no container, and host values that hold SQL.

#include <gtest/gtest.h>

#include <sstream>
#include <variant>

#include "common/app_log_capture.h"
#include "common/file_text.h"
#include "receipt/document_extraction.h"
#include "receipt/number_format.h"
#include "receipt/receipt_preparation.h"
#include "sales/staged_host.h"

namespace {

using receipt::ExtractDocument;
using receipt::TCapturedCustomer;
using receipt::TContainer;
using receipt::TInvoiceContainer;

const TCapturedCustomer kCustomer{"3", "Ann", "Lee", "L-77", "ann@example.com", "555-0101"};

// One line per value: name, type and value.
void List(const TContainer& container, const char* heading, std::ostringstream& out) {
  out << "[" << heading << "]\n";
  for (const auto& field : container.Fields()) {
    out << field->Name() << " = ";
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::monostate>) {
            out << "empty";
          } else if constexpr (std::is_same_v<T, std::string>) {
            out << "text '" << v << "'";
          } else if constexpr (std::is_same_v<T, int64_t>) {
            out << "integer " << v;
          } else if constexpr (std::is_same_v<T, double>) {
            out << "number " << container.AsString(field->Name());
          } else {
            out << "date " << receipt::FormatDateTime(v.Days, ' ');
          }
        },
        field->Value());
    out << "\n";
  }
}

std::string Listing(const TInvoiceContainer& invoice) {
  std::ostringstream out;
  List(invoice, "invoice", out);
  for (int i = 0; i < invoice.Items.Count(); ++i) {
    List(*invoice.Items.GetItem(i), ("item " + std::to_string(i)).c_str(), out);
  }
  for (int i = 0; i < invoice.Tenders.Count(); ++i) {
    List(*invoice.Tenders.GetItem(i), ("tender " + std::to_string(i)).c_str(), out);
  }
  return out.str();
}

// The invoice the document handle shows, or (`sid` not empty) one loaded
// into an invoice object of its own filtered on that SID, as the side buttons
// load one; `loaded` is what the caller says it loaded.
std::unique_ptr<TInvoiceContainer> Extract(stagedhost::StagedHost& host,
                                           const std::string& sid = {},
                                           const std::string& loaded = {}) {
  hostsim::HostAdapter& adapter = host.Adapter();
  int32_t invoice = 0;
  if (!sid.empty()) {
    int32_t status = 0;
    adapter.BOCreate(8, &invoice, &status);
    adapter.BOOpen(invoice, &status);
    BStr name("Invoice SID");
    Variant value(sid);
    adapter.BOSetFilterAttr(invoice, name.Get(), &value.Get(), 1, -1, -1, &status);
  }
  const int32_t items = host.Child(invoice, "items");
  return ExtractDocument(adapter, invoice, items, host.Child(items, "Item Ref"),
                         host.Child(invoice, "tenders"), -1, kCustomer, false, loaded);
}

class ExtractionTest : public ::testing::Test {
 protected:
  testsupport::AppLogCapture log_{"extraction", 9, true};
};

TEST_F(ExtractionTest, ContainersHoldEveryValueWithItsTypeInOrder) {
  struct Case {
    const char* scenario;
    const char* invoiceSid;  // empty: the document
    const char* expected;
  } cases[] = {
      {"extract_sale.yaml", "", "sale.txt"},
      {"extract_sale.yaml", "7402", "no_items_no_tenders.txt"},
      {"extract_return.yaml", "", "return.txt"},
      {"extract_deposit.yaml", "", "deposit.txt"},
      {"extract_deposit.yaml", "7502", "deposit_without_order.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.scenario) + " " + c.invoiceSid);
    stagedhost::StagedHost host(stagedhost::ReadScenario(c.scenario));
    std::unique_ptr<TInvoiceContainer> invoice = Extract(host, c.invoiceSid, c.invoiceSid);
    ASSERT_NE(invoice, nullptr);
    EXPECT_EQ(Listing(*invoice),
              testsupport::ReadFileText(std::string(EXPECTED_DIR) + "/" + c.expected));
  }
}

TEST_F(ExtractionTest, AFailureLeavesNoContainerAndNamesItsStep) {
  struct Case {
    const char* failing;  // statements holding this fail
    const char* loaded;   // the invoice the caller says it loaded
    const char* step;
  } cases[] = {
      {"vendor_v", "", "ExtractDocument while looking up vendor"},
      {"so_item_v", "", "ExtractDocument while opening fSOTable"},
      {nullptr, "7499", "ExtractDocument while checking assertions"},
  };
  hostsim::Scenario scenario = stagedhost::ReadScenario("extract_hostile_values.yaml");
  scenario.document.record->attributes["SO Sid"] = Variant("5001");
  scenario.document.record->children["items"].front()->attributes["Item_Sid"] = Variant("1001");
  stagedhost::StagedHost host(std::move(scenario));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    host.FailStatements(c.failing, 942);
    std::unique_ptr<TInvoiceContainer> invoice;
    EXPECT_ANY_THROW(invoice = Extract(host, *c.loaded ? "7601" : "", c.loaded));
    EXPECT_EQ(invoice, nullptr);
    EXPECT_NE(log_.Text().find(c.step), std::string::npos);
  }
  host.FailStatements(nullptr, 0);
  EXPECT_THROW(Extract(host, "7601", "7499"), receipt::EExtractAssertion);
  EXPECT_THROW(Extract(host, "7499", ""), receipt::EExtractAssertion) << "no such invoice";
  EXPECT_NE(Extract(host, "7601", "7601"), nullptr);
}

// A deposit on the fixture's order 5001: lines of 125.00 with 12.00 tax, a
// 7.50 fee and 15.00 deposited before. A discount percentage or amount the
// order leaves Null counts as none.
TEST_F(ExtractionTest, TheOrderBalanceCountsAMissingDiscountAsNone) {
  struct Case {
    const char* percent;
    const char* amount;
    const char* balance;
  } cases[] = {
      {"10", "5", "123.30"},
      {"NULL", "NULL", "129.50"},
      {"10", "NULL", "128.30"},
      {"NULL", "5", "124.50"},
  };
  stagedhost::StagedHost host(stagedhost::ReadScenario("extract_deposit.yaml"));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.percent) + " % and " + c.amount);
    host.Database().Query(std::string("update so_v set disc_perc = ") + c.percent +
                          ", disc_amt = " + c.amount + " where so_sid = 5001");
    std::unique_ptr<TInvoiceContainer> invoice = Extract(host);
    ASSERT_NE(invoice, nullptr);
    EXPECT_EQ(receipt::FormatAmount(invoice->AsFloat("Deposit Balance Due")), c.balance);
  }
}

// The three statements as the extraction must send them, written out here:
// the host's values stand as bind variables where the statements' text
// would paste them, and the vendor is looked up in the invoice's subsidiary
// only (an item's vendor code names another vendor in another subsidiary).
constexpr const char* kVendorStatement =
    "select v.Vend_Name, v.Vend_Code from vendor_v v join invn_sbs_v i on i.sbs_no=v.Sbs_No and "
    "v.Vend_Code=i.vend_code where i.Item_Sid=:item_sid and i.sbs_no=:sbs_no";
constexpr const char* kBalanceStatement =
    "select Disc_Perc, Disc_Amt, ExtPrc, ExtTax, TotTax, TotDep, ( ( ( ExtPrc + TotTax + TotFee ) "
    "- Disc_Amt ) - TotDep ) as BalDue from ( select nvl( s.Disc_Perc,0 ) as Disc_Perc, nvl( "
    "s.Disc_Amt,0 ) as Disc_Amt, ExtPrc, ExtTax, ( ExtTax * ( 1-( nvl( s.Disc_Perc,0 )/100 ) ) ) "
    "as TotTax, ( select nvl( sum( nvl( sf.amt,0 ) ),0 ) from "
    "SO_Fee sf where sf.so_sid=s.so_sid ) as TotFee, ( select nvl( sum( nvl( rf.amt * "
    "r.Modifier,0 ) ),0 ) from invoice_v r, invc_fee rf, so_depst sd where sd.so_sid=s.so_sid and "
    "rf.invc_sid=sd.invc_sid and rf.fee_type=-2 and r.invc_sid=rf.invc_sid ) as TotDep from so_v "
    "s, ( ( select si.SO_SID, sum( si.PRICE * si.ORD_QTY ) as ExtPrc, sum( ( nvl( si.TAX_AMT,0 ) "
    "+ nvl( si.TAX_AMT2,0 ) ) * si.ORD_QTY ) as ExtTax from so_item_v si where si.SO_SID=:so_sid "
    "group by so_sid  ) a  ) where s.SO_Sid=a.SO_SID  )";
constexpr const char* kCardNameStatement =
    "select crd_name from credit_card_v where sbs_no=:sbs_no and crd_type=:crd_type";

TEST_F(ExtractionTest, HostValuesReachTheDatabaseOnlyAsBinds) {
  for (const std::string hostile : {"1' or '1'='1", "--", "; delete from vendor_v"}) {
    SCOPED_TRACE(hostile);
    hostsim::Scenario scenario = stagedhost::ReadScenario("extract_hostile_values.yaml");
    hostsim::BORecord& document = *scenario.document.record;
    document.attributes["SO Sid"] = Variant(hostile);
    document.children["items"].front()->attributes["Item_Sid"] = Variant(hostile);
    document.children["tenders"].front()->attributes["CRD_TYPE"] = Variant(hostile);
    stagedhost::StagedHost host(std::move(scenario));
    host.ClearJournal();

    std::unique_ptr<TInvoiceContainer> invoice = Extract(host);
    ASSERT_NE(invoice, nullptr);
    EXPECT_EQ(invoice->Items.GetItem(0)->FindField("Vendor Name"), nullptr);
    EXPECT_EQ(invoice->AsString("Deposit Balance Due"), "0.00");
    EXPECT_EQ(invoice->Tenders.GetItem(0)->AsString("Card Type"), "");

    std::vector<std::string> statements;
    for (const std::string& entry : host.Journal()) {
      if (entry.find("select") == 0) statements.push_back(entry);
    }
    const std::string quoted = stagedhost::Quoted(hostile);
    EXPECT_EQ(statements,
              (std::vector<std::string>{
                  std::string(kVendorStatement) + " [ITEM_SID=" + quoted + ", SBS_NO='1']",
                  std::string(kBalanceStatement) + " [SO_SID=" + quoted + "]",
                  std::string(kCardNameStatement) + " [SBS_NO='1', CRD_TYPE=" + quoted + "]"}));
    EXPECT_EQ(receipt::LastVendorSQL,
              std::string(kVendorStatement) + " [item_sid='" + hostile + "', sbs_no='1']");
    EXPECT_EQ(
        host.Database().Query("select sbs_no, vend_code, vend_name from vendor_v order by 1, 2"),
        (std::vector<std::vector<std::string>>{{"1", "ACME", "Acme Outdoor"},
                                               {"1", "NORD", "Nordic Wear"},
                                               {"2", "ACME", "Acme Outlet"}}));
  }
}

}  // namespace
