// The column-to-field mapping and the BLOB helpers, as pure functions.
#include <gtest/gtest.h>

#include <string>

#include "oracle/blob/blob_compression.h"
#include "oracle/dataset/dataset.h"
#include "oracle/dataset/dataset_blobs.h"
#include "oracle/dataset/dataset_field_types.h"

namespace {

using dataset::TFieldType;
using oracle::FieldTypeForColumn;
using oracle::TColumnFieldType;
using oracle::TConvertUTF;
using oracle::TFieldTypeRules;

struct MappingCase {
  const char* what;
  int fetchType;
  int size;
  int precision;
  bool national;
  bool wide;
  TFieldTypeRules rules;
  TColumnFieldType expected;
};

class ColumnMapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(ColumnMapping, GivesTheFieldOfTheTable) {
  const MappingCase& c = GetParam();
  EXPECT_EQ(FieldTypeForColumn(c.fetchType, c.size, c.precision, c.national, c.wide, c.rules),
            c.expected)
      << c.what;
}

const TFieldTypeRules kDefaults{};

INSTANTIATE_TEST_SUITE_P(
    Table, ColumnMapping,
    ::testing::Values(
        MappingCase{"NUMBER(4), SmallIntPrecision 4",
                    3,
                    4,
                    4,
                    false,
                    false,
                    {4, 0},
                    {true, TFieldType::ftSmallint, 0}},
        MappingCase{"NUMBER(4), default -1",
                    3,
                    4,
                    4,
                    false,
                    false,
                    kDefaults,
                    {true, TFieldType::ftInteger, 0}},
        MappingCase{"NUMBER(5), SmallIntPrecision 0 counts as 4",
                    3,
                    4,
                    5,
                    false,
                    false,
                    {0, 0},
                    {true, TFieldType::ftInteger, 0}},
        MappingCase{"NUMBER(4), SmallIntPrecision 0 counts as 4",
                    3,
                    4,
                    4,
                    false,
                    false,
                    {0, 0},
                    {true, TFieldType::ftSmallint, 0}},
        MappingCase{"float", 4, 8, 12, false, false, kDefaults, {true, TFieldType::ftFloat, 0}},
        MappingCase{
            "VARCHAR2(30)", 5, 30, 0, false, false, kDefaults, {true, TFieldType::ftString, 30}},
        MappingCase{"VARCHAR2(4000), MaxStringFieldSize 2000",
                    5,
                    4000,
                    0,
                    false,
                    false,
                    {-1, 2000},
                    {true, TFieldType::ftMemo, 0}},
        MappingCase{"VARCHAR2(2000), MaxStringFieldSize 2000",
                    5,
                    2000,
                    0,
                    false,
                    false,
                    {-1, 2000},
                    {true, TFieldType::ftString, 2000}},
        MappingCase{"wide text never becomes a memo",
                    5,
                    4000,
                    0,
                    false,
                    true,
                    {-1, 2000},
                    {true, TFieldType::ftWideString, 4000}},
        MappingCase{"national, not wide: doubled",
                    5,
                    10,
                    0,
                    true,
                    false,
                    kDefaults,
                    {true, TFieldType::ftString, 20}},
        MappingCase{"national and wide",
                    5,
                    10,
                    0,
                    true,
                    true,
                    kDefaults,
                    {true, TFieldType::ftWideString, 10}},
        MappingCase{"empty text column is one character",
                    5,
                    0,
                    0,
                    false,
                    false,
                    kDefaults,
                    {true, TFieldType::ftString, 1}},
        MappingCase{"LONG", 8, 0, 0, false, false, kDefaults, {true, TFieldType::ftMemo, 0}},
        MappingCase{"DATE", 12, 7, 0, false, false, kDefaults, {true, TFieldType::ftDateTime, 0}},
        MappingCase{
            "TIMESTAMP", 187, 4, 0, false, false, kDefaults, {true, TFieldType::ftDateTime, 0}},
        MappingCase{"TIMESTAMP WITH TIME ZONE",
                    188,
                    4,
                    0,
                    false,
                    false,
                    kDefaults,
                    {true, TFieldType::ftDateTime, 0}},
        MappingCase{"TIMESTAMP WITH LOCAL TIME ZONE",
                    232,
                    4,
                    0,
                    false,
                    false,
                    kDefaults,
                    {true, TFieldType::ftDateTime, 0}},
        MappingCase{"LONG RAW", 24, 0, 0, false, false, kDefaults, {true, TFieldType::ftBlob, 0}},
        MappingCase{"REF", 110, 0, 0, false, false, kDefaults, {true, TFieldType::ftString, 256}},
        MappingCase{"CLOB", 112, 0, 0, false, false, kDefaults, {true, TFieldType::ftOraClob, 0}},
        MappingCase{"BLOB", 113, 0, 0, false, false, kDefaults, {true, TFieldType::ftOraBlob, 0}},
        MappingCase{"BFILE", 114, 0, 0, false, false, kDefaults, {true, TFieldType::ftOraBlob, 0}},
        MappingCase{"object: attributes only", 108, 0, 0, false, false, kDefaults, {}},
        MappingCase{"cursor", 116, 0, 0, false, false, kDefaults, {}},
        MappingCase{"VARCHAR (9)", 9, 10, 0, false, false, kDefaults, {}},
        MappingCase{"ROWID (11)", 11, 18, 0, false, false, kDefaults, {}}));

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
  try {
    oracle::ExpandCompressedBLOB(header + "\xFF\xFF\xFF\xFF", "PICTURE");
    FAIL() << "expected an exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(),
                 "Field PICTURE: Compressed BLOB data is corrupt: its length -1 is negative");
  }

  // Without a codec the packed bytes are never handed out as the value.
  oracle::SetBLOBExpander(nullptr);
  try {
    oracle::ExpandCompressedBLOB(header + "xyz", "PICTURE");
    FAIL() << "expected an exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Compressed BLOB value of field PICTURE cannot be expanded");
  }
  oracle::SetBLOBExpander([](std::string_view packed) { return "<" + std::string(packed) + ">"; });
  EXPECT_EQ(oracle::ExpandCompressedBLOB(header + "xyz", "PICTURE"), "<xyz>");
  oracle::SetBLOBExpander(
      [](std::string_view packed) { return oracle::blob::DecompressBytes(packed); });
}

}  // namespace
