#include "oracle/values/field_data.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fake_session.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

using testing::FakeSession;

TEST(FieldData, OneBlockOfRowsWithPerRowIndicatorsLengthsAndCodes) {
  TFieldData f(otype::String, 11, 25);
  EXPECT_EQ(f.Rows(), 25);
  EXPECT_FALSE(f.HoldsHandles());
  for (int r = 0; r < 25; ++r) EXPECT_TRUE(f.IsNull(r));
  // Row 3 begins 33 bytes into the block.
  std::memcpy(f.Buffer() + 33, "row three", 10);
  f.Indicators()[3] = 0;
  EXPECT_EQ(f.Value(3, nullptr), Variant::String("row three"));
  EXPECT_TRUE(f.Value(4, nullptr).IsEmpty());
  FakeSession session;
  session.nullIsNull = true;
  EXPECT_TRUE(f.Value(4, &session).IsNull());
  EXPECT_THROW(f.Value(25, nullptr), std::runtime_error);
  EXPECT_THROW(TFieldData(otype::String, 10, 0), std::runtime_error);
  // A string without its terminator stops at the element's end.
  TFieldData g(otype::String, 4, 2);
  std::memcpy(g.Buffer(), "abcdefgh", 8);
  g.Indicators()[0] = 0;
  EXPECT_EQ(g.Value(0, nullptr), Variant::String("abcd"));
}

TEST(FieldData, NumbersDatesAndLineEnds) {
  TFieldData i(otype::Integer, 4, 2);
  const int32_t n = 123456;
  std::memcpy(i.Buffer() + 4, &n, 4);
  i.Indicators()[1] = 0;
  EXPECT_EQ(i.Value(1, nullptr), Variant::Integer(123456));

  TFieldData d(otype::Date, 7, 1);
  const uint8_t date[7] = {119, 199, 12, 31, 24, 60, 59};
  std::memcpy(d.Buffer(), date, 7);
  d.Indicators()[0] = 0;
  EXPECT_EQ(d.Value(0, nullptr), Variant::Date(EncodeDateTime({1999, 12, 31, 23, 59, 58, 0})));

  TFieldData c(otype::Varchar2, 8, 1);
  std::memcpy(c.Buffer(), "a\nb\0\0\0\0\0", 8);
  c.Lengths()[0] = 3;
  c.Indicators()[0] = 0;
  EXPECT_EQ(c.Value(0, nullptr), Variant::String("a\r\nb"));
  FakeSession session;
  session.convertCRLF = false;
  EXPECT_EQ(c.Value(0, &session), Variant::String("a\nb"));
  c.Lengths()[0] = 200;  // a length beyond the element is cut to it
  EXPECT_EQ(c.Value(0, &session).ToText().size(), 8u);
}

TEST(FieldData, LongValuesAreTheirRowsPiecesJoined) {
  TFieldData f(otype::Long, 0, 2);
  TLongPiece& first = f.AddPiece(1, 4096);
  std::memset(first.Buffer(), 'a', 4096);
  first.SetLength(4096);
  TLongPiece& second = f.AddPiece(1, 8192);
  std::memcpy(second.Buffer(), "xyz\n", 4);
  second.SetLength(4);
  f.AddPiece(0, 4096).SetLength(0);
  f.Indicators()[0] = f.Indicators()[1] = 0;
  EXPECT_EQ(f.LongLength(1), 4100u);
  EXPECT_EQ(f.Value(1, nullptr), Variant::String(std::string(4096, 'a') + "xyz\r\n"));
  EXPECT_EQ(f.LongLength(0), 0u);
  f.ClearPieces();
  EXPECT_EQ(f.LongLength(1), 0u);

  TFieldData raw(otype::LongRaw, 0, 1);
  TLongPiece& piece = raw.AddPiece(0, 3);
  std::memcpy(piece.Buffer(), "\x01\x02\x03", 3);
  piece.SetLength(1000);  // a reported length past the buffer counts as the buffer
  raw.Indicators()[0] = 0;
  EXPECT_EQ(raw.LongLength(0), 3u);
  EXPECT_EQ(raw.Value(0, nullptr), Variant::ByteArray({1, 2, 3}));
}

TEST(FieldData, HandleColumnsHoldOneHandlePerRow) {
  TFieldData f(otype::Timestamp, 4, 3);
  EXPECT_TRUE(f.HoldsHandles());
  EXPECT_EQ(f.ElementSize(), static_cast<int32_t>(sizeof(void*)));
  EXPECT_EQ(f.Buffer(), reinterpret_cast<uint8_t*>(f.Handles()));
  for (int r = 0; r < 3; ++r) EXPECT_EQ(f.Handles()[r], nullptr);
  TFieldData object(otype::Object, 4, 2);
  EXPECT_EQ(object.AllocateHandles(nullptr), OCI_SUCCESS);  // objects come from the cache
}

}  // namespace
}  // namespace oracle
