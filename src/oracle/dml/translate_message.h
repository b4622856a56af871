// The one step every error of a dataset's editing passes before it reaches
// the application: application errors of server code lose their call
// stack, a violated constraint's message may come from the database's
// message table, and OnTranslateMessage may rewrite the text.
#pragma once

#include <string>

#include "oracle/dataset/dataset.h"

namespace oracle {

// The constraint name in a server message: the part after the first "." of
// the first "(...)" that holds one; empty when none does.
std::string ConstraintNameOf(const std::string& message);

// `action`: 'I' insert, 'U' update, 'D' delete, 'L' lock, refresh or check.
// Errors of the message table's query pass on in place of the translation.
void TranslateMessage(TOracleDataSet& dataSet, char action, int errorCode, const std::string& msg,
                      std::string& result);

}  // namespace oracle
