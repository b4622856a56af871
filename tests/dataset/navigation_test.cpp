// Navigation, counting and bookmarks on 0, 1 and many records.

#include <gtest/gtest.h>

#include "dataset/field_kinds.h"
#include "memory_dataset/memory_dataset.h"

namespace dataset::testing {
namespace {

void Fill(MemoryDataSet& ds, int rows) {
  ds.AddColumn("ID", TFieldType::ftInteger);
  ds.AddColumn("NAME", TFieldType::ftString, 10);
  for (int i = 1; i <= rows; ++i) ds.AddRow({Variant(i), Variant("n" + std::to_string(i))});
}

// The IDs met walking forward from First and backward from Last.
std::pair<std::vector<int>, std::vector<int>> Walk(MemoryDataSet& ds) {
  std::vector<int> forward;
  std::vector<int> backward;
  for (ds.First(); !ds.Eof(); ds.Next()) forward.push_back(ds.FieldByName("ID").AsInteger());
  for (ds.Last(); !ds.Bof(); ds.Prior()) backward.push_back(ds.FieldByName("ID").AsInteger());
  return {forward, backward};
}

TEST(Navigation, EmptyDatasetIsAtBothEnds) {
  MemoryDataSet ds;
  Fill(ds, 0);
  ds.Open();
  EXPECT_TRUE(ds.Bof());
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_TRUE(ds.FieldByName("ID").IsNull());
  EXPECT_EQ(ds.MoveBy(1), 0);
  ds.Last();
  EXPECT_TRUE(ds.Bof() && ds.Eof());
  EXPECT_TRUE(ds.GetBookmark().empty());
  auto [forward, backward] = Walk(ds);
  EXPECT_TRUE(forward.empty());
  EXPECT_TRUE(backward.empty());
}

TEST(Navigation, SingleRecordIsFirstAndLast) {
  MemoryDataSet ds;
  Fill(ds, 1);
  ds.Open();
  EXPECT_TRUE(ds.Bof());
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "n1");
  ds.Next();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);  // the record stays current
  ds.Prior();
  EXPECT_TRUE(ds.Bof());
  EXPECT_FALSE(ds.Eof());
  auto [forward, backward] = Walk(ds);
  EXPECT_EQ(forward, std::vector<int>{1});
  EXPECT_EQ(backward, std::vector<int>{1});
}

TEST(Navigation, ManyRecordsWalkBothWaysAndMoveBy) {
  MemoryDataSet ds;
  Fill(ds, 5);
  ds.Open();
  auto [forward, backward] = Walk(ds);
  EXPECT_EQ(forward, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(backward, (std::vector<int>{5, 4, 3, 2, 1}));

  ds.First();
  EXPECT_EQ(ds.MoveBy(3), 3);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 4);
  EXPECT_EQ(ds.GetRecNo(), 4);
  EXPECT_EQ(ds.MoveBy(10), 1);  // stops at the last record
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.MoveBy(-2), 2);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);
  EXPECT_FALSE(ds.Bof() || ds.Eof());
  EXPECT_EQ(ds.RecordCount(), 5);
}

TEST(Navigation, BookmarksReturnToTheirRecord) {
  MemoryDataSet ds;
  Fill(ds, 4);
  ds.Open();
  ds.Next();
  const TBookmark second = ds.GetBookmark();
  ds.Last();
  const TBookmark last = ds.GetBookmark();
  EXPECT_EQ(ds.CompareBookmarks(second, last), -1);
  EXPECT_EQ(ds.CompareBookmarks(last, last), 0);
  EXPECT_TRUE(ds.BookmarkValid(second));

  ds.GotoBookmark(second);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
  ds.Next();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);

  ds.GotoBookmark(second);
  ds.Delete();
  EXPECT_FALSE(ds.BookmarkValid(second));
  EXPECT_THROW(ds.GotoBookmark(second), EDatabaseError);
}

TEST(Navigation, DatasetWhoseFirstRecordCannotBeReadStaysClosed) {
  MemoryDataSet ds;
  Fill(ds, 2);
  auto doubled = std::make_unique<TIntegerField>();
  doubled->SetFieldName("TWICE");
  doubled->SetFieldKind(TFieldKind::fkCalculated);
  ds.Fields().Add(std::make_unique<TIntegerField>()).SetFieldName("ID");
  ds.Fields().Add(std::move(doubled));
  ds.OnCalcFields = [](TDataSet&) { throw std::runtime_error("calc"); };
  EXPECT_THROW(ds.Open(), std::runtime_error);
  EXPECT_FALSE(ds.Active());
  ds.OnCalcFields = nullptr;
  ds.Open();
  EXPECT_TRUE(ds.FieldByName("TWICE").IsNull());
  EXPECT_EQ(ds.FindField("NAME"), nullptr);  // only the persistent fields
}

TEST(Navigation, ClosedDatasetRefusesNavigation) {
  MemoryDataSet ds;
  Fill(ds, 2);
  EXPECT_THROW(ds.First(), EDatabaseError);
  EXPECT_THROW(ds.RecordCount(), EDatabaseError);
  ds.Open();
  ds.Close();
  EXPECT_EQ(ds.Fields().Count(), 0);  // default fields go with the cursor
  EXPECT_THROW(ds.Next(), EDatabaseError);
}

TEST(Navigation, LocateFindsAndLookupLeavesThePlace) {
  MemoryDataSet ds;
  ds.AddColumn("ID", TFieldType::ftInteger);
  ds.AddColumn("NAME", TFieldType::ftString, 10);
  ds.AddRow({Variant(1), Variant("SMITH")});
  ds.AddRow({Variant(2), Variant("JONES")});
  ds.AddRow({Variant(3), Variant::Null()});
  ds.Open();

  EXPECT_TRUE(ds.Locate("name", {Variant("smi")}, loCaseInsensitive | loPartialKey));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
  EXPECT_FALSE(ds.Locate("NAME", {Variant("smith")}, 0));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);  // not found: no move
  EXPECT_TRUE(ds.Locate("NAME", {Variant::Null()}, 0));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);
  EXPECT_TRUE(ds.Locate("ID;NAME", {Variant(2), Variant("JONES")}, 0));

  ds.First();
  EXPECT_EQ(ds.Lookup("ID", {Variant(2)}, "NAME").ToString(), "JONES");
  EXPECT_TRUE(ds.Lookup("ID", {Variant(9)}, "NAME").IsNull());
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
  EXPECT_THROW(ds.Locate("ID;NAME", {Variant(2)}, 0), EDatabaseError);
}

}  // namespace
}  // namespace dataset::testing
