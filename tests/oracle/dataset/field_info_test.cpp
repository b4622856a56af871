// Field information: unique item names, empty and modified tests, reading
// from a query, and the value expressions of an INSERT.

#include "oracle/dataset/field_info.h"

#include <gtest/gtest.h>

#include <map>

#include "memory_dataset/memory_dataset.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

using dataset::TFieldType;
using dataset::testing::MemoryDataSet;

struct FakeOwner : TFieldInfoOwner {
  bool NullLOBIsEmpty() const override { return nullLob; }
  bool NullObjectIsEmpty() const override { return nullObject; }
  std::string ServerSequenceFor(const std::string& name) const override {
    const auto it = sequences.find(name);
    return it == sequences.end() ? "" : it->second;
  }
  // Trailing blanks go, as with trimmed string fields.
  std::string ConvertString(const std::string& value) const override {
    return value.substr(0, value.find_last_not_of(' ') + 1);
  }
  bool FieldChanged(dataset::TField& field) const override {
    return !(field.OldValue().ToString() == field.Value().ToString());
  }
  bool nullLob = false;
  bool nullObject = false;
  std::map<std::string, std::string> sequences;
};

struct FakeQuery : TFieldInfoQuery {
  int FieldCount() const override { return static_cast<int>(types.size()); }
  int FieldType(int index) const override { return types.at(index); }
  Variant Field(int index) override { return values.at(index); }
  int ObjectAttributeType(int index, int attributeIndex) override {
    return types.at(index) == otype::Object && attributeIndex == 1 ? otype::String : -1;
  }
  Variant ObjectAttribute(int index, const std::string& name) override {
    return Variant::String("attr " + std::to_string(index) + " " + name);
  }
  std::vector<int> types;
  std::vector<Variant> values;
};

class FieldInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    ds.AddColumn("NAME", TFieldType::ftString, 10);
    ds.AddColumn("N", TFieldType::ftInteger);
    ds.AddColumn("NOTES", TFieldType::ftOraClob);
    ds.AddColumn("WIDE", TFieldType::ftWideString, 6);
    // Field values are the framework's (COM) variants.
    ds.AddRow({::Variant("   "), ::Variant(int32_t{3}), ::Variant::Null(), ::Variant("w")});
    ds.Open();
    list.Reset();
  }
  TOracleFieldInfo& Column(const char* name, int type, dataset::TField* field = nullptr) {
    TOracleFieldInfo& info = list.Add();
    info.SetUniqueName(name);
    info.ColumnName = name;
    info.OracleType = type;
    info.Field = field;
    return info;
  }
  TOracleFieldInfo& ObjectColumn(const char* name) {
    TOracleFieldInfo& object = Column(name, otype::Object);
    object.Kind = fiObjectColumn;
    object.TypeName = "T_ADDR";
    for (const char* attributeName : {"STREET", "CITY"}) {
      TOracleFieldInfo& attribute = Column(attributeName, otype::String);
      attribute.Kind = fiAttribute;
      attribute.Parent = &object;
      object.Attributes.push_back(&attribute);
    }
    return object;
  }

  FakeOwner owner;
  TOracleFieldInfoList list{&owner};
  MemoryDataSet ds;
};

TEST_F(FieldInfo, NamesAreUniqueWithinTheListAndTheRowidItemComesFirst) {
  EXPECT_EQ(list.Items(0).Kind, fiRowId);
  Column("ID", otype::Integer);
  Column("ID", otype::Integer);  // the same column name from a join
  Column("id", otype::Integer);
  EXPECT_EQ(list.Items(1).Name, "ID");
  EXPECT_EQ(list.Items(2).Name, "ID_1");
  EXPECT_EQ(list.Items(3).Name, "id_2");
  list.Items(1).SetUniqueName("ID");  // its own name does not count
  EXPECT_EQ(list.Items(1).Name, "ID");
  EXPECT_EQ(list.FindByName("id_1"), &list.Items(2));
  EXPECT_EQ(list.FindByName("X"), nullptr);

  TOracleFieldInfo& name = Column("NAME", otype::String, &ds.FieldByName("NAME"));
  EXPECT_EQ(list.FindByField(ds.FieldByName("NAME")), &name);
  name.Field = nullptr;
  EXPECT_EQ(list.FindByField(ds.FieldByName("NAME")), &name);  // by name
}

// LOB columns insert empty LOBs only when the session asks; defaults and
// server sequences come first; object columns build a constructor only with
// an attribute default.
TEST_F(FieldInfo, ValueExpressionsOfAnInsert) {
  TOracleFieldInfo& clob = Column("NOTES", otype::CLOB, &ds.FieldByName("NOTES"));
  TOracleFieldInfo& blob = Column("IMAGE", otype::BLOB);
  EXPECT_EQ(clob.ValueExpression(), "");
  EXPECT_EQ(clob.EmptyValueExpression(true), "null");
  owner.nullLob = true;
  EXPECT_EQ(clob.ValueExpression(), "empty_clob()");
  EXPECT_TRUE(clob.HasValueExpression());
  EXPECT_EQ(blob.EmptyValueExpression(false), "empty_blob()");
  clob.IsXML = true;  // XMLTYPE columns are CLOBs but never empty LOBs
  EXPECT_EQ(clob.EmptyValueExpression(true), "null");
  // A BFILE points at a file outside the database: no empty value exists.
  TOracleFieldInfo& file = Column("SCAN", otype::BFile);
  EXPECT_EQ(file.ValueExpression(), "");
  EXPECT_EQ(file.EmptyValueExpression(true), "null");

  TOracleFieldInfo& n = Column("N", otype::Integer, &ds.FieldByName("N"));
  EXPECT_FALSE(n.HasValueExpression());
  owner.sequences["N"] = "APP.SEQ_N";
  EXPECT_EQ(n.ValueExpression(), "APP.SEQ_N.nextval");
  ds.FieldByName("N").SetDefaultExpression("sysdate");
  EXPECT_EQ(n.ValueExpression(), "sysdate");
  EXPECT_EQ(n.EmptyValueExpression(true), "sysdate");
  EXPECT_EQ(n.EmptyValueExpression(false), "null");

  TOracleFieldInfo& address = ObjectColumn("ADDR");
  EXPECT_EQ(address.ValueExpression(), "");  // bound like any other column
  EXPECT_EQ(address.EmptyValueExpression(true), "null");
  owner.nullObject = true;
  EXPECT_EQ(address.ValueExpression(), "T_ADDR(null, null)");
  owner.nullObject = false;
  address.Attribute(1).Field = &ds.FieldByName("NAME");
  ds.FieldByName("NAME").SetDefaultExpression("'Bern'");
  EXPECT_EQ(address.ValueExpression(), "T_ADDR(null, 'Bern')");
}

TEST_F(FieldInfo, EmptyAndModifiedFollowTheFieldValues) {
  TOracleFieldInfo& name = Column("NAME", otype::String, &ds.FieldByName("NAME"));
  TOracleFieldInfo& n = Column("N", otype::Integer, &ds.FieldByName("N"));
  TOracleFieldInfo& unbound = Column("X", otype::Integer);
  EXPECT_TRUE(name.ValueIsEmpty());  // blanks only, after the conversion
  EXPECT_FALSE(n.ValueIsEmpty());
  EXPECT_TRUE(unbound.ValueIsEmpty());
  EXPECT_FALSE(unbound.IsModified());

  ds.Edit();
  ds.FieldByName("N").Clear();
  ds.FieldByName("NAME").SetAsString("x");
  EXPECT_TRUE(n.ValueIsEmpty());
  EXPECT_FALSE(n.OldValueIsEmpty());
  EXPECT_FALSE(name.ValueIsEmpty());
  EXPECT_TRUE(name.OldValueIsEmpty());
  EXPECT_TRUE(name.IsModified());

  TOracleFieldInfo& address = ObjectColumn("ADDR");
  address.Attribute(0).Field = &ds.FieldByName("N");
  EXPECT_TRUE(address.ValueIsEmpty());
  EXPECT_FALSE(address.OldValueIsEmpty());
  EXPECT_TRUE(address.IsModified());
  ds.Cancel();
  EXPECT_FALSE(address.IsModified());
}

TEST_F(FieldInfo, ReadsItsValueFromTheQueryRow) {
  FakeQuery query;
  query.types = {otype::String, otype::Object, otype::String};
  query.values = {Variant::OleStr(u"wide"), Variant::Null(), Variant::String("plain")};
  TOracleFieldInfo& wide = Column("W", otype::String);
  wide.ColumnIndex = 0;
  Variant value;
  wide.ReadQueryValue(query, value);
  EXPECT_EQ(value.Type(), VarType::String);
  EXPECT_EQ(value.ToText(), "wide");
  wide.StoredWide = true;
  wide.ReadQueryValue(query, value);
  EXPECT_EQ(value.Type(), VarType::OleStr);

  TOracleFieldInfo& address = ObjectColumn("ADDR");
  address.ColumnIndex = 1;
  TOracleFieldInfo& city = address.Attribute(1);
  city.AttributeIndex = 1;
  city.AttributeName = "CITY";
  city.ReadQueryValue(query, value);
  EXPECT_EQ(value.ToText(), "attr 1 CITY");

  EXPECT_EQ(wide.QueryIndex(query, 2), 2);
  EXPECT_EQ(wide.QueryIndex(query, 1), -1);
  EXPECT_EQ(wide.QueryIndex(query, 3), -1);
  EXPECT_EQ(city.QueryIndex(query, 1), 1);
  EXPECT_EQ(city.QueryIndex(query, 2), -1);  // not an object
  city.AttributeIndex = 0;
  EXPECT_EQ(city.QueryIndex(query, 1), -1);  // attribute of another type
}

TEST_F(FieldInfo, BufferSizesFollowTheFieldType) {
  TOracleFieldInfo& wide = Column("WIDE", otype::String, &ds.FieldByName("WIDE"));
  EXPECT_EQ(wide.BufferSize(), 7);
  wide.National = true;
  EXPECT_EQ(wide.BufferSize(), 14);
  EXPECT_EQ(Column("NAME", otype::String, &ds.FieldByName("NAME")).BufferSize(), 11);
  EXPECT_EQ(Column("N", otype::Integer, &ds.FieldByName("N")).BufferSize(), 4);
  EXPECT_EQ(Column("X", otype::Integer).BufferSize(), 0);
}

}  // namespace
}  // namespace oracle
