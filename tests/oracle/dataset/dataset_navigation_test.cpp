// Moving through an open dataset: record numbers, bookmarks, fetching on
// demand, the unidirectional window and the filtered view.
#include "dataset/database_error.h"
#include "oracle_fixture/dataset_fixture.h"
#include "oracle_fixture/exception_text.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_dataset_test {
namespace {

using oracle_test_support::ErrorOf;

// RecNo follows the cursor and accepts only existing records; bookmarks
// return to their record and compare by number.
TEST_F(StandinDataSetTest, RecNoAndBookmarksFindTheirRecords) {
  CreateNumbers(30);
  auto ds = NewDataSet("select n from numbers order by n");
  ds->Open();
  EXPECT_EQ(ds->GetRecNo(), 1);
  ds->Next();
  ds->Next();
  EXPECT_EQ(ds->GetRecNo(), 3);
  ds->SetRecNo(5);
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 5);
  EXPECT_EQ(ds->GetRecNo(), 5);
  ds->SetRecNo(1);
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 1);
  EXPECT_TRUE(ds->Bof() || ds->GetRecNo() == 1);

  int scrolls = 0;
  ds->AfterScroll = [&](dataset::TDataSet&) { ++scrolls; };
  ds->SetRecNo(1);  // already there: nothing happens
  EXPECT_EQ(scrolls, 0);
  ds->SetRecNo(4);
  EXPECT_EQ(scrolls, 1);

  // Numbers outside 1 .. RecordCount are refused; the position is kept.
  for (int bad : {0, -1, 31}) {
    EXPECT_THROW(ds->SetRecNo(bad), dataset::EDatabaseError) << bad;
    EXPECT_EQ(ds->FieldByName("n").AsInteger(), 4) << bad;
  }

  ds->First();
  const dataset::TBookmark first = ds->GetBookmark();
  ds->Next();
  const dataset::TBookmark second = ds->GetBookmark();
  ds->SetRecNo(27);
  const dataset::TBookmark late = ds->GetBookmark();

  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(ds->CompareBookmarks(first, second), 1);
  EXPECT_EQ(ds->CompareBookmarks(second, first), -1);
  EXPECT_EQ(ds->CompareBookmarks(second, second), 0);
  EXPECT_EQ(ds->CompareBookmarks({}, {}), 0);
  EXPECT_EQ(ds->CompareBookmarks({}, first), -1);
  EXPECT_EQ(ds->CompareBookmarks(first, {}), 1);

  ds->GotoBookmark(second);
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 2);
  ds->GotoBookmark(late);
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 27);
  ds->GotoBookmark(first);
  EXPECT_EQ(ds->GetRecNo(), 1);

  EXPECT_TRUE(ds->BookmarkValid(late));
  dataset::TBookmark missing = late;
  missing[0] = 99;  // bookmark number 99: no such record
  EXPECT_FALSE(ds->BookmarkValid(missing));
  EXPECT_FALSE(ds->BookmarkValid({}));
  EXPECT_THROW(ds->GotoBookmark(missing), dataset::EDatabaseError);
  EXPECT_NE(ErrorOf([&] { ds->GotoBookmark(missing); }).find("Bookmark not found (99)"),
            std::string::npos);
  EXPECT_EQ(ds->GetRecNo(), 1);

  // Bookmark numbers start again with each query.
  ds->Close();
  ds->Open();
  EXPECT_FALSE(ds->BookmarkValid(missing));
  EXPECT_EQ(ds->GetBookmark(), first);
}

TEST_F(StandinDataSetTest, WithoutQueryAllRecordsRowsAreFetchedOnDemand) {
  CreateNumbers(60);
  auto ds = NewDataSet("select n from numbers order by n");
  ds->SetQueryAllRecords(false);
  ds->Open();
  EXPECT_EQ(FetchLog::rows, (std::vector<ub4>{25}));
  EXPECT_EQ(ds->RecordCount(), 1);  // only what was fetched so far
  ds->MoveBy(24);
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 25);
  EXPECT_EQ(FetchLog::rows.size(), 1u);
  ds->Next();  // the next record comes from the next block
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 26);
  EXPECT_EQ(FetchLog::rows, (std::vector<ub4>{25, 25}));
  ds->Last();  // fetches the rest
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 60);
  EXPECT_EQ(ds->RecordCount(), 60);
  EXPECT_EQ(FetchLog::rows, (std::vector<ub4>{25, 25, 10}));
  ds->First();
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 1);
}

TEST_F(StandinDataSetTest, UnidirectionalKeepsOnlyTheNewestBlock) {
  CreateNumbers(60);
  auto ds = NewDataSet("select n from numbers order by n");
  ds->SetName("Numbers");
  ds->SetUnidirectional(true);
  ds->Open();
  EXPECT_EQ(FetchLog::rows.size(), 1u);  // nothing fetched ahead
  std::vector<int> seen;
  for (; !ds->Eof(); ds->Next()) seen.push_back(ds->FieldByName("n").AsInteger());
  ASSERT_EQ(seen.size(), 60u);
  EXPECT_EQ(seen.back(), 60);

  // Going back past the held block reports the store's own text.
  ds->Last();
  EXPECT_NE(ErrorOf([&] { ds->MoveBy(-50); }).find("not accessible in Unidirectional mode"),
            std::string::npos);
  EXPECT_THROW(ds->SetUnidirectional(false), dataset::EDatabaseError);  // only while closed
}

}  // namespace
}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
