// The simulated host's business objects, scenario reader and staged
// database, built from scenario text without a process.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "expectations.h"
#include "host_adapter.h"
#include "host_database.h"
#include "scenario.h"

namespace {

using namespace hostsim;

const char kSale[] = R"(
customers:
  - {Cust Sid: 9100, Sbs No: 1, EMail: a@x.test, First Name: Ann}
  - {Cust Sid: 9101, Sbs No: 2, EMail: b@x.test}
document:
  invoice:
    Invoice SID: 7100
    Subsidiary Number: 1
    items:
      - {Item_Sid: 1101, Vendor Code: ACME, Item Ref: {Size: L}}
      - {Item_Sid: 1102, Item Ref: {Size: M, Vendor Code: NORD}}
    tenders:
      - {TENDER_TYPE: 2, AMT: 10.5}
)";

class StagedSale : public ::testing::Test {
 protected:
  void SetUp() override {
    scenario_ = ParseScenario(kSale, "sale.yaml");
    for (const StagedRecord& staged : scenario_.records) {
      adapter_->Store().Table(staged.kind)->push_back(staged.record);
      for (const auto& [name, value] : staged.record->attributes) {
        adapter_->Store().KnownNames(staged.kind)->insert(name);
      }
    }
    adapter_->Store().SetDocument(scenario_.document.kind, scenario_.document.record);
  }

  int32_t Call(HRESULT (IPluginAdapter::*method)(int32_t, int32_t*), int32_t handle) {
    int32_t status = 99;
    EXPECT_EQ((adapter_.Get()->*method)(handle, &status), S_OK);
    return status;
  }
  std::string Read(int32_t handle, const char* name) {
    BStr attribute(name);
    Variant value;
    if (FAILED(adapter_->BOGetAttrValue(handle, attribute.Get(), value.Put()))) return "(failed)";
    return ValueText(value);
  }
  int32_t Filter(int32_t handle, const char* name, const char* value) {
    BStr attribute(name);
    Variant v(value);
    int32_t status = 0;
    EXPECT_EQ(adapter_->BOSetFilterAttr(handle, attribute.Get(), &v.Get(), 1, -1, -1, &status),
              S_OK);
    return status;
  }
  int32_t Set(int32_t handle, const char* name, const char* value) {
    return Set(handle, name, Variant(value));
  }
  int32_t Set(int32_t handle, const char* name, const Variant& value) {
    BStr attribute(name);
    int32_t status = 0;
    EXPECT_EQ(adapter_->BOSetAttrValue(handle, attribute.Get(), &value.Get(), &status), S_OK);
    return status;
  }
  std::string LastError() {
    BStr text;
    adapter_->GetLastErrorMessage(text.Put());
    return text.ToUtf8();
  }
  int32_t Child(int32_t handle, const char* reference) {
    BStr name(reference);
    int32_t child = -1, status = 0;
    EXPECT_EQ(adapter_->BOGetChild(handle, name.Get(), &child, &status), S_OK);
    return status == kAdapterSuccess ? child : -1;
  }
  bool AtEnd(int32_t handle) {
    WordBool atEnd = 0;
    EXPECT_EQ(adapter_->BOEof(handle, &atEnd), S_OK);
    return atEnd != 0;
  }
  int32_t Create(int32_t kind) {
    int32_t handle = -1, status = 0;
    EXPECT_EQ(adapter_->BOCreate(kind, &handle, &status), S_OK);
    return handle;
  }

  Scenario scenario_;
  ComPtr<HostAdapter> adapter_ = MakeComObject<HostAdapter>();
};

TEST_F(StagedSale, TheDocumentItsRelatedRecordsAndNamesAsTheHostKeepsThem) {
  EXPECT_EQ(Read(0, "invoice sid"), "7100") << "names are case-blind";
  EXPECT_EQ(Read(0, "Comment1"), "(empty)") << "an attribute the host does not know";
  const int32_t items = Child(0, "Items");
  ASSERT_GE(items, 0);
  EXPECT_EQ(Child(0, "items"), items) << "one handle per reference";
  const int32_t itemRef = Child(items, "Item Ref");
  std::vector<std::string> seen;
  for (Call(&IPluginAdapter::BOFirst, items); !AtEnd(items); Call(&IPluginAdapter::BONext, items)) {
    seen.push_back(Read(items, "Vendor Code") + "/" + Read(itemRef, "Vendor Code") + "/" +
                   Read(itemRef, "size"));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"ACME/(null)/L", "(null)/NORD/M"}))
      << "the reference follows its item";
  EXPECT_EQ(Read(Child(0, "tenders"), "AMT"), "10.5");
  EXPECT_EQ(Child(0, "history"), -1) << "an invoice has no history";
}

TEST_F(StagedSale, FiltersInsertAndPostOnTheCustomerTable) {
  const int32_t customers = Create(kKindCustomer);
  EXPECT_EQ(Call(&IPluginAdapter::BOIsOpen, customers), 0);
  EXPECT_EQ(Call(&IPluginAdapter::BOOpen, customers), kAdapterSuccess);
  EXPECT_EQ(Call(&IPluginAdapter::BOIsOpen, customers), 1) << "the host answers 1 or 0";
  EXPECT_EQ(Filter(customers, "sbs no", "2"), kAdapterSuccess);
  EXPECT_EQ(Read(customers, "EMail"), "b@x.test");
  EXPECT_EQ(Read(customers, "First Name"), "(null)") << "known to the host, no value";
  EXPECT_EQ(Filter(customers, "Cust Sid", "1"), kAdapterSuccess);
  EXPECT_TRUE(AtEnd(customers)) << "a filter that matches nothing leaves end of data";

  EXPECT_EQ(Call(&IPluginAdapter::BOInsert, customers), kAdapterSuccess);
  EXPECT_EQ(Read(customers, "Cust Sid"), "(null)") << "no identifier before the post";
  EXPECT_EQ(Set(customers, "EMail", "new@x.test"), kAdapterSuccess);
  EXPECT_EQ(Call(&IPluginAdapter::BOPost, customers), kAdapterSuccess);
  const std::string sid = Read(customers, "Cust Sid");
  EXPECT_NE(sid, "(null)");
  EXPECT_EQ(adapter_->Store().Table(kKindCustomer)->size(), 3u);

  const int32_t again = Create(kKindCustomer);
  EXPECT_EQ(Filter(again, "Cust Sid", sid.c_str()), kAdapterSuccess);
  EXPECT_EQ(Read(again, "EMail"), "new@x.test") << "the host's table holds the new customer";
  EXPECT_EQ(Read(again, "Sbs No"), "1") << "inserted at a till of the document's subsidiary";
  EXPECT_EQ(Set(again, "EMail", "x@x.test"), 0) << "not in edit mode";

  EXPECT_EQ(Call(&IPluginAdapter::BOInsert, customers), kAdapterSuccess);
  EXPECT_EQ(Set(customers, "Sbs No", "2"), kAdapterSuccess);
  EXPECT_EQ(Call(&IPluginAdapter::BOPost, customers), kAdapterSuccess);
  EXPECT_EQ(Read(customers, "Sbs No"), "2") << "a subsidiary given at the insert stays";
}

TEST_F(StagedSale, TheHistoryOperationStandsOnTheNewestInvoicePassingTheFilters) {
  RecordList history;
  for (const char* sid : {"7401", "7402", "7403"}) {
    history.push_back(std::make_shared<BORecord>());
    history.back()->attributes["Invoice Sid"] = Variant(std::string(sid));
  }
  const auto operation95 = [&](int32_t handle) {
    Variant nothing;
    int32_t status = 0;
    EXPECT_EQ(adapter_->BOOperation95(handle, &nothing.Get(), &status), S_OK);
    return status;
  };
  const int32_t h = adapter_->Store().Create(kKindHistory, history);
  EXPECT_EQ(Call(&IPluginAdapter::BOOpen, h), kAdapterSuccess);
  EXPECT_EQ(Read(h, "Invoice Sid"), "7401") << "opened on the first";
  EXPECT_EQ(operation95(h), kAdapterSuccess);
  EXPECT_EQ(Read(h, "Invoice Sid"), "7403");
  EXPECT_EQ(operation95(h), kAdapterSuccess);
  EXPECT_EQ(Read(h, "Invoice Sid"), "7403") << "twice in a row";
  EXPECT_EQ(Filter(h, "Invoice Sid", "7402"), kAdapterSuccess);
  EXPECT_EQ(operation95(h), kAdapterSuccess);
  EXPECT_EQ(Read(h, "Invoice Sid"), "7402") << "the newest that passes";
  EXPECT_EQ(Filter(h, "Invoice Sid", "7499"), kAdapterSuccess);
  EXPECT_EQ(operation95(h), kAdapterSuccess);
  EXPECT_TRUE(AtEnd(h)) << "none passes";

  const int32_t customers = Create(kKindCustomer);
  EXPECT_EQ(Call(&IPluginAdapter::BOOpen, customers), kAdapterSuccess);
  EXPECT_EQ(operation95(customers), kAdapterSuccess);
  EXPECT_EQ(Read(customers, "Cust Sid"), "9100") << "another object stays put";
}

TEST_F(StagedSale, InjectedFaultsFailWithTheirCodeTextAndFunction) {
  adapter_->AddFault({"post", kKindCustomer, "", 7, "Record locked", "TBOCustomer.Post"});
  adapter_->AddFault({"read", 0, "EMail", 8, "Read refused", "GetAttr"});
  adapter_->AddFault({"filter", 0, "Cust Sid", 9, "Bad filter", "SetFilter"});
  const int32_t customers = Create(kKindCustomer);
  EXPECT_EQ(Call(&IPluginAdapter::BOOpen, customers), kAdapterSuccess);
  EXPECT_EQ(Call(&IPluginAdapter::BOEdit, customers), kAdapterSuccess);
  EXPECT_EQ(Call(&IPluginAdapter::BOPost, customers), 0);
  BStr text, function;
  int32_t code = 0;
  adapter_->GetLastErrorMessage(text.Put());
  adapter_->GetLastErrorCode(&code);
  adapter_->GetLastErrorFunction(function.Put());
  EXPECT_EQ(text.ToUtf8() + "|" + std::to_string(code) + "|" + function.ToUtf8(),
            "Record locked|7|TBOCustomer.Post");
  EXPECT_EQ(Read(customers, "EMail"), "(failed)");
  EXPECT_EQ(Read(customers, "First Name"), "Ann");
  EXPECT_EQ(Filter(customers, "Cust Sid", "9100"), 0);
  EXPECT_EQ(Filter(customers, "Sbs No", "1"), kAdapterSuccess);
}

TEST(ScenarioReader, BadScenariosNameThePlace) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"document:\n  invoice: {Invoice SID: 1}\nevent: []\n",
       "t.yaml:3:1: unknown key \"event\" in the scenario"},
      {"preferences:\n  - {number: x, subsidiary: 1}\n",
       "t.yaml:2:14: number must be a whole number"},
      {"document:\n  invoice: {Invoice SID: 1\n", "t.yaml:"},
      {"document:\n  invoice:\n    history: []\n",
       "t.yaml:3:5: a invoice has no related records \"history\""},
      {"document:\n  invoice: {}\nevents: [sell]\n", "t.yaml:3:10: unknown event \"sell\""},
      {"service:\n  answers: [{kind: slow}]\n", "t.yaml:2:20: unknown answer \"slow\""},
      {"cashier:\n  dialogs: [{steps: [press btnOK]}]\n", "t.yaml:2:13: a dialog needs \"dialog\""},
      {"events: [configure]\n", "a scenario with events needs a \"document\""},
      {"document:\n  invoice: {}\nevents: [configure]\nexpect:\n"
       "  document: [{after event: 2, values: {A: 1}}]\n",
       "t.yaml:5:0: the document is expected after an event the scenario does not have"},
      {"document:\n  invoice: {}\nevents: [configure]\nexpect:\n"
       "  objects: [{after event: 2, kind: customer, values: {A: 1}}]\n",
       "t.yaml:5:0: an object is expected after an event the scenario does not have"},
      {"document:\n  invoice: {}\nevents: [configure]\nexpect:\n"
       "  queries: [{after event: 0, sql: select 1}]\n",
       "t.yaml:5:27: events are numbered from 1"},
      {"expect:\n  queries: [{after event: 1, sql: select 1}]\n",
       "t.yaml:2:0: a query is expected after an event the scenario does not have"},
      {"- a list\n", "t.yaml:1:1: the scenario must be a mapping"},
      {"expect:\n  settings:\n    VeskMain.ini: {holds: [x]}\n",
       "t.yaml:3:20: unknown key \"holds\" in a settings file"},
      {"queue service: walk\n", "t.yaml:1:16: queue service must be \"run\""},
      {"document:\n  invoice: {}\nevents: [{refuse connections: true}]\n",
       "t.yaml:3:10: an event needs \"event\""},
  };
  for (const Case& c : cases) {
    try {
      ParseScenario(c.text, "t.yaml");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ScenarioError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos)
          << error.what() << "\nexpected: " << c.message;
    }
  }
}

TEST(ScenarioReader, QueueServiceRunsAtTheEndOrAfterAnEvent) {
  const Scenario scenario = ParseScenario(
      "queue service: run\ndocument:\n  invoice: {}\nevents:\n"
      "  - {event: after update, queue service: run}\n"
      "  - {refuse connections: false, queue service: run}\n  - after update\n",
      "t.yaml");
  EXPECT_TRUE(scenario.queueServiceAtEnd);
  ASSERT_EQ(scenario.events.size(), 3u);
  EXPECT_TRUE(scenario.events[0].fires && scenario.events[0].runQueueService);
  EXPECT_FALSE(scenario.events[1].fires) << "host steps only";
  EXPECT_TRUE(scenario.events[1].runQueueService);
  EXPECT_EQ(scenario.events[1].refuseConnections, false);
  EXPECT_TRUE(scenario.events[2].fires && !scenario.events[2].runQueueService);
  EXPECT_FALSE(ParseScenario("description: x\n", "t.yaml").queueServiceAtEnd);
}

TEST(ScenarioReader, ValuesKeepTheirTypes) {
  Scenario scenario = ParseScenario(
      "customers:\n  - {A: 12, B: \"12\", C: 1.5, D: true, E: ~, F: 2024-06-01 14:30:00, G: x}\n",
      "t.yaml");
  const Attributes& a = scenario.records.at(0).record->attributes;
  EXPECT_EQ(a.at("A").vt(), VT_I4);
  EXPECT_EQ(a.at("B").vt(), VT_BSTR);
  EXPECT_EQ(a.at("C").vt(), VT_R8);
  EXPECT_EQ(a.at("D").vt(), VT_BOOL);
  EXPECT_TRUE(a.at("E").IsNull());
  EXPECT_EQ(a.at("F").vt(), VT_DATE);
  EXPECT_EQ(ValueText(a.at("G")), "x");
}

TEST_F(StagedSale, TheDatabaseCopyHoldsWhatTheScenarioAndThePluginWrote) {
  testsupport::TempFolder folder("host_db");
  HostDatabase database(HOST_DB_FIXTURE, (folder.Path() / "host.sqlite").string());
  for (const StagedRecord& staged : scenario_.records) database.Mirror(staged.kind, *staged.record);
  EXPECT_EQ(
      database.Query("select item_sid, sbs_no, vend_code from invn_sbs_v where item_sid > 1100"),
      (std::vector<std::vector<std::string>>{{"1101", "1", "ACME"}, {"1102", "1", "NORD"}}));
  EXPECT_EQ(database.Query("select tender_type, amt from invc_tender where invc_sid = 7100"),
            (std::vector<std::vector<std::string>>{{"2", "10.5"}}));

  adapter_->Store().SetPostHook([&](int32_t kind, const BORecord& record, bool) {
    if (kind == kKindCustomer) database.Mirror(kind, record);
  });
  const int32_t customers = Create(kKindCustomer);
  Filter(customers, "Cust Sid", "9100");
  Call(&IPluginAdapter::BOEdit, customers);
  Set(customers, "EMail", "changed@x.test");
  EXPECT_EQ(Call(&IPluginAdapter::BOPost, customers), kAdapterSuccess);
  EXPECT_EQ(database.Query("select email_addr, first_name from customer where cust_sid = 9100"),
            (std::vector<std::vector<std::string>>{{"changed@x.test", "Ann"}}));
  EXPECT_THROW(database.Query("select nothing from nowhere"), std::runtime_error);
}

// A record staged twice (under two headings, or as a document staged again
// by a later event) describes one row: what either writing carries stays,
// the later value wins, the related records it lists replace those listed
// before, and a deposit is linked to its invoice once.
TEST(HostDatabaseMirror, ARecordStagedAgainAddsToItsRowsWithoutDoublingThem) {
  testsupport::TempFolder folder("host_db_again");
  HostDatabase database(HOST_DB_FIXTURE, (folder.Path() / "host.sqlite").string());
  const auto stage = [&](const char* text) {
    for (const StagedRecord& staged : ParseScenario(text, "t.yaml").records) {
      database.Mirror(staged.kind, *staged.record);
    }
  };
  stage(R"(
sales orders:
  - {SO Sid: 5631, Sbs No: 1, SO Number: 63, Disc Amt: 5,
     items: [{Item Pos: 1, Price: 40.0}, {Item Pos: 2, Price: 10.0}],
     fees: [{Fee Type: 1, Fee Amt: 2.0}]}
invoices:
  - {Invoice SID: 7631, Subsidiary Number: 1, Invoice Number: 931, Modifier: 1,
     fees: [{Fee Type: -2, Fee Amt: 20.0}], items: [{Item_Sid: 1301, Vendor Code: ACME}]}
deposits:
  - {SO Sid: 5631, Invoice SID: 7631, Sbs No: 1, SO: {SO Sid: 5631, Sbs No: 1, Disc Perc: 10},
     tenders: [{TENDER_TYPE: 0, AMT: 20.0}]}
)");
  // Staged again by later events: the invoice without its modifier and with
  // other fees and items, the deposit as it was, the order's discount
  // percentage cleared.
  stage(R"(
invoices:
  - {Invoice SID: 7631, Subsidiary Number: 1, Invoice Number: 931,
     fees: [{Fee Type: -2, Fee Amt: 25.0}], items: [{Item_Sid: 1302, Vendor Code: NORD}]}
deposits:
  - {SO Sid: 5631, Invoice SID: 7631, Sbs No: 1, tenders: [{TENDER_TYPE: 0, AMT: 20.0}]}
  - {SO Sid: 5631, Invoice SID: 7632, Sbs No: 1}
sales orders:
  - {SO Sid: 5631, Sbs No: 1, Disc Perc: ~}
)");
  using Rows = std::vector<std::vector<std::string>>;
  EXPECT_EQ(database.Query("select so_no, disc_perc, disc_amt from so_v where so_sid = 5631"),
            (Rows{{"63", "(null)", "5"}}));
  EXPECT_EQ(database.Query("select invc_no, modifier from invoice_v where invc_sid = 7631"),
            (Rows{{"931", "1"}}));
  EXPECT_EQ(database.Query("select amt from invc_fee where invc_sid = 7631"), (Rows{{"25"}}));
  EXPECT_EQ(database.Query("select amt from invc_tender where invc_sid = 7631"), (Rows{{"20"}}));
  EXPECT_EQ(database.Query("select price from so_item_v where so_sid = 5631 order by item_pos"),
            (Rows{{"40"}, {"10"}}))
      << "lines not listed again stay";
  EXPECT_EQ(database.Query("select count(*) from so_fee where so_sid = 5631"), (Rows{{"1"}}));
  EXPECT_EQ(database.Query("select invc_sid from so_depst where so_sid = 5631 order by invc_sid"),
            (Rows{{"7631"}, {"7632"}}));
  EXPECT_EQ(database.Query("select item_sid from invn_sbs_v where item_sid in (1301, 1302) "
                           "order by item_sid"),
            (Rows{{"1301"}, {"1302"}}))
      << "inventory rows are shared and stay";
}

// A value written to a customer is kept as the host's column keeps it: the
// numbers as integers (a Boolean as 1 or 0, as the database has it), the
// dates as dates; a value that does not fit its column is refused.
TEST_F(StagedSale, ACustomersValuesAreKeptInTheirColumnsTypes) {
  struct Case {
    const char* attribute;
    Variant value;
    const char* kept;  // nullptr: refused
    VARTYPE vt = VT_EMPTY;
  } cases[] = {
      {"Allow Email", Variant(true), "1", VT_I4},
      {"allow email", Variant(false), "0", VT_I4},
      {"Allow Email", Variant(" 1 "), "1", VT_I4},
      {"Allow Email", Variant("YES"), nullptr},
      {"Allow Email", Variant::Null(), "(null)", VT_NULL},
      {"UDF 3 Val Id", Variant("11"), "11", VT_I4},
      {"UDF 3 Val Id", Variant(int32_t{12}), "12", VT_I4},
      {"Aux 1 Val Id", Variant(2.0), "2", VT_I8},
      {"Aux 1 Val Id", Variant(2.5), nullptr},
      {"UDF1 Date", Variant("1985-07-14"), "1985-07-14", VT_DATE},
      {"UDF2 Date", Variant("2024-06-05T10:11:12"), "2024-06-05 10:11:12", VT_DATE},
      {"UDF1 Date", Variant("14.07.1985"), nullptr},
      {"Info1", Variant(true), "True", VT_BOOL},  // a text column keeps what it is given
      {"EMail", Variant("new@x.test"), "new@x.test", VT_BSTR},
  };
  const int32_t customers = Create(kKindCustomer);
  Filter(customers, "Cust Sid", "9100");
  ASSERT_EQ(Call(&IPluginAdapter::BOEdit, customers), kAdapterSuccess);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.attribute) + " = " + ValueText(c.value));
    const std::string before = Read(customers, c.attribute);
    const int32_t status = Set(customers, c.attribute, c.value);
    if (c.kept == nullptr) {
      EXPECT_EQ(status, 0);
      EXPECT_NE(LastError().find("does not fit"), std::string::npos) << LastError();
      EXPECT_EQ(Read(customers, c.attribute), before) << "a refused value changes nothing";
      continue;
    }
    EXPECT_EQ(status, kAdapterSuccess);
    EXPECT_EQ(Read(customers, c.attribute), c.kept);
    BStr name(c.attribute);
    Variant read;
    adapter_->BOGetAttrValue(customers, name.Get(), read.Put());
    EXPECT_EQ(read.vt(), c.vt);
  }
  const int32_t invoice = Create(kKindInvoice);
  Filter(invoice, "Invoice SID", "7100");
  Call(&IPluginAdapter::BOEdit, invoice);
  EXPECT_EQ(Set(invoice, "Allow Email", Variant(true)), kAdapterSuccess);
  EXPECT_EQ(Read(invoice, "Allow Email"), "True") << "only a customer's columns are typed";
}

// A value id written to a customer's user-defined field gives the field's
// value the text of that entry of its list (Null for an id not in it), in
// the object and, once posted, in the database.
TEST_F(StagedSale, AValueIdIsKeptWithItsListEntrysText) {
  testsupport::TempFolder folder("host_udf");
  HostDatabase database(HOST_DB_FIXTURE, (folder.Path() / "host.sqlite").string());
  const int32_t customers = Create(kKindCustomer);
  Filter(customers, "Cust Sid", "9100");
  Call(&IPluginAdapter::BOEdit, customers);
  EXPECT_EQ(Set(customers, "UDF 3 Val Id", "11"), kAdapterSuccess);
  EXPECT_EQ(Read(customers, "UDF 3 Value"), "(empty)") << "no list known: the value is left";

  adapter_->Store().SetUdfValueSource(
      [&](const Variant& sbs, int udf, int64_t id) { return database.UdfValueText(sbs, udf, id); });
  adapter_->Store().SetPostHook([&](int32_t kind, const BORecord& record, bool) {
    if (kind == kKindCustomer) database.Mirror(kind, record);
  });
  struct Case {
    const char* attribute;
    Variant id;
    const char* value;
    const char* text;
  } cases[] = {
      {"UDF 3 Val Id", Variant("11"), "UDF 3 Value", "Blue"},
      {"udf 3 val id", Variant(int32_t{12}), "UDF 3 Value", "Green"},   // inactive, still listed
      {"UDF 4 Val Id", Variant(int32_t{11}), "UDF 4 Value", "(null)"},  // another field's id
      {"UDF 3 Val Id", Variant("99"), "UDF 3 Value", "(null)"},
      {"UDF 4 Val Id", Variant(int32_t{21}), "UDF 4 Value", "M"},
      {"UDF 3 Val Id", Variant::Null(), "UDF 3 Value", "(null)"},
      {"UDF 3 Val Id", Variant("10"), "UDF 3 Value", "Red"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.attribute) + " = " + ValueText(c.id));
    EXPECT_EQ(Set(customers, c.attribute, c.id), kAdapterSuccess);
    EXPECT_EQ(Read(customers, c.value), c.text);
  }
  EXPECT_EQ(Call(&IPluginAdapter::BOPost, customers), kAdapterSuccess);
  EXPECT_EQ(database.Query("select udf_3, udf_4 from cust_udf_v where cust_sid = 9100"),
            (std::vector<std::vector<std::string>>{{"Red", "M"}}));

  // The subsidiary's own list: customer 9101 belongs to subsidiary 2.
  Filter(customers, "Cust Sid", "9101");
  Call(&IPluginAdapter::BOEdit, customers);
  EXPECT_EQ(Set(customers, "UDF 3 Val Id", "11"), kAdapterSuccess);
  EXPECT_EQ(Read(customers, "UDF 3 Value"), "(null)") << "subsidiary 2's field 3 has no 11";
  EXPECT_EQ(Set(customers, "UDF 3 Val Id", "50"), kAdapterSuccess);
  EXPECT_EQ(Read(customers, "UDF 3 Value"), "O");
}

// Each settings check that does not hold names the file and what it found.
TEST(SettingsExpectations, EveryCheckThatFailsIsNamed) {
  testsupport::TempFolder folder("host_settings");
  std::filesystem::create_directories(folder.Path() / "VeskRcpts");
  const std::string text = "; note\n[MAIN]\nTimeout=45\n";
  std::ofstream(folder.Path() / "VeskRcpts" / "VeskMain.ini") << text;
  const Scenario scenario = ParseScenario(R"(
expect:
  settings:
    VeskMain.ini:
      values: {main: {timeout: "45", MerchID: M-1}}
      has: ["; note", "Unknown=1"]
      lacks: ["Timeout=45", "Other=1"]
      unchanged: true
    VeskStore.ini: {has: [x]}
)",
                                          "t.yaml");
  for (const std::string& staged : {text, std::string("changed")}) {
    std::vector<std::string> failures;
    CheckSettings(scenario.expect, folder.Path(), {{"VeskMain.ini", staged}}, failures);
    std::string all;
    for (const std::string& failure : failures) all += failure + "\n";
    // The wrong MerchID, the missing line, the present line, the absent file
    // and (the second time) the changed text.
    EXPECT_EQ(failures.size(), staged == text ? 4u : 5u) << all;
    EXPECT_NE(all.find("[main] MerchID \"(missing)\""), std::string::npos) << all;
  }
}

}  // namespace
