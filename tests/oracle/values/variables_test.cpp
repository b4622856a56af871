#include "oracle/values/variables.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fake_session.h"
#include "oracle/values/complex_object.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/exception_text.h"

namespace oracle {
namespace {

using testing::FakeQuery;
using testing::FakeSession;

using oracle_test_support::ErrorOf;

struct SomeObject : TComplexObject {};

TEST(VariableDeclaration, BufferSizesFollowTheType) {
  EXPECT_EQ(DeclaredBufferSize(":X", otype::Varchar2), 0);
  EXPECT_EQ(DeclaredBufferSize(":X", otype::Integer), 4);
  EXPECT_EQ(DeclaredBufferSize(":X", otype::Float), 8);
  EXPECT_EQ(DeclaredBufferSize(":X", otype::String), 4001);
  EXPECT_EQ(DeclaredBufferSize(":my_rowid", otype::String), 501);
  EXPECT_EQ(DeclaredBufferSize(":X", otype::PLSQLString), 32513);
  EXPECT_EQ(DeclaredBufferSize(":X", otype::Date), 7);
  EXPECT_EQ(DeclaredBufferSize(":X", otype::CharZ), 4001);
  EXPECT_EQ(DeclaredBufferSize(":X", otype::BLOB), 0);
  EXPECT_EQ(ErrorOf([] { DeclaredBufferSize(":X", 2); }), "Unsupported variable type");
}

TEST(VariableDeclaration, NamesAreUpperCasedWithOneColonAndRedeclaringKeepsTheIndex) {
  FakeQuery query;
  TVariables vars(&query);
  vars.Declare("empno", otype::Integer);
  vars.Declare(":Ename", otype::String);
  EXPECT_EQ(vars.Data(0).Name(), ":EMPNO");
  EXPECT_EQ(vars.Data(1).Name(), ":ENAME");
  EXPECT_EQ(vars.IndexOf("EmpNo"), 0);
  EXPECT_EQ(vars.IndexOf(":ename"), 1);
  EXPECT_EQ(vars.IndexOf("missing"), -1);
  EXPECT_EQ(query.changes, 2);
  EXPECT_EQ(ErrorOf([&] { vars.Data(2); }), "Variable 2 does not exist");
  EXPECT_EQ(ErrorOf([&] { vars.Declare(":", otype::Integer); }),
            "You cannot declare a variable with an empty name");
  // Redeclaring keeps the index; an unsupported type changes nothing.
  vars.Declare("EMPNO", otype::String);
  EXPECT_EQ(ErrorOf([&] { vars.Declare("ename", 99); }), "Unsupported variable type");
  ASSERT_EQ(vars.Count(), 2);
  EXPECT_EQ(vars.Data(0).DataType(), otype::String);
  EXPECT_EQ(vars.Data(1).DataType(), otype::String);
}

TEST(VariableValues, NewVariablesAreNullAndIndexesOutsideTheArrayAreRefused) {
  TVariableData v(":N", otype::Integer);
  EXPECT_TRUE(v.IsNull(0));
  EXPECT_EQ(v.Indicators()[0], -1);
  EXPECT_EQ(v.ArraySize(), 1);
  EXPECT_TRUE(v.IsFixedType());
  EXPECT_TRUE(v.GetValue(0, nullptr).IsEmpty());
  FakeSession session;
  session.nullIsNull = true;
  EXPECT_TRUE(v.GetValue(0, &session).IsNull());
  EXPECT_EQ(v.DisplayText(nullptr), "Null");
  EXPECT_EQ(ErrorOf([&] { v.SetValue(1, Variant::Integer(1), nullptr); }),
            "Index 1 out of range for variable :N");
  EXPECT_EQ(ErrorOf([&] { v.GetValue(-1, nullptr); }), "Index -1 out of range for variable :N");
}

TEST(VariableValues, IntegersAndFloats) {
  TVariableData i(":I", otype::Integer);
  i.SetValue(0, Variant::Integer(-42), nullptr);
  int32_t raw;
  std::memcpy(&raw, i.Buffer(), 4);
  EXPECT_EQ(raw, -42);
  EXPECT_EQ(i.GetValue(0, nullptr), Variant::Integer(-42));
  i.SetValue(0, Variant::String(" 17 "), nullptr);
  EXPECT_EQ(i.DisplayText(nullptr), "17");
  i.SetValue(0, Variant::Double(2.5), nullptr);  // rounds half to even
  EXPECT_EQ(i.GetValue(0, nullptr), Variant::Integer(2));
  EXPECT_EQ(ErrorOf([&] { i.SetValue(0, Variant::String("abc"), nullptr); }),
            "Variant conversion error for variable :I");
  EXPECT_EQ(ErrorOf([&] { i.SetValue(0, Variant::Int64(1LL << 40), nullptr); }),
            "Variant conversion error for variable :I");
  EXPECT_EQ(i.GetValue(0, nullptr), Variant::Integer(2));  // unchanged by the failures

  TVariableData f(":F", otype::Float);
  f.SetValue(0, Variant::Currency(12345), nullptr);
  EXPECT_EQ(f.GetValue(0, nullptr), Variant::Double(1.2345));
  f.SetValue(0, Variant::String("1e3"), nullptr);
  EXPECT_EQ(f.DisplayText(nullptr), "1000");
  EXPECT_EQ(ErrorOf([&] {
              f.SetValue(0, Variant::ByteArray({1, 2}), nullptr);
            }),
            "Variant conversion error for variable :F");
}

TEST(VariableValues, StringsAreZeroTerminatedAndMustFit) {
  TVariableData s(":S", otype::String);
  s.SetValue(0, Variant::String("hello"), nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Buffer())), "hello");
  EXPECT_EQ(s.GetValue(0, nullptr), Variant::String("hello"));
  s.SetValue(0, Variant::OleStr(u"w\u00e9"), nullptr);
  EXPECT_EQ(s.ElementText(0), "w\u00e9");
  s.SetValue(0, Variant::String(std::string(4000, 'x')), nullptr);  // 4000 + zero fits
  EXPECT_EQ(s.ElementText(0).size(), 4000u);
  EXPECT_EQ(ErrorOf([&] { s.SetValue(0, Variant::String(std::string(4001, 'y')), nullptr); }),
            "Value too long for variable :S");
  EXPECT_EQ(s.ElementText(0), std::string(4000, 'x'));  // the old value stays

  TVariableData rowid(":ROWID", otype::String);
  EXPECT_EQ(ErrorOf([&] { rowid.SetValue(0, Variant::String(std::string(501, 'r')), nullptr); }),
            "Value too long for variable :ROWID");
}

TEST(VariableValues, TextLosesCarriageReturnsOnTheWayInUnlessTheSessionSaysNo) {
  TVariableData s(":S", otype::String);
  s.SetValue(0, Variant::String("a\r\nb"), nullptr);
  EXPECT_EQ(s.ElementText(0), "a\nb");
  EXPECT_EQ(s.GetValue(0, nullptr), Variant::String("a\r\nb"));
  FakeSession session;
  session.convertCRLF = false;
  s.SetValue(0, Variant::String("c\r\nd"), &session);
  EXPECT_EQ(s.ElementText(0), "c\r\nd");
  s.SetValue(0, Variant::String("e\nf"), &session);
  EXPECT_EQ(s.GetValue(0, &session), Variant::String("e\nf"));
}

TEST(VariableValues, Varchar2AndLongReplaceTheirBuffer) {
  TVariableData v(":SUBST", otype::Varchar2);
  EXPECT_EQ(v.Buffer(), nullptr);
  v.SetValue(0, Variant::String("emp"), nullptr);
  EXPECT_EQ(v.BufferSize(), 3);
  EXPECT_EQ(v.ValueLength(), 3);
  EXPECT_EQ(v.GetValue(0, nullptr), Variant::String("emp"));
  v.SetValue(0, Variant::Null(), nullptr);
  EXPECT_EQ(v.Buffer(), nullptr);
  EXPECT_TRUE(v.IsNull(0));

  TVariableData l(":L", otype::Long);
  const std::string big(100000, 'z');
  l.SetValue(0, Variant::String(big), nullptr);
  EXPECT_EQ(l.ValueLength(), 100000);
  EXPECT_EQ(l.GetValue(0, nullptr), Variant::String(big));
  EXPECT_EQ(l.DisplayText(nullptr), "(Long)");
}

TEST(VariableValues, DatesAndZeroDates) {
  TVariableData d(":D", otype::Date);
  const TDateTime when = EncodeDateTime({1999, 12, 31, 23, 59, 58, 0});
  d.SetValue(0, Variant::Date(when), nullptr);
  EXPECT_EQ(std::vector<uint8_t>(d.Buffer(), d.Buffer() + 7),
            (std::vector<uint8_t>{119, 199, 12, 31, 24, 60, 59}));
  EXPECT_EQ(d.GetValue(0, nullptr), Variant::Date(when));
  EXPECT_EQ(d.DisplayText(nullptr), "1999-12-31 23:59:58");
  d.SetValue(0, Variant::String("2001-02-03"), nullptr);
  EXPECT_EQ(d.DisplayText(nullptr), "2001-02-03");

  d.SetValue(0, Variant::Date(0), nullptr);  // without a session a zero date is null
  EXPECT_TRUE(d.IsNull(0));
  FakeSession session;
  session.zeroDateIsNull = false;
  d.SetValue(0, Variant::Date(0), &session);
  EXPECT_FALSE(d.IsNull(0));
  EXPECT_EQ(d.DisplayText(&session), "1899-12-30");

  EXPECT_EQ(ErrorOf([&] { d.SetValue(0, Variant::Date(-700000), nullptr); }),
            "Variant conversion error for variable :D");
  EXPECT_EQ(ErrorOf([&] { d.SetValue(0, Variant::String("31.12.1999"), nullptr); }),
            "Variant conversion error for variable :D");
}

TEST(VariableValues, LongRawTakesOneDimensionalByteArraysAndStrings) {
  TVariableData r(":RAW", otype::LongRaw);
  r.SetValue(0, Variant::ByteArray({0, 1, 255}), nullptr);
  EXPECT_EQ(r.ValueLength(), 3);
  EXPECT_EQ(r.GetValue(0, nullptr), Variant::ByteArray({0, 1, 255}));
  r.SetValue(0, Variant::String(std::string("a\r\n\0b", 5)), nullptr);  // byte for byte
  EXPECT_EQ(r.GetValue(0, nullptr), Variant::ByteArray({'a', '\r', '\n', 0, 'b'}));
  const Variant twoDims = Variant::ByteArray({{0, 2}, {0, 2}}, {1, 2, 3, 4});
  EXPECT_EQ(ErrorOf([&] { r.SetValue(0, twoDims, nullptr); }),
            "Only one-dimensional array of bytes allowed for :RAW");
  EXPECT_EQ(ErrorOf([&] { r.SetValue(0, Variant::VariantArray({Variant::Integer(1)}), nullptr); }),
            "Only one-dimensional array of bytes allowed for :RAW");
  EXPECT_EQ(r.DisplayText(nullptr), "(Long Raw)");
}

TEST(VariableValues, ComplexVariablesTakeObjectReferences) {
  SomeObject object;
  TVariableData lob(":DOC", otype::CLOB);
  lob.SetValue(0, Variant::Object(&object), nullptr);
  EXPECT_EQ(lob.Object(), &object);
  EXPECT_FALSE(lob.IsNull(0));
  EXPECT_EQ(lob.GetValue(0, nullptr), Variant::Object(&object));
  lob.SetValue(0, Variant::Integer(0), nullptr);
  EXPECT_EQ(lob.Object(), nullptr);
  EXPECT_TRUE(lob.IsNull(0));
  EXPECT_EQ(ErrorOf([&] { lob.SetValue(0, Variant::String("x"), nullptr); }),
            "Pass LongInt(Object) to complex variable :DOC");
  EXPECT_EQ(lob.DisplayText(nullptr), "(CLOB)");

  TVariableData cursor(":C", otype::Cursor);  // holds the query of the cursor
  cursor.SetValue(0, Variant::Object(&object), nullptr);
  EXPECT_EQ(cursor.Object(), &object);
}

TEST(VariableValues, TimestampsHoldADateTimeOrATimestampObject) {
  TVariableData ts(":TS", otype::Timestamp);
  const TDateTime when = EncodeDateTime({2020, 1, 2, 3, 4, 5, 678});
  ts.SetValue(0, Variant::Date(when), nullptr);
  EXPECT_EQ(ts.TimestampValue(), when);
  EXPECT_EQ(ts.GetValue(0, nullptr), Variant::Date(when));
  ts.SetValue(0, Variant::Date(0), nullptr);
  EXPECT_TRUE(ts.IsNull(0));
  SomeObject object;
  ts.SetValue(0, Variant::Object(&object), nullptr);
  EXPECT_EQ(ts.Object(), &object);
  ts.SetValue(0, Variant::Integer(0), nullptr);
  EXPECT_EQ(ts.Object(), nullptr);
  EXPECT_TRUE(ts.IsNull(0));
}

TEST(VariableArrays, RedimensioningMakesEveryElementNull) {
  TVariableData v(":V", otype::Integer);
  v.SetValue(0, Variant::Integer(7), nullptr);
  v.SetArrayItem(1, 0, nullptr);  // same size: nothing happens
  EXPECT_FALSE(v.IsNull(0));
  v.SetArrayItem(3, 0, nullptr);
  EXPECT_EQ(v.ArraySize(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(v.IsNull(i));
  v.SetValue(2, Variant::Integer(9), nullptr);
  int32_t third;
  std::memcpy(&third, v.Buffer() + 8, 4);
  EXPECT_EQ(third, 9);
  EXPECT_EQ(v.DisplayText(nullptr), "(Array)");
  v.SetArrayItem(2, 5, nullptr);  // a string size does not change an integer's size
  EXPECT_EQ(v.BufferSize(), 4);
  EXPECT_EQ(ErrorOf([&] { v.SetArrayItem(0, 0, nullptr); }),
            "Invalid array size 0 for variable :V");
  EXPECT_EQ(ErrorOf([&] { v.SetArrayItem(1 << 30, 0, nullptr); }),
            "Invalid array size 1073741824 for variable :V");
}

TEST(VariableArrays, StringElementsAreLimitedToTheLargestVarchar2) {
  TVariableData s(":S", otype::String);
  s.SetArrayItem(2, 0, nullptr);
  EXPECT_EQ(s.BufferSize(), 2001);  // 2000 characters without a session
  FakeSession session;
  session.maxVarchar2Chars = 1000;
  TVariableData t(":T", otype::String);
  t.SetArrayItem(2, 0, &session);
  EXPECT_EQ(t.BufferSize(), 1001);
  t.SetArrayItem(4, 10, &session);
  EXPECT_EQ(t.BufferSize(), 11);
  t.SetValue(3, Variant::String("0123456789"), nullptr);
  EXPECT_EQ(t.ElementText(3), "0123456789");
  EXPECT_EQ(ErrorOf([&] { t.SetValue(1, Variant::String("0123456789a"), nullptr); }),
            "Value too long for variable :T");
  EXPECT_EQ(t.ElementText(0), "");
}

// A national text variable counts in characters: a scalar, a table and an
// array element each hold their declared characters at four bytes apiece,
// and the values stored before the form changed stay as they were.
TEST(VariableArrays, NationalTextElementsHoldTheirCharactersAtTheWidestForm) {
  const std::string four = "\xf0\x9f\x98\x80";  // U+1F600
  auto repeat = [&](int count) {
    std::string text;
    for (int k = 0; k < count; ++k) text += four;
    return text;
  };
  TVariableData scalar(":S", otype::String);
  scalar.SetCharsetForm(2);
  EXPECT_EQ(scalar.BufferSize(), 4 * 4000 + 1);
  scalar.SetValue(0, Variant::String(repeat(4000)), nullptr);
  EXPECT_EQ(ErrorOf([&] { scalar.SetValue(0, Variant::String(repeat(4001)), nullptr); }),
            "Value too long for variable :S");

  TVariables vars;
  TVariableData& table = vars.DeclarePLSQLTable("names", otype::String, 3, 10);
  table.SetValue(2, Variant::String("abc"), nullptr);
  table.SetCharsetForm(2);
  EXPECT_EQ(table.BufferSize(), 41);
  EXPECT_EQ(table.ElementText(2), "abc");
  EXPECT_TRUE(table.IsNull(0));
  table.SetValue(1, Variant::String(repeat(10)), nullptr);
  EXPECT_EQ(table.ElementText(1), repeat(10));
  EXPECT_EQ(ErrorOf([&] { table.SetValue(0, Variant::String(repeat(11)), nullptr); }),
            "Value too long for variable :NAMES");
  table.SetCharsetForm(2);  // already national: the size stays
  EXPECT_EQ(table.BufferSize(), 41);

  FakeSession session;
  session.maxVarchar2Chars = 1000;
  scalar.SetArrayItem(2, 0, &session);
  EXPECT_EQ(scalar.BufferSize(), 4 * 4000 + 1) << "not capped by the database's width";
  scalar.SetArrayItem(2, 5, &session);
  EXPECT_EQ(scalar.BufferSize(), 21);
  scalar.SetValue(1, Variant::String(repeat(5)), nullptr);
  scalar.SetArrayItem(2, 5, &session);  // the same declaration: the values stay
  EXPECT_EQ(scalar.ElementText(1), repeat(5));
}

// National text counts characters in every script: a scalar and the
// elements of an array made on a session whose database characters take
// four bytes each hold 4000 characters of one to four bytes, mixed or not,
// and refuse one more; database text stays limited by its own width.
TEST(VariableArrays, NationalTextCountsCharactersAndIgnoresTheDatabaseWidth) {
  FakeSession session;
  session.maxVarchar2Chars = 1000;
  const std::string widths[] = {"a", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80"};
  auto repeat = [](const std::string& character, int count) {
    std::string text;
    for (int k = 0; k < count; ++k) text += character;
    return text;
  };
  for (const std::string& w : widths) {
    SCOPED_TRACE(w.size());
    TVariableData v(":V", otype::String);
    v.SetCharsetForm(2);
    const std::string mixed = repeat("a", 3999) + w;
    for (const bool array : {false, true}) {
      if (array) v.SetArrayItem(3, 0, &session);
      v.SetValue(array ? 2 : 0, Variant::String(repeat(w, 4000)), &session);
      v.SetValue(0, Variant::String(mixed), &session);
      EXPECT_EQ(v.ElementText(0), mixed);
      EXPECT_EQ(ErrorOf([&] { v.SetValue(0, Variant::String(repeat(w, 4001)), &session); }),
                "Value too long for variable :V");
      EXPECT_EQ(ErrorOf([&] { v.SetValue(0, Variant::String(mixed + "a"), &session); }),
                "Value too long for variable :V");
    }
  }
  TVariableData plain(":P", otype::String);
  plain.SetArrayItem(3, 0, &session);
  EXPECT_EQ(ErrorOf([&] { plain.SetValue(0, Variant::String(repeat("a", 1001)), &session); }),
            "Value too long for variable :P");
}

TEST(VariableArrays, LongRawArrayElementsKeepTheirSize) {
  TVariableData r(":R", otype::LongRaw);
  r.SetArrayItem(3, 4, nullptr);
  EXPECT_EQ(r.BufferSize(), 5);
  r.SetValue(1, Variant::ByteArray({1, 2, 3}), nullptr);
  EXPECT_EQ(r.Buffer()[5], 1);
  EXPECT_EQ(ErrorOf([&] {
              r.SetValue(2, Variant::ByteArray({1, 2, 3, 4, 5, 6}), nullptr);
            }),
            "Value too long for variable :R");
}

TEST(PLSQLTables, OnlyStringsIntegersFloatsAndDatesWithTheRightSizes) {
  TVariables vars;
  EXPECT_EQ(ErrorOf([&] { vars.DeclarePLSQLTable("t", otype::LongRaw, 5, 0); }),
            "Only PL/SQL Tables of strings, integers, floats and dates supported");
  EXPECT_EQ(ErrorOf([&] { vars.DeclarePLSQLTable("t", otype::String, 5, 0); }),
            "You must specify a string size for a PL/SQL Table of strings");
  EXPECT_EQ(ErrorOf([&] { vars.DeclarePLSQLTable("t", otype::Integer, 5, 10); }),
            "You can only specify a string size for a PL/SQL Table of strings");
  EXPECT_EQ(ErrorOf([&] { vars.DeclarePLSQLTable("t", otype::Date, 0, 0); }),
            "You must specify the size of the PL/SQL Table");
  EXPECT_EQ(vars.Count(), 0);
  TVariableData& t = vars.DeclarePLSQLTable("names", otype::String, 10, 30);
  EXPECT_TRUE(t.IsPLSQLTable());
  EXPECT_EQ(t.ArraySize(), 10);
  EXPECT_EQ(t.BufferSize(), 31);
  EXPECT_EQ(t.DisplayText(nullptr), "(PL/SQL Table)");
}

TEST(VariableCollections, AssignFromParametersTypesByValue) {
  FakeQuery query;
  TVariables vars(&query);
  const TParams params = {{"n", Variant::SmallInt(3)},
                          {"b", Variant::Boolean(true)},
                          {"f", Variant::Single(1.5f)},
                          {"c", Variant::Currency(25000)},
                          {"d", Variant::Date(EncodeDate(2000, 1, 1))},
                          {"s", Variant::OleStr(u"txt")}};
  vars.Assign(params);
  ASSERT_EQ(vars.Count(), 6);
  const int16_t types[] = {otype::Integer, otype::Integer, otype::Float,
                           otype::Float,   otype::Date,    otype::String};
  const int32_t sizes[] = {4, 4, 8, 8, 7, 4001};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(vars.Data(i).DataType(), types[i]) << i;
    EXPECT_EQ(vars.Data(i).BufferSize(), sizes[i]) << i;
  }
  EXPECT_EQ(vars.Data(0).Name(), ":N");
  EXPECT_EQ(vars.Data(1).GetValue(0, nullptr), Variant::Integer(-1));
  EXPECT_EQ(vars.Data(3).GetValue(0, nullptr), Variant::Double(2.5));
  EXPECT_EQ(Variant::Single(0.1f).ToText(), "0.1");
  EXPECT_EQ(Variant::Double(0.1).ToText(), "0.1");
  EXPECT_EQ(query.changes, 1);

  TParams back;
  vars.AssignTo(back);
  ASSERT_EQ(back.size(), 6u);
  EXPECT_EQ(back[5].Name, "S");
  EXPECT_EQ(back[5].Value, Variant::String("txt"));
  EXPECT_EQ(back[4].Value, Variant::Date(EncodeDate(2000, 1, 1)));
}

TEST(VariableCollections, AssignRefusesOtherValueTypesAndKeepsTheCollection) {
  TVariables vars;
  vars.Declare("keep", otype::Integer);
  for (const Variant& v : {Variant(), Variant::Null(), Variant::Int64(1)}) {
    EXPECT_EQ(ErrorOf([&] {
                vars.Assign({{"a", Variant::Integer(1)}, {"b", v}});
              }),
              "Unsupported variable type");
  }
  EXPECT_EQ(ErrorOf([&] {
              vars.Assign({{"a", Variant::String(std::string(5000, 'x'))}});
            }),
            "Value too long for variable :A");
  ASSERT_EQ(vars.Count(), 1);
  EXPECT_EQ(vars.Data(0).Name(), ":KEEP");
}

TEST(VariableCollections, NullVariablesBecomeNullParameters) {
  FakeSession session;
  session.nullIsNull = true;
  FakeQuery query;
  query.session = &session;
  TVariables vars(&query);
  vars.Declare("x", otype::String);
  TParams params;
  vars.AssignTo(params);
  ASSERT_EQ(params.size(), 1u);
  EXPECT_TRUE(params[0].Value.IsNull());
}

TEST(VariableCollections, AssignToAnotherCollectionNeedsTwoQueries) {
  FakeQuery q1, q2;
  TVariables source(&q1), dest(&q2), orphan;
  source.Declare("a", otype::Integer).SetValue(0, Variant::Integer(5), nullptr);
  source.DeclarePLSQLTable("t", otype::Float, 4, 0).SetValue(3, Variant::Double(0.25), nullptr);
  dest.Declare("old", otype::Date);
  EXPECT_EQ(ErrorOf([&] { source.AssignTo(orphan); }),
            "Can only Assign TVariables owned by a TOracleQuery");
  EXPECT_EQ(ErrorOf([&] { orphan.AssignTo(dest); }),
            "Can only Assign TVariables owned by a TOracleQuery");
  const int before = q2.changes;
  source.AssignTo(dest);
  EXPECT_GT(q2.changes, before);
  ASSERT_EQ(dest.Count(), 2);
  EXPECT_EQ(dest.Data(0).Name(), ":A");
  EXPECT_EQ(dest.Data(0).GetValue(0, nullptr), Variant::Integer(5));
  EXPECT_TRUE(dest.Data(1).IsPLSQLTable());
  EXPECT_EQ(dest.Data(1).ArraySize(), 4);
  EXPECT_EQ(dest.Data(1).GetValue(3, nullptr), Variant::Double(0.25));
  // The copy is independent of its source.
  source.Data(0).SetValue(0, Variant::Integer(6), nullptr);
  EXPECT_EQ(dest.Data(0).GetValue(0, nullptr), Variant::Integer(5));
}

}  // namespace
}  // namespace oracle
