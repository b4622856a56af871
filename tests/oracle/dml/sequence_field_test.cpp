// The sequence field over a dataset used as an application uses it: new
// records one after another, and new records after the dataset's own
// statement query ran something else (a check, a constraint check, a lock,
// a post). Every new record gets the next number and is saved.
#include <functional>
#include <string>

#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/dml/sequence_field.h"
#include "oracle_fixture/dataset_fixture.h"
#include "oracle_fixture/exception_text.h"

namespace {

using oracle::Editing;
using oracle::TSequenceApplyMoment;
using oracle_test_support::ErrorOf;

constexpr TSequenceApplyMoment kMoments[] = {TSequenceApplyMoment::amOnNewRecord,
                                             TSequenceApplyMoment::amOnPost,
                                             TSequenceApplyMoment::amOnServer};

class SequenceFieldTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    Run("create table parts (id number(6) primary key, "
        "name varchar2(20) constraint ck_part_name check (name = upper(name)))");
    Run("insert into parts values (1, 'ONE')");
    Run("create sequence part_ids start with 100");
    other_ = NewSession();
  }
  void TearDown() override {
    other_.reset();
    StandinDataSetTest::TearDown();
  }

  // The parts, numbered from part_ids at `moment`, in the default locking
  // mode (a check when editing starts), on the first part.
  std::unique_ptr<oracle::TOracleDataSet> Parts(TSequenceApplyMoment moment) {
    auto ds = NewDataSet("select t.rowid, t.* from parts t order by id");
    Editing(*ds).SequenceField.Field = "ID";
    Editing(*ds).SequenceField.Sequence = "part_ids";
    Editing(*ds).SequenceField.ApplyMoment = moment;
    ds->Open();
    return ds;
  }

  // Appends a part named `name`, posts it and answers the ID it got.
  static int AddPart(oracle::TOracleDataSet& ds, const std::string& name) {
    ds.Append();
    ds.FieldByName("NAME").SetAsString(name);
    ds.Post();
    return ds.FieldByName("ID").AsInteger();
  }

  // The ID of the part named `name` as the other session sees it; -1 when
  // it sees none.
  int IdSeenByOther(const std::string& name) {
    oracle::TOracleQuery query;
    query.SetSession(other_.get());
    query.SetSQL("select id from parts where name = :name");
    query.DeclareAndSet("name", 5, oracle::Variant::String(name));
    query.Execute();
    return query.Eof() ? -1 : query.FieldAsInteger(0);
  }

  std::unique_ptr<oracle::TOracleSession> other_;
};

TEST_F(SequenceFieldTest, EveryNewRecordInARowTakesTheNextNumber) {
  int next = 100;
  for (const TSequenceApplyMoment moment : kMoments) {
    SCOPED_TRACE(static_cast<int>(moment));
    auto ds = Parts(moment);
    for (int n = 1; n <= 3; ++n) {
      const std::string name = "P" + std::to_string(next);
      SCOPED_TRACE(n);
      int id = -1;
      EXPECT_EQ("<no error>", ErrorOf([&] { id = AddPart(*ds, name); }));
      EXPECT_EQ(next, id);
      EXPECT_EQ(next, IdSeenByOther(name));
      ++next;
    }
  }
}

TEST_F(SequenceFieldTest, TheFirstNewRecordAfterOtherWorkTakesItsNumber) {
  const struct {
    const char* what;
    std::function<void(oracle::TOracleDataSet&)> run;
  } before[] = {
      {"a cancelled edit",
       [](oracle::TOracleDataSet& ds) {
         ds.Edit();
         ds.FieldByName("NAME").SetAsString("EDITED");
         ds.Cancel();
       }},
      {"a constraint check",
       [](oracle::TOracleDataSet& ds) {
         Editing(ds).OracleDictionary.EnforceConstraints = true;
         ds.Edit();
         ds.FieldByName("NAME").SetAsString("CHECKED");
         ds.Cancel();
       }},
      {"a lock", [](oracle::TOracleDataSet& ds) { oracle::LockAndCheckRecord(ds, false); }},
      {"a post",
       [](oracle::TOracleDataSet& ds) {
         ds.Edit();
         ds.FieldByName("NAME").SetAsString("POSTED");
         ds.Post();
       }},
  };
  int next = 100;
  for (const TSequenceApplyMoment moment : kMoments) {
    for (const auto& step : before) {
      SCOPED_TRACE(std::string(step.what) + ", moment " + std::to_string(static_cast<int>(moment)));
      auto ds = Parts(moment);
      step.run(*ds);
      const std::string name = "P" + std::to_string(next);
      int id = -1;
      EXPECT_EQ("<no error>", ErrorOf([&] { id = AddPart(*ds, name); }));
      EXPECT_EQ(next, id);
      EXPECT_EQ(next, IdSeenByOther(name));
      ++next;
    }
  }
}

// A new record still pending in the change log is corrected before the
// apply, at every moment and in every locking mode: the second edit needs
// no key the server or the post fills in, and the server receives the
// corrected record with the sequence's number.
TEST_F(SequenceFieldTest, APendingCachedInsertCanBeCorrectedBeforeTheApply) {
  int next = 100;
  using oracle::TLockingMode;
  for (const TSequenceApplyMoment moment : kMoments) {
    for (const TLockingMode mode : {TLockingMode::lmNone, TLockingMode::lmCheckImmediate,
                                    TLockingMode::lmLockDelayed, TLockingMode::lmLockImmediate}) {
      for (const bool constraints : {false, true}) {
        SCOPED_TRACE(std::to_string(static_cast<int>(moment)) + " " +
                     std::to_string(static_cast<int>(mode)) + (constraints ? " checked" : ""));
        auto ds = Parts(moment);
        ds->Close();
        ds->SetCachedUpdates(true);
        ds->SetLockingMode(mode);
        Editing(*ds).OracleDictionary.EnforceConstraints = constraints;
        ds->Open();
        const std::string typo = "TPYO" + std::to_string(next);
        const std::string name = "TYPO" + std::to_string(next);
        ds->Append();
        ds->FieldByName("NAME").SetAsString(typo);
        ds->Post();
        EXPECT_EQ("<no error>", ErrorOf([&] {
                    ds->Edit();
                    ds->FieldByName("NAME").SetAsString(name);
                    ds->Post();
                  }));
        EXPECT_EQ(1, ds->ChangeLog().Count());
        EXPECT_EQ(-1, IdSeenByOther(name));
        oracle::ApplyUpdates(*ds);
        EXPECT_EQ(-1, IdSeenByOther(typo));
        EXPECT_EQ(next, IdSeenByOther(name));
        ds->Last();
        EXPECT_EQ(name, ds->FieldByName("NAME").AsString());
        EXPECT_EQ(next, ds->FieldByName("ID").AsInteger());
        ++next;
      }
    }
  }
}

}  // namespace
