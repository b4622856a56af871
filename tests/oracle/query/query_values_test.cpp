// Column information and values of the current row, by index and by name,
// with each conversion, on the host database fixture.
#include <algorithm>

#include "oracle/values/oracle_date.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/exception_text.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_query_test {
namespace {

using oracle::TDateTime;
using oracle::VarType;
using oracle_test_support::ErrorOf;

class QueryValuesTest : public StandinQueryTest {
 protected:
  // Ann (9001): every column set; Cy (9003): nulls in several columns.
  std::unique_ptr<oracle::TOracleQuery> Customer(int sid) {
    auto query = NewQuery(
        "select cust_sid, sbs_no, first_name, country, udf1_date, allow_email, notes\n"
        "from customer where cust_sid = :sid");
    query->DeclareAndSet("sid", 3, oracle::Variant::Integer(sid));
    query->Execute();
    return query;
  }
};

// LONG RAW values of every length around the piece edges (4096, then
// pieces doubling to 32768) up to 1 MiB + 1 travel as binds of their own
// length and come back in one batch, each row its own pieces.
TEST_F(QueryValuesTest, LongRawValuesOfAnyLengthComeBackInOneBatch) {
  const std::size_t sizes[] = {0,     1,     4095,  4096,  4097,  12288, 12289,  28672,
                               28673, 61440, 61441, 65535, 65536, 94209, 1048577};
  auto bytesOf = [](std::size_t size, std::size_t key) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + key);
    return bytes;
  };
  Run("create table longs (k number(5), r long raw)");
  auto insert = NewQuery("insert into longs (k, r) values (:k, :r)");
  insert->DeclareVariable("k", oracle::otype::Integer);
  insert->DeclareVariable("r", oracle::otype::LongRaw);
  for (std::size_t k = 0; k < std::size(sizes); ++k) {
    insert->SetVariable("k", oracle::Variant::Integer(static_cast<int32_t>(k)));
    insert->SetVariable("r", oracle::Variant::ByteArray(bytesOf(sizes[k], k)));
    insert->Execute();
  }
  RoundTrips::Reset();
  auto select = NewQuery("select k, r from longs order by k");
  select->Execute();
  EXPECT_EQ(select->FieldType(1), oracle::otype::LongRaw);
  EXPECT_EQ(ErrorOf([&] { select->GetLongField(0, nullptr, 1, 0); }), "Field 0 is not a Long");
  std::size_t rows = 0;
  for (; !select->Eof(); select->Next(), ++rows) {
    const auto k = static_cast<std::size_t>(select->FieldAsInteger(0));
    SCOPED_TRACE(sizes[k]);
    const std::vector<uint8_t> expected = bytesOf(sizes[k], k);
    const oracle::Variant value = select->Field(1);
    if (expected.empty()) {
      EXPECT_TRUE(value.IsEmptyOrNull());  // an empty LONG RAW is null
      continue;
    }
    ASSERT_TRUE(value.IsArray());
    EXPECT_TRUE(value.Array().bytes == expected);
    EXPECT_EQ(select->FieldAsString(1), std::string(expected.begin(), expected.end()));
    for (const std::size_t offset : {std::size_t{0}, std::size_t{4095}, std::size_t{4096},
                                     std::size_t{61439}, sizes[k] - 1, sizes[k]}) {
      if (offset > sizes[k]) continue;
      uint8_t part[10] = {};
      const int32_t copied = select->GetLongField(1, part, 10, static_cast<int32_t>(offset));
      const std::size_t want = std::min<std::size_t>(10, sizes[k] - offset);
      ASSERT_EQ(static_cast<std::size_t>(copied), want) << offset;
      EXPECT_TRUE(std::equal(part, part + want, expected.begin() + static_cast<long>(offset)));
    }
  }
  EXPECT_EQ(rows, std::size(sizes));
  EXPECT_EQ(RoundTrips::fetches, 1);  // every row in one round trip
}

TEST_F(QueryValuesTest, DescribedColumnsAndBufferTypes) {
  auto query = Customer(9001);
  ASSERT_EQ(query->FieldCount(), 7);
  EXPECT_EQ(query->FieldName(2), "FIRST_NAME");
  EXPECT_EQ(query->FieldIndex("first_name"), 2);
  EXPECT_EQ(query->FieldIndex("Country"), 3);
  EXPECT_EQ(query->FieldIndex("missing"), -1);
  // NUMBER(19) does not fit an integer; floats have no precision limit.
  EXPECT_EQ(query->FieldType(0), 4);
  EXPECT_EQ(query->FieldSize(0), 8);
  EXPECT_EQ(query->FieldType(1), 3);  // NUMBER(5)
  EXPECT_EQ(query->FieldPrecision(1), 5);
  EXPECT_EQ(query->FieldType(2), 5);  // VARCHAR2(30)
  EXPECT_EQ(query->FieldSize(2), 30);
  EXPECT_EQ(query->FieldOracleType(3), 96);  // CHAR(2)
  EXPECT_EQ(query->FieldSize(3), 2);
  EXPECT_EQ(query->FieldType(4), 12);  // DATE
  EXPECT_FALSE(query->FieldOptional(0));
  EXPECT_TRUE(query->FieldOptional(2));
}

TEST_F(QueryValuesTest, NumberVarcharCharAndDateByIndexAndByName) {
  auto query = Customer(9001);
  EXPECT_EQ(query->FieldAsString(0), "9001");
  EXPECT_EQ(query->FieldAsInteger("cust_sid"), 9001);
  EXPECT_EQ(query->FieldAsFloat(0), 9001.0);
  EXPECT_EQ(query->Field(1).Type(), VarType::Integer);
  EXPECT_EQ(query->FieldAsInteger(1), 1);
  EXPECT_EQ(query->FieldAsString("SBS_NO"), "1");
  EXPECT_EQ(query->FieldAsFloat("sbs_no"), 1.0);
  EXPECT_EQ(query->FieldAsString(2), "Ann");
  EXPECT_EQ(query->FieldByName("first_name").ToText(), "Ann");
  EXPECT_EQ(query->FieldAsString("country"), "US");
  const TDateTime march1 = oracle::EncodeDate(2024, 3, 1);
  EXPECT_EQ(query->FieldAsDate(4), march1);
  EXPECT_EQ(query->FieldAsDate("UDF1_DATE"), march1);
  EXPECT_EQ(query->Field(4).Type(), VarType::Date);
  // Midnight shows the date alone.
  EXPECT_EQ(query->FieldAsString(4), "2024-03-01");
  // Text that is not a number or a date does not convert.
  EXPECT_EQ(ErrorOf([&] { query->FieldAsInteger(2); }),
            "Cannot convert field FIRST_NAME to an Integer");
  EXPECT_EQ(ErrorOf([&] { query->FieldAsDate("first_name"); }),
            "Cannot convert field FIRST_NAME to a Date");
  EXPECT_EQ(ErrorOf([&] { query->FieldAsFloat(3); }), "Cannot convert field COUNTRY to a Float");
}

TEST_F(QueryValuesTest, DateWithATimeShowsTheTime) {
  auto query = NewQuery("select created_date from invoice_v where invc_sid = 7002");
  query->Execute();
  EXPECT_EQ(query->FieldAsString(0), "2024-05-03 16:40:30");
  oracle::TDateTimeParts parts = oracle::DecodeDateTime(query->FieldAsDate(0));
  EXPECT_EQ(parts.hour, 16);
  EXPECT_EQ(parts.second, 30);
}

TEST_F(QueryValuesTest, NullsByTheSessionsNullValue) {
  auto query = Customer(9003);
  EXPECT_TRUE(query->FieldIsNull(3));
  EXPECT_TRUE(query->FieldIsNull("udf1_date"));
  EXPECT_FALSE(query->FieldIsNull("notes"));
  EXPECT_EQ(query->Field(3).Type(), VarType::Empty);
  EXPECT_EQ(query->FieldByName("allow_email").Type(), VarType::Empty);
  EXPECT_EQ(query->FieldAsString(3), "");
  EXPECT_EQ(query->FieldAsInteger("allow_email"), 0);
  EXPECT_EQ(query->FieldAsFloat(5), 0.0);
  EXPECT_EQ(query->FieldAsDate(4), 0.0);
  session_->SetNullValue(oracle::TNullValue::nvNull);
  EXPECT_EQ(query->Field(3).Type(), VarType::Null);
  EXPECT_EQ(query->FieldByName("udf1_date").Type(), VarType::Null);
}

TEST_F(QueryValuesTest, FieldsBeyondEofAndUnknownNames) {
  auto query = Customer(9002);
  EXPECT_EQ(ErrorOf([&] { query->Field(7); }), "Field 7 does not exist");
  EXPECT_EQ(ErrorOf([&] { query->FieldAsString(-1); }), "Field -1 does not exist");
  EXPECT_EQ(ErrorOf([&] { query->FieldByName("nope"); }), "Field nope does not exist");
  EXPECT_EQ(query->FieldIndex("nope"), -1);
  query->Next();
  ASSERT_TRUE(query->Eof());
  EXPECT_EQ(ErrorOf([&] { query->Field(0); }), "You cannot access field data beyond Eof");
  EXPECT_EQ(ErrorOf([&] { query->FieldAsString("first_name"); }),
            "You cannot access field data beyond Eof");
  EXPECT_EQ(ErrorOf([&] { query->FieldIsNull(0); }), "You cannot access field data beyond Eof");
  // What describe said stays readable.
  EXPECT_EQ(query->FieldName(2), "FIRST_NAME");
}

TEST_F(QueryValuesTest, StringFieldsOnlyFetchesEveryColumnAsText) {
  auto query = NewQuery("select sbs_no, created_date from invoice_v where invc_sid = 7001");
  query->SetStringFieldsOnly(true);
  query->Execute();
  EXPECT_EQ(query->FieldType(0), 5);
  EXPECT_EQ(query->FieldType(1), 5);
  EXPECT_EQ(query->FieldAsInteger(0), 1);
  EXPECT_FALSE(query->FieldAsString(1).empty());
}

TEST_F(QueryValuesTest, DecimalsAreFloats) {
  auto query = NewQuery("select amt from invc_tender where invc_sid = 7002");
  query->Execute();
  EXPECT_EQ(query->FieldType(0), 4);
  EXPECT_EQ(query->FieldAsFloat(0), 5.0);
  EXPECT_EQ(query->FieldAsString(0), "5");
  auto price = NewQuery("select price from so_item_v where so_sid = 5002");
  price->Execute();
  EXPECT_DOUBLE_EQ(price->FieldAsFloat("price"), 19.99);
  EXPECT_EQ(price->FieldAsString(0), "19.99");
  EXPECT_EQ(price->FieldAsInteger(0), 20);
  // A whole number past the 4-byte range does not read as an Integer.
  auto wide = NewQuery("select 3000000000, -2147483648 from dual");
  wide->Execute();
  EXPECT_EQ(ErrorOf([&] { wide->FieldAsInteger(0); }),
            "Cannot convert field 3000000000 to an Integer");
  EXPECT_EQ(wide->FieldAsInteger(1), -2147483648);
}

TEST_F(QueryValuesTest, FetchedTextTakesCrLfLineEndsOnlyWhileTheSessionConvertsThem) {
  Run("create table notes (body varchar2(40))");
  Run("insert into notes values ('one\ntwo\n\nthree\n')");
  auto query = NewQuery("select body from notes");
  query->Execute();
  ASSERT_TRUE(session_->Preferences().ConvertCRLF());  // the default
  EXPECT_EQ(query->FieldAsString(0), "one\r\ntwo\r\n\r\nthree\r\n");

  // The setting is read at each read, on the row already fetched.
  session_->Preferences().SetConvertCRLF(false);
  EXPECT_EQ(query->FieldAsString(0), "one\ntwo\n\nthree\n");
}

}  // namespace
}  // namespace oracle_query_test

#endif  // STANDIN_ORACLE_HOME
