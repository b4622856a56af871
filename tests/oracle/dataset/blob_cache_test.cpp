// The BLOB stream over one cached value, on its own (the dataset's use of
// it is in dataset_cached_updates_test.cpp).

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dataset/field_kinds.h"
#include "oracle/dataset/blob_stream.h"
#include "oracle/dataset/dataset.h"

namespace oracle {
namespace {

using dataset::TBlobStreamMode;
using dataset::TSeekOrigin;

// One stream over a cached value: an optional seek, an optional write,
// then a read of what follows.
struct StreamCase {
  const char* name;
  std::string start;  // the cached value
  TBlobStreamMode mode;
  int64_t seek;  // from the origin; -100: none
  TSeekOrigin origin;
  const char* write;  // null: none
  int64_t position;   // after the seek and the write
  std::string read;
  std::string value;  // afterwards
};

TEST(OracleBlobStream, ReadsWritesAndSeeksWithinItsValue) {
  using namespace std::string_literals;
  constexpr auto kBegin = TSeekOrigin::soBeginning;
  constexpr auto kEnd = TSeekOrigin::soEnd;
  constexpr auto kRead = TBlobStreamMode::bmRead;
  constexpr auto kReadWrite = TBlobStreamMode::bmReadWrite;
  const StreamCase cases[] = {
      {"no value reads nothing", "", kRead, -100, kBegin, nullptr, 0, "", ""},
      {"ten bytes at the end of four", "abcd", kReadWrite, 0, kEnd, "0123456789", 14, "",
       "abcd0123456789"},
      {"a read beyond the end reads nothing", "abcd", kRead, 10, kBegin, nullptr, 10, "", "abcd"},
      {"a seek before the start goes there", "abcd", kRead, -9, kEnd, nullptr, 0, "abcd", "abcd"},
      {"back from the current position", "abcd", kRead, -3, TSeekOrigin::soCurrent, nullptr, 0,
       "abcd", "abcd"},
      {"from the end", "abcdef", kRead, -3, kEnd, nullptr, 3, "def", "abcdef"},
      {"a write past the end fills the gap with zeros", "ab", kReadWrite, 5, kBegin, "z", 6, "",
       "ab\0\0\0z"s},
      {"write mode starts empty", "old value", TBlobStreamMode::bmWrite, -100, kBegin, "new", 3, "",
       "new"},
  };
  TOracleDataSet ds;
  TOracleBlob blob(nullptr);
  dataset::TBlobField field;
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    blob.Data() = c.start;
    TOracleBlobStream stream(ds, field, &blob, c.mode);
    if (c.seek != -100) stream.Seek(c.seek, c.origin);
    if (c.write != nullptr) stream.Write(c.write, static_cast<int64_t>(std::strlen(c.write)));
    EXPECT_EQ(stream.Position(), c.position);
    char part[32] = {};
    EXPECT_EQ(std::string(part, static_cast<std::size_t>(stream.Read(part, sizeof part))), c.read);
    EXPECT_EQ(blob.Data(), c.value);
    // Outside an edit nothing counts as modified.
    EXPECT_FALSE(stream.Modified());
  }
  blob.Data() = "kept";
  TOracleBlobStream reader(ds, field, &blob, kRead);
  EXPECT_THROW(reader.Write("x", 1), std::logic_error);
  EXPECT_THROW(reader.Truncate(), std::logic_error);
  TOracleBlobStream writer(ds, field, &blob, kReadWrite);
  writer.Seek(2, kBegin);
  writer.Truncate();
  EXPECT_EQ(writer.Position(), 0);
  EXPECT_EQ(blob.Data(), "");
  TOracleBlobStream unopened(ds, field, nullptr, kReadWrite);
  EXPECT_FALSE(unopened.Opened());
  EXPECT_EQ(unopened.Write("x", 1), 0);
  EXPECT_EQ(unopened.Size(), 0);
}

}  // namespace
}  // namespace oracle
