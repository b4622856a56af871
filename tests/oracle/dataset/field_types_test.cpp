// The column-to-field mapping and the BLOB helpers, as pure functions.
#include <gtest/gtest.h>

#include <string>

#include "oracle/blob/blob_compression.h"
#include "oracle/dataset/dataset.h"
#include "oracle/dataset/dataset_blobs.h"
#include "oracle/dataset/dataset_field_types.h"
#include "oracle_fixture/exception_text.h"

namespace {

using dataset::TFieldType;
using oracle::FieldTypeForColumn;
using oracle::TColumnFieldType;
using oracle::TConvertUTF;
using oracle::TFieldTypeRules;
using oracle_test_support::ErrorOf;

// Each row: what, fetch type, size, precision, national, wide, rules, the
// field it gives (none for columns read another way).
struct MappingCase {
  const char* what;
  int fetchType, size, precision;
  bool national, wide;
  TFieldTypeRules rules;
  TColumnFieldType expected;
};

TEST(ColumnMapping, GivesTheFieldOfTheTable) {
  const TFieldTypeRules d{};
  using enum TFieldType;
  // clang-format off
  const MappingCase cases[] = {
      {"NUMBER(4), SmallIntPrecision 4", 3, 4, 4, false, false, {4, 0}, {true, ftSmallint, 0}},
      {"NUMBER(4), default -1", 3, 4, 4, false, false, d, {true, ftInteger, 0}},
      {"NUMBER(5), SmallIntPrecision 0 counts as 4", 3, 4, 5, false, false, {0, 0}, {true, ftInteger, 0}},
      {"NUMBER(4), SmallIntPrecision 0 counts as 4", 3, 4, 4, false, false, {0, 0}, {true, ftSmallint, 0}},
      {"float", 4, 8, 12, false, false, d, {true, ftFloat, 0}},
      {"VARCHAR2(30)", 5, 30, 0, false, false, d, {true, ftString, 30}},
      {"VARCHAR2(4000), MaxStringFieldSize 2000", 5, 4000, 0, false, false, {-1, 2000}, {true, ftMemo, 0}},
      {"VARCHAR2(2000), MaxStringFieldSize 2000", 5, 2000, 0, false, false, {-1, 2000}, {true, ftString, 2000}},
      {"wide text never becomes a memo", 5, 4000, 0, false, true, {-1, 2000}, {true, ftWideString, 4000}},
      {"national, not wide: doubled", 5, 10, 0, true, false, d, {true, ftString, 20}},
      {"national and wide", 5, 10, 0, true, true, d, {true, ftWideString, 10}},
      {"empty text column is one character", 5, 0, 0, false, false, d, {true, ftString, 1}},
      {"LONG", 8, 0, 0, false, false, d, {true, ftMemo, 0}},
      {"DATE", 12, 7, 0, false, false, d, {true, ftDateTime, 0}},
      {"TIMESTAMP", 187, 4, 0, false, false, d, {true, ftDateTime, 0}},
      {"TIMESTAMP WITH TIME ZONE", 188, 4, 0, false, false, d, {true, ftDateTime, 0}},
      {"TIMESTAMP WITH LOCAL TIME ZONE", 232, 4, 0, false, false, d, {true, ftDateTime, 0}},
      {"LONG RAW", 24, 0, 0, false, false, d, {true, ftBlob, 0}},
      {"REF", 110, 0, 0, false, false, d, {true, ftString, 256}},
      {"CLOB", 112, 0, 0, false, false, d, {true, ftOraClob, 0}},
      {"BLOB", 113, 0, 0, false, false, d, {true, ftOraBlob, 0}},
      {"BFILE", 114, 0, 0, false, false, d, {true, ftOraBlob, 0}},
      {"object: attributes only", 108, 0, 0, false, false, d, {}},
      {"cursor", 116, 0, 0, false, false, d, {}},
      {"VARCHAR (9)", 9, 10, 0, false, false, d, {}},
      {"ROWID (11)", 11, 18, 0, false, false, d, {}},
  };
  // clang-format on
  for (const MappingCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FieldTypeForColumn(c.fetchType, c.size, c.precision, c.national, c.wide, c.rules),
              c.expected);
  }
}

TEST(WideColumns, FollowTheCharacterSetAndThePreferences) {
  using oracle::IsWideColumn;
  constexpr int kNational = 2, kImplicit = 1, kWe8 = 178;
  EXPECT_TRUE(IsWideColumn(5, kNational, 2000, TConvertUTF::cuNone, false));
  EXPECT_FALSE(IsWideColumn(5, kNational, 2000, TConvertUTF::cuUTF16ToUTF8, false));
  // Every UTF-8 server character set, 870 to 873.
  for (int id : {870, 871, 872, 873}) {
    EXPECT_TRUE(IsWideColumn(5, kImplicit, id, TConvertUTF::cuUTF8ToUTF16, false)) << id;
    EXPECT_FALSE(IsWideColumn(5, kImplicit, id, TConvertUTF::cuNone, false)) << id;
  }
  EXPECT_FALSE(IsWideColumn(5, kImplicit, kWe8, TConvertUTF::cuUTF8ToUTF16, false));
  EXPECT_TRUE(IsWideColumn(5, kImplicit, kWe8, TConvertUTF::cuNone, true));
  EXPECT_FALSE(IsWideColumn(3, kImplicit, kWe8, TConvertUTF::cuNone, true));
  // LONG and CLOB text stays narrow whatever is asked.
  EXPECT_FALSE(IsWideColumn(8, kNational, 873, TConvertUTF::cuUTF8ToUTF16, true));
  EXPECT_FALSE(IsWideColumn(112, kNational, 873, TConvertUTF::cuUTF8ToUTF16, true));
}

TEST(CompressedBlobs, AreRecognisedByTheirHeaderAndExpandedByTheCodec) {
  const std::string header(reinterpret_cast<const char*>(oracle::kCompressedBLOBHeader), 8);
  EXPECT_TRUE(oracle::HasCompressedBLOBHeader(header + "xyz"));
  EXPECT_TRUE(oracle::HasCompressedBLOBHeader(header));
  EXPECT_FALSE(oracle::HasCompressedBLOBHeader(header.substr(0, 7)));
  EXPECT_FALSE(oracle::HasCompressedBLOBHeader("plain bytes, no header"));

  // The codec expands from the start; a damaged value names its field.
  const std::string picture(5000, 'p');
  EXPECT_EQ(oracle::ExpandCompressedBLOB(header + oracle::blob::CompressBytes(picture), "PICTURE"),
            picture);
  EXPECT_EQ(ErrorOf([&] { oracle::ExpandCompressedBLOB(header + "\xFF\xFF\xFF\xFF", "PICTURE"); }),
            "Field PICTURE: Compressed BLOB data is corrupt: its length -1 is negative");

  // Without a codec the packed bytes are never handed out as the value.
  oracle::SetBLOBExpander(nullptr);
  EXPECT_EQ(ErrorOf([&] { oracle::ExpandCompressedBLOB(header + "xyz", "PICTURE"); }),
            "Compressed BLOB value of field PICTURE cannot be expanded");
  oracle::SetBLOBExpander([](std::string_view packed) { return "<" + std::string(packed) + ">"; });
  EXPECT_EQ(oracle::ExpandCompressedBLOB(header + "xyz", "PICTURE"), "<xyz>");
  oracle::SetBLOBExpander(
      [](std::string_view packed) { return oracle::blob::DecompressBytes(packed); });
}

}  // namespace
