// Edit, insert, append, post, cancel and delete: their event order, the
// required-field check, refused assignments and error handlers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataset/field_kinds.h"
#include "memory_dataset/memory_dataset.h"

namespace dataset::testing {
namespace {

class Editing : public ::testing::Test {
 protected:
  void SetUp() override {
    ds.AddColumn("ID", TFieldType::ftInteger, 0, true);
    ds.AddColumn("NAME", TFieldType::ftString, 10);
    ds.AddRow({Variant(1), Variant("a")});
    ds.AddRow({Variant(2), Variant("b")});
    auto record = [this](const char* name) {
      return [this, name](TDataSet&) { events.push_back(name); };
    };
    ds.BeforeInsert = record("BeforeInsert");
    ds.AfterInsert = record("AfterInsert");
    ds.BeforeEdit = record("BeforeEdit");
    ds.AfterEdit = record("AfterEdit");
    ds.BeforePost = record("BeforePost");
    ds.AfterPost = record("AfterPost");
    ds.BeforeCancel = record("BeforeCancel");
    ds.AfterCancel = record("AfterCancel");
    ds.BeforeDelete = record("BeforeDelete");
    ds.AfterDelete = record("AfterDelete");
    ds.BeforeScroll = record("BeforeScroll");
    ds.AfterScroll = record("AfterScroll");
    ds.OnNewRecord = record("OnNewRecord");
    ds.Open();
    events.clear();
  }

  std::vector<int> Ids() {
    std::vector<int> ids;
    const TBookmark here = ds.GetBookmark();
    ds.DisableControls();
    for (ds.First(); !ds.Eof(); ds.Next()) ids.push_back(ds.FieldByName("ID").AsInteger());
    ds.GotoBookmark(here);
    ds.EnableControls();
    events.clear();
    return ids;
  }

  using Events = std::vector<std::string>;
  MemoryDataSet ds;
  Events events;
};

TEST_F(Editing, InsertThenPostAddsBeforeTheCurrentRecord) {
  ds.Next();
  events.clear();
  ds.Insert();
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  EXPECT_TRUE(ds.FieldByName("ID").IsNull());
  ds.FieldByName("ID").SetAsInteger(7);
  ds.FieldByName("NAME").SetAsString("new");
  ds.Post();
  EXPECT_EQ(events, (Events{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert",
                            "AfterScroll", "BeforePost", "AfterPost"}));
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "new");
  EXPECT_EQ(Ids(), (std::vector<int>{1, 7, 2}));
}

TEST_F(Editing, AppendThenPostAddsAtTheEnd) {
  ds.Append();
  ds.FieldByName("ID").SetAsInteger(9);
  ds.Post();
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 9}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 9);
}

TEST_F(Editing, EditPostAndCancelKeepTheirOrderAndValues) {
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("changed");
  EXPECT_EQ(ds.FieldByName("NAME").OldValue().ToString(), "a");
  ds.Post();
  EXPECT_EQ(events, (Events{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}));
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "changed");

  events.clear();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("dropped");
  ds.Cancel();
  EXPECT_EQ(events, (Events{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}));
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "changed");
}

TEST_F(Editing, CancelledInsertReturnsToTheRecordItStartedFrom) {
  ds.Next();
  events.clear();
  ds.Insert();
  ds.FieldByName("ID").SetAsInteger(5);
  ds.Cancel();
  EXPECT_EQ(events, (Events{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert",
                            "AfterScroll", "BeforeCancel", "AfterCancel"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2}));
}

TEST_F(Editing, DeleteMovesToTheNextRecordOrTheLastOne) {
  ds.Delete();
  EXPECT_EQ(events, (Events{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
  ds.Delete();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Bof() && ds.Eof());
  EXPECT_THROW(ds.Delete(), EDatabaseError);
}

TEST_F(Editing, EditOfAnEmptyDatasetInserts) {
  ds.Delete();
  ds.Delete();
  events.clear();
  ds.Edit();
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  ds.FieldByName("ID").SetAsInteger(3);
  ds.Post();
  EXPECT_EQ(Ids(), (std::vector<int>{3}));
}

TEST_F(Editing, RequiredFieldMustHaveAValue) {
  ds.Insert();
  ds.FieldByName("NAME").SetAsString("x");
  try {
    ds.Post();
    FAIL() << "posted without a required value";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'ID' must have a value");
  }
  // Nothing was lost: the record is still being inserted with its value.
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "x");
  EXPECT_EQ(ds.StoredRowCount(), 2);
}

TEST_F(Editing, AssignmentRefusedInBrowseStateAndOnReadOnlyFields) {
  try {
    ds.FieldByName("NAME").SetAsString("x");
    FAIL() << "assigned in browse state";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
  }
  ds.FieldByName("ID").SetReadOnly(true);
  ds.Edit();
  EXPECT_THROW(ds.FieldByName("ID").SetAsInteger(4), EDatabaseError);
  EXPECT_THROW(ds.FieldByName("ID").Clear(), EDatabaseError);
  ds.Cancel();
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
  EXPECT_THROW(ds.Post(), EDatabaseError);  // not editing
}

TEST_F(Editing, PostErrorHandlerCanRetryOrLetTheErrorThrough) {
  int failures = 1;
  ds.OnStore = [&] {
    if (failures-- > 0) throw EDatabaseError("server said no", 1);
  };
  int handled = 0;
  ds.OnPostError = [&](TDataSet&, const std::exception&, TDataAction& action) {
    ++handled;
    action = TDataAction::daRetry;
  };
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("retried");
  ds.Post();
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "retried");

  failures = 1;
  ds.OnPostError = nullptr;
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("kept");
  try {
    ds.Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.ErrorCode(), 1);
  }
  EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
  EXPECT_EQ(ds.FieldByName("NAME").AsString(), "kept");
}

TEST_F(Editing, FailingNewRecordHandlerLeavesTheDatasetBrowsing) {
  ds.OnNewRecord = [](TDataSet&) { throw std::runtime_error("no"); };
  EXPECT_THROW(ds.Insert(), std::runtime_error);
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);
}

TEST_F(Editing, ReadOnlyDatasetRefusesChanges) {
  class ReadOnlyDataSet : public MemoryDataSet {
   protected:
    bool GetCanModify() override { return false; }
  } ro;
  ro.AddColumn("ID", TFieldType::ftInteger);
  ro.AddRow({Variant(1)});
  ro.Open();
  EXPECT_THROW(ro.Edit(), EDatabaseError);
  EXPECT_THROW(ro.Insert(), EDatabaseError);
  EXPECT_THROW(ro.Delete(), EDatabaseError);
  EXPECT_EQ(ro.State(), TDataSetState::dsBrowse);
}

}  // namespace
}  // namespace dataset::testing
