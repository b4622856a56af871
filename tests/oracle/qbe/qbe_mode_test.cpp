// QBE mode on the fixture's customers: entering, typing and leaving gives
// the customers the example selects; typed texts reach the server only as
// binds; fields and controls come back as they were.

#include "oracle/qbemode/qbe_mode.h"
#include "oracle/dataset/dataset_fixture.h"
#include "oracle/values/type_codes.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_dataset_test {
namespace {

using oracle::SetQBEMode;

constexpr const char* kCustomers =
    "select cust_sid, last_name, email_addr, allow_email, cust_id, udf1_date from customer "
    "order by cust_sid";

// A control that records what QBE mode does to it.
class RecordingControl : public dataset::TDataLink, public dataset::TDataControl {
 public:
  explicit RecordingControl(std::string field, bool caption = false)
      : field_(std::move(field)), caption_(caption) {}
  dataset::TDataControl* Control() override { return this; }
  int32_t Color() const override { return color; }
  void SetColor(int32_t c) override { color = c; }
  int32_t FontColor() const override { return fontColor; }
  void SetFontColor(int32_t c) override { fontColor = c; }
  bool HasCaption() const override { return caption_; }
  bool HasMaxLength() const override { return true; }
  int MaxLength() const override { return maxLength; }
  void SetMaxLength(int length) override { maxLength = length; }
  std::string DataField() const override { return field_; }

  int32_t color = dataset::clWindow;
  int32_t fontColor = dataset::clWindowText;
  int maxLength = 30;

 private:
  std::string field_;
  bool caption_;
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
  static void Type(oracle::TOracleDataSet& ds, const std::string& field, const std::string& text) {
    ds.QBEDefinition().FindField(field)->Text = text;
  }
};

TEST_F(QBEModeTest, TheExampleSelectsTheCustomers) {
  enum : unsigned { kAnywhere = 1, kUpper = 2, kWholeDay = 4, kPlain = 8 };
  const struct {
    const char* field;
    unsigned flags;
    const char* typed;
    std::vector<std::string> customers;
  } cases[] = {
      {"EMAIL_ADDR", kAnywhere | kUpper, "Bob@Ex", {"9002"}},
      {"EMAIL_ADDR", kAnywhere, "example", {"9001", "9003"}},
      {"UDF1_DATE", kWholeDay | kPlain, "2024-03-01", {"9001"}},
      {"UDF1_DATE", kWholeDay, ">= 2024-03-01", {"9001"}},
      {"LAST_NAME", 0, "SOUNDS Lea", {"9001"}},
      {"LAST_NAME", 0, "SOUNDS LIKE Rae OR Dea", {"9002", "9003"}},
      {"CUST_ID", 0, "IN (1, 3)", {"9001", "9003"}},
      {"CUST_ID", 0, "BETWEEN 2 AND 3", {"9002", "9003"}},
      {"CUST_ID", kPlain, "2", {"9002"}},
      {"ALLOW_EMAIL", 0, "NOT 1", {"9002", "9003"}},
      {"ALLOW_EMAIL", 0, "is not null", {"9001", "9002"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    auto ds = Customers(!(c.flags & kPlain));
    oracle::qbe::TQBEField& qbeField = *ds->QBEDefinition().FindField(c.field);
    qbeField.MatchAnywhere = c.flags & kAnywhere;
    qbeField.CaseInsensitive = c.flags & kUpper;
    qbeField.WholeDay = c.flags & kWholeDay;
    SetQBEMode(*ds, true);
    ASSERT_EQ(ds->State(), dataset::TDataSetState::dsInsert);
    if (c.flags & kPlain)
      ds->FieldByName(c.field).SetAsString(c.typed);
    else
      Type(*ds, c.field, c.typed);
    EXPECT_EQ(ds->RecordCount(), static_cast<int>(c.customers.size()));
    SetQBEMode(*ds, false);
    EXPECT_EQ(Walk(*ds, "CUST_SID"), c.customers);
  }
}

TEST_F(QBEModeTest, LeavingRunsTheExampleOrKeepsTheRowsWhenCancelled) {
  auto ds = Customers();
  oracle::TQBEModePart& mode = oracle::QBEModeOf(*ds);
  // Without a count the requery still runs the example's condition.
  SetQBEMode(*ds, true);
  Type(*ds, "CUST_ID", "> 1");
  SetQBEMode(*ds, false);
  EXPECT_EQ(Walk(*ds, "CUST_SID"), (std::vector<std::string>{"9002", "9003"}));
  EXPECT_TRUE(mode.SQLModified());

  // Cancelled: the rows of before stay; the next rewrite starts from the
  // user's text.
  bool asked = false;
  mode.OnCancelQBE = [&](oracle::TOracleDataSet&, bool& requery) {
    asked = true;
    requery = false;
  };
  SetQBEMode(*ds, true);
  Type(*ds, "CUST_ID", "1");
  EXPECT_EQ(ds->RecordCount(), 1);
  SetQBEMode(*ds, false);
  EXPECT_TRUE(asked);
  EXPECT_EQ(Walk(*ds, "CUST_SID"), (std::vector<std::string>{"9002", "9003"}));

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
  EXPECT_EQ(Walk(*ds, "CUST_SID").size(), 3u);

  // Closing brings the user's text back.
  SetQBEMode(*ds, true);
  Type(*ds, "LAST_NAME", "Lee");
  SetQBEMode(*ds, false);
  ds->Close();
  EXPECT_EQ(ds->SQL(), kCustomers);
  EXPECT_EQ(ds->VariableCount(), 0);
}

TEST_F(QBEModeTest, TypedTextsReachTheServerOnlyAsBinds) {
  const char* texts[] = {"x' or '1'='1", "'; delete from customer --", "1; drop table customer",
                         "\"a\" -- b"};
  for (const char* text : texts) {
    for (const char* field : {"LAST_NAME", "CUST_ID", "UDF1_DATE"}) {
      SCOPED_TRACE(std::string(field) + ": " + text);
      auto ds = Customers();
      SetQBEMode(*ds, true);
      Type(*ds, field, text);
      ClearJournal();
      bool sent = true;
      try {
        ds->RecordCount();
      } catch (const oracle::qbe::EQBEConvertError&) {
        sent = false;  // a date that cannot be read never reaches the server
      }
      bool bound = false;
      for (const std::string& sql : JournalSql()) {
        EXPECT_EQ(sql.find(text), std::string::npos) << sql;
        bound = bound || sql.find(":kel__qbe1") != std::string::npos;
      }
      EXPECT_EQ(bound, sent);
    }
  }
  auto ds = Customers();
  SetQBEMode(*ds, true);
  Type(*ds, "LAST_NAME", "x' or '1'='1");
  EXPECT_EQ(ds->RecordCount(), 0);
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
  for (RecordingControl* control : {&edit, &disabled, &label, &custom})
    control->SetDataSource(&source);

  EXPECT_THROW(oracle::CheckQBEMode(*ds), std::runtime_error);
  bool before = false;
  oracle::QBEModeOf(*ds).BeforeQBE = [&](oracle::TOracleDataSet& d) {
    before = d.State() == dataset::TDataSetState::dsInsert;
  };
  SetQBEMode(*ds, true);
  EXPECT_TRUE(before);
  EXPECT_TRUE(ds->QBEMode());
  EXPECT_FALSE(name.Required());
  EXPECT_FALSE(name.ReadOnly());
  EXPECT_TRUE(allow.ReadOnly());
  EXPECT_EQ(edit.color, 0x00FFFF);
  EXPECT_EQ(edit.fontColor, 0x0000FF);
  EXPECT_EQ(disabled.color, dataset::clWindow);
  EXPECT_EQ(label.color, dataset::clWindow);
  EXPECT_EQ(custom.color, 0x123456);
  EXPECT_EQ(custom.fontColor, 0x0000FF);
  EXPECT_EQ(edit.maxLength, 0);
  EXPECT_EQ(label.maxLength, 0);
  try {
    oracle::CheckNotQBEMode(*ds);
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Operation not allowed in QBE mode");
  }
  SetQBEMode(*ds, false);
  EXPECT_TRUE(name.Required());
  EXPECT_FALSE(allow.ReadOnly());
  for (RecordingControl* control : {&edit, &disabled, &label}) {
    EXPECT_EQ(control->color, dataset::clWindow);
    EXPECT_EQ(control->fontColor, dataset::clWindowText);
    EXPECT_EQ(control->maxLength, 30);
  }
  EXPECT_EQ(custom.color, 0x123456);
  try {
    oracle::CheckQBEMode(*ds);
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Operation only allowed in QBE mode");
  }

  // A closed dataset keeps the flag and enters the mode when it opens.
  ds->Close();
  SetQBEMode(*ds, true);
  ds->Open();
  EXPECT_EQ(ds->State(), dataset::TDataSetState::dsInsert);
  EXPECT_EQ(edit.color, 0x00FFFF);
  SetQBEMode(*ds, false);
  ds->Close();

  // The mode cannot be entered on a cursor or a detached dataset.
  auto cursor = NewDataSet("begin open :c for select * from customer; end;");
  cursor->DeclareVariable(":c", oracle::otype::Cursor);
  auto detached = Customers();
  detached->SetDetachable(true);
  session_->LogOff();
  const std::pair<oracle::TOracleDataSet*, const char*> refused[] = {
      {cursor.get(), "QBE mode not supported for cursors"},
      {detached.get(), "QBE mode not allowed for a detached dataset"}};
  for (const auto& [dataSet, message] : refused) {
    EXPECT_FALSE(oracle::CanEnterQBEMode(*dataSet, false));
    try {
      oracle::CanEnterQBEMode(*dataSet, true);
      ADD_FAILURE() << message;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

}  // namespace
}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
