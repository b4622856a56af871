#include "oracle/dml/table_expression.h"

#include <memory>

#include "oracle/dml/dml_query.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/updating_table.h"
#include "oracle/query/select_splitter.h"
#include "platform/text.h"

namespace oracle {
namespace {

constexpr const char* kCrLf = "\r\n";

// The text inside the parentheses that follow TABLE or THE.
std::string InnerSelect(const std::string& table) {
  const std::size_t open = table.find('(');
  const std::size_t close = table.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close <= open) return {};
  return std::string(platform::Trim(std::string_view(table).substr(open + 1, close - open - 1)));
}

}  // namespace

bool IsTableExpression(TOracleDataSet& dataSet) {
  if (dataSet.Master() == nullptr) return false;
  const std::string table = platform::UpperAscii(GetUpdatingTableName(dataSet));
  const std::size_t open = table.find('(');
  if (table.empty() || table.back() != ')' || open == std::string::npos) return false;
  const std::string_view word = platform::Trim(std::string_view(table).substr(0, open));
  return word == "TABLE" || word == "THE";
}

const TTableExpression& ParseTableExpression(TOracleDataSet& dataSet) {
  TDataSetEditing& editing = Editing(dataSet);
  if (editing.tableExpression_ && editing.tableExpressionFor_ == dataSet.SQL())
    return *editing.tableExpression_;
  auto expression = std::make_shared<TTableExpression>();
  TSelectParts parts;
  if (SplitSelect(InnerSelect(GetUpdatingTableName(dataSet)), parts) && !parts.fromItems.empty()) {
    TTableExpression& e = *expression;
    e.SelectList = parts.selectList;
    e.From = parts.from;
    e.Where = parts.where;
    e.MasterTable = parts.fromItems[0].text;
    e.ColumnPath = parts.selectList;
    const std::size_t dot = e.ColumnPath.rfind('.');
    e.Column = dot == std::string::npos ? e.ColumnPath : e.ColumnPath.substr(dot + 1);
    // The collection's type, from describing a select of the column.
    TOracleQuery& query = PrepareDMLQuery(dataSet, true);
    query.Clear();
    query.AddSQL("select " + e.ColumnPath + " from " + e.From);
    query.Describe();
    if (query.FieldCount() > 0) e.CollectionType = query.FieldTypeName(0);
    ReleaseDMLQuery(dataSet);
  }
  editing.tableExpression_ = std::move(expression);
  editing.tableExpressionFor_ = dataSet.SQL();
  return *editing.tableExpression_;
}

std::string EmptyCollectionBlock(const TTableExpression& e) {
  return std::string("begin") + kCrLf + "  update " + e.MasterTable + kCrLf + "  set " +
         e.ColumnPath + " = " + e.CollectionType + "()" + kCrLf + "  where " + e.ColumnPath +
         " is null" + kCrLf + "  and (" + e.Where + ");" + kCrLf + "end;";
}

void CreateEmptyCollection(TOracleDataSet& dataSet) {
  const TTableExpression& expression = ParseTableExpression(dataSet);
  if (expression.CollectionType.empty()) return;
  TOracleQuery& query = PrepareDMLQuery(dataSet);
  query.Clear();
  query.SetSQL(EmptyCollectionBlock(expression));
  CopyDataSetVariables(dataSet, query);
  query.Execute();
  ReleaseDMLQuery(dataSet);
}

}  // namespace oracle
