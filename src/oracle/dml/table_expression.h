// Detail datasets that update the elements of a master row's collection
// column: their updating table is TABLE(select m.col from T m where ...) or
// THE(...). The expression is parsed once per SQL text, and before a new
// element is inserted the master row is given an empty collection when its
// collection is null.
#pragma once

#include <string>

#include "oracle/dataset/dataset.h"

namespace oracle {

struct TTableExpression {
  std::string SelectList, From, Where;  // the parts of the inner select
  std::string MasterTable;              // the master table as its FROM item is written
  std::string ColumnPath;               // the collection column as selected ("m.items")
  std::string Column;                   // its last name ("items")
  std::string CollectionType;           // the column's type, from describing it
};

// True when the dataset has a master and its updating table begins with
// TABLE or THE and ends with ")".
bool IsTableExpression(TOracleDataSet& dataSet);

// The dataset's table expression, parsed on first use and again after the
// SQL text changed.
const TTableExpression& ParseTableExpression(TOracleDataSet& dataSet);

// The block that gives the master row named by the expression's condition
// an empty collection when its collection is null.
std::string EmptyCollectionBlock(const TTableExpression& expression);

// Runs that block (the dataset's variables bound) before an insert.
void CreateEmptyCollection(TOracleDataSet& dataSet);

}  // namespace oracle
