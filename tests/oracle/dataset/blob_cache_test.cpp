// The BLOB stream over one cached value and the change log's merging of
// changes, on their own (the dataset road is in
// dataset_cached_updates_test.cpp).

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/field_kinds.h"
#include "oracle/dataset/blob_stream.h"
#include "oracle/dataset/change_log.h"
#include "oracle/dataset/dataset.h"

namespace oracle {
namespace {

using dataset::TBlobStreamMode;
using dataset::TSeekOrigin;

struct StreamCase {
  const char* name;
  std::string start;  // the cached value
  TBlobStreamMode mode;
  std::function<std::string(TOracleBlobStream&)> steps;  // answers what it read
  std::string read;
  std::string value;  // afterwards
};

TEST(OracleBlobStream, ReadsWritesAndSeeksWithinItsValue) {
  using namespace std::string_literals;
  const auto readAll = [](TOracleBlobStream& s) {
    char part[32] = {};
    const int64_t n = s.Read(part, sizeof part);
    return std::string(part, static_cast<std::size_t>(n < 0 ? 0 : n));
  };
  const StreamCase cases[] = {
      {"no value reads nothing", "", TBlobStreamMode::bmRead, readAll, "", ""},
      {"ten bytes written at the end of four", "abcd", TBlobStreamMode::bmReadWrite,
       [](TOracleBlobStream& s) {
         s.Seek(0, TSeekOrigin::soEnd);
         s.Write("0123456789", 10);
         return std::to_string(s.Size());
       },
       "14", "abcd0123456789"},
      {"a read beyond the end reads nothing", "abcd", TBlobStreamMode::bmRead,
       [&](TOracleBlobStream& s) {
         EXPECT_EQ(s.Seek(10, TSeekOrigin::soBeginning), 10);
         return readAll(s);
       },
       "", "abcd"},
      {"a seek before the start goes to the start", "abcd", TBlobStreamMode::bmRead,
       [&](TOracleBlobStream& s) {
         EXPECT_EQ(s.Seek(-3, TSeekOrigin::soCurrent), 0);
         EXPECT_EQ(s.Seek(-9, TSeekOrigin::soEnd), 0);
         return readAll(s);
       },
       "abcd", "abcd"},
      {"seeking from the end and the current position", "abcdef", TBlobStreamMode::bmRead,
       [&](TOracleBlobStream& s) {
         s.Seek(-4, TSeekOrigin::soEnd);
         s.Seek(1, TSeekOrigin::soCurrent);
         return readAll(s);
       },
       "def", "abcdef"},
      {"a write past the end fills the gap with zeros", "ab", TBlobStreamMode::bmReadWrite,
       [](TOracleBlobStream& s) {
         s.Seek(5, TSeekOrigin::soBeginning);
         s.Write("z", 1);
         return std::string();
       },
       "", "ab\0\0\0z"s},
      {"write mode starts empty", "old value", TBlobStreamMode::bmWrite,
       [](TOracleBlobStream& s) {
         s.Write("new", 3);
         return std::to_string(s.Position());
       },
       "3", "new"},
      {"truncate empties the value", "abcd", TBlobStreamMode::bmReadWrite,
       [](TOracleBlobStream& s) {
         s.Seek(2, TSeekOrigin::soBeginning);
         s.Truncate();
         return std::to_string(s.Position());
       },
       "0", ""},
  };
  TOracleDataSet ds;
  TOracleBlob blob(nullptr);
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    blob.Data() = c.start;
    dataset::TBlobField field;
    TOracleBlobStream stream(ds, field, &blob, c.mode);
    EXPECT_EQ(c.steps(stream), c.read);
    EXPECT_EQ(blob.Data(), c.value);
    // Outside an edit nothing counts as modified.
    EXPECT_FALSE(stream.Modified());
  }
  dataset::TBlobField field;
  blob.Data() = "kept";
  TOracleBlobStream reader(ds, field, &blob, TBlobStreamMode::bmRead);
  EXPECT_THROW(reader.Write("x", 1), std::logic_error);
  EXPECT_THROW(reader.Truncate(), std::logic_error);
  EXPECT_EQ(blob.Data(), "kept");
  TOracleBlobStream unopened(ds, field, nullptr, TBlobStreamMode::bmReadWrite);
  EXPECT_FALSE(unopened.Opened());
  EXPECT_EQ(unopened.Write("x", 1), 0);
  EXPECT_EQ(unopened.Size(), 0);
}

// Small record images: the header, then one byte telling versions apart.
class ChangeLogTest : public ::testing::Test {
 protected:
  static constexpr int kSize = kRecordHeaderSize + 8;

  std::unique_ptr<TRecordImage> Image(int32_t id, char version, const char* rowId = "") {
    std::vector<uint8_t> record(kSize);
    RecordHeader(record.data()).Bookmark = id;
    SetRecordRowId(RecordHeader(record.data()), rowId);
    record[kRecordHeaderSize] = static_cast<uint8_t>(version);
    auto image = std::make_unique<TRecordImage>(record.data(), kSize, nullptr);
    ReleaseRecordResources(RecordHeader(record.data()));
    return image;
  }
  // A change of record `id` at store position `index`: 'I' has only the
  // new image, 'D' only the old one, 'U' both.
  void Log(char kind, int32_t id, int index) {
    log.Log(kind == 'I' ? nullptr : Image(id, 'o', "AAAB"), kind == 'D' ? nullptr : Image(id, 'n'),
            index, id, kind, false);
  }
  std::string Items() {
    std::string text;
    for (int i = 0; i < log.Count(); ++i) {
      const TChangeLogItem& item = log.Items(i);
      text += std::string(1, item.Kind) + std::to_string(item.RecordId()) + "@" +
              std::to_string(item.Index) + " ";
    }
    return text;
  }

  TChangeLog log;
};

TEST_F(ChangeLogTest, MergesTheChangesOfOneRecordAndKeepsInsertPositions) {
  struct Step {
    char kind;
    int32_t id;
    int index;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    const char* items;
    int netInserts;
  };
  const Case cases[] = {
      {"insert, edit and delete leave nothing", {{'I', 9, 2}, {'U', 9, 2}, {'D', 9, 2}}, "", 0},
      {"edit then delete is one delete", {{'U', 3, 2}, {'U', 3, 2}, {'D', 3, 2}}, "D3@2 ", -1},
      {"an insert before a logged insert moves it", {{'I', 9, 5}, {'I', 10, 3}}, "I9@6 I10@3 ", 2},
      {"a delete moves later inserts down", {{'I', 9, 5}, {'D', 2, 1}}, "I9@4 D2@1 ", 0},
      // A delete merged into an update moves them too.
      {"a merged delete moves later inserts down",
       {{'U', 2, 1}, {'I', 9, 5}, {'D', 2, 1}},
       "D2@1 I9@4 ",
       0},
      {"a removed insert moves later inserts down",
       {{'I', 8, 1}, {'I', 9, 5}, {'D', 8, 1}},
       "I9@4 ",
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.Clear();
    for (const Step& step : c.steps) Log(step.kind, step.id, step.index);
    EXPECT_EQ(Items(), c.items);
    EXPECT_EQ(log.NetInsertCount(), c.netInserts);
  }
  // The delete keeps the record as it was before the first change.
  log.Clear();
  Log('U', 3, 0);
  Log('D', 3, 0);
  ASSERT_EQ(log.Count(), 1);
  EXPECT_EQ(log.Items(0).OldRecord->Data()[kRecordHeaderSize], 'o');
  EXPECT_EQ(log.Items(0).NewRecord, nullptr);
  EXPECT_EQ(log.FindChangeByRowId("AAAB"), &log.Items(0));
  EXPECT_EQ(log.FindChangeByRowId("AAAC"), nullptr);
  // A record no longer in the set takes no further changes.
  log.Items(0).Present = false;
  EXPECT_EQ(log.FindChange(3), nullptr);
  EXPECT_EQ(log.NetInsertCount(), 0);
}

}  // namespace
}  // namespace oracle
