#pragma once
// The Oracle side of each dataset column: external type, object type and
// character-set data next to the field object, kept in a list whose first
// item is the rowid item. DML generation and the record refresh and check
// walk this list; the value expressions say what an INSERT writes for a
// column that has no bound value.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dataset/field.h"
#include "oracle/values/ora_variant.h"

namespace oracle {

// What the field information reads from its dataset.
class TFieldInfoOwner {
 public:
  // Session preferences: a null LOB, a null object inserts as an empty one.
  virtual bool NullLOBIsEmpty() const = 0;
  virtual bool NullObjectIsEmpty() const = 0;
  // The sequence whose next value the server assigns to the field, or ""
  // when the dataset's sequence field does not apply on the server to it.
  virtual std::string ServerSequenceFor(const std::string& fieldName) const = 0;
  // A string value as the session's string conversion presents it.
  virtual std::string ConvertString(const std::string& value) const = 0;
  // The dataset's test whether a field's value differs from its old value.
  virtual bool FieldChanged(dataset::TField& field) const = 0;

 protected:
  ~TFieldInfoOwner() = default;
};

// The current row of a query, as far as field information reads it; the
// query class implements it.
class TFieldInfoQuery {
 public:
  virtual int FieldCount() const = 0;
  // Buffer type code of a select-list column.
  virtual int FieldType(int index) const = 0;
  virtual Variant Field(int index) = 0;
  // Type code of the attribute at `attributeIndex` of the object type of
  // column `index`; -1 when the column is no object or has no such attribute.
  virtual int ObjectAttributeType(int index, int attributeIndex) = 0;
  // The named attribute of the object in column `index` (Null when the object
  // or the attribute is null).
  virtual Variant ObjectAttribute(int index, const std::string& attributeName) = 0;

 protected:
  ~TFieldInfoQuery() = default;
};

// Kinds of item.
inline constexpr uint8_t fiColumn = 0;
inline constexpr uint8_t fiObjectColumn = 1;  // attributes are separate items
inline constexpr uint8_t fiAttribute = 2;
inline constexpr uint8_t fiRowId = 3;

class TOracleFieldInfoList;

class TOracleFieldInfo {
 public:
  explicit TOracleFieldInfo(TOracleFieldInfoList& collection) : collection_(collection) {}

  // The attribute items of an object column (items of the same list).
  std::vector<TOracleFieldInfo*> Attributes;
  dataset::TField* Field = nullptr;
  uint8_t Kind = fiColumn;
  std::string Name;
  std::string ColumnName;  // as written in SQL
  int ColumnIndex = -1;    // position in the query's select list
  int AttributeIndex = 0;
  int OracleType = 0;
  std::string TypeName;
  int Size = 0;
  int Precision = 0;
  int Scale = 0;
  std::string AttributeName;
  bool WholeObject = false;
  TOracleFieldInfo* Parent = nullptr;
  bool IsXML = false;
  int CharsetForm = 0;
  int CharsetId = 0;
  bool National = false;
  bool Wide = false;
  bool StoredWide = false;

  // Name := base, or base + "_" + n (n = 1, 2, ...) when another item of
  // the list already has that name (without regard to case).
  void SetUniqueName(const std::string& base);
  // Bytes of the field's slot value: for a wide-string field units * 2 + 2
  // when national, else units + 1, where units is the field's stored size;
  // a string field its stored size + 1; others the field's data size.
  int BufferSize() const;
  TOracleFieldInfo& Attribute(int index) const { return *Attributes.at(index); }
  int AttributeCount() const { return static_cast<int>(Attributes.size()); }
  TFieldInfoOwner* DataSet() const;

  // The current (old) value is null, or an empty string after the string
  // conversion for text fields; an object column when all its attributes
  // are empty.
  bool ValueIsEmpty() const;
  bool OldValueIsEmpty() const;
  bool IsModified() const;

  // What an INSERT writes for the column when no value is bound ("" when
  // the value is bound like any other).
  std::string ValueExpression() const;
  std::string EmptyValueExpression(bool includeValueExpression) const;
  bool HasValueExpression() const { return !ValueExpression().empty(); }

  // This item's value in the query's current row; wide text becomes UTF-8
  // text unless the value is stored wide.
  void ReadQueryValue(TFieldInfoQuery& query, Variant& value) const;
  // `index` when the query's column there has this item's type, else -1.
  int QueryIndex(TFieldInfoQuery& query, int index) const;

 private:
  bool IsEmpty(bool oldValue) const;

  TOracleFieldInfoList& collection_;
};

class TOracleFieldInfoList {
 public:
  explicit TOracleFieldInfoList(TFieldInfoOwner* dataSet) : dataSet_(dataSet) {}

  TOracleFieldInfo& Add();
  // Empties the list and adds the rowid item (named "ROWID"), which always
  // comes first.
  void Reset();
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  TOracleFieldInfo& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  // The item of the field, else the item named like it; null when none.
  TOracleFieldInfo* FindByField(const dataset::TField& field) const;
  TOracleFieldInfo* FindByName(const std::string& name) const;
  TFieldInfoOwner* DataSet() const { return dataSet_; }

 private:
  TFieldInfoOwner* dataSet_;
  std::vector<std::unique_ptr<TOracleFieldInfo>> items_;
};

// A field's value as a bind variable takes it: integers, floats and dates
// as such, anything else as text; Null for a null field.
Variant FieldOracleValue(const dataset::TField& field);

}  // namespace oracle
