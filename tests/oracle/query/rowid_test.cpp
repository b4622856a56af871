// The ROWID text of the descriptor layout shared with the client.
#include <gtest/gtest.h>

#include "oracle/values/rowid.h"
#include "platform/oci/oci_rowid_layout.h"

namespace {

OCIRowidLayout Extended(ub4 object, ub2 file, ub4 block, ub2 row) {
  return {kOCIRowidTag, static_cast<ub1>(OCIRowidKind::Extended), {0, 0, 0}, object, block, file,
          row};
}

TEST(RowidText, ExtendedIsEighteenBase64DigitsRestrictedIsBlockRowFileInHex) {
  EXPECT_EQ(RowidLayoutText(Extended(0, 0, 0, 0)), "AAAAAAAAAAAAAAAAAA");
  EXPECT_EQ(RowidLayoutText(Extended(0, 0, 0, 1)), "AAAAAAAAAAAAAAAAAB");
  // 64 needs a second digit; each field keeps its own width.
  EXPECT_EQ(RowidLayoutText(Extended(64, 1, 63, 65)), "AAAABAAABAAAAA/ABB");
  EXPECT_EQ(RowidLayoutText(Extended(0xFFFFFFFFu, 0xFFFF, 0xFFFFFFFFu, 0xFFFF)),
            "D/////P//D/////P//");
  // Restricted: block, row, file in hex.
  OCIRowidLayout rowid{
      kOCIRowidTag, static_cast<ub1>(OCIRowidKind::Restricted), {0, 0, 0}, 0, 0x1A2B, 7, 0x3C};
  EXPECT_EQ(RowidLayoutText(rowid), "00001a2b.003c.0007");
}

TEST(RowidText, NoTextWithoutTheTagOrARowAndADescriptorReadThroughTheLayout) {
  OCIRowidLayout rowid = Extended(1, 2, 3, 4);
  rowid.kind = static_cast<ub1>(OCIRowidKind::None);
  EXPECT_EQ(RowidLayoutText(rowid), "");
  rowid = Extended(1, 2, 3, 4);
  rowid.tag = 0;
  EXPECT_EQ(RowidLayoutText(rowid), "");
  EXPECT_EQ(oracle::RowidDescriptorText(nullptr), "");
  // The client's descriptor memory is the layout itself.
  rowid = Extended(5, 1, 9, 2);
  EXPECT_EQ(oracle::RowidDescriptorText(reinterpret_cast<const OCIRowid*>(&rowid)),
            RowidLayoutText(rowid));
}

TEST(RowidText, ParsesBackWhatItRenders) {
  for (const OCIRowidLayout& rowid : {Extended(0, 0, 0, 0), Extended(74565, 4, 1234567, 300),
                                      Extended(0xFFFFFFFFu, 0xFFFF, 0xFFFFFFFFu, 0xFFFF)}) {
    const auto parsed = ParseRowidText(RowidLayoutText(rowid));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->objectNumber, rowid.objectNumber);
    EXPECT_EQ(parsed->relativeFile, rowid.relativeFile);
    EXPECT_EQ(parsed->block, rowid.block);
    EXPECT_EQ(parsed->row, rowid.row);
  }
  const auto restricted = ParseRowidText("00001A2B.003c.0007");
  ASSERT_TRUE(restricted.has_value());
  EXPECT_EQ(restricted->kind, static_cast<ub1>(OCIRowidKind::Restricted));
  EXPECT_EQ(restricted->block, 0x1A2Bu);
  EXPECT_EQ(restricted->row, 0x3C);
  EXPECT_EQ(restricted->relativeFile, 7);
  // Wrong length, a character outside the alphabet, a field too wide.
  EXPECT_FALSE(ParseRowidText("AAAAAAAAAAAAAAAAA").has_value());
  EXPECT_FALSE(ParseRowidText("AAAAAAAAAAAAAAAA-A").has_value());
  EXPECT_FALSE(ParseRowidText("EAAAAAAAAAAAAAAAAA").has_value());
  EXPECT_FALSE(ParseRowidText("0000xa2b.003c.0007").has_value());
}

}  // namespace
