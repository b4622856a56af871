// The dataset's life: reopening on a new statement, the session's hold on
// it, the AfterFetchRecord handler, counting the query's hits, and opening
// and closing many times without leaving anything behind.
#include "dataset/database_error.h"
#include "oracle/dataset/record_store.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/dataset_fixture.h"
#include "oracle_fixture/exception_text.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_dataset_test {
namespace {

using oracle::TAfterFetchRecordAction;
using oracle_test_support::ErrorOf;

TEST_F(StandinDataSetTest, AssigningSqlReopensAnOpenDatasetOnly) {
  auto ds = NewDataSet("select cust_sid from customer order by cust_sid");
  int opens = 0;
  ds->AfterOpen = [&](dataset::TDataSet&) { ++opens; };
  ds->SetSQL("select last_name from customer order by cust_sid");
  EXPECT_FALSE(ds->Active());  // a closed dataset stays closed
  EXPECT_EQ(opens, 0);

  ds->Open();
  EXPECT_EQ(ds->FieldByName("last_name").AsString(), "Lee");
  ds->Next();
  ds->SetSQL("select first_name from customer where cust_sid = 9003");
  EXPECT_TRUE(ds->Active());
  EXPECT_EQ(opens, 2);
  EXPECT_EQ(ds->FindField("last_name"), nullptr);
  EXPECT_EQ(ds->FieldByName("first_name").AsString(), "Cy");
  EXPECT_EQ(ds->GetRecNo(), 1);
  EXPECT_EQ(ds->RecordCount(), 1);

  // A statement that fails leaves the dataset closed, with the text kept.
  EXPECT_THROW(ds->SetSQL("select nothing_here from customer"), std::exception);
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(ds->SQL(), "select nothing_here from customer");
}

TEST_F(StandinDataSetTest, ChangingOrLosingTheSessionClosesTheDataset) {
  auto other = NewSession();
  auto ds = NewDataSet("select cust_sid from customer");
  auto& lists = session_->AttachedObjects();
  EXPECT_TRUE(lists.Contains(oracle::SessionObjectList::kDataSets, ds.get()));
  ds->Open();
  ds->SetSession(session_.get());  // the same session: nothing happens
  EXPECT_TRUE(ds->Active());

  ds->SetSession(other.get());
  EXPECT_FALSE(ds->Active());
  EXPECT_FALSE(lists.Contains(oracle::SessionObjectList::kDataSets, ds.get()));
  EXPECT_TRUE(other->AttachedObjects().Contains(oracle::SessionObjectList::kDataSets, ds.get()));
  EXPECT_EQ(ds->MainQuery().Session(), other.get());
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 3);

  // A detachable dataset stays open when its session goes to nil.
  ds->SetDetachable(true);
  ds->SetSession(nullptr);
  EXPECT_TRUE(ds->Active());
  EXPECT_TRUE(ds->Detached());
  EXPECT_EQ(ds->FieldByName("cust_sid").AsInteger(), 9001);
  ds->SetDetachable(false);
  ds->SetSession(other.get());
  EXPECT_FALSE(ds->Active());

  // Logging off closes the session's datasets unless detachable.
  auto plain = NewDataSet("select cust_sid from customer");
  auto detachable = NewDataSet("select cust_sid from customer");
  detachable->SetDetachable(true);
  plain->Open();
  detachable->Open();
  session_->LogOff();
  EXPECT_FALSE(plain->Active());
  EXPECT_TRUE(detachable->Active());
  EXPECT_TRUE(detachable->Detached());
  EXPECT_EQ(detachable->RecordCount(), 3);

  // A session destroyed under an open dataset leaves it closed and free.
  session_->LogOn();
  plain->Open();
  session_.reset();
  EXPECT_FALSE(plain->Active());
  EXPECT_EQ(plain->Session(), nullptr);
}

TEST_F(StandinDataSetTest, ActivationReadFromAStreamWaitsForLoaded) {
  // The session is loaded after the dataset: its pending logon is made
  // first, and its own Loaded then fires AfterLogOn once.
  oracle::TOracleSession loading;
  UsePluginAccount(loading);
  int afterLogOn = 0;
  loading.AfterLogOn = [&](oracle::TOracleSession&) { ++afterLogOn; };
  loading.BeginLoading();
  loading.SetConnected(true);
  auto ds = NewDataSet("select cust_sid from customer");
  ds->SetSession(&loading);
  ds->SetComponentState(dataset::csLoading);
  ds->SetActive(true);
  EXPECT_FALSE(ds->Active());
  ds->Loaded();
  EXPECT_TRUE(loading.Connected());
  EXPECT_TRUE(ds->Active());
  EXPECT_EQ(ds->RecordCount(), 3);
  loading.Loaded();
  EXPECT_EQ(afterLogOn, 1);

  // A pending activation whose session is not connected by then is dropped.
  oracle::TOracleSession idle;
  auto dropped = NewDataSet("select cust_sid from customer");
  dropped->SetSession(&idle);
  dropped->SetComponentState(dataset::csLoading);
  dropped->SetActive(true);
  dropped->Loaded();
  EXPECT_FALSE(dropped->Active());
  dropped->SetSession(session_.get());  // nothing pending any more
  EXPECT_FALSE(dropped->Active());

  // With DesignActivation the streamed value is ignored altogether.
  auto designed = NewDataSet("select cust_sid from customer");
  designed->SetDesignActivation(true);
  designed->SetComponentState(dataset::csLoading | dataset::csReading);
  designed->SetActive(true);
  designed->SetComponentState(dataset::csLoading);
  designed->Loaded();
  EXPECT_FALSE(designed->Active());
}

TEST_F(StandinDataSetTest, AfterFetchRecordCanStopPauseCancelOrFailTheFetch) {
  CreateNumbers(30);
  auto ds = NewDataSet("select n from numbers order by n");
  std::vector<int> seen;
  TAfterFetchRecordAction at10 = TAfterFetchRecordAction::afStop;
  ds->AfterFetchRecord = [&](oracle::TOracleDataSet& d, bool accept, TAfterFetchRecordAction& a) {
    EXPECT_TRUE(accept);
    seen.push_back(d.GetRecNo());  // the current index sits on the new record
    if (seen.size() == 10) a = at10;
  };

  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 10);
  EXPECT_EQ(seen.size(), 10u);
  EXPECT_EQ(seen.front(), 1);
  EXPECT_EQ(seen.back(), 10);
  EXPECT_EQ(ds->GetRecNo(), 1);
  ds->Last();
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 10);  // nothing more is fetched

  ds->Close();
  seen.clear();
  at10 = TAfterFetchRecordAction::afCancel;
  ds->Open();
  EXPECT_TRUE(ds->Active());
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_TRUE(ds->Eof());

  // Pausing keeps the record and leaves the rest for later.
  ds->Close();
  seen.clear();
  at10 = TAfterFetchRecordAction::afPause;
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 10);
  ds->Last();
  EXPECT_EQ(ds->RecordCount(), 30);
  EXPECT_EQ(seen.size(), 30u);

  // An exception in the handler fails the open.
  ds->Close();
  int calls = 0;
  ds->AfterFetchRecord = [&](oracle::TOracleDataSet&, bool, TAfterFetchRecordAction&) {
    if (++calls == 12) throw std::runtime_error("handler failed");
  };
  EXPECT_EQ(ErrorOf([&] { ds->Open(); }), "handler failed");
  EXPECT_EQ(calls, 12);  // no record fetched after the failure
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(ds->Fields().Count(), 0);

  ds->AfterFetchRecord = nullptr;
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 30);
}

TEST_F(StandinDataSetTest, CountQueryHitsWrapsTheStatementOnLinesOfItsOwn) {
  CreateNumbers(40);
  auto ds = NewDataSet("select n from numbers where n > :low -- the upper part");
  ds->DeclareAndSet("low", 3, oracle::Variant::Integer(15));
  ds->Open();
  EXPECT_EQ(ds->CountQueryHits(), 25);
  const std::vector<std::string> sql = JournalSql();
  ASSERT_FALSE(sql.empty());
  EXPECT_EQ(sql.back(),
            "select count(*) from (\nselect n from numbers where n > :low -- the upper part\n)");
  const auto bindCount = Hook<PFN_ociStandin_JournalBindCount>("ociStandin_JournalBindCount");
  const auto bind = Hook<PFN_ociStandin_JournalBind>("ociStandin_JournalBind");
  const int last = static_cast<int>(sql.size()) - 1;
  ASSERT_EQ(bindCount(last), 1);
  EXPECT_STREQ(bind(last, 0), "LOW=15");

  // With CountAllRecords the count is asked once per query and kept.
  ds->Close();
  ds->SetCountAllRecords(true);
  ds->SetQueryAllRecords(false);
  ds->Open();
  ClearJournal();
  EXPECT_EQ(ds->RecordCount(), 25);
  EXPECT_EQ(ds->RecordCount(), 25);
  EXPECT_EQ(JournalSql().size(), 1u);
  // Counted rows not fetched yet are reached by number.
  ds->SetRecNo(25);
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 40);
  ds->Refresh();  // a new query: counted again
  EXPECT_EQ(ds->RecordCount(), 25);
  EXPECT_EQ(JournalSql().size(), 3u);
}

TEST_F(StandinDataSetTest, ClosingACursorDatasetFreesItsCursorQuery) {
  CreateNumbers(3);
  auto ds = NewDataSet("begin open :c for select n from numbers order by n; end;");
  ds->DeclareVariable("c", oracle::otype::Cursor);
  ds->Open();
  ASSERT_NE(&ds->ActiveQuery(), &ds->MainQuery());
  EXPECT_EQ(ds->MainQuery().GetComplexVariable("c"), &ds->ActiveQuery());
  ds->Close();
  EXPECT_EQ(&ds->ActiveQuery(), &ds->MainQuery());
  EXPECT_EQ(ds->MainQuery().GetComplexVariable("c"), nullptr);
  ds->Open();  // a new cursor query of its own
  EXPECT_EQ(ds->RecordCount(), 3);
}

TEST_F(StandinDataSetTest, OpeningWalkingAndClosingAThousandTimesLeavesNothingBehind) {
  CreateNumbers(30);
  const int rowIdCopies = oracle::LiveRowIdCopies();
  auto ds = NewDataSet("select rowid, n, label from numbers order by n");
  session_->Preferences().SetMaxStringFieldSize(10);  // label is a memo: BLOB values too
  long long sum = 0;
  for (int i = 0; i < 1000; ++i) {
    ds->Open();
    if (i == 0) {
      // Extended ROWID texts (18 characters) live in counted heap copies.
      EXPECT_EQ(ds->RecordRowId().size(), 18u);
      EXPECT_EQ(oracle::LiveRowIdCopies(), rowIdCopies + 30);
    }
    for (; !ds->Eof(); ds->Next()) {
      sum += ds->FieldByName("n").AsInteger();
      sum += static_cast<long long>(ds->FieldByName("label").AsString().size());
    }
    ds->Close();
  }
  EXPECT_EQ(sum, 1000LL * (465 + 9 * 5 + 21 * 6));
  EXPECT_EQ(oracle::LiveRowIdCopies(), rowIdCopies);
}

}  // namespace
}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
