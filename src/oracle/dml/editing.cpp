#include "oracle/dml/editing.h"

namespace oracle {

TDataSetEditing& Editing(TOracleDataSet& dataSet) {
  if (!dataSet.EditingPart) dataSet.EditingPart = std::make_shared<TDataSetEditing>(dataSet);
  return *dataSet.EditingPart;
}

}  // namespace oracle
