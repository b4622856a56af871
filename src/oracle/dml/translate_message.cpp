#include "oracle/dml/translate_message.h"

#include "oracle/dml/editing.h"
#include "oracle/session/session.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

// The message table's text for `constraint`, side and action; empty when
// no row applies. The name reaches the query only as a bind value.
std::string MessageFromTable(TOracleDataSet& dataSet, const std::string& table,
                             const std::string& constraint, char side, char action) {
  TOracleQuery query(&dataSet);
  query.SetSession(dataSet.Session());
  query.SetCursor(dataSet.Cursor());
  query.SetSQL("select actions, parent_child, error_message from " + table +
               "\nwhere constraint_name = :constraint_name\norder by actions");
  query.DeclareAndSet("constraint_name", otype::String, Variant::String(constraint));
  query.Execute();
  std::string message;
  bool taken = false;
  for (; !query.Eof(); query.Next()) {
    const std::string actions = platform::UpperAscii(query.Field(0).ToText());
    const std::string parentChild = platform::UpperAscii(query.Field(1).ToText());
    if (parentChild != "*" && parentChild != std::string(1, side)) continue;
    if (actions.find(action) != std::string::npos || (actions == "*" && !taken)) {
      message = query.Field(2).ToText();
      taken = true;
    }
  }
  return message;
}

}  // namespace

std::string ConstraintNameOf(const std::string& message) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t open = message.find('(', from), close = message.find(')', from);
    if (open == std::string::npos || close == std::string::npos) return {};
    if (open < close) {
      const std::string candidate = message.substr(open + 1, close - open - 1);
      const std::size_t dot = candidate.find('.');
      if (dot != std::string::npos) return candidate.substr(dot + 1);
    }
    // Always past the ")" found, so a ")" before the "(" cannot stop the search.
    from = close + 1;
  }
}

void TranslateMessage(TOracleDataSet& dataSet, char action, int errorCode, const std::string& msg,
                      std::string& result) {
  result = msg;
  if (errorCode >= 20000 && errorCode <= 20999) {
    const std::size_t stack = msg.find("ORA-06512");
    if (stack != std::string::npos) result = msg.substr(0, stack == 0 ? 0 : stack - 1);
  }
  std::string constraint;
  if (errorCode == 1 || errorCode == 2290 || errorCode == 2291 || errorCode == 2292)
    constraint = ConstraintNameOf(msg);
  TDataSetEditing* editing = dataSet.EditingPart.get();
  TOracleSession* session = dataSet.Session();
  if (editing != nullptr && editing->OracleDictionary.UseMessageTable && session != nullptr &&
      !session->MessageTable().empty() && !constraint.empty()) {
    const char side = errorCode == 2291 ? 'C' : errorCode == 2292 ? 'P' : '*';
    const std::string text =
        MessageFromTable(dataSet, session->MessageTable(), constraint, side, action);
    if (!text.empty()) result = text;
  }
  if (editing != nullptr && editing->OnTranslateMessage)
    editing->OnTranslateMessage(dataSet, errorCode, constraint, action, result);
}

}  // namespace oracle
