// Object and XMLTYPE columns of a dataset: an object column has no field of
// its own but one field per attribute, named column + "." + attribute, read
// from the object the query's current row holds; an XMLTYPE column is a
// CLOB field holding its document text.
#include "dataset/database_error.h"
#include "oracle/dataset/dataset.h"
#include "oracle/dataset/dataset_field_types.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/objects/oracle_object.h"
#include "oracle/objects/oracle_reference.h"
#include "oracle/objects/xml_type.h"
#include "oracle/session/session.h"
#include "oracle/values/type_codes.h"

namespace oracle {
namespace {

// The type an attribute is read as and its field size, from its object
// type code: numbers by the session's numeric mapping (integers, floats or
// text), text as strings, RAW as hexadecimal text, dates, LOBs and REFs as
// their columns are; type 0 for the kinds that give no field (nested
// objects and collections).
struct TAttributeFetch {
  int16_t type = 0;
  int32_t size = 0;
};

TAttributeFetch AttributeFetch(const TObjectAttribute& attribute, const TOracleSession* session) {
  switch (attribute.TypeCode()) {
    case OCI_TYPECODE_NUMBER: {
      if (session == nullptr) return {otype::Float, 0};
      const TNumericMapping mapping =
          NumericColumnMapping(session->Preferences(), session->ODBCMode(), attribute.Precision(),
                               attribute.Scale(), false);
      return {mapping.externalType,
              mapping.externalType == otype::String ? mapping.size - 1 : mapping.size};
    }
    case OCI_TYPECODE_VARCHAR2:
    case OCI_TYPECODE_CHAR:
      return {otype::String, attribute.Size()};
    case OCI_TYPECODE_RAW:
      return {otype::String, 2 * attribute.Size()};
    case OCI_TYPECODE_DATE:
      return {otype::Date, 0};
    case OCI_TYPECODE_CLOB:
      return {otype::CLOB, 0};
    case OCI_TYPECODE_BLOB:
      return {otype::BLOB, 0};
    case OCI_TYPECODE_REF:
      return {otype::Reference, 0};
    default:
      return {};
  }
}

std::string HexText(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
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
    const TAttributeFetch fetch = AttributeFetch(attribute, Session());
    info.OracleType = fetch.type;
    info.Size = fetch.size;
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
  // The query that holds the rows: a cursor dataset's cursor query.
  TOracleQuery& query = *rowQuery_;
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
    case otype::CLOB:
      return Variant::String(attribute.LOBValue().AsString());
    case otype::BLOB: {
      const std::string bytes = attribute.LOBValue().AsString();
      return Variant::ByteArray(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    case otype::Reference:
      return Variant::String(attribute.RefValue().Hex());
    default:
      if (attribute.TypeCode() == OCI_TYPECODE_RAW)
        return Variant::String(HexText(attribute.RawBytes()));
      return Variant::String(attribute.AsString());
  }
}

}  // namespace oracle
