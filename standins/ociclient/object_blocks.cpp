// The block that hands out an XMLTYPE instance's text in a temporary CLOB:
//
//   declare
//     kel_object sys.xmltype;
//     xmldata clob;
//   begin
//     kel_object := :kel_object;
//     xmldata := kel_object.getclobval();
//     sys.dbms_lob.trim(:xmldata, 0);
//     sys.dbms_lob.append(:xmldata, xmldata);
//   end;
//
// matched without regard to case or the blanks between words; :kel_object
// is an object bind of an XMLTYPE instance, :xmldata a temporary CLOB, which
// receives the text.
#include "journal.h"
#include "lob.h"
#include "object_columns.h"
#include "object_instances.h"
#include "platform/text.h"

namespace ocistandin {
namespace {

// Lower case, every run of blanks one blank, none around punctuation.
std::string shapeOf(const std::string& text) {
  std::string out;
  bool blank = false;
  for (const char c : platform::LowerAscii(text)) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank = !out.empty();
      continue;
    }
    const bool punct = std::string_view("();:=.,").find(c) != std::string_view::npos;
    if (blank && !punct && std::string_view("();=.,").find(out.back()) == std::string_view::npos)
      out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

const std::string& xmlLoadShape() {
  static const std::string shape = shapeOf(
      "declare kel_object sys.xmltype; xmldata clob; begin kel_object := :kel_object; "
      "xmldata := kel_object.getclobval(); sys.dbms_lob.trim(:xmldata, 0); "
      "sys.dbms_lob.append(:xmldata, xmldata); end;");
  return shape;
}

const BindHandle* bindNamed(const StmtHandle& stmt, const char* name) {
  for (auto it = stmt.binds.rbegin(); it != stmt.binds.rend(); ++it)
    if ((*it)->name == name) return *it;
  return nullptr;
}

}  // namespace

bool executeXmlLoadBlock(SvcCtxHandle& svc, StmtHandle& stmt, ErrorHandle* err, sword& status) {
  if (shapeOf(stmt.text) != xmlLoadShape()) return false;
  recordStatement({stmt.text, {}});
  const BindHandle* object = bindNamed(stmt, "KEL_OBJECT");
  const BindHandle* clob = bindNamed(stmt, "XMLDATA");
  if (object == nullptr || clob == nullptr || clob->value == nullptr) {
    status = fail(err, kVariablesNotBound);
    return true;
  }
  BindValue text;
  OraError error;
  if (!objectBindValue(*object, 0, text, error)) {
    status = fail(err, error);
    return true;
  }
  auto* locator = findAs<LobLocator>(*static_cast<void* const*>(clob->value), OCI_DTYPE_LOB);
  const auto connection = connectionOf(svc);
  std::string* value =
      locator == nullptr || locator->kind != LobLocator::Kind::kTemporary || !connection
          ? nullptr
          : connection->temporaryLobs.find(locator->temporaryId);
  if (value == nullptr) {
    status = fail(err, OraError{22275, "invalid LOB locator specified"});
    return true;
  }
  *value = text.bytes;  // trimmed to nothing, then the text appended
  stmt.rowCount = 1;
  status = OCI_SUCCESS;
  return true;
}

}  // namespace ocistandin
