#include "oracle/values/variables_stream.h"

#include <gtest/gtest.h>

#include "fake_session.h"
#include "oracle/values/type_codes.h"
#include "oracle/values/variables.h"
#include "oracle_fixture/exception_text.h"

namespace oracle {
namespace {

using testing::FakeQuery;
using Stream = std::vector<uint8_t>;

// Little-endian building blocks of a stream.
void Int(Stream& s, std::initializer_list<int32_t> values) {
  for (int32_t v : values)
    for (int i = 0; i < 4; ++i)
      s.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}
void Wide(Stream& s, std::u16string_view name) {
  Int(s, {static_cast<int32_t>(name.size() * 2)});
  for (char16_t c : name) {
    s.push_back(static_cast<uint8_t>(c & 0xFF));
    s.push_back(static_cast<uint8_t>(c >> 8));
  }
}
void Narrow(Stream& s, std::string_view name) {
  Int(s, {static_cast<int32_t>(name.size())});
  s.insert(s.end(), name.begin(), name.end());
}

std::string ErrorOf(TVariables& vars, const Stream& stream) {
  return oracle_test_support::ErrorOf([&] { ReadVariablesData(vars, stream); });
}

TEST(VariablesStream, IntegerVariableByteForByte) {
  TVariables vars;
  vars.Declare(":ID", otype::Integer).SetValue(0, Variant::Integer(5), nullptr);
  const Stream expected = {4,   0, 0,   0,                // version
                           1,   0, 0,   0,                // count
                           6,   0, 0,   0,                // name bytes
                           ':', 0, 'I', 0, 'D', 0,        // name, UTF-16LE
                           3,   0, 0,   0,                // type
                           4,   0, 0,   0, 5,   0, 0, 0,  // value length and bytes
                           0,   0, 0,   0};               // not a PL/SQL table
  EXPECT_EQ(WriteVariablesData(vars), expected);
}

TEST(VariablesStream, TextValuesCarryTheirTerminatingZeroNullsNoneAndTablesTheirSizes) {
  TVariables vars;
  vars.Declare(":S", otype::String);
  vars.Declare(":T", otype::String).SetValue(0, Variant::String("ab"), nullptr);
  vars.DeclarePLSQLTable(":TAB", otype::String, 3, 10).SetValue(0, Variant::String("x"), nullptr);
  Stream expected;
  Int(expected, {4, 3});
  Wide(expected, u":S");
  Int(expected, {5, 0, 0});  // a null: no value bytes
  Wide(expected, u":T");
  Int(expected, {5, 3});
  expected.insert(expected.end(), {'a', 'b', 0});
  Int(expected, {0});
  Wide(expected, u":TAB");
  Int(expected, {5, 2});
  expected.insert(expected.end(), {'x', 0});
  Int(expected, {1, 3, 10});  // a table of 3 strings of 10
  EXPECT_EQ(WriteVariablesData(vars), expected);

  FakeQuery query;
  TVariables back(&query);
  ReadVariablesData(back, expected);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_TRUE(back.Data(0).IsNull(0));
  EXPECT_EQ(query.changes, 1) << "one change notice for the whole read";
}

TEST(VariablesStream, EveryPlainTypeRoundTrips) {
  FakeQuery q1;
  TVariables vars(&q1);
  const TDateTime when = EncodeDateTime({2012, 12, 21, 11, 12, 13, 0});
  vars.Declare("i", otype::Integer).SetValue(0, Variant::Integer(-7), nullptr);
  vars.Declare("f", otype::Float).SetValue(0, Variant::Double(3.25), nullptr);
  vars.Declare("d", otype::Date).SetValue(0, Variant::Date(when), nullptr);
  vars.Declare("s", otype::String)
      .SetValue(0, Variant::String("\u00e9t\u00e9 \U0001F600"), nullptr);
  vars.Declare("sub", otype::Varchar2).SetValue(0, Variant::String("emp"), nullptr);
  vars.Declare("l", otype::Long).SetValue(0, Variant::String(std::string(70000, 'L')), nullptr);
  vars.Declare("r", otype::LongRaw).SetValue(0, Variant::ByteArray({0, 9, 0}), nullptr);
  vars.Declare("p", otype::PLSQLString).SetValue(0, Variant::String("plsql"), nullptr);
  vars.Declare("z", otype::CharZ).SetValue(0, Variant::String("cz"), nullptr);
  vars.Declare("n\u00e4me", otype::Integer);
  vars.DeclarePLSQLTable("dates", otype::Date, 5, 0).SetValue(0, Variant::Date(when), nullptr);

  FakeQuery q2;
  TVariables back(&q2);
  ReadVariablesData(back, WriteVariablesData(vars));
  ASSERT_EQ(back.Count(), vars.Count());
  for (int32_t i = 0; i < vars.Count(); ++i) {
    const TVariableData& a = vars.Data(i);
    const TVariableData& b = back.Data(i);
    EXPECT_EQ(b.Name(), a.Name());
    EXPECT_EQ(b.DataType(), a.DataType());
    EXPECT_EQ(b.IsPLSQLTable(), a.IsPLSQLTable());
    EXPECT_EQ(b.ArraySize(), a.ArraySize());
    EXPECT_EQ(b.GetValue(0, nullptr), a.GetValue(0, nullptr)) << a.Name();
  }
  EXPECT_EQ(WriteVariablesData(back), WriteVariablesData(vars));
}

TEST(VariablesStream, OlderVersionsHaveEightBitNamesAndFewerParts) {
  Stream v1;
  Int(v1, {1, 1});
  Narrow(v1, ":A");
  Int(v1, {otype::Integer});
  TVariables vars;
  ReadVariablesData(vars, v1);
  ASSERT_EQ(vars.Count(), 1);
  EXPECT_TRUE(vars.Data(0).IsNull(0));

  Stream v2;
  Int(v2, {2, 1});
  Narrow(v2, ":caf\xe9");  // Latin-1 name
  Int(v2, {otype::Integer, 4, 1234});
  ReadVariablesData(vars, v2);
  ASSERT_EQ(vars.Count(), 1);
  EXPECT_EQ(vars.Data(0).Name(), ":CAF\u00e9");
  EXPECT_EQ(vars.Data(0).GetValue(0, nullptr), Variant::Integer(1234));

  Stream v3;
  Int(v3, {3, 1});
  Narrow(v3, ":T");
  Int(v3, {otype::Float, 0, 1, 7, 0});
  ReadVariablesData(vars, v3);
  EXPECT_TRUE(vars.Data(0).IsPLSQLTable());
  EXPECT_EQ(vars.Data(0).ArraySize(), 7);
}

class RejectedStream : public ::testing::Test {
 protected:
  void SetUp() override {
    vars.Declare("before", otype::Integer).SetValue(0, Variant::Integer(1), nullptr);
    query.changes = 0;
  }
  // The collection still holds exactly what it held before.
  void ExpectUnchanged() {
    ASSERT_EQ(vars.Count(), 1);
    EXPECT_EQ(vars.Data(0).Name(), ":BEFORE");
    EXPECT_EQ(vars.Data(0).GetValue(0, nullptr), Variant::Integer(1));
    EXPECT_EQ(query.changes, 0);
  }
  FakeQuery query;
  TVariables vars{&query};
};

TEST_F(RejectedStream, EveryTruncation) {
  TVariables source;
  source.Declare("a", otype::String).SetValue(0, Variant::String("text"), nullptr);
  source.DeclarePLSQLTable("b", otype::Integer, 2, 0).SetValue(0, Variant::Integer(3), nullptr);
  const Stream full = WriteVariablesData(source);
  for (std::size_t n = 0; n < full.size(); ++n) {
    const Stream cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(ErrorOf(vars, cut).rfind("Corrupt stream of Query variables", 0), 0u) << n;
    ExpectUnchanged();
  }
  Stream longer = full;
  longer.push_back(0);
  EXPECT_EQ(ErrorOf(vars, longer),
            "Corrupt stream of Query variables: bytes after the last variable");
  ExpectUnchanged();
}

TEST_F(RejectedStream, LengthsThatDoNotFit) {
  auto stream = [](int32_t type, int32_t valueLength, std::size_t valueBytes) {
    Stream s;
    Int(s, {4, 1});
    Wide(s, u":X");
    Int(s, {type, valueLength});
    s.insert(s.end(), valueBytes, 'v');
    Int(s, {0});
    return s;
  };
  // An integer value must be exactly its four bytes.
  EXPECT_EQ(ErrorOf(vars, stream(otype::Integer, 8, 8)),
            "Corrupt stream of Query variables: value of 8 bytes does not fit variable :X "
            "(4 bytes)");
  EXPECT_NE(ErrorOf(vars, stream(otype::Date, 3, 3)).find("does not fit"), std::string::npos);
  // A string longer than its buffer.
  EXPECT_NE(ErrorOf(vars, stream(otype::String, 5000, 5000)).find("does not fit"),
            std::string::npos);
  // A length beyond the end of the stream, a negative one, one past 2 GB.
  EXPECT_EQ(ErrorOf(vars, stream(otype::String, 100, 3)).rfind("Corrupt stream", 0), 0u);
  EXPECT_EQ(ErrorOf(vars, stream(otype::String, -1, 0)),
            "Corrupt stream of Query variables: negative length of value of variable 0");
  EXPECT_EQ(ErrorOf(vars, stream(otype::Integer, 0x7FFFFFFF, 0)).rfind("Corrupt stream", 0), 0u);
  // A value for a variable that holds an object.
  EXPECT_NE(ErrorOf(vars, stream(otype::BLOB, 4, 4)).find("complex variable :X"),
            std::string::npos);
  ExpectUnchanged();
}

TEST_F(RejectedStream, NamesTypesAndTablesThatCannotBeDeclared) {
  auto stream = [](auto writeName, int32_t type, std::vector<int32_t> table) {
    Stream s;
    Int(s, {4, 1});
    writeName(s);
    Int(s, {type, 0});
    for (int32_t v : table) Int(s, {v});
    return s;
  };
  auto name = [](std::u16string_view n) { return [n](Stream& s) { Wide(s, n); }; };
  EXPECT_EQ(ErrorOf(vars, stream(name(u":X"), 77, {0})), "Unsupported variable type");
  EXPECT_EQ(ErrorOf(vars, stream(name(u":"), otype::Integer, {0})),
            "You cannot declare a variable with an empty name");
  EXPECT_EQ(ErrorOf(vars, stream(name(std::u16string(1, char16_t(0xD800))), 3, {0})),
            "Corrupt stream of Query variables: malformed UTF-16 name");
  EXPECT_EQ(ErrorOf(vars, stream([](Stream& s) { Narrow(s, ":XY"); }, 3, {0})),
            "Corrupt stream of Query variables: odd byte length of a UTF-16 name");
  EXPECT_EQ(ErrorOf(vars, stream(name(u":X"), 3, {2})),
            "Corrupt stream of Query variables: table flag of variable 0 is neither 0 nor 1");
  EXPECT_EQ(ErrorOf(vars, stream(name(u":X"), otype::Integer, {1, 0, 0})),
            "You must specify the size of the PL/SQL Table");
  EXPECT_EQ(ErrorOf(vars, stream(name(u":X"), otype::String, {1, 5, 0})),
            "You must specify a string size for a PL/SQL Table of strings");
  EXPECT_EQ(ErrorOf(vars, stream(name(u":X"), otype::String, {1, 0x7FFFFFFF, 4000})),
            "Corrupt stream of Query variables: PL/SQL Table of variable 0 too large");
  EXPECT_EQ(ErrorOf(vars, stream(name(u":X"), 0x10003, {0})),
            "Corrupt stream of Query variables: type code of variable 0");
  ExpectUnchanged();
}

TEST_F(RejectedStream, BadVersionsAndNegativeCounts) {
  const struct {
    int32_t version, count;
    const char* error;
  } cases[] = {{5, 0, "Invalid version of Query variables"},
               {0, 0, "Corrupt stream of Query variables: version 0"},
               {4, -1, "Corrupt stream of Query variables: negative count"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    Stream s;
    Int(s, {c.version, c.count});
    EXPECT_EQ(ErrorOf(vars, s), c.error);
    ExpectUnchanged();
  }
}

}  // namespace
}  // namespace oracle
