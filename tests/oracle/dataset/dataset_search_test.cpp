// SearchRecord, Locate and Lookup over the fetched records, and the same
// Locate answers from the framework's walk over an in-memory dataset.
#include <numeric>
#include <string>
#include <vector>

#include "memory_dataset/memory_dataset.h"
#include "oracle_fixture/dataset_fixture.h"
#include "oracle_fixture/exception_text.h"

namespace {

using oracle::TOracleDataSet;
using oracle_test_support::ErrorOf;

const char* const kRows[] = {
    "1, 'SMITH', to_date('2020-01-05 10:30:00', 'YYYY-MM-DD HH24:MI:SS'), 1.5",
    "2, 'JONES', to_date('2020-01-06', 'YYYY-MM-DD'), 2.25",
    "3, null, null, null",
    "4, 'smithers', to_date('2020-01-05', 'YYYY-MM-DD'), 0.3",
};

class DataSetSearch : public oracle_dataset_test::StandinDataSetTest {
 protected:
  void SetUp() override {
    StandinDataSetTest::SetUp();
    Run("create table people (id number(6), name varchar2(20), born date, score number(8,2))");
    for (const char* row : kRows) Run(std::string("insert into people values (") + row + ")");
    ds_ = NewDataSet("select rowid, p.* from people p order by id");
    ds_->SetName("People");
    ds_->Open();
  }
  int Id() { return ds_->FieldByName("ID").AsInteger(); }
  std::unique_ptr<TOracleDataSet> ds_;
};

TEST_F(DataSetSearch, SearchRecordFindsByTypedKeys) {
  struct Case {
    int startId;  // the current record before the search
    const char* fields;
    std::vector<Variant> values;
    int options;
    int foundId;  // 0: not found (and no move)
  };
  const Case cases[] = {
      {2, "NAME", {Variant("SMI")}, oracle::srFromBeginning | oracle::srPartialCompare, 1},
      {2, "NAME", {Variant("smith")}, oracle::srFromBeginning | oracle::srIgnoreCase, 1},
      {1, "NAME", {Variant("JONES \t")}, oracle::srFromBeginning, 2},  // shown trimmed
      {1, "NAME", {Variant("")}, oracle::srFromBeginning, 3},
      {1, "NAME", {Variant::Null()}, oracle::srFromBeginning, 3},
      {1, "SCORE", {Variant(0.3)}, oracle::srFromBeginning, 4},
      {1, "SCORE", {Variant(0.30000000000000004)}, oracle::srFromBeginning, 0},
      {1, "ID;NAME", {Variant(2), Variant("JONES")}, oracle::srFromBeginning, 2},
      {2,
       "NAME",
       {Variant("sm*")},
       oracle::srFromBeginning | oracle::srWildcards | oracle::srIgnoreCase,
       1},
      {1, "NAME", {Variant("*ERS")}, oracle::srFromBeginning | oracle::srWildcards, 0},
      {1, "BORN", {Variant("2020-01-05")}, oracle::srFromBeginning, 4},
      {2, "BORN", {Variant("2020-01-05")}, oracle::srFromBeginning | oracle::srIgnoreTime, 1},
      {1, "BORN", {Variant("2020-01-05")}, oracle::srFromEnd | oracle::srIgnoreTime, 4},
      // Without a start option the current record itself is not considered.
      {1, "ID", {Variant(1)}, 0, 0},
      {1, "ID", {Variant(1)}, oracle::srFromCurrent, 0},
      {4, "ID", {Variant(1)}, oracle::srBackward, 1},
      {2, "ID", {Variant(4)}, oracle::srForward, 4},
      {2, "ID", {Variant(1)}, oracle::srFromBeginning | oracle::srDontMove, 0},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ds_->Locate("ID", {Variant(c.startId)}, 0));
    const bool found = ds_->SearchRecord(c.fields, c.values, c.options);
    const bool dontMove = (c.options & oracle::srDontMove) != 0;
    EXPECT_EQ(c.foundId != 0 || dontMove, found) << c.fields << " " << c.options;
    EXPECT_EQ(c.foundId != 0 ? c.foundId : c.startId, Id()) << c.fields << " " << c.options;
  }
  // By rowid.
  ASSERT_TRUE(ds_->Locate("ID", {Variant(3)}, 0));
  const std::string rowid = ds_->RecordRowId();
  ds_->First();
  EXPECT_TRUE(ds_->SearchRecord(" rowid ", {Variant(rowid)}, oracle::srFromBeginning));
  EXPECT_EQ(3, Id());
  // Only the records that pass the filter.
  ds_->SetFilter("ID > 1");
  ds_->SetFiltered(true);
  EXPECT_FALSE(ds_->Locate("ID", {Variant(1)}, 0));
  EXPECT_TRUE(
      ds_->SearchRecord("NAME", {Variant("SMITHERS")}, oracle::srFromEnd | oracle::srIgnoreCase));
  EXPECT_EQ(4, Id());
}

TEST_F(DataSetSearch, MisuseIsRefusedWithItsMessage) {
  const int invalid[] = {
      oracle::srFromBeginning | oracle::srFromEnd, oracle::srFromBeginning | oracle::srFromCurrent,
      oracle::srFromEnd | oracle::srFromCurrent,   oracle::srForward | oracle::srBackward,
      oracle::srForward | oracle::srFromEnd,       oracle::srBackward | oracle::srFromBeginning};
  const auto message = [&](const std::string& fields, const std::vector<Variant>& values,
                           int options, TOracleDataSet& ds) {
    return ErrorOf([&] { ds.SearchRecord(fields, values, options); });
  };
  for (int options : invalid)
    EXPECT_EQ("People.SearchRecord options invalid", message("ID", {Variant(1)}, options, *ds_))
        << options;
  EXPECT_EQ("People.SearchRecord: number of fields and values do not match",
            message("ID;NAME", {Variant(1)}, 0, *ds_));
  auto noRowid = NewDataSet("select id from people");
  noRowid->Open();
  EXPECT_EQ("You cannot search a rowid if it is not included in the select list",
            message("ROWID", {Variant("x")}, 0, *noRowid));
}

// Number keys run longer than the search looks ahead, searched from both
// ends.
TEST_F(DataSetSearch, FetchesOnlyUpToTheMatchAndLookupStaysPut) {
  CreateNumbers(300);
  auto ds = NewDataSet("select n, label from numbers order by n");
  ds->SetQueryAllRecords(false);
  ds->SetReadBuffer(5);
  ds->Open();
  EXPECT_TRUE(ds->Locate("LABEL", {Variant("row 12")}, 0));
  EXPECT_EQ(12, ds->FieldByName("N").AsInteger());
  const int fetched = std::accumulate(oracle_dataset_test::FetchLog::rows.begin(),
                                      oracle_dataset_test::FetchLog::rows.end(), 0);
  EXPECT_EQ(15, fetched);            // three batches of five
  EXPECT_EQ(12, ds->RecordCount());  // records are made up to the match only
  EXPECT_FALSE(ds->Locate("N", {Variant(399)}, 0));
  EXPECT_EQ(300, ds->RecordCount());
  EXPECT_TRUE(ds->Locate("N", {Variant(300)}, 0) &&
              ds->SearchRecord("N", {Variant(1)}, oracle::srFromEnd));
  EXPECT_FALSE(ds->Locate("N", {Variant(301)}, 0) ||
               ds->SearchRecord("N", {Variant(0)}, oracle::srFromEnd));
  EXPECT_EQ(1, ds->FieldByName("N").AsInteger());

  ASSERT_TRUE(ds_->Locate("ID", {Variant(2)}, 0));
  const Variant both = ds_->Lookup("name", {Variant("SMITH")}, "ID;SCORE");
  EXPECT_EQ(VT_ARRAY | VT_VARIANT, both.vt());
  EXPECT_EQ(1, ds_->Lookup("NAME", {Variant("SMITH")}, "ID").ToInt());
  EXPECT_TRUE(ds_->Lookup("NAME", {Variant("smith")}, "ID").IsNull());
  EXPECT_TRUE(ds_->Lookup("ID", {Variant(9)}, "NAME").IsNull());
  EXPECT_EQ(2, Id());
}

// The framework's walk (an in-memory dataset) gives the answers of the
// store's search for the same Locate calls.
TEST_F(DataSetSearch, TheFrameworkWalkAgrees) {
  dataset::testing::MemoryDataSet memory;
  memory.AddColumn("ID", dataset::TFieldType::ftInteger);
  memory.AddColumn("NAME", dataset::TFieldType::ftString, 20);
  memory.AddColumn("SCORE", dataset::TFieldType::ftFloat);
  for (ds_->First(); !ds_->Eof(); ds_->Next())
    memory.AddRow({ds_->FieldByName("ID").Value(), ds_->FieldByName("NAME").Value(),
                   ds_->FieldByName("SCORE").Value()});
  memory.Open();
  struct Case {
    const char* fields;
    std::vector<Variant> values;
    dataset::TLocateOptions options;
  };
  const Case cases[] = {
      {"NAME", {Variant("SMI")}, dataset::loPartialKey},
      {"NAME", {Variant("smithe")}, dataset::loPartialKey | dataset::loCaseInsensitive},
      {"NAME", {Variant("smith")}, 0},
      {"NAME", {Variant("")}, 0},
      {"SCORE", {Variant(2.25)}, 0},
      {"ID;NAME", {Variant(2), Variant("JONES")}, 0},
      {"ID", {Variant(7)}, 0},
  };
  for (const Case& c : cases) {
    const bool inStore = ds_->Locate(c.fields, c.values, c.options);
    const bool inMemory = memory.Locate(c.fields, c.values, c.options);
    EXPECT_EQ(inStore, inMemory) << c.fields;
    if (inStore && inMemory) {
      EXPECT_EQ(Id(), memory.FieldByName("ID").AsInteger()) << c.fields;
    }
  }
}

}  // namespace
