// QBE mode on the fixture's customers: entering, typing and leaving gives
// the customers the example selects; typed texts reach the server only as
// binds; fields and controls come back as they were.

#include "oracle/qbemode/qbe_mode.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/qbe/condition.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/dataset_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_dataset_test {
namespace {

using dataset::clWindow;
using dataset::clWindowText;
using oracle::SetQBEMode;

constexpr const char* kCustomers =
    "select cust_sid, last_name, email_addr, allow_email, cust_id, udf1_date from customer "
    "order by cust_sid";

// A control that records what QBE mode does to it.
struct RecordingControl : dataset::TDataLink, dataset::TDataControl {
  RecordingControl(std::string f, bool c = false) : field(std::move(f)), caption(c) {}
  dataset::TDataControl* Control() override { return this; }
  int32_t Color() const override { return color; }
  void SetColor(int32_t c) override { color = c; }
  int32_t FontColor() const override { return fontColor; }
  void SetFontColor(int32_t c) override { fontColor = c; }
  bool HasCaption() const override { return caption; }
  bool HasMaxLength() const override { return true; }
  int MaxLength() const override { return maxLength; }
  void SetMaxLength(int length) override { maxLength = length; }
  std::string DataField() const override { return field; }
  // Text typed into the control that only reaches the field when the
  // dataset asks its controls for their edits.
  void UpdateData() override {
    if (!pending.empty()) DataSet()->FieldByName(field).SetAsString(pending);
  }
  std::string field, pending;
  bool caption;
  int32_t color = clWindow, fontColor = clWindowText;
  int maxLength = 30;
};

class QBEModeTest : public StandinDataSetTest {
 protected:
  std::unique_ptr<oracle::TOracleDataSet> Customers(bool allowOperators = true) {
    auto ds = NewDataSet(kCustomers);
    ds->QBEDefinition().SetAllowOperators(allowOperators);
    ds->QBEDefinition().SetSaveQBEValues(false);
    ds->Open();
    return ds;
  }
  // Types into the example record's field as a control does.
  static void Type(oracle::TOracleDataSet& ds, const std::string& field, const std::string& text) {
    ds.FieldByName(field).SetText(text);
  }
  static std::string Sids(oracle::TOracleDataSet& ds) {
    std::string sids;
    for (const std::string& sid : Walk(ds, "CUST_SID")) sids += (sids.empty() ? "" : " ") + sid;
    return sids;
  }
  template <typename Run>
  static void ExpectMessage(Run run, const char* message) {
    try {
      run();
      ADD_FAILURE() << message;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
};

TEST_F(QBEModeTest, TheExampleSelectsTheCustomers) {
  enum : unsigned { kAnywhere = 1, kUpper = 2, kWholeDay = 4, kPlain = 8, kControl = 16 };
  const struct {
    const char* field;
    unsigned flags;
    const char* typed;
    const char* customers;
  } cases[] = {
      {"EMAIL_ADDR", kAnywhere | kUpper, "Bob@Ex", "9002"},
      {"EMAIL_ADDR", kAnywhere, "example", "9001 9003"},
      {"UDF1_DATE", kWholeDay | kPlain, "2024-03-01", "9001"},
      {"LAST_NAME", 0, "SOUNDS Lea", "9001"},
      {"LAST_NAME", 0, "SOUNDS LIKE Rae OR Dea", "9002 9003"},
      {"CUST_ID", 0, "IN (1, 3)", "9001 9003"},
      {"CUST_ID", 0, "BETWEEN 2 AND 3", "9002 9003"},
      {"CUST_ID", kPlain, "2", "9002"},
      {"CUST_ID", kPlain | kControl, "3", "9003"},
      {"CUST_ID", 0, "2", "9002"},  // a plain value means the same with operators
      {"CUST_ID", 0, ">= 2", "9002 9003"},
      {"ALLOW_EMAIL", 0, "NOT 1", "9002 9003"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    auto ds = Customers(!(c.flags & kPlain));
    oracle::qbe::TQBEField& qbeField = *ds->QBEDefinition().FindField(c.field);
    qbeField.MatchAnywhere = c.flags & kAnywhere;
    qbeField.CaseInsensitive = c.flags & kUpper;
    qbeField.WholeDay = c.flags & kWholeDay;
    dataset::TDataSource source(ds.get());
    RecordingControl control(c.field);
    control.SetDataSource(&source);
    SetQBEMode(*ds, true);
    ASSERT_EQ(ds->State(), dataset::TDataSetState::dsInsert);
    if (c.flags & kControl)
      control.pending = c.typed;
    else
      Type(*ds, c.field, c.typed);
    // With operators the field shows what was typed.
    if (!(c.flags & kPlain)) {
      EXPECT_EQ(ds->FieldByName(c.field).Text(), c.typed);
    }
    EXPECT_EQ(ds->RecordCount(), (std::string(c.customers).size() + 1) / 5);
    SetQBEMode(*ds, false);
    EXPECT_EQ(Sids(*ds), c.customers);
  }
}

TEST_F(QBEModeTest, LeavingRunsTheExampleOrKeepsTheRowsWhenCancelled) {
  auto ds = Customers();
  oracle::TQBEModePart& mode = oracle::QBEModeOf(*ds);
  // Without a count the requery still runs the example's condition.
  SetQBEMode(*ds, true);
  Type(*ds, "CUST_ID", "> 1");
  SetQBEMode(*ds, false);
  EXPECT_EQ(Sids(*ds), "9002 9003");
  // Cancelled: the rows of before stay.
  mode.OnCancelQBE = [](oracle::TOracleDataSet&, bool& requery) { requery = false; };
  SetQBEMode(*ds, true);
  Type(*ds, "CUST_ID", "1");
  EXPECT_EQ(ds->RecordCount(), 1);
  SetQBEMode(*ds, false);
  EXPECT_EQ(Sids(*ds), "9002 9003");
  // A value that cannot be read raises; the text and variables stay.
  mode.OnCancelQBE = nullptr;
  SetQBEMode(*ds, true);
  Type(*ds, "UDF1_DATE", "1 March");
  const std::string before = ds->SQL();
  const int variables = ds->VariableCount();
  EXPECT_THROW(ds->RecordCount(), oracle::qbe::EQBEConvertError);
  EXPECT_EQ(ds->SQL(), before);
  EXPECT_EQ(ds->VariableCount(), variables);
  Type(*ds, "UDF1_DATE", "");
  SetQBEMode(*ds, false);
  EXPECT_EQ(Sids(*ds), "9001 9002 9003");
  // Closing brings the user's text back.
  SetQBEMode(*ds, true);
  Type(*ds, "LAST_NAME", "Lee");
  SetQBEMode(*ds, false);
  ds->Close();
  EXPECT_EQ(ds->SQL(), kCustomers);
  EXPECT_EQ(ds->VariableCount(), 0);
}

TEST_F(QBEModeTest, TypedTextsReachTheServerOnlyAsBinds) {
  for (const char* text :
       {"x' or '1'='1", "'; delete from customer --", "1; drop table customer"}) {
    for (const char* field : {"LAST_NAME", "CUST_ID", "UDF1_DATE"}) {
      SCOPED_TRACE(std::string(field) + ": " + text);
      auto ds = Customers();
      SetQBEMode(*ds, true);
      Type(*ds, field, text);
      ClearJournal();
      bool sent = true, bound = false;
      try {
        EXPECT_EQ(ds->RecordCount(), 0);
      } catch (const oracle::qbe::EQBEConvertError&) {
        sent = false;  // a date that cannot be read never reaches the server
      }
      for (const std::string& sql : JournalSql()) {
        EXPECT_EQ(sql.find(text), std::string::npos) << sql;
        bound = bound || sql.find(":kel__qbe1") != std::string::npos;
      }
      EXPECT_EQ(bound, sent);
    }
  }
}

TEST_F(QBEModeTest, FieldsAndControlsAreRestoredAndMessagesGiven) {
  auto ds = Customers();
  oracle::qbe::TQBEDefinition& qbe = ds->QBEDefinition();
  qbe.SetQBEBackgroundColor(0x00FFFF);
  qbe.SetQBEFontColor(0x0000FF);
  qbe.FindField("ALLOW_EMAIL")->SetEnabled(false);
  dataset::TField& name = ds->FieldByName("LAST_NAME");
  dataset::TField& allow = ds->FieldByName("ALLOW_EMAIL");
  name.SetRequired(true);
  dataset::TDataSource source(ds.get());
  RecordingControl edit("LAST_NAME"), disabled("ALLOW_EMAIL"), label("LAST_NAME", true),
      custom("CUST_ID");
  custom.color = 0x123456;
  for (RecordingControl* c : {&edit, &disabled, &label, &custom}) c->SetDataSource(&source);

  ExpectMessage([&] { oracle::CheckQBEMode(*ds); }, "Operation only allowed in QBE mode");
  bool before = false;
  oracle::QBEModeOf(*ds).BeforeQBE = [&](oracle::TOracleDataSet& d) {
    before = d.State() == dataset::TDataSetState::dsInsert;
  };
  SetQBEMode(*ds, true);
  EXPECT_TRUE(before);
  EXPECT_EQ(std::tuple(name.Required(), name.ReadOnly(), allow.ReadOnly()),
            std::tuple(false, false, true));
  EXPECT_EQ(std::tuple(edit.color, edit.fontColor, edit.maxLength),
            std::tuple(0x00FFFF, 0x0000FF, 0));
  EXPECT_EQ(std::tuple(disabled.color, label.color, label.maxLength),
            std::tuple(clWindow, clWindow, 0));
  EXPECT_EQ(std::tuple(custom.color, custom.fontColor), std::tuple(0x123456, 0x0000FF));
  ExpectMessage([&] { oracle::CheckNotQBEMode(*ds); }, "Operation not allowed in QBE mode");
  ExpectMessage([&] { ds->Post(); }, "Operation not allowed in QBE mode");
  // The application's handlers stand aside while the mode lasts and come
  // back after it.
  SetQBEMode(*ds, false);
  int changes = 0;
  name.OnChange = [&](dataset::TField&) { ++changes; };
  SetQBEMode(*ds, true);
  name.SetText("Lee");
  EXPECT_EQ(changes, 0);
  SetQBEMode(*ds, false);
  EXPECT_EQ(std::tuple(name.Required(), allow.ReadOnly()), std::tuple(true, false));
  EXPECT_TRUE(name.OnChange && !name.OnGetText && !name.OnSetText);
  for (RecordingControl* c : {&edit, &disabled, &label, &custom})
    EXPECT_EQ(std::tuple(c->fontColor, c->maxLength), std::tuple(clWindowText, 30));
  EXPECT_EQ(std::tuple(edit.color, custom.color), std::tuple(clWindow, 0x123456));

  // A closed dataset keeps the flag and enters the mode when it opens.
  ds->Close();
  SetQBEMode(*ds, true);
  ds->Open();
  EXPECT_EQ(std::tuple(ds->State(), edit.color),
            std::tuple(dataset::TDataSetState::dsInsert, 0x00FFFF));
  ds->Close();

  // Neither a cursor, nor a dataset with cached updates pending or being
  // edited, nor a detail without a master record, nor a detached dataset
  // enters the mode.
  auto cursor = NewDataSet("begin open :c for select * from customer; end;");
  cursor->DeclareVariable(":c", oracle::otype::Cursor);
  auto pending = NewDataSet("select rowid, last_name from customer");
  pending->SetCachedUpdates(true);
  pending->SetLockingMode(oracle::TLockingMode::lmNone);
  pending->Open();
  pending->Edit();
  auto editing = NewDataSet("select rowid, last_name from customer");
  editing->SetCachedUpdates(true);
  editing->SetLockingMode(oracle::TLockingMode::lmNone);
  editing->Open();
  editing->Edit();
  pending->FieldByName("LAST_NAME").SetAsString("Changed");
  pending->Post();
  for (oracle::TOracleDataSet* dataSet : {pending.get(), editing.get()}) {
    EXPECT_FALSE(oracle::CanEnterQBEMode(*dataSet, false));
    ExpectMessage([&] { oracle::CanEnterQBEMode(*dataSet, true); },
                  "QBE mode not allowed with pending updates");
  }
  auto detached = Customers();
  detached->SetDetachable(true);
  auto closedMaster = NewDataSet("select * from customer");
  auto detail = NewDataSet("select * from customer");
  detail->SetMaster(closedMaster.get());
  session_->LogOff();
  for (const auto& [dataSet, message] :
       {std::pair{cursor.get(), "QBE mode not supported for cursors"},
        std::pair{detail.get(), "QBE mode not allowed without a master record"},
        std::pair{detached.get(), "QBE mode not allowed for a detached dataset"}}) {
    EXPECT_FALSE(oracle::CanEnterQBEMode(*dataSet, false));
    ExpectMessage([&] { oracle::CanEnterQBEMode(*dataSet, true); }, message);
  }
}

// A record refreshed with the dataset's own query is found through the text
// the user wrote, not through the example's condition it need not meet.
TEST_F(QBEModeTest, TheAllFieldsRefreshUsesTheTextBeforeTheExample) {
  auto ds = NewDataSet("select c.rowid, c.cust_sid, c.cust_id from customer c order by cust_sid");
  ds->QBEDefinition().SetAllowOperators(true);
  ds->QBEDefinition().SetSaveQBEValues(false);
  ds->SetLockingMode(oracle::TLockingMode::lmNone);
  oracle::Editing(*ds).RefreshOptions = oracle::roBeforeEdit | oracle::roAllFields;
  ds->Open();
  SetQBEMode(*ds, true);
  Type(*ds, "CUST_ID", "> 1");
  SetQBEMode(*ds, false);
  ASSERT_NE(ds->SQL().find(oracle::qbe::kQBEMarker), std::string::npos);
  ClearJournal();
  ds->Edit();
  ds->Cancel();
  ASSERT_FALSE(JournalSql().empty());
  EXPECT_EQ("select c.rowid, c.cust_sid, c.cust_id from customer c\nwhere C.rowid = :kel__rowid\n",
            JournalSql().back());
}

}  // namespace
}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
