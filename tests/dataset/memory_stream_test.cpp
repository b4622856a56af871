// The in-memory byte stream: positions before the start and past the end,
// and sizes set from outside.
#include <gtest/gtest.h>

#include "dataset/stream.h"

namespace {

using dataset::TMemoryStream;
using dataset::TSeekOrigin;

TEST(MemoryStream, SeeksReadsWritesAndSizesLikeAFile) {
  TMemoryStream s("abcdef");
  char buffer[8] = {};
  EXPECT_EQ(s.Seek(-3, TSeekOrigin::soBeginning), 0);  // before the start: the start
  EXPECT_EQ(s.Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "abcd");
  EXPECT_EQ(s.Seek(-10, TSeekOrigin::soCurrent), 0);

  // Past the end nothing is read; a write there fills the gap with zeros.
  EXPECT_EQ(s.Seek(2, TSeekOrigin::soEnd), 8);
  EXPECT_EQ(s.Read(buffer, 4), 0);
  EXPECT_EQ(s.Write("gh", 2), 2);
  EXPECT_EQ(s.Bytes(), std::string("abcdef\0\0gh", 10));
  EXPECT_EQ(s.Position(), 10);

  // Setting the size cuts (the position follows) or lengthens with zeros.
  s.SetSize(3);
  EXPECT_EQ(s.Bytes(), "abc");
  EXPECT_EQ(s.Position(), 3);
  s.SetSize(5);
  EXPECT_EQ(s.Bytes(), std::string("abc\0\0", 5));
  EXPECT_THROW(s.SetSize(-1), std::invalid_argument);
  EXPECT_EQ(s.ReadAll(), std::string("abc\0\0", 5));

  s.Truncate();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

}  // namespace
