// Object and XMLTYPE columns of a dataset: an object column has no field of
// its own but one field per attribute, named column + "." + attribute, read
// from the object the query's current row holds; an XMLTYPE column is a
// CLOB field holding its document text.
#include "dataset/database_error.h"
#include "oracle/dataset/dataset.h"
#include "oracle/dataset/dataset_field_types.h"
#include "oracle/objects/oracle_object.h"
#include "oracle/objects/xml_type.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

// The type an attribute is read as, from its object type code: numbers as
// integers or floats, text as strings, dates; 0 for the kinds that give no
// field (nested objects, collections, REFs, LOBs, RAW).
int AttributeFetchType(const TObjectAttribute& attribute) {
  switch (attribute.TypeCode()) {
    case OCI_TYPECODE_NUMBER:
      return attribute.Scale() == 0 && attribute.Precision() > 0 && attribute.Precision() <= 9
                 ? otype::Integer
                 : otype::Float;
    case OCI_TYPECODE_VARCHAR2:
    case OCI_TYPECODE_CHAR:
      return otype::String;
    case OCI_TYPECODE_DATE:
      return otype::Date;
    default:
      return 0;
  }
}

}  // namespace

void TOracleDataSet::ExpandObjectColumn(TOracleFieldInfo& column, const TFieldTypeRules& rules,
                                        bool required) {
  column.Kind = fiObjectColumn;
  // A temporary instance of the column's type tells its attributes.
  TOracleObject type(Session(), column.TypeName, "");
  for (int32_t a = 0; a < type.AttributeCount(); ++a) {
    const TObjectAttribute& attribute = type.AttributeItem(a);
    TOracleFieldInfo& info = fieldInfo_.Add();
    info.Kind = fiAttribute;
    info.ColumnName = column.ColumnName;
    info.ColumnIndex = column.ColumnIndex;
    info.AttributeIndex = a;
    info.AttributeName = attribute.Name();
    info.SetUniqueName(column.ColumnName + "." + attribute.Name());
    info.OracleType = AttributeFetchType(attribute);
    info.Size = attribute.Size();
    info.Precision = attribute.Precision();
    info.Scale = attribute.Scale();
    info.TypeName = attribute.TypeName();
    info.Parent = &column;
    column.Attributes.push_back(&info);
    const TColumnFieldType field =
        FieldTypeForColumn(info.OracleType, info.Size, info.Precision, false, false, rules);
    if (info.OracleType != 0 && field.hasField)
      FieldDefs().Add(info.Name, field.type, field.size, required);
  }
}

Variant TOracleDataSet::ObjectColumnValue(const TOracleFieldInfo& info) {
  TOracleQuery& query = *mainQuery_;
  if (info.IsXML) {
    if (query.FieldIsNull(info.ColumnIndex)) return Variant::Null();
    return Variant::String(XMLTypeField(query, info.ColumnIndex).XML());
  }
  // A null object gives null attributes.
  TOracleObject& object = ObjectField(query, info.ColumnIndex);
  if (object.IsNull()) return Variant::Null();
  TObjectAttribute& attribute = object.AttributeItem(info.AttributeIndex);
  if (attribute.IsNull()) return Variant::Null();
  switch (info.OracleType) {
    case otype::Integer:
      return Variant::Integer(static_cast<int32_t>(attribute.AsFloat()));
    case otype::Float:
      return Variant::Double(attribute.AsFloat());
    case otype::Date:
      return Variant::Date(attribute.AsDate());
    default:
      return Variant::String(attribute.AsString());
  }
}

}  // namespace oracle
