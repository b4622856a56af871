// The record store: block sizes, unidirectional numbering, the filtered view
// and the release of each record's BLOB values and ROWID copy.

#include "oracle/dataset/record_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "oracle/session/ui_hooks.h"
#include "oracle_fixture/exception_text.h"

namespace oracle {
namespace {

using oracle_test_support::ErrorOf;

struct FakeDataSet : TRecordStoreOwner {
  int RecordSize() const override { return recordSize; }
  int ReadBuffer() const override { return readBuffer; }
  std::string Name() const override { return "Orders"; }
  bool FilterActive() const override { return filter; }
  int32_t MasterKey() const override { return masterKey; }
  int recordSize = kRecordHeaderSize + 13;
  int readBuffer = 25;
  bool filter = false;
  int32_t masterKey = -1;
};

struct CountedBlobs : TRecordBlobValues {
  CountedBlobs() { ++live; }
  ~CountedBlobs() override { --live; }
  static int live;
};
int CountedBlobs::live = 0;

// Records the messages the store shows.
class MessageRecorder : public TOracleUserInterface {
 public:
  TCursor GetScreenCursor() override { return crDefault; }
  void SetScreenCursor(TCursor) override {}
  int MessageDialog(const std::string& text, TMsgDlgButtons) override {
    messages.push_back(text);
    return mrOk;
  }
  int ComponentCount() override { return 0; }
  const void* Component(int) override { return nullptr; }
  void Notify(std::intptr_t) override {}
  std::vector<std::string> messages;
};

// Appends `n` records numbered by their bookmark from `first`.
std::vector<uint8_t*> AddRecords(TRecordDataList& store, int n, int first = 0) {
  std::vector<uint8_t*> added;
  for (int i = 0; i < n; ++i) {
    uint8_t* record = store.AddRecord(-1, false);
    RecordHeader(record).Bookmark = first + i + 1;
    added.push_back(record);
  }
  return added;
}

TEST(RecordStore, BlocksGrowWithTheRecordCountAndRecordsNeverMove) {
  // Small records come from the heap; records of 20,000 bytes make blocks
  // large enough to be mapped from the system.
  for (const int dataSize : {13, 20000}) {
    SCOPED_TRACE(dataSize);
    FakeDataSet ds;
    ds.recordSize = kRecordHeaderSize + dataSize;
    TRecordDataList store(ds);
    store.SetUnidirectional(false);
    std::vector<int> allocatedAt;
    uint8_t* first = nullptr;
    for (int i = 0; i < 79; ++i) {
      const int blocks = store.BlockCount();
      uint8_t* record = store.AddRecord(-1, false);
      if (store.BlockCount() != blocks) allocatedAt.push_back(i);
      if (i == 0) first = record;
      EXPECT_EQ(RecordHeader(record).Bookmark, 0);  // zero-filled
      EXPECT_EQ(RecordHeader(record).MasterKey, -1);
      const uint8_t* data = record + kRecordHeaderSize;
      EXPECT_EQ(std::count(data, data + dataSize, 0), dataSize);
      // Every byte of the record is its own.
      std::fill(record + kRecordHeaderSize, record + ds.recordSize, static_cast<uint8_t>(i + 1));
    }
    EXPECT_EQ(allocatedAt, (std::vector<int>{0, 26, 52, 78}));
    ASSERT_EQ(store.BlockCount(), 4);
    EXPECT_EQ(store.BlockCapacity(0), 26);
    EXPECT_EQ(store.BlockCapacity(1), 26);
    EXPECT_EQ(store.BlockCapacity(2), 26);
    EXPECT_EQ(store.BlockCapacity(3), 39);
    EXPECT_EQ(store.BlockUsed(3), 1);
    EXPECT_EQ(store.Get(0), first);
    for (int i = 0; i < 79; ++i) {
      const uint8_t* record = store.Get(i);
      EXPECT_EQ(record[kRecordHeaderSize], i + 1);
      EXPECT_EQ(record[ds.recordSize - 1], i + 1);
    }
    EXPECT_EQ(store.Count(), 79);
    EXPECT_EQ(store.Base(), 0);
    // A slot handed out but not taken stays free.
    EXPECT_EQ(store.NewRecordSlot(), store.NewRecordSlot());
    EXPECT_EQ(store.BlockUsed(3), 1);
  }
}

TEST(RecordStore, UnidirectionalStoreKeepsOnlyTheNewestBlock) {
  FakeDataSet ds;
  auto ui = std::make_shared<MessageRecorder>();
  SetOracleUserInterface(ui);
  TRecordDataList store(ds);
  ASSERT_TRUE(store.Unidirectional());
  const auto records = AddRecords(store, 30);
  EXPECT_EQ(store.Base(), 26);
  EXPECT_EQ(store.Count(), 30);
  EXPECT_EQ(store.BlockCount(), 1);
  const std::string text = "Orders: Record 4 not accessible in Unidirectional mode";
  EXPECT_EQ(ErrorOf([&] { store.Get(4); }), text);
  EXPECT_EQ(RecordHeader(store.Get(29)).Bookmark, 30);
  EXPECT_EQ(store.IndexOf(store.Get(27)), 27);

  EXPECT_EQ(ErrorOf([&] { store.Record(4); }), text);
  EXPECT_EQ(ui->messages, std::vector<std::string>{text});
  SetOracleUserInterface(nullptr);

  store.Clear();  // a new query numbers from 0 again
  EXPECT_EQ(store.Count(), 0);
  AddRecords(store, 1);
  EXPECT_EQ(store.Count(), 1);
  EXPECT_NE(store.Get(0), nullptr);
}

TEST(RecordStore, FilteredViewFollowsStoreOrder) {
  FakeDataSet ds;
  TRecordDataList store(ds);
  store.SetUnidirectional(false);
  const auto r = AddRecords(store, 5);
  ds.filter = true;
  store.AddFiltered(r[0], true);
  store.AddFiltered(r[4], true);
  store.AddFiltered(r[2], false);  // between the two
  store.AddFiltered(r[1], false);
  EXPECT_EQ(store.RecordCount(), 4);
  EXPECT_EQ(store.Record(0), r[0]);
  EXPECT_EQ(store.Record(1), r[1]);
  EXPECT_EQ(store.Record(2), r[2]);
  EXPECT_EQ(store.Record(3), r[4]);
  EXPECT_EQ(store.FilteredToStore(3), 4);
  EXPECT_EQ(store.FilteredToStore(4), store.Count());  // past the end
  EXPECT_EQ(store.StoreToFiltered(3), -1);
  EXPECT_EQ(store.StoreToFiltered(4), 3);

  EXPECT_EQ(ErrorOf([&] { store.AddFiltered(r[2], false); }),
            "BUG: Duplicate record in filtered list (2)");
  EXPECT_EQ(store.RecordCount(), 4);

  ds.filter = false;
  EXPECT_EQ(store.RecordCount(), 5);
  EXPECT_EQ(store.Record(3), store.Get(3));
  EXPECT_EQ(store.FilteredToStore(7), 7);
}

TEST(RecordStore, RecordsAddedAtAFilteredPositionGoToTheMatchingStorePosition) {
  FakeDataSet ds;
  TRecordDataList store(ds);
  store.SetUnidirectional(false);
  const auto r = AddRecords(store, 4);
  ds.filter = true;
  store.AddFiltered(r[1], true);
  store.AddFiltered(r[3], true);
  ds.masterKey = 42;
  uint8_t* added = store.AddRecord(1, true);  // before r[3]
  EXPECT_EQ(RecordHeader(added).MasterKey, 42);
  EXPECT_EQ(store.IndexOf(added), 3);
  EXPECT_EQ(store.Record(1), added);
  EXPECT_EQ(store.Record(2), r[3]);

  // Deleting by filtered position takes it out of both lists.
  store.DeleteRecord(1, true);
  EXPECT_EQ(store.IndexOf(added), -1);
  EXPECT_EQ(store.RecordCount(), 2);
  // Deleting by store number never leaves the record in the filtered view.
  store.DeleteRecord(store.IndexOf(r[3]), false);
  EXPECT_EQ(store.RecordCount(), 1);
  EXPECT_EQ(store.Record(0), r[1]);
  EXPECT_THROW(store.DeleteRecord(5, true), std::out_of_range);
}

// Unidirectional numbers stay right after a delete, and dropped records
// release their BLOB values and ROWID copies.
TEST(RecordStore, DroppedRecordsReleaseTheirBlobValuesAndRowIdCopies) {
  FakeDataSet ds;
  ds.readBuffer = 2;  // blocks of 3 records
  const int copiesBefore = LiveRowIdCopies();
  {
    TRecordDataList store(ds);
    const auto r = AddRecords(store, 3);
    for (uint8_t* record : r) {
      RecordHeader(record).Blobs = new CountedBlobs;
      SetRecordRowId(RecordHeader(record), "AAAR3sAAEAAAACXAAA");  // 18 characters
    }
    SetRecordRowId(RecordHeader(r[2]), "AAAR3sAAEAAAACXAAB");  // replaces the copy
    EXPECT_EQ(CountedBlobs::live, 3);
    EXPECT_EQ(LiveRowIdCopies(), copiesBefore + 3);
    EXPECT_EQ(RecordRowId(RecordHeader(r[2])), "AAAR3sAAEAAAACXAAB");

    store.DeleteRecord(1, false);
    EXPECT_EQ(CountedBlobs::live, 2);
    EXPECT_EQ(LiveRowIdCopies(), copiesBefore + 2);
    EXPECT_EQ(store.Count(), 2);
    EXPECT_EQ(RecordHeader(store.Get(1)).Bookmark, 3);

    // The unidirectional store drops the full block for the next one.
    uint8_t* next = AddRecords(store, 1, 3).front();
    EXPECT_EQ(CountedBlobs::live, 0);
    EXPECT_EQ(LiveRowIdCopies(), copiesBefore);
    EXPECT_EQ(store.Base(), 2);
    EXPECT_EQ(store.Count(), 3);
    EXPECT_EQ(store.Get(2), next);
    EXPECT_EQ(store.IndexOf(next), 2);

    SetRecordRowId(RecordHeader(next), "AAAAAAAAAAAAAAAAA");  // 17: kept inline
    EXPECT_EQ(LiveRowIdCopies(), copiesBefore);
    EXPECT_EQ(RecordRowId(RecordHeader(next)), "AAAAAAAAAAAAAAAAA");
    RecordHeader(next).Blobs = new CountedBlobs;
    SetRecordRowId(RecordHeader(AddRecords(store, 1).front()), "AAAR3sAAEAAAACXAAC");
    EXPECT_EQ(LiveRowIdCopies(), copiesBefore + 1);
  }  // the destructor clears the store
  EXPECT_EQ(CountedBlobs::live, 0);
  EXPECT_EQ(LiveRowIdCopies(), copiesBefore);
}

TEST(RecordStore, PlainListOperationsUseAbsoluteNumbers) {
  FakeDataSet ds;
  TRecordDataList store(ds);
  store.SetUnidirectional(false);
  const auto r = AddRecords(store, 2);
  uint8_t* slot = store.NewRecordSlot();
  store.Insert(1, slot);
  EXPECT_EQ(store.Get(1), slot);
  EXPECT_EQ(store.Count(), 3);
  store.Delete(1);
  EXPECT_EQ(store.Get(1), r[1]);
  EXPECT_THROW(store.Get(2), std::out_of_range);
  EXPECT_THROW(store.Insert(5, slot), std::out_of_range);
  EXPECT_EQ(store.IndexOf(slot), -1);
}

}  // namespace
}  // namespace oracle
