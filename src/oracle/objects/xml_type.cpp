#include "oracle/objects/xml_type.h"

#include <stdexcept>

#include "oracle/lob/lob_locator.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {

bool IsXMLTypeName(std::string_view typeName) {
  const std::string name = platform::UpperAscii(std::string(typeName));
  return name == TXMLType::kTypeName || name == "XMLTYPE";
}

TXMLType::TXMLType(TOracleSession* session) : TOracleObject(session, kTypeName, "") {}

TXMLType::TXMLType(TOracleSession* session, void* instance, TOracleObject* parent)
    : TOracleObject(session, kTypeName, instance, parent) {}

void TXMLType::AttachRowInstance(void* instance) {
  // Each row is read anew: the client loads a later row into the same
  // instance as an earlier one.
  xml_.reset();
  TOracleObject::AttachRowInstance(instance);
}

const std::string& TXMLType::XML() {
  if (!xml_) LoadXMLData();
  return *xml_;
}

void TXMLType::LoadXMLData() {
  if (IsNull()) {
    xml_ = std::string();
    return;
  }
  // The instance goes in as an object variable; its text comes back in a
  // temporary CLOB the block empties and fills.
  TOracleQuery query;
  query.SetSession(Session());
  for (const char* line :
       {"declare", "  kel_object sys.xmltype;", "  xmldata clob;", "begin",
        "  kel_object := :kel_object;", "  xmldata := kel_object.getclobval();",
        "  sys.dbms_lob.trim(:xmldata, 0);", "  sys.dbms_lob.append(:xmldata, xmldata);", "end;"})
    query.AddSQL(line);
  const std::unique_ptr<TLOBLocator> clob =
      TLOBLocator::CreateTemporary(Session(), otype::CLOB, false);
  query.DeclareVariable("kel_object", otype::Object);
  query.SetComplexVariable("kel_object", this);
  query.DeclareVariable("xmldata", otype::CLOB);
  query.SetComplexVariable("xmldata", clob.get());
  query.Execute();
  xml_ = clob->AsString();
}

TXMLType& XMLTypeField(TOracleQuery& query, int32_t i) {
  if (auto* xml = dynamic_cast<TXMLType*>(query.ObjectColumnObject(i))) return *xml;
  if (query.FieldOracleType(i) != OCI_TYPECODE_OBJECT || !IsXMLTypeName(query.FieldTypeName(i)))
    throw std::runtime_error("Field " + query.FieldName(i) + " is not an XMLType");
  std::unique_ptr<TXMLType> xml(new TXMLType(query.Session(), nullptr));
  TXMLType& made = *xml;
  query.SetObjectColumnObject(i, std::move(xml));
  return made;
}

TXMLType& XMLTypeFieldByName(TOracleQuery& query, std::string_view name) {
  return XMLTypeField(query, query.NameIndex(name));
}

}  // namespace oracle
